#include "forms/update/UpdateSource.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QUrl>
#include <QVBoxLayout>

#include "core/update/Updater.h"
#include "forms/common/Fonts.h"

namespace {

const QString kMirrorKey = QStringLiteral("update/mirror");

QSettings UserSettings() {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("tanzel"), QStringLiteral("tanzel"));
}

QString EnvironmentUrl() {
  return QString::fromStdString(tanzel::UpdateBaseUrl());
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
  QString url = EnvironmentUrl();
  if (url.isEmpty()) url = SavedMirrorUrl();
  return url.toStdString();
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
  QString environment = EnvironmentUrl();
  QString mirror = mirrorEdit_->text().trimmed();
  if (!environment.isEmpty()) {
    sourceLabel_->setText(QStringLiteral(u"ダウンロード元: %1\n（環境変数 %2 の指定。ミラーの設定より優先されます）")
                              .arg(environment, QString::fromLatin1(tanzel::kBaseUrlVariable)));
  } else if (!mirror.isEmpty()) {
    sourceLabel_->setText(QStringLiteral(u"ダウンロード元: %1（ミラー）").arg(mirror));
  } else {
    sourceLabel_->setText(QStringLiteral(u"ダウンロード元: 日本郵便（%1）")
                              .arg(QUrl(QString::fromLatin1(tanzel::kJapanPostKenAllUrl)).host()));
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
