#pragma once

// Test helpers for QTest data tables: the columns in one call, and rows whose UTF-8
// literals are QString cells.

#include <QString>
#include <QTest>

// Adds a column of type T for each name, in order: Columns<QString, int>("text", "count").
template <typename... T, typename... Names>
void Columns(const Names&... names) {
  static_assert(sizeof...(T) == sizeof...(Names), "one name for each column");
  (QTest::addColumn<T>(names), ...);
}

// A cell of Row(): a UTF-8 literal is a QString, any other value stays as it is.
inline QString Cell(const char* utf8) {
  return QString::fromUtf8(utf8);
}
template <typename T>
const T& Cell(const T& value) {
  return value;
}

// A row named `name` holding `cells` in column order: Row("kanji", "東京", 2).
template <typename... T>
void Row(const char* name, const T&... cells) {
  (QTest::newRow(name) << ... << Cell(cells));
}

// A row named after its first cell, a UTF-8 text: RowOf("東京都", "13").
template <typename... T>
void RowOf(const char* first, const T&... cells) {
  Row(first, first, cells...);
}
