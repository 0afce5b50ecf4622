#pragma once
// The control's two message boxes: topmost, owned by no window, with the captions of the
// string table ("Caution", "Information"). They may be shown from any thread; a box
// blocks only the thread that shows it.
#include <windows.h>

#include <string>

namespace tavolen {

// MB_ICONWARNING; stays until the user answers. Returns the button pressed.
int ShowCautionBox(const std::u16string& text);
int ShowCautionBox(UINT stringId);
// The "Caution" box with Yes and No (exclamation icon), owned by `owner`: true for Yes.
bool AskCautionQuestion(HWND owner, const std::u16string& text);

// MB_ICONINFORMATION; closes itself `closeAfter` milliseconds after it appeared. The
// closing is bound to the very box this call made (it is found as it is created on this
// thread, and its own timer closes it), never to another window with the same caption.
int ShowInfoBox(const std::u16string& text, UINT closeAfter = 5000);

}  // namespace tavolen
