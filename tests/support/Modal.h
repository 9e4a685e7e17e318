#pragma once

// Test helper for modal dialogs: schedules a step that runs once the dialog is up, before
// the caller makes the modal call. Whatever the step does, the dialog is closed afterwards,
// so a failing check never leaves the test hanging in the modal loop.

#include <functional>

class QDialog;
class QString;

void WhileModal(QDialog* dialog, std::function<void()> step, bool* ran);

// The same for a dialog the code under test creates itself: waits until the active modal
// window is a dialog named `objectName`, then runs `step` with it and rejects it when it is
// still shown. `ran` is set once the step has run.
void WhenModal(const QString& objectName, std::function<void(QDialog*)> step, bool* ran);
