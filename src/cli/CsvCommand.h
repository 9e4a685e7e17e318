#pragma once

// tanzel-search --resolve --list (or --csv): a list of addresses (CSV or TSV, UTF-8 or
// Shift-JIS, or an .xlsx workbook) to the same list with each row's postal code, how sure it
// is, the record it matched and whether the row's existing code agrees.

#include <cstdio>
#include <memory>
#include <string>

#include "core/data/DataSet.h"

namespace tanzel {

// True when the command line asks for a list (--list or --csv among its options).
bool WantsCsvList(int argc, const char* const argv[]);

// Runs `tanzel-search --resolve --list FILE [--column N|NAME]... [--code-column N|NAME]
// [--header|--no-header] [--out FILE] [--encoding utf-8|utf-8-bom|cp932] [--words ja|en]
// [--sheet NAME] [--data DIR]`, reading `inUse` unless --data names another data folder.
// Reports the columns it takes on `err`. Writes the list, comma-separated (a workbook when
// --out ends in .xlsx), to --out (a new file renamed into place; never the input) or to `out`. Returns
// 0 when every row resolved sure, 1 when one did not, 2 for a wrong command line or a file
// that cannot be read as a list (nothing written), 3 when a data file is missing, 4 when the
// output could not be written.
int ResolveCsvCommand(int argc, const char* const argv[], const std::shared_ptr<const DataSet>& inUse, std::FILE* out,
                      std::FILE* err);

}  // namespace tanzel
