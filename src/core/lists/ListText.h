#pragma once

// A list of addresses as a file holds it: its encoding and delimiter, whether its first row
// names the columns, which columns hold the address and the existing postal code. Fields
// stay in the file's encoding as read; the resolver gets them in Shift-JIS.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/data/PostalText.h"
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
// Every field of a row as FieldToSjis gives it.
std::vector<std::string> FieldsToSjis(const std::vector<std::string>& fields, TextEncoding encoding);

// A field read in `from` written in `to` (UTF-8 with or without its mark are one). Returns
// false when a character has no form in `to`.
bool ConvertField(std::string_view field, TextEncoding from, TextEncoding to, std::string& out);

// Shift-JIS text in `to`; false when a character has no form there.
bool SjisToEncoding(std::string_view sjis, TextEncoding to, std::string& out);

// What a column of a list holds. The address parts are in the order an address writes
// them (GuessColumns orders columns of one part by their names' numbers, then as listed).
enum class ColumnRole : uint8_t {
  None,
  Prefecture,  // 都道府県
  City,        // 市区町村
  Address,     // the address, or its part after the city: 町域, 番地, 住所1 ...
  Building,    // 建物名
  Code,        // an existing postal code
};

// The role a column's name (Shift-JIS) gives it: the usual names (都道府県, 県名; 市区町村,
// 市区郡, 市町村; 町域, 町名, 番地, 住所, 住所1, 所在地 ...; 建物名, ビル名, マンション名;
// 郵便番号, 〒, 郵便, ZIP), spaces, a trailing number and a note in brackets left off; a short
// name without digits that holds one (ご住所, 送付先住所, 番地・建物名); in ASCII a name
// holding zip, postal, address, city or building. None for any other name.
ColumnRole RoleOfName(std::string_view sjis);

// The columns of a list that matter: the address (one column, or several joined in
// `address`'s order, which is the order of an address) and the existing postal code (-1:
// none). Columns count from 0. `roles` says what each column was recognised as (empty
// when the columns were given, not recognised).
struct ListColumns {
  std::vector<int> address;
  int code = -1;
  std::vector<ColumnRole> roles;
};

// `columns` (column numbers, as a person checked them) in the order of an address: by the
// roles `recognised` gave them (a column without one counts as the part after the city),
// then as `recognised.address` orders them, then by column.
std::vector<int> InAddressOrder(std::vector<int> columns, const ListColumns& recognised);

// True when `first` (a list's first row, Shift-JIS) looks like column names: none of its
// fields that is not a column name looks like an address or a postal code, and either one
// is a usual column name (RoleOfName) or a field of `second` (the next row, may be null)
// looks like an address or a code.
bool LooksLikeHeader(const std::vector<std::string>& first, const std::vector<std::string>* second);

// The columns a list most likely means, from its column names (`header`, Shift-JIS, may be
// null) and its first rows (`sample`, Shift-JIS). With names: every column whose name is an
// address part (parts of one kind by the number their names end in: 住所1 before 住所2),
// and the first named a code. Without (or where the names give no address):
// by contents, the first run of columns holding prefecture names, city names, addresses,
// the rest of an address after them (blocks, 番地) or building names; and the first column
// of postal codes (written with all 7 digits: a 6-digit number is more often some other
// number). `address` is empty when nothing looks like an address.
ListColumns GuessColumns(const std::vector<std::string>* header, const std::vector<std::vector<std::string>>& sample);

// The column that `given` (UTF-8) names: its 1-based number, or its name in `header` (Shift-JIS,
// may be null). -1 when it names none.
int ColumnOf(std::string_view given, const std::vector<std::string>* header, std::size_t columnCount);

// The address of a row (fields as read in `encoding`): the fields of `columns` in Shift-JIS
// joined with a space; a column the row lacks counts as empty.
std::string JoinAddress(const std::vector<std::string>& fields, TextEncoding encoding, const std::vector<int>& columns);

// A postal code as people write it in a list (Shift-JIS): 7 digits, half- or full-width,
// with or without 〒, spaces and a hyphen after the third; or 6 digits where a spreadsheet
// dropped the leading 0. Nothing for anything else.
std::optional<uint32_t> ParsePostal(std::string_view sjis);

}  // namespace tanzel
