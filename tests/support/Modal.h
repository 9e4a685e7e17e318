#pragma once

// Test helper for modal dialogs: schedules a step that runs once the dialog is up, before
// the caller makes the modal call. Whatever the step does, the dialog is closed afterwards,
// so a failing check never leaves the test hanging in the modal loop.

#include <functional>

class QDialog;

void WhileModal(QDialog* dialog, std::function<void()> step, bool* ran);
