#pragma once

// Test helper: runs a program to its end and collects what it printed.

#include <QString>
#include <QStringList>

#include <functional>

struct ProcessResult {
  int exit;     // the exit status; -1 when the program crashed or did not end within a minute
  QString out;  // standard output, UTF-8
  QString err;  // standard error, UTF-8
};

// Runs `program` with `args`; `env` holds "NAME=value" pairs added to this process's
// environment; `childSetup` (may be empty) runs in the child just before the program starts.
ProcessResult RunProcess(const QString& program, const QStringList& args, const QStringList& env = {},
                         const std::function<void()>& childSetup = {});
