#include "launcher/win/NativeMarveskPage.h"

#include <algorithm>

#include <windowsx.h>

#include "framework/DispatchCall.h"
#include "framework/UniqueVariant.h"
#include "framework/Utf16.h"
#include "launcher/win/PageAddress.h"
#include "launcher/win/UserClassRegistration.h"

namespace tavolen::launcher {
namespace {

// The gadget control, created by its class identity as the page's object element does.
constexpr wchar_t kGadgetClsid[] = L"{E4B1A2C3-7D5F-4E69-8A2B-C0D1E2F3A4B5}";
// Events of the control that the page answers.
constexpr DISPID kChangeSize = 1;
constexpr DISPID kFlyOutOn = 2;
constexpr DISPID kSettingOverwrite = 7;
constexpr DISPID kSetSizeInfo = 8;

constexpr UINT kLoadMessage = WM_APP + 1;
constexpr UINT kRelayoutMessage = WM_APP + 2;
constexpr UINT kFlyoutMessage = WM_APP + 3;

constexpr int kButtonSize = 16;
constexpr int kButtonGap = 2;
constexpr COLORREF kColours[] = {RGB(96, 100, 110), RGB(40, 90, 170), RGB(40, 130, 80), RGB(170, 60, 100)};

uint32_t AsUlong(const VARIANT& value) {
  UniqueVariant converted;
  if (FAILED(::VariantChangeType(converted.put(), const_cast<VARIANT*>(&value), 0, VT_UI4))) return 0;
  return V_UI4(converted.get());
}

UniqueBitmap LoadPicture(const std::wstring& path) {
  return UniqueBitmap(static_cast<HBITMAP>(::LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE)));
}

}  // namespace

NativeMarveskPage::Frame::Frame(NativeMarveskPage& page) : Window(L"TavolenGadgetFrame"), page_(page) {}

LRESULT NativeMarveskPage::Frame::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = ::BeginPaint(hwnd(), &paint);
      RECT client;
      ::GetClientRect(hwnd(), &client);
      page_.PaintFrame(dc, client);
      ::EndPaint(hwnd(), &paint);
      return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_LBUTTONDOWN:
    case WM_MOUSEMOVE:
      // The side borders are the "MiddleImage" element.
      if (message == WM_LBUTTONDOWN || (wParam & MK_LBUTTON)) {
        if (page_.events_) page_.events_->OnFrameMouse();
      }
      return 0;
    default: break;
  }
  return DefaultHandler(message, wParam, lParam);
}

NativeMarveskPage::NativeMarveskPage() : Window(L"TavolenMarveskPage"), frame_(*this) {}

NativeMarveskPage::~NativeMarveskPage() { Close(); }

bool NativeMarveskPage::Open(HWND parent, const std::wstring& pagePath, PageEvents& events) {
  events_ = &events;
  pagePath_ = pagePath;
  folder_ = pagePath.substr(0, pagePath.find_last_of(L'\\'));
  RECT client{};
  ::GetClientRect(parent, &client);
  if (!Create(parent, L"Marvesk.htm", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, client)) return false;
  if (!frame_.Create(hwnd(), L"iFrame", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0,
                     RECT{0, kTopImageHeight, kDefaultControlWidth + 2 * kSideBorder, kTopImageHeight}))
    return false;
  LoadImages();
  // The page loads after the window has been set up, as a navigation completes later.
  return Post(kLoadMessage);
}

void NativeMarveskPage::Fill(const RECT& client) {
  if (hwnd())
    ::SetWindowPos(hwnd(), nullptr, 0, 0, client.right - client.left, client.bottom - client.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

void NativeMarveskPage::Close() {
  if (site_) {
    site_->Close();
    site_.reset();
  }
  loaded_ = false;
  Destroy();
  // The control's workers (an eject, an erase) may still run its code: the library goes
  // only when it says nothing holds it, otherwise it stays until the process ends.
  if (server_) {
    using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();
    const auto canUnload =
        reinterpret_cast<CanUnloadNow>(reinterpret_cast<void*>(::GetProcAddress(server_.get(), "DllCanUnloadNow")));
    if (canUnload && canUnload() == S_OK)
      server_.reset();
    else
      (void)server_.release();  // left loaded on purpose
  }
}

std::optional<Size> NativeMarveskPage::FrameSize() {
  if (!loaded_) return std::nullopt;
  return layout_.frame;
}

HRESULT NativeMarveskPage::Invoke(const wchar_t* name, std::vector<VARIANT> args, VARIANT* result) {
  const ComPtr<IDispatch> dispatch = site_ ? site_->Dispatch() : ComPtr<IDispatch>();
  return CallByName(dispatch.get(), name, std::move(args), result);
}

uint32_t NativeMarveskPage::SettingData(const wchar_t* name) {
  UniqueVariant value;
  if (FAILED(Invoke(L"GetSettingData", {UniqueVariant::FromString(name).release()}, value.put()))) return 0;
  return AsUlong(*value.get());
}

void NativeMarveskPage::Load() {
  site_ = ControlSite::Create(frame_.hwnd());
  const RECT start{kSideBorder, 0, kSideBorder + kDefaultControlWidth, 0};
  HRESULT hr = site_ ? site_->CreateControl(kGadgetClsid, start) : E_OUTOFMEMORY;
  if (hr == REGDB_E_CLASSNOTREG) {
    // Registered for this user only, where COM does not read the user's classes.
    CLSID clsid{};
    ::CLSIDFromString(kGadgetClsid, &clsid);
    ComPtr<IOleObject> object = CreateFromUserClasses(clsid, &server_, &hr);
    if (object) hr = site_->CreateControl(std::move(object), start);
  }
  if (SUCCEEDED(hr))
    hr = site_->ConnectEvents([this](DISPID id, const std::vector<VARIANT>& args) { OnControlEvent(id, args); });
  if (FAILED(hr)) {
    // The control refused (its own checks told the user why); the page stays empty.
    if (site_) site_->Close();
    site_.reset();
  } else {
    ReadSettings();
    Invoke(L"LoadGadgetPath", {UniqueVariant::FromString(pagePath_).release()}, nullptr);
  }
  loaded_ = true;
  Relayout();
  if (events_) events_->OnDocumentComplete(ToUtf16(FileAddress(pagePath_)));
}

void NativeMarveskPage::ReadSettings() {
  state_.showCount = int(std::min<uint32_t>(SettingData(L"ShowDriveCount"), 99));
  const uint32_t color = SettingData(L"ColorIndex");
  color_ = color < std::size(kColours) ? int(color) : 0;
  LoadImages();
}

void NativeMarveskPage::LoadImages() {
  if (imagesColor_ == color_) return;
  imagesColor_ = color_;
  const std::wstring images = folder_ + L"\\images\\";
  const std::wstring c = std::to_wstring(color_);
  top_ = LoadPicture(images + L"TopImage" + c + L".bmp");
  middle_ = LoadPicture(images + L"MiddleImage" + c + L".bmp");
  bottom_ = LoadPicture(images + L"BottomImage" + c + L".bmp");
  if (!up_) up_ = LoadPicture(images + L"UpBtn.bmp");
  if (!down_) down_ = LoadPicture(images + L"DownBtn.bmp");
  if (!all_) all_ = LoadPicture(images + L"AllBtn.bmp");
  if (hwnd()) ::RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void NativeMarveskPage::OnControlEvent(DISPID id, const std::vector<VARIANT>& args) {
  switch (id) {
    case kSetSizeInfo:
      if (args.size() >= 2) {
        state_.rowHeight = int(std::min<uint32_t>(AsUlong(args[0]), 1000));
        state_.rowWidth = int(std::min<uint32_t>(AsUlong(args[1]), 4000)) + 1;
      }
      break;
    case kSettingOverwrite:
    case kChangeSize: break;
    case kFlyOutOn: Post(kFlyoutMessage); return;
    default: return;
  }
  // Answered from the message loop, not inside the control's call: moving the control
  // makes it fire ChangeSize again.
  if (!relayoutPending_) relayoutPending_ = Post(kRelayoutMessage);
}

void NativeMarveskPage::Relayout() {
  relayoutPending_ = false;
  if (site_) {
    UniqueVariant count;
    if (SUCCEEDED(Invoke(L"GetDriveLetterCount", {}, count.put())))
      state_.totalRows = int(std::min<uint32_t>(AsUlong(*count.get()), 1000));
  }
  const Size before = layout_.frame;
  layout_ = LayOutPage(state_);
  state_.firstRow = layout_.firstRow;
  ::SetWindowPos(frame_.hwnd(), nullptr, 0, kTopImageHeight, layout_.frame.width, layout_.frame.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  if (site_) {
    const RECT control{layout_.control.left, layout_.control.top, layout_.control.right, layout_.control.bottom};
    const RECT& current = site_->Rect();
    if (!::EqualRect(&control, &current)) site_->Move(control);
  }
  ::InvalidateRect(hwnd(), nullptr, FALSE);
  if (loaded_ && events_ && !(before == layout_.frame)) events_->OnFrameResize();
}

bool NativeMarveskPage::Call(const std::u16string& function) {
  if (!loaded_) return false;
  if (function == u"onHideFlyout") return SUCCEEDED(Invoke(L"EraseFlyoutSetting", {}, nullptr));
  if (function == u"SetAdditionalFunc") {
    ReadSettings();
    return SUCCEEDED(Invoke(L"AddSetting", {}, nullptr));
  }
  if (function == u"Resize") {
    Relayout();
    return true;
  }
  return false;
}

RECT NativeMarveskPage::ButtonRect(Part part) const {
  const int index = part == Part::All ? 0 : part == Part::Up ? 1 : 2;
  const int right = layout_.frame.width - kSideBorder - (2 - index) * (kButtonSize + kButtonGap);
  const int top = kTopImageHeight + layout_.frame.height + (kBottomImageHeight - kButtonSize) / 2;
  return RECT{right - kButtonSize, top, right, top + kButtonSize};
}

NativeMarveskPage::Part NativeMarveskPage::PartAt(POINT point) const {
  if (point.y < kTopImageHeight) return Part::Top;
  if (point.y < kTopImageHeight + layout_.frame.height) return Part::Middle;
  if (layout_.scrolls) {
    for (Part part : {Part::All, Part::Up, Part::Down}) {
      const RECT r = ButtonRect(part);
      if (::PtInRect(&r, point)) return part;
    }
  }
  return Part::Bottom;
}

void NativeMarveskPage::OnMouse(UINT message, POINT point) {
  const Part part = PartAt(point);
  if (message == WM_LBUTTONDOWN) {
    // The buttons act at once; a drag may follow as on every frame image.
    if (part == Part::Up && layout_.canScrollUp) --state_.firstRow;
    if (part == Part::Down && layout_.canScrollDown) ++state_.firstRow;
    if (part == Part::All) state_.showAll = !state_.showAll;
    if (part == Part::Up || part == Part::Down || part == Part::All) Relayout();
  }
  if (events_) events_->OnFrameMouse();
}

void NativeMarveskPage::Blit(HDC dc, HBITMAP bitmap, const RECT& to) {
  if (!bitmap) {
    const UniqueBrush brush(::CreateSolidBrush(kColours[color_]));
    ::FillRect(dc, &to, brush.get());
    return;
  }
  BITMAP info{};
  ::GetObjectW(bitmap, sizeof info, &info);
  const UniqueDc memory(::CreateCompatibleDC(dc));
  const SelectedObject selected(memory.get(), bitmap);
  ::SetStretchBltMode(dc, COLORONCOLOR);
  ::StretchBlt(dc, to.left, to.top, to.right - to.left, to.bottom - to.top, memory.get(), 0, 0, info.bmWidth,
               info.bmHeight, SRCCOPY);
}

void NativeMarveskPage::Paint(HDC dc) {
  RECT client;
  ::GetClientRect(hwnd(), &client);
  const int width = layout_.frame.width;
  const int bottomTop = kTopImageHeight + layout_.frame.height;
  Blit(dc, top_.get(), RECT{0, 0, width, kTopImageHeight});
  Blit(dc, bottom_.get(), RECT{0, bottomTop, width, bottomTop + kBottomImageHeight});
  if (layout_.scrolls) {
    Blit(dc, all_.get(), ButtonRect(Part::All));
    if (layout_.canScrollUp) Blit(dc, up_.get(), ButtonRect(Part::Up));
    if (layout_.canScrollDown) Blit(dc, down_.get(), ButtonRect(Part::Down));
  }
  // Whatever lies beyond the page (before the window took the page's size).
  const RECT right{width, 0, client.right, client.bottom};
  const RECT below{0, bottomTop + kBottomImageHeight, client.right, client.bottom};
  ::FillRect(dc, &right, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  ::FillRect(dc, &below, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
}

void NativeMarveskPage::PaintFrame(HDC dc, const RECT& client) {
  const UniqueBrush brush(middle_ ? ::CreatePatternBrush(middle_.get()) : ::CreateSolidBrush(kColours[color_]));
  ::FillRect(dc, &client, brush.get());
}

LRESULT NativeMarveskPage::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kLoadMessage: Load(); return 0;
    case kRelayoutMessage: Relayout(); return 0;
    case kFlyoutMessage: Invoke(L"GetFlyOutInfo", {}, nullptr); return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = ::BeginPaint(hwnd(), &paint);
      Paint(dc);
      ::EndPaint(hwnd(), &paint);
      return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_LBUTTONDOWN: OnMouse(message, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}); return 0;
    case WM_MOUSEMOVE:
      if (wParam & MK_LBUTTON) OnMouse(message, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return 0;
    case WM_CONTEXTMENU: {
      // Only for the page itself: the control's rows have menus of their own.
      const HWND clicked = reinterpret_cast<HWND>(wParam);
      if (clicked != hwnd() && clicked != frame_.hwnd()) return 0;
      POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (lParam == -1) {
        RECT window;
        ::GetWindowRect(hwnd(), &window);
        at = POINT{window.left, window.top};
      }
      if (events_) events_->OnContextMenu(Point{int(at.x), int(at.y)});
      return 0;
    }
    default: break;
  }
  return DefaultHandler(message, wParam, lParam);
}

}  // namespace tavolen::launcher
