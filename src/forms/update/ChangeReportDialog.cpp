#include "forms/update/ChangeReportDialog.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <optional>

#include "core/update/EraDate.h"
#include "forms/common/Fonts.h"
#include "forms/common/QtText.h"

using namespace tanzel;

namespace {

QString CountsLine(const QString& what, const ChangeCounts& n) {
  return QStringLiteral(u"%1　追加 %2　廃止 %3　変更 %4").arg(what).arg(n.added).arg(n.removed).arg(n.changed);
}

QString ChangeName(ChangeKind change) {
  switch (change) {
    case ChangeKind::Added:
      return QStringLiteral(u"追加");
    case ChangeKind::Removed:
      return QStringLiteral(u"廃止");
    default:
      return QStringLiteral(u"変更");
  }
}

// "100-0001"
QString HyphenCode(const std::string& code) {
  QString text = QString::fromStdString(code);
  return text.size() == 7 ? text.left(3) + QLatin1Char('-') + text.mid(3) : text;
}

QString ListOf(const DataChanges& changes) {
  if (changes.list.empty()) return QStringLiteral(u"変更はありません。");
  QStringList lines{QStringLiteral(u"種別\t変更\t郵便番号\t変更前\t変更後")};
  for (const CodeChange& c : changes.list) {
    lines << QStringList{c.kind == DataKind::Ken ? QStringLiteral(u"住所") : QStringLiteral(u"事業所"),
                         ChangeName(c.change), HyphenCode(c.code), FromSjis(c.before), FromSjis(c.after)}
                 .join(QLatin1Char('\t'));
  }
  return lines.join(QLatin1Char('\n'));
}

}  // namespace

QString EraDateOf(const std::string& isoDate) {
  std::optional<CalendarDate> date = ParseIsoDate(isoDate);
  return date ? FromSjis(EraDateText(*date)) : QString::fromStdString(isoDate);
}

ChangeReportDialog::ChangeReportDialog(const DataChanges& changes, const std::string& date, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("changeReportDialog"));
  setWindowTitle(QStringLiteral(u"データ更新: 変更点"));
  setFont(ProportionalFont(12));
  auto* layout = new QVBoxLayout(this);
  headingLabel_ = new QLabel(QStringLiteral(u"%1のデータに更新しました。").arg(EraDateOf(date)), this);
  headingLabel_->setObjectName(QStringLiteral("headingLabel"));
  countsLabel_ = new QLabel(CountsLine(QStringLiteral(u"住所の郵便番号"), changes.ken) + QLatin1Char('\n') +
                                CountsLine(QStringLiteral(u"事業所の郵便番号"), changes.jig),
                            this);
  countsLabel_->setObjectName(QStringLiteral("countsLabel"));
  list_ = new QPlainTextEdit(this);
  list_->setObjectName(QStringLiteral("changeList"));
  list_->setReadOnly(true);
  list_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  list_->setLineWrapMode(QPlainTextEdit::NoWrap);
  list_->setFont(FixedFont(12));
  list_->setTabStopDistance(8 * 12);
  list_->setPlainText(ListOf(changes));
  copyButton_ = new QPushButton(QStringLiteral(u"すべてコピー"), this);
  copyButton_->setObjectName(QStringLiteral("copyButton"));
  closeButton_ = new QPushButton(QStringLiteral(u"閉じる"), this);
  closeButton_->setObjectName(QStringLiteral("closeButton"));
  closeButton_->setDefault(true);
  auto* buttons = new QHBoxLayout();
  buttons->addStretch();
  buttons->addWidget(copyButton_);
  buttons->addWidget(closeButton_);
  layout->addWidget(headingLabel_);
  layout->addWidget(countsLabel_);
  layout->addWidget(list_, 1);
  layout->addLayout(buttons);
  resize(640, 420);
  connect(copyButton_, &QPushButton::clicked, this, [this] { QApplication::clipboard()->setText(ListText()); });
  connect(closeButton_, &QPushButton::clicked, this, &QDialog::accept);
}

QString ChangeReportDialog::ListText() const {
  return list_->toPlainText();
}
