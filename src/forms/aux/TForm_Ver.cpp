#include "forms/aux/TForm_Ver.h"

#include <QDesktopServices>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QUrl>

#include <algorithm>

#include "core/version/FileVersion.h"
#include "forms/aux/Pictures.h"
#include "forms/common/Centring.h"
#include "forms/common/Controls.h"
#include "forms/common/Fonts.h"
#include "forms/common/ProgramInfo.h"

TForm_Ver* Form_Ver = nullptr;

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, int left, int top, int width, int height, const QString& text) {
  auto* label = MakeControl<QLabel>(parent, name, left, top, width, height);
  label->setText(text);
  return label;
}

// The home-page address as the link shows it: without its scheme and final slash, which
// the narrow panel has no room for.
QString HomePageText() {
  QString text = QString::fromUtf16(kHomePageUrl);
  for (QLatin1String scheme : {QLatin1String("https://"), QLatin1String("http://")})
    if (text.startsWith(scheme)) text.remove(0, scheme.size());
  if (text.endsWith(QLatin1Char('/'))) text.chop(1);
  return text;
}

}  // namespace

TForm_Ver::TForm_Ver(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("Form_Ver"));
  setWindowTitle(QStringLiteral(u"バージョン情報"));
  setFixedSize(267, 287);
  setFont(ProportionalFont(12));

  Button_Ok = new QPushButton(QStringLiteral("OK"), this);
  Button_Ok->setObjectName(QStringLiteral("Button_Ok"));
  Button_Ok->setGeometry(96, 256, 75, 25);
  Button_Ok->setDefault(true);

  Panel1 = new QFrame(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setGeometry(8, 8, 249, 241);
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel1->setLineWidth(1);
  Panel1->setAutoFillBackground(true);
  QPalette white = Panel1->palette();
  white.setColor(QPalette::Window, Qt::white);
  Panel1->setPalette(white);

  Image1 = MakeLabel(Panel1, "Image1", 40, 16, 166, 65, QString());
  QImage logo = LogoImage();
  Image1->setPixmap(QPixmap::fromImage(logo));
  if (!logo.isNull()) Image1->resize(logo.size());  // sized to its picture
  Image2 = MakeLabel(Panel1, "Image2", 108, 112, 32, 32, QString());
  Image2->setPixmap(ApplicationIconPixmap());

  Label_Title = MakeLabel(Panel1, "Label_Title", 9, 152, 232, 12, QStringLiteral("Tanzel"));
  Label_Title->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  Label_Ver = MakeLabel(Panel1, "Label_Ver", 93, 168, 65, 12, QStringLiteral("Version 0.0.0"));
  Label3 = MakeLabel(Panel1, "Label3", 40, 192, 22, 12, QStringLiteral("URL"));
  Label_Url = MakeLabel(Panel1, "Label_Url", 72, 192, 117, 12, HomePageText());
  QFont link = font();
  link.setUnderline(true);
  Label_Url->setFont(link);
  QPalette blue = Label_Url->palette();
  blue.setColor(QPalette::WindowText, Qt::blue);
  Label_Url->setPalette(blue);
  Label_Url->setCursor(Qt::PointingHandCursor);
  Label_Url->installEventFilter(this);
  // The label grows to the right to show the whole address, as far as the panel allows.
  Label_Url->resize(std::max(117, std::min(Label_Url->sizeHint().width(), Panel1->width() - 2 - 72)), 12);
  Label2 = MakeLabel(Panel1, "Label2", 24, 216, 195, 12, QStringLiteral("Copyright (C) 2024 Marvolt"));

  setTabOrder(Button_Ok, Panel1);
  connect(Button_Ok, &QPushButton::clicked, this, &TForm_Ver::Button_OkClick);

  FormCreate();
}

void TForm_Ver::FormCreate() {
  Label_Title->setText(ApplicationTitle());
  int numbers[4] = {0, 0, 0, 0};  // shown as 0 where the version text has no number
  ReadFileVersion(numbers);
  Label_Ver->setText(QString::fromStdString(tanzel::VersionLabelText(numbers)));
  // The label sizes itself to its text; its left edge stays.
  Label_Ver->adjustSize();
  Label_Ver->resize(Label_Ver->width(), 12);
}

void TForm_Ver::ReadFileVersion(int numbers[4]) {
  tanzel::ScanFileVersion(TANZEL_VERSION_STRING, numbers);
}

void TForm_Ver::Button_OkClick() {
  reject();
}

void TForm_Ver::Label_UrlClick() {
  QDesktopServices::openUrl(QUrl(QString::fromUtf16(kHomePageUrl)));
}

void TForm_Ver::showEvent(QShowEvent* event) {
  // Centred on the screen at every showing; the OK button has the focus.
  CentreOnScreen(this);
  QDialog::showEvent(event);
  Button_Ok->setFocus();
}

bool TForm_Ver::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Label_Url && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
      Label_Url->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
    Label_UrlClick();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}
