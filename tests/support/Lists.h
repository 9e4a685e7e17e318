#pragma once

// Test helpers for lists of addresses: small data files where each kind of answer occurs,
// and customer lists over them whose expected answers the tests know.

#include <string>

class TempData;

// Writes data files (every prefecture, most empty) where the addresses of ListAddress()
// resolve: kind 0 sure (183-0022), 1 not sure (the city's catch-all, 100-0000), 2 ambiguous
// (602-0033 or 602-8031), 3 not found.
void WriteListData(const TempData& data);

// The address (UTF-8) of kind `row % 4`, as ListData() answers it.
std::string ListAddress(int row);

// A list (UTF-8, CRLF) with the header 氏名,郵便番号,住所 and `rows` rows: row i is named
// "客i" (a comma and quotes in every fifth), has the address ListAddress(i) and the code
// 183-0022 on sure rows (a wrong one on every eighth row), none on the others.
std::string ListCsv(int rows);
