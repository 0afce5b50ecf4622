#pragma once
// One button of a shortcut row: a shortcut to a file, folder, program, shell link or
// virtual shell item, kept in the gadget's settings file under its row and column. A
// click opens the item, a right click shows the shell's menu of the item with "Change"
// and "Delete", files dropped on it are handed to the item (copied or moved into a
// folder, given to a program, deleted into the recycle bin) or, on an empty button, make
// the first of them the shortcut. Everything but the drop's file operation and program
// start runs on the control's window thread; those get a copy of their plan.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "control/panels/ShortcutRecord.h"
#include "control/panels/ShortcutStore.h"
#include "control/widgets/win/RowHost.h"
#include "control/widgets/win/ShellMenuHandler.h"
#include "framework/GdiObject.h"
#include "framework/SubclassedControl.h"
#include "framework/UniqueWindow.h"

namespace tavolen {

class CShortcutButton : public SubclassedControl {
 public:
  // Subclasses the row template's button; the host and the row's shell-menu handler
  // (which learns from the button which menu object it may call) must outlive the button.
  bool Attach(HWND row, int id, RowHost& host, ShellMenuHandler& menus);

  // Shows and stores a shortcut: `record` (a resolved link) decides when given; a text
  // ending in ".lnk" is resolved into one; an encoded item list that does not decode
  // leaves the button empty and the stored value as it was.
  void SetShortcut(const std::u16string& text, uint32_t row, uint8_t column, const ShortcutRecord* record);
  // "Change": the shell's item browser; a cancelled browser changes nothing.
  void ChooseShortcut();
  // The click: opens the item (or chooses one for an empty button).
  void OpenShortcut();

  const std::u16string& ItemText() const { return itemText_; }
  bool HasRecord() const { return hasRecord_; }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  using SubclassedControl::Attach;

  void ShowShortcutMenu(POINT point);
  void ShowSettingMenu(POINT point);
  void DeleteShortcut();
  void AskToForget(const std::u16string& question);
  void OnDropFiles(HDROP drop);
  void ComposeImage(const std::optional<std::vector<uint8_t>>& itemList);
  void SetTooltip(const std::u16string& name);
  void RelayToTooltip(UINT message, WPARAM wParam, LPARAM lParam);
  HWND Row() const { return ::GetParent(hwnd()); }
  const ShortcutRecord* Record() const { return hasRecord_ ? &record_ : nullptr; }

  RowHost* host_ = nullptr;
  ShellMenuHandler* menus_ = nullptr;
  std::u16string itemText_;
  UniqueBrush background_;
  UniqueBitmap image_;
  UniqueWindow tooltip_;  // owned by the button; destroyed with it
  uint32_t row_ = 0;
  uint8_t column_ = 0;
  ShortcutRecord record_ = EmptyShortcutRecord();
  bool hasRecord_ = false;
  std::vector<uint8_t> recycleBin_;  // the bin's item list, for the drop's comparison
};

}  // namespace tavolen
