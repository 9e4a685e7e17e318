#include "forms/update/UpdateDialog.h"

#include <QLabel>
#include <QLocale>
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

// What failed, in words the user can act on: which archive, and what was wrong with it.
QString FailureText(const UpdateResult& r) {
  QString file = QString::fromStdString(r.file);
  switch (r.failure) {
    case UpdateFailure::Network:
      if (r.problem == UpdateProblem::CutShort)
        return QStringLiteral(
                   u"%1 のダウンロードが途中で切れました。ネットワークの接続を確かめて、もう一度お試しください。")
            .arg(file);
      return QStringLiteral(u"データをダウンロードできませんでした。ネットワークの接続を確かめてください。") +
             (file.isEmpty() ? QString() : QStringLiteral(u"\n（%1 の受信中）").arg(file));
    case UpdateFailure::Server: {
      QString heading = QStringLiteral(u"サーバーからデータを受け取れませんでした。\n");
      if (r.problem == UpdateProblem::TooLarge)
        return heading + QStringLiteral(u"%1 が大きすぎるため、受信を止めました。").arg(file);
      QString answer = r.httpStatus == 404   ? QStringLiteral(u"（見つかりません）")
                       : r.httpStatus >= 500 ? QStringLiteral(u"（サーバーの障害）")
                                             : QString();
      return heading +
             QStringLiteral(u"%1 について、サーバーが %2%3 と答えました。").arg(file).arg(r.httpStatus).arg(answer);
    }
    case UpdateFailure::Archive: {
      QString what = file.isEmpty() ? QStringLiteral(u"データ") : QStringLiteral(u" %1 ").arg(file);
      switch (r.problem) {
        case UpdateProblem::Truncated:
          return QStringLiteral(u"ダウンロードした%1は途中で切れているか壊れているため、取り込みませんでした。")
              .arg(what);
        case UpdateProblem::NotAnArchive:
          return QStringLiteral(
                     u"ダウンロードした%1は郵便番号データの書庫（zip）ではないため、取り込みませんでした。"
                     u"ダウンロード元を確かめてください。")
              .arg(what);
        case UpdateProblem::WrongCounts:
          return QStringLiteral(u"ダウンロードした%1の件数が日本郵便の全国版と大きく違うため、取り込みませんでした。")
              .arg(what);
        default:
          return QStringLiteral(u"ダウンロードした%1の中身が郵便番号データとして読めないため、取り込みませんでした。")
              .arg(what);
      }
    }
    case UpdateFailure::Busy:
      return QStringLiteral(u"別のデータ更新が実行中です。終わってから、もう一度お試しください。");
    case UpdateFailure::Older:
      return QStringLiteral(u"ダウンロードした %1（%2）は、お使いのもの（%3）より古いため、取り込みませんでした。")
          .arg(file, EraDateOf(r.date), EraDateOf(r.inUseDate));
    default:
      if (r.problem == UpdateProblem::NoSpace)
        return QStringLiteral(
            u"ディスクの空きが足りないため、データを書き込めませんでした。空きを作ってから、"
            u"もう一度お試しください。");
      if (r.problem == UpdateProblem::NoPermission)
        return QStringLiteral(u"データのフォルダーに書き込めないため、データを書き込めませんでした。");
      return QStringLiteral(
          u"データを書き込めませんでした。ディスクの空きと、データのフォルダーに書き込めるかを"
          u"確かめてください。");
  }
}

QString ProblemText(const UpdateResult& r) {
  switch (r.problem) {
    case UpdateProblem::NoConnection:
      return QStringLiteral(u"サーバーにつながらないか、応答がありませんでした");
    case UpdateProblem::CutShort:
      return QStringLiteral(u"すべてを受け取る前に接続が切れました");
    case UpdateProblem::NotFound:
      return QStringLiteral(u"サーバーにそのファイルがありません（404）");
    case UpdateProblem::ServerError:
      return QStringLiteral(u"サーバーがエラー %1 を返しました").arg(r.httpStatus);
    case UpdateProblem::TooLarge:
      return QStringLiteral(u"郵便番号データの書庫としては大きすぎます");
    case UpdateProblem::Truncated:
      return QStringLiteral(u"zip 書庫の終わりが欠けているか、中身が壊れています");
    case UpdateProblem::NotAnArchive:
      return QStringLiteral(u"zip 書庫ではないか、CSV ファイルを一つだけ収めた書庫ではありません");
    case UpdateProblem::WrongContents:
      return QStringLiteral(u"中の CSV が日本郵便の郵便番号データの形式ではありません");
    case UpdateProblem::WrongCounts:
      return QStringLiteral(u"住所 %1 件、事業所 %2 件で、日本郵便の全国版の件数と大きく違います")
          .arg(r.summary.ken.records)
          .arg(r.summary.jig.records);
    case UpdateProblem::NoSpace:
      return QStringLiteral(u"ディスク（または利用者の割り当て）に空きがありません");
    case UpdateProblem::NoPermission:
      return QStringLiteral(u"フォルダーに書き込む権限がありません");
    case UpdateProblem::WriteError:
      return QStringLiteral(u"ファイルを書き込めませんでした");
    default:
      break;
  }
  if (r.failure == UpdateFailure::Busy)
    return QStringLiteral(u"別のデータ更新か取り込みがこのフォルダーを使っています");
  if (r.failure == UpdateFailure::Older)
    return QStringLiteral(u"%1 の日付は %2、お使いのものは %3 です")
        .arg(QString::fromStdString(r.file), QString::fromStdString(r.date), QString::fromStdString(r.inUseDate));
  return QString();
}

// What stands behind the details button, in Japanese: the archive, where it came from, how
// much of it came, what was wrong with it, where the data was to go. Only what is not the
// program's own (the network library's report) stays as it was given.
QString DetailText(const UpdateResult& r) {
  QStringList lines;
  if (!r.file.empty()) lines << QStringLiteral(u"ファイル: %1").arg(QString::fromStdString(r.file));
  if (!r.url.empty()) lines << QStringLiteral(u"ダウンロード元: %1").arg(QString::fromStdString(r.url));
  if (r.bytes >= 0 && !r.file.empty())
    lines << QStringLiteral(u"受け取った大きさ: %1 バイト").arg(QLocale(QLocale::Japanese).toString(r.bytes));
  QString problem = ProblemText(r);
  if (!problem.isEmpty()) lines << QStringLiteral(u"内容: %1").arg(problem);
  if (r.failure == UpdateFailure::Disk || r.failure == UpdateFailure::Busy)
    lines << QStringLiteral(u"データのフォルダー: %1").arg(QString::fromStdString(r.targetFolder));
  if (r.problem == UpdateProblem::NoConnection)
    lines << QStringLiteral(u"通信ライブラリの報告: %1").arg(QString::fromStdString(r.message));
  return lines.join(u'\n');
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
  options_.allowOlder = [this](const std::string& file, const std::string& inUse, const std::string& offered) {
    auto answer = std::make_shared<std::promise<bool>>();
    std::future<bool> future = answer->get_future();
    QMetaObject::invokeMethod(
        this,
        [this, answer, file, inUse, offered] {
          answer->set_value(AskQuestion(this,
                                        QStringLiteral(u"ダウンロードした %1（%2）は、お使いのもの（%3）より"
                                                       u"古いものです。\n古いデータに戻しますか？")
                                            .arg(QString::fromStdString(file), EraDateOf(offered), EraDateOf(inUse)),
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
                  DetailText(result));
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
