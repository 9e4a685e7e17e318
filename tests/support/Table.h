#pragma once

// Test helper for QTest data tables: the columns in one call.

#include <QTest>

// Adds a column of type T for each name, in order: Columns<QString, int>("text", "count").
template <typename... T, typename... Names>
void Columns(const Names&... names) {
  static_assert(sizeof...(T) == sizeof...(Names), "one name for each column");
  (QTest::addColumn<T>(names), ...);
}
