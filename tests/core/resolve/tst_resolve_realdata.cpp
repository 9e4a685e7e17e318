// Address resolution over the real data: a test set built from the data files themselves,
// by kind of address, written in the many ways people write them; every kind must resolve
// to the record it was made from (first, or among the codes for an office without its
// name) in at least 99 of 100 cases. Also the examples of the program's documentation.
#include <QtTest>

#include <QHash>
#include <QRegularExpression>

#include <map>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>

#include "core/data/DataFile.h"
#include "core/resolve/AddressIndex.h"
#include "core/resolve/Resolver.h"
#include "core/text/SjisText.h"
#include "support/Sjis.h"
#include "support/Table.h"

using namespace tanzel;

namespace {

struct Town {
  QString code, pref, city, town, base, note;
};
struct Office {
  QString code, name, pref, city, town, block;
};

// A case: the address, the code it was made from, and whether that code must come first.
struct Case {
  QString address, code;
  bool first = true;
};

const QString kDigits = QStringLiteral(u"〇一二三四五六七八九");

QString Wide(QString s) {
  for (QChar& c : s) {
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) c = QChar(0xFF10 + (c.unicode() - '0'));
    if (c == QLatin1Char('-')) c = QChar(0xFF0D);
  }
  return s;
}

QString KanjiNumber(int n) {
  QString s;
  int parts[3] = {n / 100 % 10, n / 10 % 10, n % 10};
  const QString units[3] = {QStringLiteral(u"百"), QStringLiteral(u"十"), QString()};
  for (int i = 0; i < 3; ++i) {
    if (parts[i] == 0) continue;
    if (parts[i] > 1 || i == 2) s += kDigits[parts[i]];
    s += units[i];
  }
  return s.isEmpty() ? QString(kDigits[0]) : s;
}

// Kanji numerals in a name as people write them in Arabic numerals: 北一条西 北1条西.
QString Arabic(const QString& name) {
  static const QRegularExpression run(QStringLiteral(u"[〇一二三四五六七八九十百]+"));
  QString out = name;
  QRegularExpressionMatch m;
  while ((m = run.match(out)).hasMatch()) {
    QString r = m.captured(0);
    int total = 0, current = 0;
    bool positional = r.contains(QStringLiteral(u"十")) || r.contains(QStringLiteral(u"百"));
    QString digits;
    for (QChar c : r) {
      int d = kDigits.indexOf(c);
      if (d >= 0) {
        current = d;
        digits += QChar(char16_t(u'0' + d));
      } else {
        total += (current ? current : 1) * (c == QChar(0x5341) ? 10 : 100);
        current = 0;
      }
    }
    out.replace(m.capturedStart(), m.capturedLength(), positional ? QString::number(total + current) : digits);
  }
  return out;
}

class Writer {
 public:
  explicit Writer(unsigned seed) : rng_(seed) {}
  int Number(int low, int high) { return high <= low ? low : std::uniform_int_distribution<int>(low, high)(rng_); }
  template <typename T>
  const T& Pick(const std::vector<T>& v) {
    if (v.empty()) throw std::logic_error("nothing of this kind in the data");
    return v[static_cast<std::size_t>(Number(0, static_cast<int>(v.size()) - 1))];
  }
  // Block numbers in one of the usual writings; `chome` when the first is a 丁目.
  QString Block(std::vector<int> n, bool chome) {
    QStringList parts;
    for (int x : n) parts << QString::number(x);
    switch (Number(0, 4)) {
      case 0:
        return chome ? QString::number(n[0]) + QStringLiteral(u"丁目") + parts.mid(1).join(QLatin1Char('-'))
                     : parts.join(QLatin1Char('-'));
      case 1:
        return Wide(parts.join(QLatin1Char('-')));
      case 2:
        if (chome) return KanjiNumber(n[0]) + QStringLiteral(u"丁目") + parts.mid(1).join(QLatin1Char('-'));
        return parts.join(QLatin1Char('-'));
      case 3: {
        QString s = parts[0] + (chome ? QStringLiteral(u"丁目") : QStringLiteral(u"番地"));
        if (n.size() > 1) s += parts[1] + (chome ? QStringLiteral(u"番") : QString());
        if (n.size() > 2) s += parts[2] + QStringLiteral(u"号");
        return s;
      }
      default:
        return parts.join(QLatin1Char('-'));
    }
  }
  std::vector<int> Numbers(int count) {
    std::vector<int> n;
    for (int i = 0; i < count; ++i) n.push_back(Number(1, 30));
    return n;
  }

 private:
  std::mt19937 rng_;
};

}  // namespace

class TestResolveRealData : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<AddressIndex> index_;
  std::vector<Town> towns_;
  std::vector<Office> offices_;

  // The data files, read plainly: each line converted once, its quoted columns unquoted.
  bool ReadData(const std::string& folder) {
    LineBuffer line;
    LineReader reader;
    char path[FileNameCapacity];
    static const QRegularExpression noted(QStringLiteral(u"^(.*?)（(.*)）$"));
    auto columns = [&] {
      QStringList c = FromSjis(line).split(u',');
      for (QString& text : c)
        if (text.startsWith(u'"')) text = text.mid(1, text.size() - 2);
      return c;
    };
    for (int pref = 1; pref <= PrefectureCount; ++pref) {
      if (!DataFileName(path, folder.c_str(), DataKind::Ken, pref) || !reader.Open(path)) return false;
      while (reader.ReadLine(line) >= 0) {
        QStringList c = columns();
        Town t{c[2], c[6], c[7], c[8], {}, {}};
        QRegularExpressionMatch m = noted.match(t.town);
        t.base = m.hasMatch() ? m.captured(1) : t.town;
        t.note = m.hasMatch() ? m.captured(2) : QString();
        towns_.push_back(t);
      }
      if (!DataFileName(path, folder.c_str(), DataKind::Jig, pref) || !reader.Open(path)) return false;
      while (reader.ReadLine(line) >= 0) {
        QStringList c = columns();
        offices_.push_back({c[7], c[2], c[3], c[4], c[5], c[6]});
      }
    }
    return true;
  }

  std::map<QString, std::vector<Case>> MakeCases(unsigned seed, int perKind);

 private Q_SLOTS:
  void initTestCase() {
    QString folder = qEnvironmentVariable("TANZEL_TEST_DATA");
    if (!QFile::exists(folder + QStringLiteral("/KEN13.CSV"))) QSKIP("no imported data files");
    std::string f = folder.toStdString() + "/";
    std::string error;
    index_ = AddressIndex::Build(f, error);
    QVERIFY2(index_, error.c_str());
    QVERIFY(ReadData(f));
  }

  void examples_data() {
    Columns<QString, QString>("address", "first");
    RowOf("東京都千代田区丸の内1丁目9番1号", "1000005");
    RowOf("札幌市中央区北1条西2丁目1-1", "0600001");
    RowOf("千代田区千代田1-1", "1000001");
    RowOf("北海道八雲町本町", "0493107");
    RowOf("京都市上京区烏丸通今出川上る今出川町", "6020033");
    RowOf("東京都千代田区丸の内2-7-2 JPタワー 30階", "1007030");
    RowOf("東京都千代田区丸の内2-7-2 JPタワー", "1007090");
    RowOf("東京都千代田区丸の内2-7-2", "1000005");
    RowOf("東京都千代田区丸の内2-7-2 東京中央郵便局", "1008994");
    RowOf("東京都利島村123", "1000301");
    RowOf("東京都千代田区", "1000000");
    RowOf("１００－０００１", "1000001");
  }
  void examples() {
    QFETCH(QString, address);
    QFETCH(QString, first);
    std::vector<Resolution> found = Resolve(*index_, Utf8ToSjis(address.toStdString()).value_or(""));
    QVERIFY(!found.empty());
    QCOMPARE(QString::asprintf("%07u", found.front().postal), first);
  }

  void everyKindResolves() {
    std::map<QString, std::vector<Case>> kinds = MakeCases(20261209, 150);
    int total = 0, right = 0;
    QStringList failures;
    for (const auto& [kind, cases] : kinds) {
      int ok = 0;
      for (const Case& c : cases) {
        std::vector<Resolution> found = Resolve(*index_, Utf8ToSjis(c.address.toStdString()).value_or(""));
        bool good = false;
        for (std::size_t i = 0; i < found.size() && !good; ++i)
          good = QString::asprintf("%07u", found[i].postal) == c.code && (i == 0 || !c.first);
        ok += good;
        if (!good && failures.size() < 20) failures << kind + QStringLiteral(": ") + c.address;
      }
      total += static_cast<int>(cases.size());
      right += ok;
      qInfo("%-18s %4d of %4d resolved (%.1f%%)", qPrintable(kind), ok, static_cast<int>(cases.size()),
            100.0 * ok / static_cast<double>(cases.size()));
      QVERIFY2(ok * 100 >= 99 * static_cast<int>(cases.size()), qPrintable(failures.join(QLatin1Char('\n'))));
    }
    qInfo("all kinds          %4d of %4d resolved (%.2f%%)", right, total, 100.0 * right / total);
  }
};

std::map<QString, std::vector<Case>> TestResolveRealData::MakeCases(unsigned seed, int perKind) {
  Writer w(seed);
  std::map<QString, std::vector<Case>> out;
  QHash<QString, int> sameBase;      // records per pref|city|base
  QHash<QString, int> citiesByName;  // prefectures per city name (also without its district)
  QHash<QString, int> recordsOfCity;
  QHash<QString, QString> parentOf;  // building base -> the town it stands in
  static const QRegularExpression district(QStringLiteral(u"^.+郡(.+[町村])$"));
  static const QRegularExpression floorNote(QStringLiteral(u"^([０-９]+)階$"));
  QSet<QString> seen;
  QHash<QString, std::vector<const Town*>> byCity;
  for (const Town& t : towns_) byCity[t.pref + u'|' + t.city].push_back(&t);
  for (const Town& t : towns_) {
    ++sameBase[t.pref + u'|' + t.city + u'|' + t.base];
    ++recordsOfCity[t.pref + u'|' + t.city];
    for (QString name : {t.city, district.match(t.city).captured(1)}) {
      if (!name.isEmpty() && !seen.contains(t.pref + u'|' + name)) {
        seen.insert(t.pref + u'|' + name);
        ++citiesByName[name];
      }
    }
  }
  auto special = [](const Town& t) {
    return t.town.contains(QStringLiteral(u"以下に掲載がない場合")) || t.town.contains(QStringLiteral(u"一円")) ||
           t.town.contains(QStringLiteral(u"次に番地がくる場合"));
  };
  std::vector<const Town*> plain, kyoto, chome, banchi, others, floors, unknownFloors, except, catchAll, wholeCity;
  static const QRegularExpression direction(QStringLiteral(u"(上る|下る|東入|西入)"));
  static const QRegularExpression chomeNote(QStringLiteral(u"^[０-９]+([〜～][０-９]+)?丁目$"));
  static const QRegularExpression banchiNote(QStringLiteral(u"^[０-９]+[〜～][０-９]+番地$"));
  for (const Town& t : towns_) {
    QString key = t.pref + u'|' + t.city + u'|' + t.base;
    if (!special(t) && t.note.isEmpty() && sameBase[key] == 1) plain.push_back(&t);
    if (t.town == QStringLiteral(u"以下に掲載がない場合")) catchAll.push_back(&t);
    if (t.town.endsWith(QStringLiteral(u"一円")) && recordsOfCity[t.pref + u'|' + t.city] == 1) wholeCity.push_back(&t);
    if (t.note.isEmpty()) continue;
    if (t.city.startsWith(QStringLiteral(u"京都市")) && t.note.contains(direction)) kyoto.push_back(&t);
    if (t.note.contains(chomeNote)) chome.push_back(&t);
    if (t.note.contains(banchiNote)) banchi.push_back(&t);
    if (t.note == QStringLiteral(u"その他")) others.push_back(&t);
    if (floorNote.match(t.note).hasMatch()) floors.push_back(&t);
    if (t.note == QStringLiteral(u"地階・階層不明")) unknownFloors.push_back(&t);
    if (t.note == QStringLiteral(u"次のビルを除く")) except.push_back(&t);
  }
  // The town a building stands in: the longest other town of its city its name starts with.
  auto parent = [&](const Town& b) {
    QString key = b.pref + u'|' + b.city;
    if (parentOf.contains(key + b.base)) return parentOf[key + b.base];
    QString best;
    for (const Town* t : byCity[key])
      if (t->base != b.base && b.base.startsWith(t->base) && t->base.size() > best.size() &&
          !floorNote.match(t->note).hasMatch() && t->note != QStringLiteral(u"地階・階層不明"))
        best = t->base;
    return parentOf[key + b.base] = best;
  };
  // Numbers of a note, read plainly: the sets of ranges its siblings claim.
  auto claims = [&](const Town& t, int n) {
    for (const Town* sibling : byCity[t.pref + u'|' + t.city]) {
      const Town& s = *sibling;
      if (&s == &t || s.base != t.base) continue;
      QString note = s.note;
      for (QChar& c : note)
        if (c.unicode() >= 0xFF10 && c.unicode() <= 0xFF19) c = QChar(char16_t(u'0' + (c.unicode()) - 0xFF10));
      static const QRegularExpression range(QStringLiteral(u"(\\d+)(?:[〜～](\\d+))?"));
      auto it = range.globalMatch(note);
      while (it.hasNext()) {
        QRegularExpressionMatch m = it.next();
        int low = m.captured(1).toInt(), high = m.captured(2).isEmpty() ? low : m.captured(2).toInt();
        if (n >= low && n <= high) return true;
      }
      if (s.note == QStringLiteral(u"番地") || s.note == QStringLiteral(u"大字") || s.note == QStringLiteral(u"丁目"))
        return true;
    }
    return false;
  };
  auto add = [&](const QString& kind, const QString& address, const QString& code, bool first = true) {
    out[kind].push_back({address, code, first});
  };
  for (int i = 0; i < perKind; ++i) {
    const Town& p = *w.Pick(plain);
    add(QStringLiteral("plain"), p.pref + p.city + p.town + w.Block(w.Numbers(w.Number(1, 3)), w.Number(0, 1)), p.code);
    const Town& s = *w.Pick(plain);
    QString sp = w.Number(0, 1) ? QStringLiteral(" ") : QStringLiteral(u"　");
    add(QStringLiteral("spaced"), QStringList{s.pref, s.city, s.town, w.Block(w.Numbers(3), true)}.join(sp), s.code);
    const Town& e = *w.Pick(except);
    add(QStringLiteral("except-buildings"), e.pref + e.city + e.base + w.Block(w.Numbers(3), true), e.code);
    const Town& c = *w.Pick(catchAll);
    add(QStringLiteral("catchall"),
        c.pref + c.city + (w.Number(0, 1) ? QString() : QStringLiteral(u"存在しない町") + w.Block(w.Numbers(2), false)),
        c.code);
    const Town& wc = *w.Pick(wholeCity);
    add(QStringLiteral("whole-city"),
        wc.pref + wc.city + QStringLiteral(u"字本郷") + QString::number(w.Number(1, 3000)), wc.code);
    const Town& k = *w.Pick(towns_.size() > 0 ? plain : plain);
    QString code = k.code;
    QStringList forms = {code, code.left(3) + u'-' + code.mid(3),
                         QStringLiteral(u"〒") + code.left(3) + u'-' + code.mid(3),
                         Wide(code.left(3) + u'-' + code.mid(3)), code.left(3) + u' ' + code.mid(3)};
    add(QStringLiteral("code"), forms[w.Number(0, static_cast<int>(forms.size()) - 1)], code);
    const Office& o = w.Pick(offices_);
    if (w.Number(0, 1)) {
      add(QStringLiteral("office-named"), o.pref + o.city + o.town + o.block + u' ' + o.name, o.code);
    } else {
      add(QStringLiteral("office"), o.pref + o.city + o.town + o.block, o.code, false);
    }
  }
  for (int i = 0, n = 0; i < perKind * 10 && n < perKind; ++i) {
    const Town& t = *w.Pick(plain);
    QString shortCity = district.match(t.city).captured(1);
    if (citiesByName.value(t.city) == 1 && (shortCity.isEmpty() || citiesByName.value(shortCity) == 1)) {
      add(QStringLiteral("no-pref"), t.city + t.town + w.Block(w.Numbers(2), false), t.code);
      ++n;
    }
  }
  for (int i = 0, n = 0; i < perKind * 20 && n < perKind; ++i) {
    const Town& t = *w.Pick(plain);
    QString shortCity = district.match(t.city).captured(1);
    if (!shortCity.isEmpty()) {
      add(QStringLiteral("no-district"), t.pref + shortCity + t.town + w.Block(w.Numbers(2), false), t.code);
      ++n;
    }
  }
  for (int i = 0, n = 0; i < perKind * 40 && n < perKind; ++i) {
    const Town& t = *w.Pick(plain);
    static const QRegularExpression ke(QStringLiteral(u"[ケヶが]"));
    if (t.town.contains(ke)) {
      QString swapped = t.town;
      swapped.replace(ke, QStringLiteral(u"ヶ"));
      if (swapped == t.town) swapped.replace(QStringLiteral(u"ヶ"), QStringLiteral(u"ケ"));
      add(QStringLiteral("ke"), t.pref + t.city + swapped + w.Block(w.Numbers(2), false), t.code);
      ++n;
    }
    static const QRegularExpression numeral(QStringLiteral(u"[一二三四五六七八九十]"));
    if (t.town.contains(numeral) && out[QStringLiteral("arabic")].size() < static_cast<std::size_t>(perKind))
      add(QStringLiteral("arabic"), t.pref + t.city + Arabic(t.town) + w.Block(w.Numbers(2), false), t.code);
  }
  for (int i = 0; i < perKind; ++i) {
    const Town& t = *w.Pick(kyoto);
    QStringList positions = t.note.split(QStringLiteral(u"、"));
    QString position = positions[w.Number(0, static_cast<int>(positions.size()) - 1)];
    if (!position.contains(QRegularExpression(QStringLiteral(u"(上る|下る|東入|西入)$")))) continue;
    bool shared = false;
    for (const Town* other : kyoto)
      shared = shared || (other != &t && other->city == t.city && other->base == t.base &&
                          other->note.split(QStringLiteral(u"、")).contains(position));
    if (shared) continue;
    if (w.Number(0, 2) == 0) position.replace(QStringLiteral(u"上る"), QStringLiteral(u"上ル"));
    add(QStringLiteral("kyoto"), t.pref + t.city + position + t.base, t.code);
  }
  for (int i = 0; i < perKind; ++i) {
    const Town& t = *w.Pick(chome);
    QString note = Arabic(t.note);
    for (QChar& ch : note)
      if (ch.unicode() >= 0xFF10 && ch.unicode() <= 0xFF19) ch = QChar(char16_t(u'0' + (ch.unicode()) - 0xFF10));
    QRegularExpressionMatch m = QRegularExpression(QStringLiteral(u"(\\d+)(?:[〜～](\\d+))?")).match(note);
    int chomeNumber =
        w.Number(m.captured(1).toInt(), m.captured(2).isEmpty() ? m.captured(1).toInt() : m.captured(2).toInt());
    if (!claims(t, chomeNumber))
      add(QStringLiteral("chome-range"),
          t.pref + t.city + t.base + w.Block({chomeNumber, w.Number(1, 30), w.Number(1, 30)}, true), t.code);
    const Town& b = *w.Pick(banchi);
    QString bnote = b.note;
    for (QChar& ch : bnote)
      if (ch.unicode() >= 0xFF10 && ch.unicode() <= 0xFF19) ch = QChar(char16_t(u'0' + (ch.unicode()) - 0xFF10));
    m = QRegularExpression(QStringLiteral(u"(\\d+)[〜～](\\d+)")).match(bnote);
    int lot = w.Number(m.captured(1).toInt(), m.captured(2).toInt());
    if (!claims(b, lot)) add(QStringLiteral("banchi-range"), b.pref + b.city + b.base + w.Block({lot}, false), b.code);
    const Town& o = *w.Pick(others);
    int far = 900 + w.Number(0, 5000);
    if (!claims(o, far))
      add(QStringLiteral("sonota"), o.pref + o.city + o.base + w.Block({far, w.Number(1, 9)}, false), o.code);
    const Town& f = *w.Pick(floors);
    QString building = f.base.mid(parent(f).size());
    QString floor = floorNote.match(f.note).captured(1);
    QString written = w.Number(0, 1) ? floor + QStringLiteral(u"階") : Wide(floor) + QStringLiteral(u"階");
    add(QStringLiteral("building-floor"),
        f.pref + f.city + parent(f) + w.Block(w.Numbers(3), true) + u' ' + building + u' ' + written, f.code);
    const Town& u = *w.Pick(unknownFloors);
    add(QStringLiteral("building"),
        u.pref + u.city + parent(u) + w.Block(w.Numbers(3), true) + u.base.mid(parent(u).size()), u.code);
  }
  return out;
}

QTEST_APPLESS_MAIN(TestResolveRealData)
#include "tst_resolve_realdata.moc"
