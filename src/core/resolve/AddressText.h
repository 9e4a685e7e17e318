#pragma once

// Addresses as the resolver compares them. Both what people write and what the data spells
// are brought into one "match form" (Shift-JIS), so that equal places compare equal byte
// for byte; the parts of an address after its town area (block numbers, building, floor)
// and the notes Japan Post writes after a town's name are read from that form.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tanzel {

// The match form of Shift-JIS text:
//  - spaces (ASCII and full-width) dropped, half-width katakana made full-width;
//  - digits ASCII: full-width ones, and every run of kanji numerals read as one number
//    (十二 12, 二十四 24, 二〇二 202, 千 1000);
//  - letters ASCII upper-case;
//  - ヶ, ヵ and が written as ケ;
//  - hyphen-like marks (-, ‐, −, －, ―), and ー or の between two digits, written as '-';
//  - where two numbers would run together (a space or a kanji numeral between them), a
//    kNumberBreak between them.
std::string MatchForm(std::string_view sjis);
inline constexpr char kNumberBreak = '\x1f';

// The match form of what a person writes, and where in it separators stood: a run of
// spaces (of either width), 、 , ， or line breaks, between the parts of an address
// (prefecture, city, town, block) as office lists and web forms write them. The
// separators are dropped as spaces are; `breaks` gets the offsets in the form where a run
// of them stood, ascending.
std::string QueryForm(std::string_view sjis, std::vector<std::size_t>& breaks);

// The match form without folding the spellings of names (NameVariants.h): 藤崎町 and
// 藤ケ崎町, 霞ケ関 and 霞が関 stay apart (ヶ, ヵ and ケ are one). Tells a name written
// exactly as the data spells it from one read through a variant.
std::string ExactForm(std::string_view sjis);

// Offsets of the character boundaries of Shift-JIS text: 0, then after each character.
// Held in place for texts of the length of an address (no heap allocation below 128
// characters).
class CharBoundaries {
 public:
  explicit CharBoundaries(std::string_view sjis);
  std::size_t size() const { return size_; }
  std::size_t operator[](std::size_t i) const { return i < kInPlace ? inPlace_[i] : more_[i - kInPlace]; }

 private:
  static constexpr std::size_t kInPlace = 128;
  uint32_t inPlace_[kInPlace];
  std::vector<std::size_t> more_;
  std::size_t size_ = 0;
};

// What follows the town area of an address, read from its match form.
struct AddressRest {
  static constexpr int kMaxNumbers = 6;
  int32_t numbers[kMaxNumbers] = {};  // the block numbers in order (the chome first when written)
  int count = 0;
  bool hasChome = false;    // the first number was followed by 丁目
  bool banchiWord = false;  // 番地 or 番 was written after the first number
  int floor = 0;            // a floor written as N階 or NF after the block; -1 a basement
  std::size_t floorAt = 0;  // offset where the floor is written (B1, 地下1階, 20F ...), or the length
  std::string leading;      // text before the first number (a sub-area, 字 ...)
  std::string trailing;     // text after the block numbers (a building, an office's name ...)
  std::size_t end = 0;      // offset where the block numbers end (the trailing text starts)
};

// Reads the rest of an address (match form) that follows its town area.
AddressRest ParseRest(std::string_view rest);

// One condition of a town's note: block numbers, level by level (a range per level), or a
// name (a sub-area, a street position).
struct NoteItem {
  static constexpr int kMaxLevels = 4;
  std::string name;  // empty for a numeric item
  int32_t low[kMaxLevels] = {};
  int32_t high[kMaxLevels] = {};
  int levels = 0;
  bool firstIsChome = false;   // its first level is a chome (丁目)
  bool firstIsBanchi = false;  // its first level is a lot number (番地, 番)
};

// What a town's note (the text in （） after its name, match form) says.
struct TownNote {
  enum class Kind : uint8_t {
    None,             // no note: the town itself
    Other,            // （その他）: every address the town's other notes leave
    ExceptBuildings,  // （次のビルを除く）: the town without its buildings of their own
    Floor,            // （N階）: one floor of a building
    FloorUnknown,     // （地階・階層不明）: a building's basement, or its floor unknown
    ChomeForm,        // （丁目）: addresses written with 丁目
    BanchiForm,       // （番地）, （大字）: addresses written without 丁目
    Items,            // block numbers or names
  };
  Kind kind = Kind::None;
  int floor = 0;                // Kind::Floor
  std::vector<NoteItem> items;  // Kind::Items
};

// Reads a note (match form, without its outer parentheses).
TownNote ParseNote(std::string_view note);

// How well the rest of an address fits one note item: 0 not at all, 1 partly (the address
// gives fewer numbers than the item asks for), 2 fully.
int FitNumbers(const NoteItem& item, const AddressRest& rest);

// A Kyoto street position in match form (烏丸通今出川上る, 烏丸今出川上ル ...) written one way:
// 通 and 筋 dropped, 上ル 下ル 東入ル 西入ル (and る-forms) as 上る 下る 東入 西入.
std::string StreetPosition(std::string_view matchForm);

// The end offsets (after the direction word) of every Kyoto direction word (上る, 下る, 東入,
// 西入 and their ル-forms) in a match-form text, in order.
std::vector<std::size_t> DirectionWordEnds(std::string_view matchForm);

}  // namespace tanzel
