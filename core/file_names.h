// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace lumivex {

// File names are bytes to the system; Qt reads them as UTF-8, which cannot hold a byte that is
// not valid there. These keep every byte: one that does not decode becomes the lone surrogate
// U+DC80 + byte (as Python's "surrogateescape"), which no decoded text contains.
QString fileNameFromBytes(const QByteArray &bytes);
QByteArray fileNameToBytes(const QString &name);
// True when the name holds such an escaped byte, so Qt's own file functions cannot open it.
bool hasUndecodableBytes(const QString &name);
// The name for messages: each escaped byte written as \xNN.
QString printableFileName(const QString &name);

} // namespace lumivex
