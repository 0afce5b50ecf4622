#pragma once
// Marvesk.htm in the system's HTML engine: the frame images start a window drag on mouse
// down or move (and are not dragged as images), the "iFrame" element's resize event
// refits the window, and the page's script functions are called by name.
#include "framework/HtmlView.h"
#include "launcher/win/MarveskPageView.h"

namespace tavolen::launcher {

class HtmlMarveskPage : public MarveskPageView {
 public:
  bool Open(HWND parent, const std::wstring& pagePath, PageEvents& events) override;
  void Fill(const RECT& client) override { view_.Fill(client); }
  void Close() override { view_.Close(); }

  bool Loaded() override { return loaded_; }
  std::optional<Size> FrameSize() override;
  bool Call(const std::u16string& function) override;

 private:
  void OnDocumentComplete(const std::u16string& url);

  HtmlView view_;
  PageEvents* events_ = nullptr;
  bool loaded_ = false;
};

}  // namespace tavolen::launcher
