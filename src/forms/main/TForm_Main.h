#pragma once

#include <QMainWindow>

#include <functional>
#include <memory>
#include <string>

#include "core/data/DataSet.h"
#include "core/data/Records.h"
#include "core/data/ZeroedTable.h"
#include "shared/DataInUse.h"

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QToolButton;
class TListBox;

// The main window: keyword row, the three linked browse lists (prefecture, city, town
// area) with their hidden partner lists, the town filter, the menu, and the tables of the
// prefecture being browsed.
class TForm_Main : public QMainWindow {
  Q_OBJECT
 public:
  explicit TForm_Main(QWidget* parent = nullptr);

  // Controls (object names equal to these names).
  QFrame* Panel_Top;
  QLabel* Image_Search;
  QLineEdit* Edit_Keyword;
  QPushButton* Button_Search;
  QLabel* Label4;
  QFrame* Panel1;
  QFrame* Panel2;
  QLabel* Label3;
  QToolButton* SpeedButton_Map;
  TListBox* ListBox_Ken;
  QFrame* Panel3;
  QLabel* Label1;
  TListBox* ListBox_Shi;
  TListBox* ListBox_Code;  // never shown: the local government code of each ListBox_Shi line
  QFrame* Panel4;
  QLabel* Label2;
  QLineEdit* Edit_KeyCho;
  QPushButton* Button_Cho;
  TListBox* ListBox_Cho;
  TListBox* ListBox_Nmb;  // never shown: the table index of each ListBox_Cho line
  QMenuBar* MainMenu1;
  QMenu* N1;
  QAction* Menu_Find;
  QAction* Menu_Map;
  QAction* N4;
  QAction* Menu_Close;
  QMenu* Exit1;
  QAction* Menu_Hp;
  QAction* N3;
  QAction* Menu_Ver;

  // The prefecture being browsed. Allocated once, zero-filled (a page costs memory only once
  // a record on it is loaded); counts bound every access.
  tanzel::ZeroedTable<tanzel::KenRecord> KenTable{tanzel::TableCapacity};
  tanzel::ZeroedTable<tanzel::JigRecord> JigTable{tanzel::TableCapacity};
  int KenCount = 0;
  int JigCount = 0;
  // Folder of the executable with its trailing '/'; the data files lie there.
  std::string DataFolder;
  // The data in use: the DataSet that DataFolder serves (DataSet::OpenInUse), kept between
  // reads and opened anew when DataFolder changes, when its `current` moves (an import by
  // another process; the date label then shows the new data's date) and after an update
  // (shared/DataInUse.h).
  std::shared_ptr<const tanzel::DataSet> Data();

  // Load the KEN (JIG) file of prefecture n (1 ... 47) from the data the prefecture being
  // browsed is read from (taken by ListBox_KenClick before its two loads) into its table;
  // the caller stores the result (count, or -1 when the file is missing). Problems are
  // shown in boxes.
  int LoadKen(int n);
  int LoadJig(int n);

  // Handlers.
  void FormCreate();
  void FormResize();
  void Menu_CloseClick();
  void Menu_HpClick();
  void ListBox_KenClick();
  void ListBox_KenDblClick();
  void ListBox_ShiClick();
  void ListBox_ShiDblClick();
  void ListBox_ChoClick();
  // The postal code of town-list line `row` ("100-0001"), or empty when the line stands
  // for no record (a prompt line).
  QString TownLineCode(int row) const;
  void Button_ChoClick();
  void Edit_KeyChoKeyDown(int key);
  void Button_SearchClick();
  void Edit_KeywordKeyDown(int key);
  void Menu_FindClick();
  void SpeedButton_MapClick();
  void Menu_MapClick();
  void Menu_VerClick();

  // "データ更新…": the update dialog, then its outcome; afterwards the date label and every
  // later look-up follow the data that the update brought.
  void UpdateData();
  // Label4: the date of the data in use (its EDITION), "令和8年5月26日　郵便番号改定", right
  // edge fixed; the date of the program's first data when the data carries none.
  void ShowDataDate();
  // Whether the data in use is a complete set of the 94 files.
  bool HasData();
  // At start, without data: one box names the folders looked in and offers the update.
  void OfferDataAtStart();

  // Opens the window of a list of addresses, reading the file `path` when it is not empty:
  // "住所一覧から郵便番号…" in Exit1, and a file dropped on the window. Set by the program.
  std::function<void(const QString& path)> OpenAddressList;

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  // Label4 for `data`.
  void ShowDateOf(const tanzel::DataSet& data);

  QAction* updateAction_ = nullptr;  // "データ更新…" in Exit1
  QAction* listAction_ = nullptr;    // "住所一覧から郵便番号…" in Exit1
  // The set Data() hands out, for the DataFolder asked for.
  tanzel::DataInUse data_;
  // The set the prefecture being browsed is read from: both of its files from one edition.
  std::shared_ptr<const tanzel::DataSet> browsed_;
};

extern TForm_Main* Form_Main;
