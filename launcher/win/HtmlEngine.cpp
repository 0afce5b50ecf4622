#include "launcher/win/HtmlEngine.h"

#include "framework/HtmlView.h"

namespace tavolen::launcher {

PageEngine ChoosePageEngine(const std::wstring& commandLine) {
  if (commandLine.find(L"--engine=native") != std::wstring::npos) return PageEngine::Native;
  if (commandLine.find(L"--engine=html") != std::wstring::npos) return PageEngine::Html;
  return HtmlEngineRenders() ? PageEngine::Html : PageEngine::Native;
}

}  // namespace tavolen::launcher
