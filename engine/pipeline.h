// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/adjustment_kind.h"
#include "core/file_identity.h"

#include <QImage>
#include <QString>
#include <memory>
#include <vector>

namespace lumivex {

class RowStage;

// The one way a source becomes a result, for the window's run, its decode-ahead workers and the
// command line alike: decode, then adjust.

// What tells whether a source still holds the bytes a result was made from: the identity of the
// file as it was read (device, inode, size, modification and change times).
using SourceStamp = FileIdentity;
// The file a path leads to now.
SourceStamp stampSource(const QString &path);

// The decoding stage: the file in the 32-bit B,G,R,X pixel form. Throws StepFailure with the
// reason. `read`, here and below, gets the stamp of the very file the bytes were read from.
QImage decodeSource(const QString &path, SourceStamp *read = nullptr);

// The adjusting stage at strength v. Point adjustments work in the picture's own memory when
// the caller holds the only reference, and otherwise read it untouched into a pooled picture;
// the neighbourhood filters always read it untouched and write a picture of their own. Either
// way a new picture carries the same resolution and colour space. Throws
// StepFailure for a picture whose rows are not packed 4·W bytes apart or whose 4·W·H bytes
// overflow.
QImage adjustPicture(AdjustmentKind kind, QImage picture, int v);

// Both stages, in one pass where the decoder hands over rows as it goes: each band is adjusted
// while still in the cache. The bytes are exactly adjustPicture's.
QImage sourceToResult(const QString &path, AdjustmentKind kind, int v, SourceStamp *read = nullptr);

// The same, except that when the adjusting could not be done along the way (memory for a
// filter's output refused, say) the decoded picture comes back as it is with *adjusted false,
// for the caller to adjust, and report, at its own step. Throws StepFailure as decodeSource.
QImage decodeAdjusted(const QString &path, AdjustmentKind kind, int v, bool *adjusted, SourceStamp *read = nullptr);

// One adjustment as the work on a row between a decoder and an encoder that make a picture
// again a band of rows at a time (transcodeJpeg): the bytes are adjustPicture's.
std::unique_ptr<RowStage> adjustingStage(AdjustmentKind kind, int v);

// Several adjustments in one pass, in the order given, each exactly as on its own: the second
// works on the first one's 8-bit result, and so on. One step is sourceToResult itself.
struct AdjustmentStep {
    AdjustmentKind kind;
    int strength;
};
// Made from the source's bytes already read; `path` names it in reports.
QImage chainResultFromBytes(const QByteArray &bytes, const QString &path, const std::vector<AdjustmentStep> &steps);
// The result words of the steps, in order, joined by "-": "brightened-sharpened".
QString chainResultWord(const std::vector<AdjustmentStep> &steps);

} // namespace lumivex
