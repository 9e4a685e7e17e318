#pragma once

// Test helpers for the window tests: the program's windows under its title, with the
// message boxes they show collected instead of shown.

#include <QString>

#include <vector>

#include "forms/common/MessageBox.h"

// A message box the program showed.
struct ShownMessage {
  QString text;
  QString caption;
  MessageIcon icon;
};

// Sets the program's title and creates its windows (CreateWindows). With `shown`, every
// message box goes into it, in order, instead of on the screen until DestroyTestWindows.
void CreateTestWindows(std::vector<ShownMessage>* shown = nullptr);

// The texts of the message boxes in `shown`, one a line: for the message of a failed check.
QString MessageTexts(const std::vector<ShownMessage>& shown);

// Shows the main window and waits until it is active; false when it does not become so.
bool ShowMainWindow();

// Brings the message boxes back and destroys the windows (DestroyWindows).
void DestroyTestWindows();
