// Finding a top-level window by its title, and telling the system's own dialogs (message
// boxes, the common Open dialog) from other dialogs by what they are made of.
#pragma once

#include <windows.h>
#include <string>

namespace qmhost {

// The first top-level window whose title is title (or starts with it, when prefix), of
// this process only when ownProcess, and only a visible one when visibleOnly; null if none.
HWND FindTopLevel(const std::wstring& title, bool prefix, bool ownProcess, bool visibleOnly = false);

// A message box (MessageBox and its kin): a dialog of class #32770 whose children are
// exactly one static text with the id 0xFFFF, at most one icon, and push buttons with the
// box answers' ids (IDOK ... IDCONTINUE, IDHELP), at least one. A dialog template's
// labels also carry the id 0xFFFF (-1), but such a dialog has other controls too, or
// several labels.
bool IsMessageBox(HWND window);

// The common Open (or Save As) dialog in any language: class #32770 with the file-name
// control of <dlgs.h> (cmb13 in the Explorer style, edt1 with its file list lst1 in the
// old style) and an OK button. Not a message box.
bool IsFileDialog(HWND window);

// The first visible common file dialog of this process; null if none.
HWND FindFileDialog();

// The edit control that takes a file dialog's file name (the one inside cmb13, else edt1);
// null if none.
HWND FileNameEdit(HWND fileDialog);

} // namespace qmhost
