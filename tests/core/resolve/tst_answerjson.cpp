// The JSON strings of the answer writer the service and --resolve --json share: escapes,
// and bytes that are not UTF-8, each written as U+FFFD; every text gives valid JSON.
#include <QtTest>

#include <nlohmann/json.hpp>
#include <string>

#include "core/resolve/AnswerJson.h"
#include "support/Table.h"

using namespace tanzel;

Q_DECLARE_METATYPE(std::string)

class TestAnswerJson : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void strings_data() {
    Columns<std::string, std::string>("text", "json");
    auto row = [](const char* name, std::string text, std::string json) { QTest::newRow(name) << text << json; };
    row("plain", "東京都 1-1", "\"東京都 1-1\"");
    row("quote and backslash", "a\"b\\c", "\"a\\\"b\\\\c\"");
    row("control characters", std::string("\t\r\n\x1f\0", 5), "\"\\u0009\\u000d\\u000a\\u001f\\u0000\"");
    row("a byte that is no UTF-8",
        "a\xff"
        "b",
        "\"a\xEF\xBF\xBD"
        "b\"");
    row("Shift-JIS", "\x93\x8C\x8B\x9E", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\"");
    row("cut character, then valid ones",
        "\xE6\x9D"
        "東\"",
        "\"\xEF\xBF\xBD\xEF\xBF\xBD東\\\"\"");
    row("surrogate", "\xED\xA0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\"");
  }
  void strings() {
    QFETCH(std::string, text);
    QFETCH(std::string, json);
    std::string out;
    AppendJsonString(out, text);
    QCOMPARE(out, json);
    QVERIFY(nlohmann::json::accept(out));
  }
};

QTEST_APPLESS_MAIN(TestAnswerJson)
#include "tst_answerjson.moc"
