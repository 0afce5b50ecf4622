#pragma once
// The page in the launcher's main window: the HTML view of Marvesk.htm or its native
// stand-in. Both tell the window the page's events and answer the page port; the window
// owns the view and closes it before it goes. UI thread only.
#include <windows.h>

#include <string>

#include "launcher/Geometry.h"
#include "launcher/MarveskPort.h"

namespace tavolen::launcher {

class PageEvents {
 public:
  virtual ~PageEvents() = default;
  virtual void OnDocumentComplete(const std::u16string& url) = 0;
  // The "iFrame" element changed its size.
  virtual void OnFrameResize() = 0;
  // Mouse down or moved with the button down on one of the frame images.
  virtual void OnFrameMouse() = 0;
  // The page asks for a context menu at a screen point.
  virtual void OnContextMenu(Point screen) = 0;
};

class MarveskPageView : public MainPagePort {
 public:
  // Shows the page at `pagePath` in the parent's client area; loading goes on after the
  // call returns and ends with OnDocumentComplete. `events` outlives the view.
  virtual bool Open(HWND parent, const std::wstring& pagePath, PageEvents& events) = 0;
  // The parent's client area changed.
  virtual void Fill(const RECT& client) = 0;
  virtual void Close() = 0;
};

}  // namespace tavolen::launcher
