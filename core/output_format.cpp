// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/output_format.h"

#include "core/file_names.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumivex {

const std::vector<OutputFormatInfo> &outputFormats()
{
    static const std::vector<OutputFormatInfo> table{
        {OutputFormat::Jpeg, "jpg", "jpeg", "jpg", PictureFormat::Jpeg, true, true, true, true, "at --quality"},
        {OutputFormat::Bmp, "bmp", nullptr, "bmp", PictureFormat::Bmp, false, false, false, false, "uncompressed"},
        {OutputFormat::Png, "png", nullptr, "png", PictureFormat::Png, true, true, false, true, "lossless"},
        {OutputFormat::Webp, "webp", nullptr, "webp", PictureFormat::Webp, true, true, false, true, "at --quality"},
        {OutputFormat::Tiff, "tiff", "tif", "tif", PictureFormat::Tiff, true, true, true, true, "lossless, deflate"},
        {OutputFormat::Jxl, "jxl", nullptr, "jxl", PictureFormat::Jxl, true, true, false, true,
         "JPEG XL at --quality, 100 lossless"},
        {OutputFormat::Heic, "heic", "heif", "heic", PictureFormat::Heif, true, true, false, true, "HEVC at --quality"},
        {OutputFormat::Avif, "avif", nullptr, "avif", PictureFormat::Avif, true, true, false, true, "AV1 at --quality"},
        {OutputFormat::Keep, "keep", nullptr, "", PictureFormat::Unknown, false, false, false, false,
         "each picture in its own format; GIF as PNG, camera raw as TIFF"},
    };
    return table;
}

const OutputFormatInfo *outputFormatInfo(OutputFormat format)
{
    for (const OutputFormatInfo &info : outputFormats())
        if (info.format == format)
            return &info;
    return nullptr;
}

const OutputFormatInfo *outputFormatNamed(const QString &name)
{
    for (const OutputFormatInfo &info : outputFormats())
        if (name.compare(QLatin1String(info.name), Qt::CaseInsensitive) == 0 ||
            (info.alias && name.compare(QLatin1String(info.alias), Qt::CaseInsensitive) == 0))
            return &info;
    return nullptr;
}

const OutputFormatInfo *outputFormatOfFileName(const QString &fileName)
{
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return nullptr;
    const QString extension = fileName.mid(dot + 1);
    for (const OutputFormatInfo &info : outputFormats())
        if (info.extension[0] && extension.compare(QLatin1String(info.extension), Qt::CaseInsensitive) == 0)
            return &info;
    return nullptr;
}

OutputFormat keptOutputFormat(PictureFormat source)
{
    switch (source) {
    case PictureFormat::Jpeg: return OutputFormat::Jpeg;
    case PictureFormat::Png:
    case PictureFormat::Gif: return OutputFormat::Png;
    case PictureFormat::Bmp: return OutputFormat::Bmp;
    case PictureFormat::Tiff:
    case PictureFormat::Raw: return OutputFormat::Tiff;
    case PictureFormat::Webp: return OutputFormat::Webp;
    case PictureFormat::Heif: return OutputFormat::Heic;
    case PictureFormat::Avif: return OutputFormat::Avif;
    case PictureFormat::Jxl: return OutputFormat::Jxl;
    case PictureFormat::Unknown: break;
    }
    return OutputFormat::Jpeg;
}

OutputFormat resolvedOutputFormat(OutputFormat chosen, const QString &sourcePath)
{
    if (chosen != OutputFormat::Keep)
        return chosen;
    // The first bytes tell every format apart, camera raw from TIFF aside, which are kept alike.
    char head[4096];
    ssize_t got = 0;
    const QByteArray name = fileNameToBytes(sourcePath);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd >= 0) {
        struct stat info {};
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
            do
                got = ::read(fd, head, sizeof head);
            while (got < 0 && errno == EINTR);
        }
        ::close(fd);
    }
    return keptOutputFormat(got > 0 ? sniffPictureFormat(head, std::size_t(got)) : PictureFormat::Unknown);
}

MetadataBlocks blocksFormatHolds(const OutputFormatInfo &format, MetadataBlocks blocks)
{
    if (!format.exif)
        blocks.exif.clear();
    if (!format.xmp)
        blocks.xmp.clear();
    if (!format.iptc)
        blocks.iptc.clear();
    if (!format.icc)
        blocks.icc.clear();
    return blocks;
}

} // namespace lumivex
