// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/codec/picture_format.h"

#include "core/codec/backends.h"

#include <QByteArray>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace lumivex {

namespace {

// A TIFF structure that holds a camera's sensor data rather than a picture: a DNG, a Canon CR2,
// or a first directory (or one of its sub-directories, where NEF and ARW keep it) holding colour
// filter array or linear raw samples. Read without any library, so that sniffing stays cheap.
bool tiffHoldsCameraData(const unsigned char *p, std::size_t size)
{
    if (size < 16)
        return false;
    if (p[8] == 'C' && p[9] == 'R' && p[0] == 'I')
        return true; // Canon CR2
    const bool little = p[0] == 'I';
    const codec::TiffNumbers numbers{p, little};
    auto u16 = [&](std::size_t at) { return numbers.u16(at); };
    auto u32 = [&](std::size_t at) { return numbers.u32(at); };
    constexpr unsigned kDngVersion = 50706, kPhotometric = 262, kSubIfds = 330;
    constexpr unsigned kCfa = 32803, kLinearRaw = 34892;
    // Whether the directory at `ifd` says raw; its sub-directories' offsets go into `below`.
    auto directory = [&](std::size_t ifd, std::vector<std::size_t> *below) {
        if (ifd + 2 > size)
            return false;
        const unsigned count = std::min(u16(ifd), 512u);
        for (unsigned i = 0; i < count; ++i) {
            const std::size_t entry = ifd + 2 + std::size_t(i) * 12;
            if (entry + 12 > size)
                return false;
            const unsigned tag = u16(entry), type = u16(entry + 2);
            const std::uint32_t n = u32(entry + 4);
            if (tag == kDngVersion)
                return true;
            if (tag == kPhotometric && type == 3) {
                const unsigned value = u16(entry + 8);
                if (value == kCfa || value == kLinearRaw)
                    return true;
            }
            if (tag == kSubIfds && below && (type == 4 || type == 13) && n >= 1) {
                const std::size_t at = n == 1 ? entry + 8 : u32(entry + 8);
                for (std::uint32_t k = 0; k < std::min<std::uint32_t>(n, 8) && at + 4 * k + 4 <= size; ++k)
                    below->push_back(u32(at + 4 * k));
            }
        }
        return false;
    };
    std::vector<std::size_t> subIfds;
    if (directory(u32(4), &subIfds))
        return true;
    for (std::size_t ifd : subIfds)
        if (directory(ifd, nullptr))
            return true;
    return false;
}

} // namespace

PictureFormat sniffPictureFormat(const char *data, std::size_t size)
{
    auto starts = [&](const char *magic, std::size_t length, std::size_t at = 0) {
        return size >= at + length && std::memcmp(data + at, magic, length) == 0;
    };
    if (starts("\xFF\xD8\xFF", 3))
        return PictureFormat::Jpeg;
    if (starts("\x89PNG\r\n\x1A\n", 8))
        return PictureFormat::Png;
    if (starts("GIF87a", 6) || starts("GIF89a", 6))
        return PictureFormat::Gif;
    if (starts("BM", 2) && size >= 26)
        return PictureFormat::Bmp;
    if (starts("II*\0", 4) || starts("MM\0*", 4))
        return tiffHoldsCameraData(reinterpret_cast<const unsigned char *>(data), size) ? PictureFormat::Raw
                                                                                       : PictureFormat::Tiff;
    if (starts("\xFF\x0A", 2) || starts("\0\0\0\x0CJXL \r\n\x87\n", 12))
        return PictureFormat::Jxl;
    // Camera raw formats of their own: Fujifilm RAF, Olympus ORF, Panasonic RW2, Minolta MRW,
    // Canon CR3 (an ISO media file of brand "crx ").
    if (starts("FUJIFILM", 8) || starts("IIRO", 4) || starts("IIRS", 4) || starts("MMOR", 4) ||
        starts("IIU\0", 4) || starts("\0MRM", 4) || (starts("ftyp", 4, 4) && starts("crx ", 4, 8)))
        return PictureFormat::Raw;
    if (starts("RIFF", 4) && starts("WEBP", 4, 8))
        return PictureFormat::Webp;
    if (starts("ftyp", 4, 4) && size >= 12) {
        // The major brand, then the compatible ones: AVIF is AV1 in the same container as HEIF.
        const std::size_t boxSize = std::size_t(quint8(data[0])) << 24 | std::size_t(quint8(data[1])) << 16 |
                                    std::size_t(quint8(data[2])) << 8 | std::size_t(quint8(data[3]));
        const std::size_t end = std::min(size, std::max<std::size_t>(boxSize, 12));
        bool heif = false, avif = false;
        for (std::size_t at = 8; at + 4 <= end; at += 4) {
            if (at == 12)
                continue; // minor version
            const QByteArray brand(data + at, 4);
            if (brand == "avif" || brand == "avis")
                avif = true;
            else if (brand == "heic" || brand == "heix" || brand == "heim" || brand == "heis" ||
                     brand == "hevc" || brand == "hevx" || brand == "mif1" || brand == "msf1")
                heif = true;
            if (at == 8 && (avif || heif))
                break; // the major brand decides
        }
        if (avif)
            return PictureFormat::Avif;
        if (heif)
            return PictureFormat::Heif;
    }
    return PictureFormat::Unknown;
}

const char *formatName(PictureFormat format)
{
    switch (format) {
    case PictureFormat::Jpeg: return "JPEG";
    case PictureFormat::Png: return "PNG";
    case PictureFormat::Gif: return "GIF";
    case PictureFormat::Bmp: return "BMP";
    case PictureFormat::Tiff: return "TIFF";
    case PictureFormat::Webp: return "WebP";
    case PictureFormat::Heif: return "HEIF";
    case PictureFormat::Avif: return "AVIF";
    case PictureFormat::Jxl: return "JPEG XL";
    case PictureFormat::Raw: return "camera raw";
    case PictureFormat::Unknown: break;
    }
    return "unknown";
}

QStringList readablePictureExtensions()
{
    return {QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("jpe"), QStringLiteral("jfif"),
            QStringLiteral("png"), QStringLiteral("gif"), QStringLiteral("bmp"), QStringLiteral("dib"),
            QStringLiteral("tif"), QStringLiteral("tiff"), QStringLiteral("webp"), QStringLiteral("heic"),
            QStringLiteral("heif"), QStringLiteral("avif"), QStringLiteral("jxl"),
            // Camera raw files LibRaw reads
            QStringLiteral("dng"), QStringLiteral("cr2"), QStringLiteral("cr3"), QStringLiteral("crw"),
            QStringLiteral("nef"), QStringLiteral("nrw"), QStringLiteral("arw"), QStringLiteral("srf"),
            QStringLiteral("sr2"), QStringLiteral("orf"), QStringLiteral("rw2"), QStringLiteral("raf"),
            QStringLiteral("pef"), QStringLiteral("srw"), QStringLiteral("rwl"), QStringLiteral("raw"),
            QStringLiteral("3fr"), QStringLiteral("erf"), QStringLiteral("kdc"), QStringLiteral("dcr"),
            QStringLiteral("mrw"), QStringLiteral("mos"), QStringLiteral("mef"), QStringLiteral("iiq")};
}

} // namespace lumivex
