#pragma once

// Test helpers for lists of addresses: small data files where each kind of answer occurs,
// and customer lists over them whose expected answers the tests know.

#include <string>
#include <utility>
#include <vector>

class TempData;

// Writes data files (every prefecture, most empty) where the addresses of ListAddress()
// resolve: kind 0 sure (183-0022), 1 not sure (the city's catch-all, 100-0000), 2 ambiguous
// (602-0033 or 602-8031), 3 not found. Beside them, for rows whose existing code decides:
// 千代田区丸の内 (100-0005) with the building 丸の内ビルディング (100-6390, its 20th floor
// 100-6320) and the office テスト商事 at 丸の内2-4-1 (100-8799); 本町 in both 中央区 of
// 千葉市 (260-0012, with the office テスト銀行 at 3-3, 260-8799, and the building
// テストビル, 260-6090) and of 大阪市 (541-0053).
void WriteListData(const TempData& data);

// The address (UTF-8) of kind `row % 4`, as ListData() answers it.
std::string ListAddress(int row);

// A list (UTF-8, CRLF) with the header 氏名,郵便番号,住所 and `rows` rows: row i is named
// "客i" (a comma and quotes in every fifth), has the address ListAddress(i) and the code
// 183-0022 on sure rows (a wrong one on every eighth row), none on the others.
std::string ListCsv(int rows);

// Writes at `path` a workbook of one worksheet named `sheet`, as a spreadsheet program
// writes one: the sheet's XML `sheetXml` (the <sheetData> element), the shared strings'
// `sharedXml` (the <si> elements; none when empty). Returns false when it cannot.
bool WriteWorkbookFile(const std::string& path, const std::string& sheetXml, const std::string& sharedXml,
                       const std::string& sheet = "Sheet1");
// The same with several worksheets: (name, <sheetData> element) each, in order.
bool WriteWorkbookFile(const std::string& path, const std::vector<std::pair<std::string, std::string>>& sheets,
                       const std::string& sharedXml);
