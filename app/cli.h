#pragma once

#include <QStringList>
#include <QTextStream>

namespace lumivex {

// Exit statuses of the batch command line.
enum CliStatus { CliAllWritten = 0, CliSomeFailed = 1, CliUsageError = 2 };

// True when the arguments ask for a batch without the window.
bool isBatchCommandLine(const QStringList &arguments);

// Runs `lumivex --adjust KIND --strength N --output DIR [options] PATH…` without a window.
// `input` stands for standard input (paths given as "-"), `errors` for standard error.
int runBatchCommandLine(const QStringList &arguments, QTextStream &input, QTextStream &errors,
                        bool errorsIsTerminal);

} // namespace lumivex
