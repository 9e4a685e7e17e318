#include "forms/update/UpdateSource.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QUrl>
#include <QVBoxLayout>

#include <utility>

#include "core/update/Updater.h"
#include "forms/common/Fonts.h"

namespace {

const QString kMirrorKey = QStringLiteral("update/mirror");

QSettings UserSettings() {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("tanzel"), QStringLiteral("tanzel"));
}

enum class Source { Environment, Mirror, JapanPost };

// The order of the header, for the mirror `mirror` (the one kept, or the one being typed):
// where the update downloads from and its base address (empty: Japan Post's own).
std::pair<Source, QString> SourceFor(const QString& mirror) {
  QString environment = QString::fromStdString(tanzel::UpdateBaseUrl());
  if (!environment.isEmpty()) return {Source::Environment, environment};
  if (!mirror.isEmpty()) return {Source::Mirror, mirror};
  return {Source::JapanPost, QString()};
}

}  // namespace

QString SavedMirrorUrl() {
  return UserSettings().value(kMirrorKey).toString();
}

void SaveMirrorUrl(const QString& url) {
  QSettings settings = UserSettings();
  if (url.isEmpty())
    settings.remove(kMirrorKey);
  else
    settings.setValue(kMirrorKey, url);
}

std::string WindowUpdateBaseUrl() {
  return SourceFor(SavedMirrorUrl()).second.toStdString();
}

bool IsUsableMirrorUrl(const QString& url) {
  if (url.isEmpty()) return true;
  QUrl parsed(url, QUrl::StrictMode);
  QString scheme = parsed.scheme().toLower();
  return parsed.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
         !parsed.host().isEmpty() && url.startsWith(scheme + QStringLiteral("://"), Qt::CaseInsensitive);
}

UpdateSourceDialog::UpdateSourceDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("updateSourceDialog"));
  setWindowTitle(QStringLiteral(u"データ更新"));
  setFont(ProportionalFont(12));
  auto* layout = new QVBoxLayout(this);
  sourceLabel_ = new QLabel(this);
  sourceLabel_->setObjectName(QStringLiteral("sourceLabel"));
  sourceLabel_->setWordWrap(true);
  sourceLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* mirrorLabel = new QLabel(QStringLiteral(u"ミラーのアドレス（空欄なら日本郵便から）:"), this);
  mirrorEdit_ = new QLineEdit(SavedMirrorUrl(), this);
  mirrorEdit_->setObjectName(QStringLiteral("mirrorEdit"));
  mirrorEdit_->setPlaceholderText(QStringLiteral("https://example.jp/japanpost"));
  mirrorLabel->setBuddy(mirrorEdit_);
  noteLabel_ = new QLabel(this);
  noteLabel_->setObjectName(QStringLiteral("noteLabel"));
  noteLabel_->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* start = buttons->addButton(QStringLiteral(u"更新開始"), QDialogButtonBox::AcceptRole);
  start->setObjectName(QStringLiteral("startButton"));
  start->setDefault(true);
  QPushButton* cancel = buttons->addButton(QStringLiteral(u"キャンセル"), QDialogButtonBox::RejectRole);
  cancel->setObjectName(QStringLiteral("cancelButton"));
  layout->addWidget(sourceLabel_);
  layout->addWidget(mirrorLabel);
  layout->addWidget(mirrorEdit_);
  layout->addWidget(noteLabel_);
  layout->addWidget(buttons);
  setMinimumWidth(480);
  connect(buttons, &QDialogButtonBox::accepted, this, &UpdateSourceDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &UpdateSourceDialog::reject);
  connect(mirrorEdit_, &QLineEdit::textChanged, this, &UpdateSourceDialog::ShowSource);
  ShowSource();
}

// The address the update will use, as the dialog stands: the environment's, the mirror
// being typed, or Japan Post's.
void UpdateSourceDialog::ShowSource() {
  QString mirror = mirrorEdit_->text().trimmed();
  auto [source, url] = SourceFor(mirror);
  switch (source) {
    case Source::Environment:
      sourceLabel_->setText(QStringLiteral(u"ダウンロード元: %1\n（環境変数 %2 の指定。ミラーの設定より優先されます）")
                                .arg(url, QString::fromLatin1(tanzel::kBaseUrlVariable)));
      break;
    case Source::Mirror:
      sourceLabel_->setText(QStringLiteral(u"ダウンロード元: %1（ミラー）").arg(url));
      break;
    case Source::JapanPost:
      sourceLabel_->setText(QStringLiteral(u"ダウンロード元: 日本郵便（%1）")
                                .arg(QUrl(QString::fromLatin1(tanzel::kJapanPostKenAllUrl)).host()));
      break;
  }
  noteLabel_->setText(IsUsableMirrorUrl(mirror)
                          ? QString()
                          : QStringLiteral(u"http:// か https:// で始まるアドレスを入れてください。"));
}

void UpdateSourceDialog::accept() {
  QString mirror = mirrorEdit_->text().trimmed();
  if (!IsUsableMirrorUrl(mirror)) {
    ShowSource();
    mirrorEdit_->setFocus();
    return;
  }
  SaveMirrorUrl(mirror);
  QDialog::accept();
}
