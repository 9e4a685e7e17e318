#include "forms/update/UpdateDialog.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <chrono>
#include <future>

#include "forms/common/Fonts.h"
#include "forms/common/MessageBox.h"
#include "forms/update/ChangeReportDialog.h"

using namespace tanzel;

namespace {

QString Megabytes(long long bytes) {
  return QString::number(static_cast<double>(bytes) / 1e6, 'f', 1) + QStringLiteral(" MB");
}

QString StageText(const UpdateProgress& p) {
  switch (p.stage) {
    case UpdateStage::Download:
      return QStringLiteral(u"ダウンロードしています: %1 (%2/%3)")
          .arg(QString::fromStdString(p.file))
          .arg(p.fileNumber)
          .arg(p.fileCount);
    case UpdateStage::Check:
      return QStringLiteral(u"データを確かめています…");
    default:
      return QStringLiteral(u"データを取り込んでいます…");
  }
}

// What failed, in words the user can act on: the archive, the server's answer, the disk.
// The technical message (with addresses and paths) goes behind the details button.
QString FailureText(const UpdateResult& r) {
  QString file = QString::fromStdString(r.file);
  switch (r.failure) {
    case UpdateFailure::Network:
      return QStringLiteral(u"データをダウンロードできませんでした。ネットワークの接続を確かめてください。") +
             (file.isEmpty() ? QString() : QStringLiteral(u"\n（%1 の受信中）").arg(file));
    case UpdateFailure::Server: {
      QString heading = QStringLiteral(u"サーバーからデータを受け取れませんでした。\n");
      if (r.httpStatus == 0) return heading + QStringLiteral(u"%1 が大きすぎるため、受信を止めました。").arg(file);
      QString answer = r.httpStatus == 404   ? QStringLiteral(u"（見つかりません）")
                       : r.httpStatus >= 500 ? QStringLiteral(u"（サーバーの障害）")
                                             : QString();
      return heading +
             QStringLiteral(u"%1 について、サーバーが %2%3 と答えました。").arg(file).arg(r.httpStatus).arg(answer);
    }
    case UpdateFailure::Archive:
      return QStringLiteral(u"ダウンロードした%1に問題があるため、取り込みませんでした。")
          .arg(file.isEmpty() ? QStringLiteral(u"データ") : QStringLiteral(u" %1 ").arg(file));
    case UpdateFailure::Busy:
      return QStringLiteral(u"別のデータ更新が実行中です。終わってから、もう一度お試しください。");
    case UpdateFailure::Older:
      return QStringLiteral(u"ダウンロードしたデータ（%1）は、お使いのデータ（%2）より古いため、取り込みませんでした。")
          .arg(EraDateOf(r.date), EraDateOf(r.inUseDate));
    default:
      return QStringLiteral(
          u"データを書き込めませんでした。ディスクの空きと、データのフォルダーに書き込めるかを"
          u"確かめてください。");
  }
}

const QString& Caption() {
  static const QString caption = QStringLiteral(u"データ更新");
  return caption;
}

}  // namespace

// Hands the worker's progress to the dialog by queued calls, at most every 50 ms within
// a stage (each new stage or archive at once). Runs on the worker's thread.
class UpdateDialog::Relay : public UpdateObserver {
 public:
  explicit Relay(UpdateDialog* dialog) : dialog_(dialog) {}
  void Progress(const UpdateProgress& p) override {
    auto now = std::chrono::steady_clock::now();
    bool newStep = p.stage != last_.stage || p.fileNumber != last_.fileNumber;
    if (!newStep && now - posted_ < std::chrono::milliseconds(50)) return;
    last_ = p;
    posted_ = now;
    QMetaObject::invokeMethod(
        dialog_, [dialog = dialog_, p] { dialog->ShowProgress(p); }, Qt::QueuedConnection);
  }

 private:
  UpdateDialog* dialog_;
  UpdateProgress last_{UpdateStage::Download, {}, -1, 0, 0, -1};
  std::chrono::steady_clock::time_point posted_{};
};

UpdateDialog::UpdateDialog(UpdateOptions options, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      options_(std::move(options)),
      result_(std::make_shared<UpdateResult>()) {
  // Going back to older data is asked here, while the worker waits (or the update is cancelled).
  options_.allowOlder = [this](const std::string& inUse, const std::string& offered) {
    auto answer = std::make_shared<std::promise<bool>>();
    std::future<bool> future = answer->get_future();
    QMetaObject::invokeMethod(
        this,
        [this, answer, inUse, offered] {
          answer->set_value(AskQuestion(this,
                                        QStringLiteral(u"ダウンロードしたデータ（%1）は、お使いのデータ（%2）より"
                                                       u"古いものです。\n古いデータに戻しますか？")
                                            .arg(EraDateOf(offered), EraDateOf(inUse)),
                                        Caption()));
        },
        Qt::QueuedConnection);
    while (future.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
      if (cancel_.load()) return false;
    }
    return future.get();
  };
  setObjectName(QStringLiteral("updateDialog"));
  setWindowTitle(Caption());
  setFont(ProportionalFont(12));
  auto* layout = new QVBoxLayout(this);
  stageLabel_ = new QLabel(QStringLiteral(u"接続しています…"), this);
  stageLabel_->setObjectName(QStringLiteral("stageLabel"));
  progressBar_ = new QProgressBar(this);
  progressBar_->setObjectName(QStringLiteral("progressBar"));
  progressBar_->setRange(0, 0);
  progressBar_->setTextVisible(false);
  bytesLabel_ = new QLabel(this);
  bytesLabel_->setObjectName(QStringLiteral("bytesLabel"));
  cancelButton_ = new QPushButton(QStringLiteral(u"キャンセル"), this);
  cancelButton_->setObjectName(QStringLiteral("cancelButton"));
  layout->addWidget(stageLabel_);
  layout->addWidget(progressBar_);
  layout->addWidget(bytesLabel_);
  layout->addWidget(cancelButton_, 0, Qt::AlignRight);
  setFixedSize(380, 130);
  connect(cancelButton_, &QPushButton::clicked, this, &UpdateDialog::reject);
}

UpdateDialog::~UpdateDialog() {
  cancel_.store(true);
  if (thread_.joinable()) thread_.join();
}

void UpdateDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!thread_.joinable()) Start();
}

void UpdateDialog::Start() {
  relay_ = std::make_unique<Relay>(this);
  thread_ = std::thread([this] {
    auto result = std::make_shared<UpdateResult>(RunUpdate(options_, relay_.get(), cancel_));
    QMetaObject::invokeMethod(
        this, [this, result] { Finish(result); }, Qt::QueuedConnection);
  });
}

void UpdateDialog::ShowProgress(const UpdateProgress& p) {
  if (cancel_.load()) return;  // "中止しています…" stays until the end
  stageLabel_->setText(StageText(p));
  if (p.stage == UpdateStage::Download && p.total > 0) {
    progressBar_->setRange(0, 1000);
    progressBar_->setValue(static_cast<int>(p.done * 1000 / p.total));
    bytesLabel_->setText(Megabytes(p.done) + QStringLiteral(" / ") + Megabytes(p.total));
  } else {
    progressBar_->setRange(0, 0);  // busy
    bytesLabel_->setText(p.stage == UpdateStage::Download && p.done > 0 ? Megabytes(p.done) : QString());
  }
}

void UpdateDialog::reject() {
  if (!IsRunning()) {
    QDialog::reject();
    return;
  }
  cancel_.store(true);
  stageLabel_->setText(QStringLiteral(u"中止しています…"));
  cancelButton_->setEnabled(false);
}

void UpdateDialog::Finish(std::shared_ptr<UpdateResult> result) {
  thread_.join();
  finished_ = true;
  result_ = std::move(result);
  bool good = result_->status == UpdateStatus::Updated || result_->status == UpdateStatus::AlreadyCurrent;
  done(good ? QDialog::Accepted : QDialog::Rejected);
}

void ShowUpdateOutcome(QWidget* parent, const UpdateResult& result) {
  const QString unchanged = QStringLiteral(u"お使いのデータは変わっていません。");
  switch (result.status) {
    case UpdateStatus::Failed:
      ShowMessage(parent, FailureText(result) + QStringLiteral("\n\n") + unchanged, Caption(), MessageIcon::Error,
                  QString::fromStdString(result.message));
      return;
    case UpdateStatus::Cancelled:
      ShowMessage(parent, QStringLiteral(u"データ更新を中止しました。") + unchanged, Caption(),
                  MessageIcon::Information);
      return;
    case UpdateStatus::AlreadyCurrent:
      ShowMessage(parent, QStringLiteral(u"データは最新です（%1）。").arg(EraDateOf(result.date)), Caption(),
                  MessageIcon::Information);
      return;
    case UpdateStatus::Updated:
      if (!result.compared) {
        ShowMessage(parent, QStringLiteral(u"%1のデータに更新しました。").arg(EraDateOf(result.date)), Caption(),
                    MessageIcon::Information);
        return;
      }
      ChangeReportDialog(result.changes, result.date, parent).exec();
      return;
  }
}
