#include "control/core/SiteLock.h"

#include <vector>

#include "control/core/GadgetOptions.h"

namespace tavolen {

namespace {

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c; }

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (Lower(text[i]) != Lower(prefix[i])) return false;
  }
  return true;
}

bool IsDriveRoot(std::u16string_view text) {
  if (text.size() < 2 || text[1] != u':') return false;
  const char16_t letter = Lower(text[0]);
  return letter >= u'a' && letter <= u'z' && (text.size() == 2 || text[2] == u'/' || text[2] == u'\\');
}

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

}  // namespace

bool IsLocalPageAddress(std::u16string_view url) {
  if (StartsWithNoCase(url, u"x-gadget:///")) return true;
  if (!StartsWithNoCase(url, u"file:")) return false;
  std::u16string_view rest = url.substr(5);
  if (StartsWithNoCase(rest, u"//localhost/")) {
    rest.remove_prefix(12);
  } else if (StartsWithNoCase(rest, u"///")) {
    rest.remove_prefix(3);
  } else if (StartsWithNoCase(rest, u"//")) {
    return false;  // a host: a share on another computer
  } else if (!rest.empty() && IsSeparator(rest[0])) {
    rest.remove_prefix(1);
  }
  return IsDriveRoot(rest);
}

bool ServesSite(const ContainerSite& site) { return !site.browser || IsLocalPageAddress(site.url); }

std::optional<std::u16string> CheckedGadgetFolder(std::u16string_view location) {
  std::u16string raw(location.substr(0, kMaxGadgetPath));
  for (char16_t& c : raw) {
    if (c == u'/') c = u'\\';
  }
  // "\\server\share", "\\?\..." and "\\.\...": never a folder of this computer's pages.
  if (raw.size() >= 2 && raw[0] == u'\\' && raw[1] == u'\\') return std::nullopt;
  const std::u16string folder = NormalizeGadgetPath(raw);
  if (!IsDriveRoot(folder)) return std::nullopt;

  std::vector<std::u16string_view> steps;
  const std::u16string_view path(folder);
  for (std::size_t at = 3; at < path.size();) {
    std::size_t end = path.find(u'\\', at);
    if (end == std::u16string_view::npos) end = path.size();
    const std::u16string_view step = path.substr(at, end - at);
    at = end + 1;
    if (step.empty() || step == u".") continue;
    if (step.find(u':') != std::u16string_view::npos) return std::nullopt;
    if (step == u"..") {
      if (steps.empty()) return std::nullopt;
      steps.pop_back();
      continue;
    }
    steps.push_back(step);
  }
  std::u16string canonical{folder[0], u':'};
  for (std::u16string_view step : steps) {
    canonical += u'\\';
    canonical += step;
  }
  if (steps.empty()) canonical += u'\\';
  return canonical;
}

}  // namespace tavolen
