// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QTextStream>

namespace lumivex {

// Exit statuses of the command line.
enum CliStatus { CliAllWritten = 0, CliSomeFailed = 1, CliUsageError = 2 };

// True when the arguments ask for a batch without the window.
bool isBatchCommandLine(const QStringList &arguments);

// What the arguments ask for. It is decided before any application object exists, so help, the
// version and mistakes are answered without a display.
struct CommandLineRequest {
    enum class Mode { Answered, Window, Batch };
    Mode mode = Mode::Answered;
    int status = CliAllWritten; // when answered
    QStringList paths;          // for the window: local paths, URIs and "-" already resolved
};

// Reads the arguments of either use. Help and the version go to `output`, a usage error to
// `errors`; paths for the window are read from `input` where "-" asks for it.
CommandLineRequest readCommandLine(const QStringList &arguments, QTextStream &input, QTextStream &output,
                                   QTextStream &errors);

// Runs `lumivex --adjust KIND --strength N --output DIR [options] PATH…` without a window.
// `input` stands for standard input (paths given as "-"), `errors` for standard error.
int runBatchCommandLine(const QStringList &arguments, QTextStream &input, QTextStream &errors,
                        bool errorsIsTerminal);

} // namespace lumivex
