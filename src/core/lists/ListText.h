#pragma once

// A list of addresses as a file holds it: its encoding and delimiter, whether its first row
// names the columns, which columns hold the address and the existing postal code. Fields
// stay in the file's encoding as read; the resolver gets them in Shift-JIS.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/text/TextEncoding.h"

namespace tanzel {

// How a list's text is written.
struct ListFormat {
  TextEncoding encoding = TextEncoding::Utf8;
  char delimiter = ',';
  std::string_view body;  // the text after its byte order mark
};

// Tells how `bytes` is written. Returns nothing, with `error` saying why (the line where it
// stops being text), for an empty file and for one that is not UTF-8 nor Shift-JIS text
// (binary data, another encoding).
std::optional<ListFormat> InspectList(std::string_view bytes, std::string& error);

// A field of a text in `encoding` as Shift-JIS. A UTF-8 character Shift-JIS has no form for
// becomes '?'.
std::string FieldToSjis(std::string_view field, TextEncoding encoding);

// A field read in `from` written in `to` (UTF-8 with or without its mark are one). Returns
// false when a character has no form in `to`.
bool ConvertField(std::string_view field, TextEncoding from, TextEncoding to, std::string& out);

// Shift-JIS text in `to`; false when a character has no form there.
bool SjisToEncoding(std::string_view sjis, TextEncoding to, std::string& out);

// The columns of a list that matter: the address (one column, or several joined in order)
// and the existing postal code (-1: none). Columns count from 0.
struct ListColumns {
  std::vector<int> address;
  int code = -1;
};

// True when `first` (a list's first row, Shift-JIS) looks like column names: none of its
// fields looks like an address or a postal code, and either one is a usual column name
// (住所, 郵便番号, 都道府県 ...) or a field of `second` (the next row, may be null) looks
// like an address or a code.
bool LooksLikeHeader(const std::vector<std::string>& first, const std::vector<std::string>* second);

// The columns a list most likely means, from its column names (`header`, Shift-JIS, may be
// null) and its first rows (`sample`, Shift-JIS): the named address columns and code column;
// else the run of columns where most rows look like an address, and the column where most
// rows look like a postal code. `address` is empty when nothing looks like an address.
ListColumns GuessColumns(const std::vector<std::string>* header, const std::vector<std::vector<std::string>>& sample);

// The column that `given` (UTF-8) names: its 1-based number, or its name in `header` (Shift-JIS,
// may be null). -1 when it names none.
int ColumnOf(std::string_view given, const std::vector<std::string>* header, std::size_t columnCount);

// The address of a row: the fields (Shift-JIS) of `columns` joined with a space; a column
// the row lacks counts as empty.
std::string JoinAddress(const std::vector<std::string>& sjisFields, const std::vector<int>& columns);

// A postal code as people write it in a list (Shift-JIS): 7 digits, half- or full-width,
// with or without 〒, spaces and a hyphen after the third; or 6 digits where a spreadsheet
// dropped the leading 0. Nothing for anything else.
std::optional<uint32_t> ParsePostal(std::string_view sjis);

// "NNN-NNNN" (a spreadsheet keeps it as text, leading zero included).
std::string PostalText(uint32_t postal);

}  // namespace tanzel
