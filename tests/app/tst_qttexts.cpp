// Qt's own texts in Japanese, as the program starts them: the list window's file dialog
// (Qt's own, not the desktop's) and the context menu of a line edit.
#include <QAction>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include "forms/lists/AddressListDialog.h"
#include "forms/main/TForm_Main.h"
#include "support/Modal.h"
#include "support/Windows.h"

class TestQtTexts : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() {
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    CreateTestWindows();
  }
  void cleanupTestCase() { DestroyTestWindows(); }

  void fileDialog() {
    Form_Main->findChild<QAction*>(QStringLiteral("listAction"))->trigger();
    auto* list = Form_Main->findChild<AddressListDialog*>(QStringLiteral("AddressListDialog"));
    QVERIFY(list != nullptr);
    QStringList buttons, labels;
    bool ran = false;
    WhenModal(
        QStringLiteral("openListDialog"),
        [&](QDialog* dialog) {
          QVERIFY(static_cast<QFileDialog*>(dialog)->testOption(QFileDialog::DontUseNativeDialog));
          for (QPushButton* button : dialog->findChild<QDialogButtonBox*>()->findChildren<QPushButton*>())
            buttons << button->text();
          for (const char* name : {"lookInLabel", "fileNameLabel", "fileTypeLabel"})
            labels << dialog->findChild<QLabel*>(QLatin1String(name))->text();
        },
        &ran);
    QTest::mouseClick(list->findChild<QPushButton*>(QStringLiteral("openButton")), Qt::LeftButton);
    QVERIFY(ran);
    list->close();
    QVERIFY2(buttons.contains(QStringLiteral(u"開く(&O)")), qPrintable(buttons.join(u'|')));
    QVERIFY2(buttons.contains(QStringLiteral(u"キャンセル")), qPrintable(buttons.join(u'|')));
    QCOMPARE(labels, (QStringList{QStringLiteral(u"アドレス:"), QStringLiteral(u"ファイル名(&N):"),
                                  QStringLiteral(u"ファイルの種類:")}));
  }

  void lineEditMenu() {
    QLineEdit edit;
    edit.setText(QStringLiteral("1000001"));
    std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList texts;
    for (QAction* action : menu->actions())
      if (!action->isSeparator()) texts << action->text().section(u'\t', 0, 0);  // without the shortcut
    QVERIFY2(texts.contains(QStringLiteral(u"貼り付け(&P)")), qPrintable(texts.join(u'|')));
    QVERIFY2(texts.contains(QStringLiteral(u"すべてを選択")), qPrintable(texts.join(u'|')));
  }
};

QTEST_MAIN(TestQtTexts)
#include "tst_qttexts.moc"
