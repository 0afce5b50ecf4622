#include "launcher/win/HtmlEngine.h"

#include <windows.h>
#include <mshtml.h>

#include "framework/ComPtr.h"
#include "framework/UniqueBstr.h"

namespace tavolen::launcher {
namespace {

// The HTML document class {25336920-03F9-11CF-8FD0-00AA00686F13} (MinGW's uuid library
// lacks it).
constexpr CLSID kHtmlDocument = {0x25336920, 0x03F9, 0x11CF, {0x8F, 0xD0, 0x00, 0xAA, 0x00, 0x68, 0x6F, 0x13}};

}  // namespace

bool HtmlEngineRenders() {
  ComPtr<IHTMLDocument2> document;
  if (FAILED(::CoCreateInstance(kHtmlDocument, nullptr, CLSCTX_INPROC_SERVER, IID_IHTMLDocument2,
                                document.put_void())))
    return false;
  ComPtr<IPersistStreamInit> persist;
  if (FAILED(document.As(IID_IPersistStreamInit, &persist)) || FAILED(persist->InitNew())) return false;
  const DWORD deadline = ::GetTickCount() + 2000;
  for (;;) {
    UniqueBstr state;
    if (SUCCEEDED(document->get_readyState(state.put())) && state.get() && ::lstrcmpW(state.get(), L"complete") == 0)
      return true;
    const DWORD now = ::GetTickCount();
    if (int(deadline - now) <= 0) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, deadline - now, QS_ALLINPUT);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
}

PageEngine ChoosePageEngine(const std::wstring& commandLine) {
  if (commandLine.find(L"--engine=native") != std::wstring::npos) return PageEngine::Native;
  if (commandLine.find(L"--engine=html") != std::wstring::npos) return PageEngine::Html;
  return HtmlEngineRenders() ? PageEngine::Html : PageEngine::Native;
}

}  // namespace tavolen::launcher
