#include "launcher/win/HtmlMarveskPage.h"

#include "framework/Utf16.h"
#include "launcher/win/PageAddress.h"

namespace tavolen::launcher {
namespace {

constexpr const wchar_t* kFrameImages[] = {L"TopImage", L"MiddleImage", L"BottomImage",
                                           L"UpBtn",    L"DownBtn",     L"AllBtn"};

}  // namespace

bool HtmlMarveskPage::Open(HWND parent, const std::wstring& pagePath, PageEvents& events) {
  events_ = &events;
  HtmlView::Callbacks callbacks;
  callbacks.documentComplete = [this](const std::u16string& url) { OnDocumentComplete(url); };
  callbacks.contextMenu = [this](POINT at) { events_->OnContextMenu(Point{int(at.x), int(at.y)}); };
  return view_.Open(parent, std::move(callbacks)) && view_.Navigate(FileAddress(pagePath));
}

void HtmlMarveskPage::OnDocumentComplete(const std::u16string& url) {
  for (const wchar_t* id : kFrameImages) {
    view_.AttachEvent(id, L"onmousedown", [this] {
      events_->OnFrameMouse();
      return true;
    });
    view_.AttachEvent(id, L"onmousemove", [this] {
      events_->OnFrameMouse();
      return true;
    });
    view_.AttachEvent(id, L"ondragstart", [] { return false; });
  }
  view_.AttachEvent(L"iFrame", L"onresize", [this] {
    events_->OnFrameResize();
    return true;
  });
  loaded_ = true;
  events_->OnDocumentComplete(url);
}

std::optional<Size> HtmlMarveskPage::FrameSize() {
  const std::optional<SIZE> size = view_.OffsetSize(L"iFrame");
  if (!size) return std::nullopt;
  return Size{int(size->cx), int(size->cy)};
}

bool HtmlMarveskPage::Call(const std::u16string& function) {
  return loaded_ && view_.CallScript(AsWide(function.c_str()));
}

}  // namespace tavolen::launcher
