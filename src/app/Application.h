#pragma once

// Start-up and shut-down of the program's windows: the only code that names every window.

#include "forms/common/ProgramInfo.h"

// Qt's own Japanese texts (qtbase_ja from Qt's translations folder, Debian's
// qt6-translations-l10n): the file dialogs, the line edits' context menus and the standard
// buttons speak Japanese like the rest of the program, whatever the desktop's language.
// Installed once on the application; false when the translation is not there (Qt's English
// texts stay).
bool InstallQtTranslations();

// Installs Qt's Japanese texts and the relay hook on the application, then creates the main window, the search
// worker (which borrows the main window's data folder) and the four dialogs in order:
// result dialog, map picker, version dialog, search window; and sets how the main window
// opens a list of addresses (a window of its own for each).
void CreateWindows();
// Stops the search worker (cancel, then join), destroys the windows in reverse order and
// removes the relay hook.
void DestroyWindows();
