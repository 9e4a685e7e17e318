// The one view of a record every front end shows, and the gate of their UTF-8 text into the
// engine.
#include <QTest>

#include <cstring>
#include <memory>
#include <string>

#include "core/data/Records.h"
#include "shared/RecordView.h"
#include "support/Sjis.h"
#include "support/Table.h"

using namespace tanzel;

class TestRecordView : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void addressView_data() {
    Columns<QString, QString, int, QString, QString, QString, QString>("code", "town", "govCode", "hyphen", "townPlain",
                                                                       "govText", "govWithDigit");
    Row("no note", "1000001", "千代田", 13101, "100-0001", "千代田", "13101", "131016");
    Row("leading zero", "0600001", "北一条西", 1101, "060-0001", "北一条西", "01101", "011011");
    Row("note dropped", "0040000", "上野幌（その他）", 1104, "004-0000", "上野幌", "01104", "011045");
    Row("note mid-name dropped", "0010000", "北（東区）町", 1102, "001-0000", "北町", "01102", "011029");
    Row("floor kept", "1006401", "丸の内ＪＰタワー（１階）", 13101, "100-6401", "丸の内ＪＰタワー（１階）", "13101",
        "131016");
    Row("whole city", "1000000", "以下に掲載がない場合", 13101, "100-0000", "", "13101", "131016");
  }
  // Every front end shows the same code texts, local government code and town without notes.
  void addressView() {
    QFETCH(QString, code);
    QFETCH(QString, town);
    QFETCH(int, govCode);
    auto record = std::make_unique<KenRecord>();
    std::strcpy(record->PostalCode, code.toLatin1().constData());
    std::strcpy(record->TownKanji, S(town.toStdString()).c_str());
    record->LocalGovCode = govCode;
    const RecordView view = ViewOf(*record);
    QCOMPARE(QString::fromStdString(view.code), code);
    QTEST(QString::fromStdString(view.codeWithHyphen), "hyphen");
    QTEST(FromSjis(view.townWithoutNotes), "townPlain");
    QTEST(QString::fromStdString(view.localGovCode), "govText");
    QTEST(QString::fromStdString(view.localGovCodeWithCheckDigit), "govWithDigit");
  }

  void gate_data() {
    Columns<QByteArray, int, QString>("utf8", "fault", "sjis");
    Row("plain", QByteArray("丸の内"), int(GateFault::None), "丸の内");
    Row("empty", QByteArray(""), int(GateFault::None), "");
    Row("not UTF-8", QByteArray("\x82\xa0"), int(GateFault::NotUtf8), "");
    Row("no Shift-JIS form", QByteArray("😀"), int(GateFault::NoShiftJisForm), "");
  }
  // Text that is not UTF-8 and text Shift-JIS cannot hold are told apart; neither passes.
  void gate() {
    QFETCH(QByteArray, utf8);
    QFETCH(int, fault);
    const GatedText gated = ThroughGate(std::string_view(utf8.constData(), utf8.size()));
    QCOMPARE(int(gated.fault), fault);
    QCOMPARE(gated.sjis.has_value(), fault == int(GateFault::None));
    if (gated.sjis) QTEST(FromSjis(*gated.sjis), "sjis");
  }
};

QTEST_GUILESS_MAIN(TestRecordView)
#include "tst_recordview.moc"
