// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include "core/file_identity.h"
#include "core/kept_bytes.h"
#include "core/outcome.h"

namespace lumivex {

// Reads a whole regular file without ever blocking on a FIFO or device, refusing anything else.
// `read`, when given, gets the identity of the very descriptor read (not of whatever the path
// leads to by then), unknown when the file changed while it was being read. Fails with
// "File not found: PATH", "Not a picture file (it is a folder): PATH", "Not a regular file:
// PATH", "File cannot be opened (REASON): PATH" or "Cannot decode the picture (REASON): PATH".
Outcome<QByteArray> readRegularFile(const QString &path, FileIdentity *read = nullptr);
// The same into memory a worker keeps for its next file; left empty on a failure.
Outcome<void> readRegularFile(const QString &path, KeptBytes &into, FileIdentity *read = nullptr);

} // namespace lumivex
