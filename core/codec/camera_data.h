// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace lumivex {

// A file's camera data, kept as the bytes its format stores, so it travels with the picture it
// came from and nowhere else.
struct MetadataBlocks {
    QByteArray exif; // a TIFF structure ("II*\0" or "MM\0*"), without the "Exif\0\0" marker prefix
    QByteArray xmp;  // the XMP packet
    QByteArray iptc; // IPTC-IIM data sets, as a Photoshop 0x0404 resource holds them
    QByteArray icc;  // the ICC colour profile
    bool isEmpty() const { return exif.isEmpty() && xmp.isEmpty() && iptc.isEmpty() && icc.isEmpty(); }
    bool operator==(const MetadataBlocks &o) const
    {
        return exif == o.exif && xmp == o.xmp && iptc == o.iptc && icc == o.icc;
    }
};

// The camera data of a file without decoding its pixels. `note` receives a reason when the file
// holds metadata that could not be read.
MetadataBlocks readPictureMetadata(const QString &path, QString *note = nullptr);
MetadataBlocks readPictureMetadataBytes(const QByteArray &bytes, QString *note = nullptr);

// What a result written upright keeps of its source's data: EXIF orientation reset to normal and
// its thumbnail (the unadjusted picture) dropped, XMP orientation reset likewise, and a colour
// profile only when it describes R,G,B.
MetadataBlocks metadataForResult(const MetadataBlocks &source, QString *note = nullptr);

} // namespace lumivex
