// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/codec/codec.h"

#include <QString>
#include <vector>

namespace lumivex {

// The results window offers BMP and JPEG; the command line every format of the table. Keep
// writes each result in its source's format where this program writes that format.
enum class OutputFormat { Bmp, Jpeg, Png, Webp, Tiff, Jxl, Heic, Avif, Keep };

// One row of the table every output format is described by: the command line's names and help,
// the file name extension, the encoder and which of a source's blocks the file holds.
struct OutputFormatInfo {
    OutputFormat format;
    const char *name;      // as --format takes it
    const char *alias;     // another name --format takes, or nullptr
    const char *extension; // of the files written, without the dot
    PictureFormat encoder; // Unknown for Keep
    bool exif, xmp, iptc, icc;
    const char *help; // how it is written, for the command line's help
};

// In the order the command line's help lists them.
const std::vector<OutputFormatInfo> &outputFormats();
const OutputFormatInfo *outputFormatInfo(OutputFormat format);
// The row named (any case) by its name or alias; nullptr for a name no row has.
const OutputFormatInfo *outputFormatNamed(const QString &name);
// The row whose extension the file name ends in; nullptr when none does.
const OutputFormatInfo *outputFormatOfFileName(const QString &fileName);

// What --format keep writes a source of this format as: its own format where this program
// writes it, PNG for GIF, TIFF for camera raw; JPEG for a file of no known format (which fails
// when it is read).
OutputFormat keptOutputFormat(PictureFormat source);
// `chosen`, or with Keep the format the source file's first bytes say it is kept in.
OutputFormat resolvedOutputFormat(OutputFormat chosen, const QString &sourcePath);

// Only the blocks the format's files hold.
MetadataBlocks blocksFormatHolds(const OutputFormatInfo &format, MetadataBlocks blocks);

} // namespace lumivex
