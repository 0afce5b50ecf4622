#pragma once
// Files dropped onto a gadget window, handed to the shell's own file operation (with its
// progress, conflict and error dialogs) on a thread of their own. Any row reuses it: the
// drive rows copy or move into their drive, the recycle-bin row deletes, the shortcut
// buttons copy into their folder. The first three steps run on the window thread that got
// WM_DROPFILES; the operation's thread gets its own copy of the plan, so a second drop
// never touches a running one.
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "control/panels/DropCopyPlan.h"
#include "framework/Worker.h"
#include "ports/ShellFiles.h"

namespace tavolen {

class DropCopy {
 public:
  // The dropped paths, copied out of the system's drop handle, which is released here.
  static std::vector<std::u16string> TakePaths(HDROP drop);
  // What a drag that entered with `keyState` asks for; a right-button drag shows the drop
  // menu at the cursor, owned by `window` (without "Copy" unless `offerCopy`), with the
  // launcher told while it is open. None when the user cancels or picks nothing.
  static std::optional<FileOperation> ChooseOperation(HWND window, uint32_t keyState, bool offerCopy);
  // Runs the plan through the shell on a thread of its own, its dialogs owned by
  // `window`. False when no thread could be made.
  static bool Start(ThreadStarter& threads, ShellFiles& shell, HWND window, FileOperationPlan plan);
  // The shell's open (a program started with the dropped paths) on a thread of its own.
  static bool Open(ThreadStarter& threads, ShellFiles& shell, HWND window, ShellOpen open);
  // The folder browser of "Custom", owned by `window`, opened at `start`: the chosen
  // file-system folder (empty when the shell gives no path for it), none when cancelled.
  static std::optional<std::u16string> ChooseFolder(HWND window, const std::u16string& start);
};

}  // namespace tavolen
