#pragma once

// Resolving the rows of a list: each row's address to its postal code, how sure that is, the
// record it matched as the data spells it, and whether the code the row already had agrees.
// Plain functions of a shared read-only index: any number of threads may call them at once.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/resolve/Resolver.h"
#include "core/text/TextEncoding.h"

namespace tanzel {

// How a row's existing code compares with what its address resolves to.
enum class Agreement {
  None,     // the row has no code (or no code column), or the address resolved to nothing
  Agrees,   // the existing code is the one code
  Among,    // the address is ambiguous and the existing code is one of its candidates
  Differs,  // the existing code is not what the address gives
};

// One row's answer. `chosen` is set when a person picked the code (a candidate of an
// ambiguous answer); `codes` then holds that one code.
struct RowAnswer {
  ResolveAnswer answer;
  std::optional<uint32_t> existing;  // the row's code as written, when it reads as one
  Agreement agreement = Agreement::None;
  bool chosen = false;
};

// Resolves the address `sjis` and compares it with the row's existing code (`existing`,
// Shift-JIS as written; empty when none).
RowAnswer ResolveRow(const AddressIndex& index, std::string_view sjis, std::string_view existing);

// Makes candidate `i` of an ambiguous (or any) answer the row's code, as a person chose it.
void ChooseCandidate(RowAnswer& row, std::size_t i);

// True when the row needs a person: not sure, ambiguous, not found, or its existing code
// differs; a chosen row does not.
bool NeedsPerson(const RowAnswer& row);

// The columns appended to a list, in order. The fourth only where the list has a code column.
inline constexpr int kAppendedColumns = 4;
// Their names (Shift-JIS): 郵便番号, 確度, 該当住所, 既存番号.
const std::array<std::string, kAppendedColumns>& AppendedNames();

// The word the saved list writes for a row's certainty: CertaintyWord's, or "chosen".
const char* RowCertaintyWord(const RowAnswer& row);
// The word for an agreement: "", agrees, among, differs.
const char* AgreementWord(Agreement agreement);

// The appended cells of a row (Shift-JIS): the code as NNN-NNNN (empty unless sure, not sure
// or chosen), the certainty word, the matched record (for an ambiguous row every candidate,
// "NNN-NNNN record" each, separated by " / "), the agreement word.
std::array<std::string, kAppendedColumns> AppendedCells(const AddressIndex& index, const RowAnswer& row);

// Counts of a list's rows for its summary line.
struct ListSummary {
  std::size_t rows = 0, sure = 0, notSure = 0, ambiguous = 0, notFound = 0, chosen = 0, differs = 0;
  void Add(const RowAnswer& row);
};

// Appends one row of the saved list to `out`, comma-separated, in `to`: the row's own fields
// (`raw`, read in `from`) unchanged, empty ones up to `width` where the row is shorter, then
// the first `appended` of `cells` (Shift-JIS). Returns false when a field has no form in `to`.
bool AppendListRow(std::string& out, const std::vector<std::string>& raw, std::size_t width, TextEncoding from,
                   TextEncoding to, const std::array<std::string, kAppendedColumns>& cells, int appended);

}  // namespace tanzel
