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

// Which rule made the row's existing code its answer.
enum class CodeEvidence {
  None,             // the answer is the address's own
  AmongCandidates,  // the address fits several places and the existing code is one of them
  InsideTown,       // the address is not sure of its building, and the existing code is one
                    // of a building, floor or office inside the town it resolved to
};

// One row's answer. `chosen` is set when a person picked the code (a candidate of an
// ambiguous answer); `codes` then holds that one code.
struct RowAnswer {
  ResolveAnswer answer;
  std::optional<uint32_t> existing;  // the row's code as written, when it reads as one
  Agreement agreement = Agreement::None;
  bool chosen = false;
  CodeEvidence evidence = CodeEvidence::None;
};

// Resolves the address `sjis` and weighs it with the row's existing code (`existing`,
// Shift-JIS as written; empty when none):
// - an ambiguous address whose candidates hold the existing code is decided by it: that
//   code, sure, agreeing (CodeEvidence::AmongCandidates);
// - an address resolved to a town (or a building without its floor, or a town's code for
//   other buildings) keeps an existing code that Japan Post gives to a building, floor or
//   office of that town in that city: that code, sure, agreeing (CodeEvidence::InsideTown);
// - any other existing code that is not the answer's (another place of a sure answer,
//   another prefecture, not a candidate) differs and is never taken instead.
RowAnswer ResolveRow(const AddressIndex& index, std::string_view sjis, std::string_view existing);

// Makes candidate `i` of an ambiguous (or any) answer the row's code, as a person chose it.
void ChooseCandidate(RowAnswer& row, std::size_t i);

// True when the row needs a person: not sure, ambiguous, not found, or its existing code
// differs; a chosen row does not.
bool NeedsPerson(const RowAnswer& row);

// The columns appended to a list, in order. The fourth only where the list has a code column.
inline constexpr int kAppendedColumns = 4;
// Their names (Shift-JIS): 郵便番号（検索結果）, 確度, 該当住所, 既存番号との照合; a name that
// one of `header`'s (the list's column names, Shift-JIS; may be null) already is gets
// （検索結果） and then a number after it until none is.
std::array<std::string, kAppendedColumns> AppendedNames(const std::vector<std::string>* header = nullptr);

// The words of the appended cells: those the window shows (Shift-JIS), or, for scripts,
// ASCII tokens.
enum class ListWords { Japanese, English };

// The word for a row's certainty: 確実, 要確認, 複数候補, 該当なし, 選択済み; in English
// CertaintyWord's, or "chosen".
const std::string& RowCertaintyWord(const RowAnswer& row, ListWords words = ListWords::Japanese);
// The word for an agreement: "", 一致, 候補にあり, 不一致; in English "", agrees, among, differs.
const std::string& AgreementWord(Agreement agreement, ListWords words = ListWords::Japanese);

// The appended cells of a row (Shift-JIS): the code as NNN-NNNN (empty unless sure, not sure
// or chosen), the certainty word, the matched record (for an ambiguous row every candidate,
// "NNN-NNNN record" each, separated by " / "), the agreement word.
std::array<std::string, kAppendedColumns> AppendedCells(const AddressIndex& index, const RowAnswer& row,
                                                        ListWords words = ListWords::Japanese);

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
