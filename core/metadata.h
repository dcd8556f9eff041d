#pragma once

#include <QByteArray>
#include <QString>

namespace lumivex {

// Carries a source's camera data into an encoded JPEG result: EXIF (orientation reset to
// normal, since the result is stored upright, and the embedded thumbnail dropped, since it
// shows the unadjusted picture), XMP, IPTC and the ICC colour profile. Returns an empty text
// when all went well or the source had nothing to carry; otherwise a note saying the result
// was saved without it. `jpeg` is left untouched when nothing could be carried.
QString copyMetadataIntoJpeg(const QString &sourcePath, QByteArray &jpeg);

} // namespace lumivex
