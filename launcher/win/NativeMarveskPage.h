#pragma once
// The native stand-in of Marvesk.htm, for systems whose HTML engine cannot render: it
// plays the page's part with the same contract. It hosts the gadget control (created by
// its class identity) in a child window "iFrame", starts it with LoadGadgetPath and the
// page's own path, answers SetSizeInfo, SettingOverwrite, ChangeSize and FlyOutOn, draws
// the frame images from the page's images folder (a plain colour where one is missing),
// drags the window by them, offers the scroll buttons when fewer rows are shown than
// exist, and provides "onHideFlyout", "SetAdditionalFunc" and "Resize".
//
// Lifetime: a child window of the launcher's dialog; Close() closes the control before
// the window goes. UI thread only.
#include <windows.h>

#include <string>
#include <vector>

#include "framework/ComPtr.h"
#include "framework/ControlSite.h"
#include "framework/GdiObject.h"
#include "framework/UniqueModule.h"
#include "framework/Window.h"
#include "launcher/MarveskPageLayout.h"
#include "launcher/win/MarveskPageView.h"

namespace tavolen::launcher {

class NativeMarveskPage : public Window, public MarveskPageView {
 public:
  NativeMarveskPage();
  ~NativeMarveskPage() override;

  bool Open(HWND parent, const std::wstring& pagePath, PageEvents& events) override;
  void Fill(const RECT& client) override;
  void Close() override;

  bool Loaded() override { return loaded_; }
  std::optional<Size> FrameSize() override;
  bool Call(const std::u16string& function) override;

  // The child window standing for the "iFrame" element (for tests and screenshots).
  HWND FrameWindow() const { return frame_.hwnd(); }

 private:
  // The "iFrame" element: paints the side borders and holds the control.
  class Frame : public Window {
   public:
    explicit Frame(NativeMarveskPage& page);
   private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    NativeMarveskPage& page_;
  };
  enum class Part { None, Top, Middle, Bottom, Up, Down, All };

  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void Load();
  void OnControlEvent(DISPID id, const std::vector<VARIANT>& args);
  void ReadSettings();
  void LoadImages();
  void Relayout();
  void Paint(HDC dc);
  void PaintFrame(HDC dc, const RECT& client);
  void Blit(HDC dc, HBITMAP bitmap, const RECT& to);
  void OnMouse(UINT message, POINT point);
  Part PartAt(POINT point) const;
  RECT ButtonRect(Part part) const;
  HRESULT Invoke(const wchar_t* name, std::vector<VARIANT> args, VARIANT* result);
  uint32_t SettingData(const wchar_t* name);

  Frame frame_;
  ComPtr<ControlSite> site_;
  UniqueModule server_;  // the control's library when loaded from the user's classes
  PageEvents* events_ = nullptr;
  std::wstring pagePath_;
  std::wstring folder_;
  bool loaded_ = false;
  bool relayoutPending_ = false;
  PageState state_;
  PageLayout layout_;
  // The launcher's row count and colour, from its registry values through the control's
  // GetSettingData (the settings page writes them there).
  int color_ = 0;
  int imagesColor_ = -1;
  UniqueBitmap top_, middle_, bottom_, up_, down_, all_;
};

}  // namespace tavolen::launcher
