// The town filter above the town list: searches the town areas of the chosen city through
// the keyword-search window in its town-area mode.
#include <QLineEdit>
#include <QListWidgetItem>

#include "forms/common/MessageBox.h"
#include "forms/common/QtText.h"
#include "forms/main/ListBox.h"
#include "forms/main/TForm_Main.h"
#include "forms/search/TForm_View.h"

namespace {
// The text of a list line as Shift-JIS; empty when there is no such line.
std::string LineText(const TListBox* list, int row) {
  const QListWidgetItem* item = list->item(row);
  return item ? ToSjis(item->text()).value_or(std::string()) : std::string();
}
}  // namespace

void TForm_Main::Button_ChoClick() {
  // Each refusal names what is missing and puts the focus where it can be given.
  auto refuse = [this](const char16_t* text, QWidget* focus) {
    ShowMessage(this, QString::fromUtf16(text), QStringLiteral(u"検索"), MessageIcon::Error);
    focus->setFocus();
  };
  if (ListBox_Ken->currentRow() == -1) return refuse(u"都道府県名を選択してください", ListBox_Ken);
  if (ListBox_Shi->currentRow() == -1) return refuse(u"市区町村名を選択してください", ListBox_Shi);
  if (ListBox_Shi->currentRow() == 0) return refuse(u"大口事業所の町域名検索は出来ません", ListBox_Shi);
  if (Edit_KeyCho->text().isEmpty()) return refuse(u"検索する町村域名を入力してください", Edit_KeyCho);

  Form_View->Open(1, Edit_KeyCho->text(), LineText(ListBox_Ken, ListBox_Ken->currentRow()),
                  LineText(ListBox_Code, ListBox_Shi->currentRow()));
}

void TForm_Main::Edit_KeyChoKeyDown(int key) {
  if (key == 13) Button_ChoClick();
}
