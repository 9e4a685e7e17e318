#include "forms/aux/TForm_Map.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "forms/aux/Pictures.h"
#include "forms/common/Centring.h"
#include "forms/common/Controls.h"
#include "forms/common/Fonts.h"

TForm_Map* Form_Map = nullptr;

namespace {

struct ButtonPlace {
  int tag;
  const char16_t* caption;
  const char* name;
  int left, top, width, height;
};

// In tab order. Neighbours overlap by one pixel so that they share a border line; the
// control names follow the design history, not the prefecture numbers.
constexpr ButtonPlace kButtons[] = {
    {1, u"北海道", "Button_Ken01", 552, 16, 81, 41}, {2, u"青森", "Button_Ken02", 552, 64, 81, 25},
    {5, u"秋田", "Button2", 552, 88, 41, 33},        {3, u"岩手", "Button3", 592, 88, 41, 33},
    {6, u"山形", "Button4", 552, 120, 41, 33},       {4, u"宮城", "Button5", 592, 120, 41, 33},
    {15, u"新潟", "Button6", 472, 152, 81, 25},      {7, u"福島", "Button7", 552, 152, 81, 25},
    {41, u"佐賀", "Button8", 24, 208, 41, 33},       {42, u"長崎", "Button9", 24, 240, 41, 41},
    {40, u"福岡", "Button10", 64, 208, 41, 49},      {43, u"熊本", "Button11", 64, 256, 41, 49},
    {44, u"大分", "Button12", 104, 208, 41, 49},     {45, u"宮崎", "Button13", 104, 256, 41, 49},
    {46, u"鹿児島", "Button14", 64, 304, 81, 25},    {47, u"沖縄", "Button15", 16, 320, 41, 25},
    {38, u"愛媛", "Button16", 168, 280, 41, 25},     {37, u"香川", "Button17", 208, 280, 41, 25},
    {39, u"高知", "Button18", 168, 304, 41, 25},     {36, u"徳島", "Button19", 208, 304, 41, 25},
    {35, u"山口", "Button20", 152, 208, 41, 49},     {32, u"島根", "Button21", 192, 208, 41, 25},
    {34, u"広島", "Button22", 192, 232, 41, 25},     {31, u"鳥取", "Button23", 232, 208, 41, 25},
    {33, u"岡山", "Button24", 232, 232, 41, 25},     {28, u"兵庫", "Button25", 272, 208, 41, 33},
    {27, u"大阪", "Button26", 272, 240, 41, 33},     {26, u"京都", "Button27", 312, 216, 41, 33},
    {29, u"奈良", "Button28", 312, 248, 41, 33},     {18, u"福井", "Button29", 352, 184, 41, 33},
    {25, u"滋賀", "Button30", 352, 216, 41, 33},     {24, u"三重", "Button31", 352, 248, 41, 33},
    {30, u"和歌山", "Button32", 320, 280, 65, 25},   {17, u"石川", "Button33", 392, 184, 41, 33},
    {16, u"富山", "Button34", 432, 176, 41, 41},     {21, u"岐阜", "Button35", 392, 216, 81, 25},
    {23, u"愛知", "Button36", 392, 240, 81, 25},     {20, u"長野", "Button37", 472, 176, 41, 65},
    {10, u"群馬", "Button38", 512, 176, 41, 33},     {11, u"埼玉", "Button39", 512, 208, 41, 33},
    {9, u"栃木", "Button40", 552, 176, 41, 41},      {8, u"茨城", "Button41", 592, 176, 41, 41},
    {19, u"山梨", "Button44", 472, 240, 81, 25},     {22, u"静岡", "Button45", 424, 264, 65, 25},
    {14, u"神奈川", "Button46", 496, 264, 57, 25},   {13, u"東京", "Button47", 552, 216, 41, 41},
    {12, u"千葉", "Button48", 592, 216, 41, 57},
};
static_assert(std::size(kButtons) == 47);

}  // namespace

int ButtonTag(const QPushButton* button) {
  return button ? button->property("Tag").toInt() : 0;
}

TForm_Map::TForm_Map(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("Form_Map"));
  setWindowTitle(QStringLiteral(u"日本地図"));
  setFixedSize(653, 372);
  setFont(ProportionalFont(12));

  Image1 = MakeControl<QLabel>(this, "Image1", 24, 24, 32, 32);
  Image1->setPixmap(ApplicationIconPixmap());
  Label1 = MakeControl<QLabel>(this, "Label1", 72, 35, 52, 12);
  Label1->setText(QStringLiteral(u"日本地図"));
  QFont bold = font();
  bold.setBold(true);
  Label1->setFont(bold);
  Label2 = MakeControl<QLabel>(this, "Label2", 40, 80, 208, 12);
  Label2->setText(QStringLiteral(u"検索する都道府県をクリックしてください。"));

  // Plain rectangles with a one-pixel outline: where two buttons overlap by one pixel,
  // neighbours share a single border line and the buttons read as one map.
  setStyleSheet(
      QStringLiteral("QPushButton { border: 1px solid #707070; background: #f0f0f0; }"
                     "QPushButton:hover { background: #e5f1fb; }"
                     "QPushButton:pressed { background: #cce4f7; }"
                     "QPushButton:focus { background: #dde8f3; }"));
  for (std::size_t i = 0; i < std::size(kButtons); ++i) {
    const ButtonPlace& place = kButtons[i];
    auto* button = new QPushButton(QString::fromUtf16(place.caption), this);
    button->setObjectName(QLatin1String(place.name));
    button->setGeometry(place.left, place.top, place.width, place.height);
    button->setProperty("Tag", place.tag);
    button->setDefault(false);
    connect(button, &QPushButton::clicked, this, [this, button] { Button_KenClick(button); });
    if (i > 0) setTabOrder(Buttons[i - 1], button);
    Buttons[i] = button;
  }
}

void TForm_Map::showEvent(QShowEvent* event) {
  FormShow();
  // Centred on the screen at every showing.
  CentreOnScreen(this);
  QDialog::showEvent(event);
  Buttons[0]->setFocus();
}

void TForm_Map::keyPressEvent(QKeyEvent* event) {
  // The picker has no cancel button: Escape does not close it.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TForm_Map::FormShow() {
  MapChoice = 0;
}

void TForm_Map::Button_KenClick(QPushButton* Sender) {
  MapChoice = ButtonTag(Sender) - 1;
  reject();  // ends the modal loop and hides the dialog
}
