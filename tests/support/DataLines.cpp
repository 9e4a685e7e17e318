#include "support/DataLines.h"

#include <cstdio>

std::string PrefectureName(int pref) {
  static const char* const kNames[tanzel::PrefectureCount] = {
      "北海道", "青森県", "岩手県", "宮城県",   "秋田県", "山形県",   "福島県", "茨城県", "栃木県", "群馬県",
      "埼玉県", "千葉県", "東京都", "神奈川県", "新潟県", "富山県",   "石川県", "福井県", "山梨県", "長野県",
      "岐阜県", "静岡県", "愛知県", "三重県",   "滋賀県", "京都府",   "大阪府", "兵庫県", "奈良県", "和歌山県",
      "鳥取県", "島根県", "岡山県", "広島県",   "山口県", "徳島県",   "香川県", "愛媛県", "高知県", "福岡県",
      "佐賀県", "長崎県", "熊本県", "大分県",   "宮崎県", "鹿児島県", "沖縄県",
  };
  return pref >= 1 && pref <= tanzel::PrefectureCount ? kNames[pref - 1] : "";
}

tanzel::ImportOptions PartialImport(const std::string& ken, const std::string& jig, const std::string& out) {
  tanzel::ImportOptions options{ken, jig, out};
  options.partial = true;
  return options;
}

std::string Quoted(std::string_view utf8) {
  return "\"" + S(utf8) + "\"";
}

std::string KenLine(int code, std::string_view postal, std::string_view prefKana, std::string_view cityKana,
                    std::string_view townKana, std::string_view prefKanji, std::string_view cityKanji,
                    std::string_view townKanji) {
  std::string old(postal.substr(0, 3));
  return std::to_string(code) + "," + Quoted(old + "  ") + "," + Quoted(postal) + "," + Quoted(prefKana) + "," +
         Quoted(cityKana) + "," + Quoted(townKana) + "," + Quoted(prefKanji) + "," + Quoted(cityKanji) + "," +
         Quoted(townKanji) + ",0,0,0,0,0,0\r\n";
}

std::string JigLine(int code, std::string_view kana, std::string_view kanji, std::string_view pref,
                    std::string_view city, std::string_view town, std::string_view block, std::string_view postal) {
  return std::to_string(code) + "," + Quoted(kana) + "," + Quoted(kanji) + "," + Quoted(pref) + "," + Quoted(city) +
         "," + Quoted(town) + "," + Quoted(block) + "," + Quoted(postal) + "," +
         Quoted(std::string(postal.substr(0, 3)) + "  ") + "," + Quoted("局") + ",0,0,0\r\n";
}

std::string KenCsv(int code, std::string_view postal, std::string_view cityKana, std::string_view townKana,
                   std::string_view cityKanji, std::string_view townKanji) {
  return KenLine(code, postal, "トウキョウト", cityKana, townKana, "東京都", cityKanji, townKanji);
}

std::string JigCsv(int code, std::string_view kana, std::string_view kanji, std::string_view town,
                   std::string_view block, std::string_view postal) {
  return JigLine(code, kana, kanji, "東京都", "千代田区", town, block, postal);
}

std::string TokyoLine(int n) {
  char postal[16];
  std::snprintf(postal, sizeof postal, "%07d", 1000000 + n % 9000000);
  return KenLine(13101, postal, "トウキョウト", "チヨダク", "マルノウチ", "東京都", "千代田区", "丸の内");
}

std::string TokyoLines(int count) {
  std::string lines;
  for (int i = 0; i < count; ++i) lines += TokyoLine(i);
  return lines;
}

std::string WithEveryPrefecture(tanzel::DataKind kind, std::string csv, std::string_view name) {
  bool present[tanzel::PrefectureCount + 1] = {};
  for (std::size_t line = 0; line + 2 <= csv.size(); line = csv.find('\n', line) + 1) {
    int pref = (csv[line] - '0') * 10 + (csv[line + 1] - '0');
    if (pref >= 1 && pref <= tanzel::PrefectureCount) present[pref] = true;
    if (csv.find('\n', line) == std::string::npos) break;
  }
  for (int p = 1; p <= tanzel::PrefectureCount; ++p) {
    if (present[p]) continue;
    char postal[8];
    std::snprintf(postal, sizeof postal, "%02d00001", p);
    int code = p * 1000 + 101;
    std::string line = kind == tanzel::DataKind::Ken
                           ? KenLine(code, postal, "ケン", "シ", "ホンチョウ", PrefectureName(p), "市", name)
                           : JigLine(code, "シャ", name, PrefectureName(p), "市", name, "１", postal);
    csv += (p < 10 ? "0" : "") + line;
  }
  return csv;
}

void WriteSetInUse(const TempData& data) {
  data.writeEmptyPrefectures();
  data.write(KenName(13), TokyoLines(3));
  data.write("EDITION", "2026-04-28\n");
}

std::string TokyoKen() {
  return KenCsv(13207, "1960000", "アキシマシ", "イカニケイサイガナイバアイ", "昭島市", "以下に掲載がない場合") +  // 0
         KenCsv(13207, "1960025", "アキシマシ", "アサヒチョウ", "昭島市", "朝日町") +                              // 1
         KenCsv(13207, "1960033", "アキシマシ", "アズマチョウ", "昭島市", "東町") +                                // 2
         KenCsv(13207, "1960022", "アキシマシ", "ナカガミチョウ", "昭島市", "中神町") +                            // 3
         KenCsv(13102, "1040000", "チュウオウク", "イカニケイサイガナイバアイ", "中央区",
                "以下に掲載がない場合") +                                            // 4
         KenCsv(13101, "1000001", "チヨダク", "チヨダ", "千代田区", "千代田") +      // 5
         KenCsv(13101, "1000005", "チヨダク", "マルノウチ", "千代田区", "丸の内") +  // 6
         KenCsv(13102, "1040061", "チュウオウク", "ギンザ", "中央区", "銀座") +      // 7
         KenCsv(13229, "2020000", "ニシトウキョウシ", "イカニケイサイガナイバアイ", "西東京市",
                "以下に掲載がない場合") +  // 8
         KenCsv(13361, "1000100", "オオシママチ", "イカニケイサイガナイバアイ", "大島町",
                "以下に掲載がない場合") +  // 9
         KenCsv(13362, "1000301", "トシマムラ", "イカニケイサイガナイバアイ", "利島村",
                "以下に掲載がない場合");  // 10
}

QStringList TokyoCityLines() {
  return {QStringLiteral(u"　　大口事業所"),
          QStringLiteral(u"ア　昭島市　(アキシマシ)"),
          QStringLiteral(u"タ　中央区　(チュウオウク)"),
          QStringLiteral(u"　　千代田区　(チヨダク)"),
          QStringLiteral(u"　　中央区　(チュウオウク)"),
          QStringLiteral(u"ナ　西東京市　(ニシトウキョウシ)"),
          QStringLiteral(u"ン　大島町　(オオシママチ)"),
          QStringLiteral(u"　　利島村　(トシマムラ)")};
}

std::vector<tanzel::KenRecord> KenRecords(const std::string& lines) {
  std::vector<tanzel::KenRecord> records;
  std::size_t at = 0;
  for (std::size_t end; (end = lines.find('\n', at)) != std::string::npos; at = end + 1) {
    std::string line = lines.substr(at, end - at);
    tanzel::SplitKen(line.data(), records.emplace_back());
  }
  return records;
}
