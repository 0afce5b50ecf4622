#include "control/panels/win/DropCopy.h"

#include <shlobj.h>

#include <variant>

#include "control/resources/resource.h"
#include "control/widgets/win/LauncherNotice.h"
#include "framework/ComInit.h"
#include "framework/Module.h"
#include "framework/ResourceString.h"
#include "framework/UniqueItemList.h"
#include "framework/UniqueMenu.h"
#include "framework/Utf16.h"

namespace tavolen {

namespace {

// The module reference comes first so that it is given back last.
struct ShellJob {
  ModuleReference hold;
  ShellFiles* shell;
  HWND window;
  std::variant<FileOperationPlan, ShellOpen> work;
};

unsigned ShellJobMain(ShellJob& job) {
  const ComInit com;  // the shell may use COM on this thread
  // The shell reports its own errors; a program that cannot be started fails quietly.
  if (const auto* open = std::get_if<ShellOpen>(&job.work)) {
    job.shell->Open(uintptr_t(job.window), *open);
    return 0;
  }
  const FileOperationPlan& plan = std::get<FileOperationPlan>(job.work);
  if (!plan.folderToMake.empty()) ::CreateDirectoryW(AsWide(plan.folderToMake.c_str()), nullptr);
  job.shell->Operate(uintptr_t(job.window), uint32_t(plan.operation), plan.sources, plan.destination, plan.flags);
  return 0;
}

int CALLBACK SelectStartFolder(HWND browser, UINT message, LPARAM, LPARAM start) {
  if (message == BFFM_INITIALIZED) ::SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, start);
  return 0;
}

}  // namespace

std::vector<std::u16string> DropCopy::TakePaths(HDROP drop) {
  std::vector<std::u16string> paths;
  if (!drop) return paths;
  const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = ::DragQueryFileW(drop, i, nullptr, 0);
    if (length == 0) continue;
    std::wstring path(length + 1, L'\0');
    const UINT copied = ::DragQueryFileW(drop, i, path.data(), length + 1);
    path.resize(copied);
    if (!path.empty()) paths.push_back(ToUtf16(path));
  }
  ::DragFinish(drop);
  return paths;
}

std::optional<FileOperation> DropCopy::ChooseOperation(HWND window, uint32_t keyState, bool offerCopy) {
  switch (DropChoiceFor(keyState)) {
    case DropChoice::Copy: return FileOperation::Copy;
    case DropChoice::Move: return FileOperation::Move;
    case DropChoice::AskWithMenu: break;
  }
  const UniqueMenu menu(::LoadMenuW(ModuleInstance(), MAKEINTRESOURCEW(IDR_MENU_DROP)));
  const HMENU items = ::GetSubMenu(menu.get(), 0);
  if (!items) return std::nullopt;
  if (!offerCopy) ::RemoveMenu(items, ID_DROP_COPY, MF_BYCOMMAND);
  POINT cursor{};
  ::GetCursorPos(&cursor);
  UINT chosen = 0;
  {
    const SubMenuOpenScope open;
    chosen = UINT(::TrackPopupMenu(items, TPM_RIGHTBUTTON | TPM_RETURNCMD, cursor.x, cursor.y, 0, window, nullptr));
  }
  if (chosen == ID_DROP_MOVE) return FileOperation::Move;
  if (chosen == ID_DROP_COPY) return FileOperation::Copy;
  return std::nullopt;
}

bool DropCopy::Start(ThreadStarter& threads, ShellFiles& shell, HWND window, FileOperationPlan plan) {
  auto job = std::make_unique<ShellJob>(ShellJob{ModuleReference(), &shell, window, std::move(plan)});
  return StartWorker(threads, std::move(job), &ShellJobMain);
}

bool DropCopy::Open(ThreadStarter& threads, ShellFiles& shell, HWND window, ShellOpen open) {
  auto job = std::make_unique<ShellJob>(ShellJob{ModuleReference(), &shell, window, std::move(open)});
  return StartWorker(threads, std::move(job), &ShellJobMain);
}

std::optional<std::u16string> DropCopy::ChooseFolder(HWND window, const std::u16string& start) {
  const std::u16string title = LoadResourceString(IDS_SELECT_FOLDER);
  BROWSEINFOW browse{};
  browse.hwndOwner = window;
  browse.lpszTitle = AsWide(title.c_str());
  browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  browse.lpfn = &SelectStartFolder;
  browse.lParam = LPARAM(AsWide(start.c_str()));
  const UniqueItemList chosen(::SHBrowseForFolderW(&browse));
  if (!chosen) return std::nullopt;
  wchar_t path[MAX_PATH + 1] = {};
  if (!::SHGetPathFromIDListW(chosen.get(), path)) return std::u16string();
  return std::u16string(AsUtf16(path));
}

}  // namespace tavolen
