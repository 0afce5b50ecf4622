#pragma once
// The system's HTML engine in a window of ours: the web browser control in our OLE
// container with a document host of our own (host flags "dialog" and "theme", our
// context menu instead of the browser's), document-complete, element lookup and element
// events by id, script calls by name, element properties, texts and sizes. Used by the
// launcher's pages and the control's flyout where the engine renders.
//
// Lifetime: owned by one window; Close() before the window goes. UI thread only.
#include <windows.h>
#include <mshtml.h>

#include <functional>
#include <optional>
#include <string>

#include "framework/ComPtr.h"
#include "framework/ControlSite.h"

struct IWebBrowser2;

namespace tavolen {

class BrowserSite;

// Whether an HTML document can be made and finishes loading an empty page within about
// two seconds (the caller's thread runs its messages meanwhile).
bool HtmlEngineRenders();
// The file: address of a path, made with the system's path-to-address conversion, so
// that "#", "%", blanks and other letters in folder names are escaped.
std::wstring FileAddress(const std::wstring& path);

class HtmlView {
 public:
  struct Callbacks {
    std::function<void(const std::u16string& url)> documentComplete;
    // A context menu was asked for at a screen point; the browser's own never shows.
    std::function<void(POINT screen)> contextMenu;
  };

  HtmlView();
  ~HtmlView();
  HtmlView(const HtmlView&) = delete;
  HtmlView& operator=(const HtmlView&) = delete;

  bool Open(HWND parent, Callbacks callbacks);
  bool Navigate(const std::wstring& url);
  void Fill(const RECT& client);
  void Close();

  bool Complete() const;
  // Calls a script function of the page without arguments (method call by name, the
  // system's default locale).
  bool CallScript(const wchar_t* name);
  // Binds `handler` to an element's event ("onmousedown"); a handler returning false
  // cancels the event's default action.
  bool AttachEvent(const wchar_t* id, const wchar_t* event, std::function<bool()> handler);
  std::optional<SIZE> OffsetSize(const wchar_t* id);
  bool GetProperty(const wchar_t* id, const wchar_t* property, VARIANT* value);
  bool SetProperty(const wchar_t* id, const wchar_t* property, const VARIANT& value);
  // Sets an element's text as text (never parsed as markup); false without the element.
  bool SetText(const wchar_t* id, const std::wstring& text);

  // The current event's default action is not to run (for handlers).
  void CancelEvent();

 private:
  ComPtr<IHTMLDocument2> Document() const;
  ComPtr<IHTMLElement> Element(const wchar_t* id) const;
  void OnBrowserEvent(DISPID id, const std::vector<VARIANT>& args);

  ComPtr<BrowserSite> site_;
  ComPtr<IWebBrowser2> browser_;
  ComPtr<IConnectionPoint> eventPoint_;
  DWORD eventCookie_ = 0;
  Callbacks callbacks_;
};

}  // namespace tavolen
