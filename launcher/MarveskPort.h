#pragma once
// What the launcher's main window logic asks of the window and of the page it shows. The
// Windows window implements the first; the HTML view and its native stand-in implement
// the second; tests record both.
#include <optional>
#include <string>

#include "launcher/DockPlan.h"
#include "launcher/Geometry.h"

namespace tavolen::launcher {

class MainWindowPort {
 public:
  virtual ~MainWindowPort() = default;
  virtual Rect WindowRect() = 0;
  // Moves and sizes the window, repainting it.
  virtual void MoveTo(const Rect& rect) = 0;
  // Hides the window with a 100 ms slide toward the edge.
  virtual void SlideOut(DockState edge) = 0;
  // Shows the window without animation at the top of the z-order, not activated.
  virtual void ShowOnTop() = 0;
  // Topmost, or the top of the windows that are not topmost.
  virtual void SetAlwaysOnTop(bool always) = 0;
  // The 1 s timer that checks whether a restored window hides again.
  virtual void StartHideTimer() = 0;
  virtual void StopHideTimer() = 0;
  // Opens the bar for the edge in place of any bar that is open.
  virtual void OpenBar(DockState edge, const Rect& window, const Rect& work) = 0;
  virtual void CloseBar() = 0;
  virtual bool BarOpen() = 0;
  virtual Point Cursor() = 0;
  // Whether the control's flyout window ("FlyOutDialog") exists.
  virtual bool FlyoutOpen() = 0;
};

class MainPagePort {
 public:
  virtual ~MainPagePort() = default;
  // Whether a page document is loaded.
  virtual bool Loaded() = 0;
  // The offset size of the element "iFrame"; none without such an element.
  virtual std::optional<Size> FrameSize() = 0;
  // Calls a script function of the page without arguments; false when it cannot.
  virtual bool Call(const std::u16string& function) = 0;
};

// The page's functions and elements the launcher uses.
inline constexpr char16_t kOnHideFlyout[] = u"onHideFlyout";
inline constexpr char16_t kSetAdditionalFunc[] = u"SetAdditionalFunc";
inline constexpr char16_t kResize[] = u"Resize";
inline constexpr char16_t kMainPageName[] = u"Marvesk.htm";
// The page's frame images above and below the "iFrame" element are this high together.
inline constexpr int kFrameImagesHeight = 40;

}  // namespace tavolen::launcher
