#pragma once

// The events by which the search worker hands its results to the search window. They are
// posted, so they arrive on the window's thread in the order the worker produced them.
// Each type is registered with Qt once, at its first use (SearchEvents.cpp).

#include <QEvent>
#include <QString>

#include <utility>

#include "core/search/SearchEngine.h"

// One result row: grid row `number` gets `cells` in columns 0 to 4.
class SearchRowEvent : public QEvent {
 public:
  static QEvent::Type EventType();
  SearchRowEvent(quint64 generation, int number) : QEvent(EventType()), generation(generation), number(number) {}

  quint64 generation;  // the search that produced the row
  int number;
  QString cells[5];
};

// After the empty-keyword notice: the keyword edit is to get the input focus.
class SearchFocusEvent : public QEvent {
 public:
  static QEvent::Type EventType();
  explicit SearchFocusEvent(quint64 generation) : QEvent(EventType()), generation(generation) {}

  quint64 generation;
};

// Before the rows of each pass of a keyword search: the rows that follow are hits of `pass`
// for `keyword` (for the tolerant pass, the keyword in the data's own forms).
class SearchPassEvent : public QEvent {
 public:
  static QEvent::Type EventType();
  SearchPassEvent(quint64 generation, tanzel::SearchPass pass, QString keyword)
      : QEvent(EventType()), generation(generation), pass(pass), keyword(std::move(keyword)) {}

  quint64 generation;
  tanzel::SearchPass pass;
  QString keyword;
  // The address pass: how sure its answer is, and how its first code was found.
  tanzel::Certainty certainty = tanzel::Certainty::Sure;
  tanzel::MatchKind kind = tanzel::MatchKind::Town;
};
