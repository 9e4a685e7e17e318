#pragma once

#include <QDialog>

#include <atomic>
#include <memory>
#include <thread>

#include "core/update/Updater.h"

class QLabel;
class QProgressBar;
class QPushButton;

// The progress dialog of "データ更新…": runs RunUpdate on a thread of its own from the
// moment it is first shown, shows the stage and the bytes received, and closes itself when
// the update has ended (accepted when it brought new data or found it current, rejected
// otherwise). Cancel, Escape and the close box ask the update to stop; the dialog stays
// until it has. The worker hands its progress over by queued calls only; the destructor
// cancels the update and waits for the thread before anything it talks to goes away.
class UpdateDialog : public QDialog {
  Q_OBJECT
 public:
  UpdateDialog(tanzel::UpdateOptions options, QWidget* parent = nullptr);
  ~UpdateDialog() override;

  // The outcome; meaningful once the dialog has closed itself.
  const tanzel::UpdateResult& Result() const { return *result_; }
  bool IsRunning() const { return thread_.joinable() && !finished_; }

  // Shows one step of the progress (called on the dialog's thread).
  void ShowProgress(const tanzel::UpdateProgress& progress);

 public Q_SLOTS:
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  class Relay;
  void Start();
  void Finish(std::shared_ptr<tanzel::UpdateResult> result);

  tanzel::UpdateOptions options_;
  std::shared_ptr<tanzel::UpdateResult> result_;
  QLabel* stageLabel_;
  QProgressBar* progressBar_;
  QLabel* bytesLabel_;
  QPushButton* cancelButton_;
  std::atomic<bool> cancel_{false};
  bool finished_ = false;
  std::unique_ptr<Relay> relay_;
  std::thread thread_;  // last: joined before the members above go
};

// What the user sees after the update dialog has closed: a box for a failure, a cancel or
// data that is already current; the change report after new data (a box when there was
// no earlier data to compare with).
void ShowUpdateOutcome(QWidget* parent, const tanzel::UpdateResult& result);
