#pragma once
// Which containers the control serves. It is marked safe for scripting, so any page in
// any browser that can create it could call it: a browser's page is served only when it
// is a local file or one of the sidebar's own gadget pages. A container without a document
// (the launcher's native page, the gadget host) is local code and is served.
// Pure functions; safe from any thread.
#include <optional>
#include <string>
#include <string_view>

namespace tavolen {

// What the control learnt of its container when it was placed in it.
struct ContainerSite {
  bool browser = false;  // the site offers a document or a web browser
  std::u16string url;    // the document's address, when the browser told it
};

// A "file:" address of a page on a local drive ("file:///C:/x/Marvesk.htm",
// "file://localhost/C:/..."), or a sidebar gadget page ("x-gadget:///gadget.html").
// Never a file on another host ("file://server/share/..."), nor any other scheme.
bool IsLocalPageAddress(std::u16string_view url);

// Whether every member of the control answers, or every one says E_ACCESSDENIED.
bool ServesSite(const ContainerSite& site);

// The gadget folder from the location the page passes to LoadGadgetPath (see
// NormalizeGadgetPath), made absolute and canonical: "." and ".." steps resolved, doubled
// separators merged. Nothing for a UNC or device path ("\\server\...", "\\?\", "\\.\"),
// a folder not rooted at a drive letter, a ".." above the drive's root, or a colon past
// the drive (an alternate data stream).
std::optional<std::u16string> CheckedGadgetFolder(std::u16string_view location);

}  // namespace tavolen
