// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/codec/codec.h"

#include "core/codec/backends.h"
#include "core/error_report.h"
#include "core/memory_budget.h"
#include "core/paths.h"
#include "core/picture.h"
#include "core/pixel_memory.h"

#include <QCoreApplication>
#include <QFile>
#include <QPainter>
#include <cerrno>
#include <cstring>
#include <exiv2/exiv2.hpp>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace lumivex {

namespace codec {

void failDecode(const QString &reason, const QString &path)
{
    throw StepFailure(QCoreApplication::translate("lumivex::Failure", "Cannot decode the picture (%1): %2").arg(reason, path));
}

void failTruncated(const QString &path)
{
    failDecode(QCoreApplication::translate("lumivex::Failure", "the file ends too early"), path);
}

void failTooLarge(std::int64_t width, std::int64_t height)
{
    const double megabytes = 4.0 * double(width) * double(height) / (1024.0 * 1024.0);
    throw StepFailure(QCoreApplication::translate("lumivex::Failure", "Picture is too large: %1 x %2 pixels would need %3 MB; the limit is 2048 MB")
                          .arg(width)
                          .arg(height)
                          .arg(megabytes, 0, 'f', 0));
}

void checkPictureSize(std::int64_t width, std::int64_t height, const QString &path)
{
    if (width <= 0 || height <= 0)
        failDecode(QCoreApplication::translate("lumivex::Failure", "the picture has no pixels"), path);
    // Divided rather than multiplied: headers declare sides up to 2^32 and the product overflows.
    if (width > kMaxPixelBytes / 4 / height)
        failTooLarge(width, height);
    refusePictureBeyondBudget(QSize(int(width), int(height)));
}

QImage newPicture(int width, int height, const QString &path)
{
    checkPictureSize(width, height, path);
    return allocatePixelImage(QSize(width, height));
}

QImage newScratch(int width, int height, const QString &path)
{
    checkPictureSize(width, height, path);
    QImage scratch(width, height, QImage::Format_ARGB32);
    if (scratch.isNull())
        throw std::bad_alloc();
    setDefaultDensity(scratch);
    return scratch;
}

QImage layOnWhite(const QImage &argb, const QString &path)
{
    QImage flat = newPicture(argb.width(), argb.height(), path);
    flat.setDotsPerMeterX(argb.dotsPerMeterX());
    flat.setDotsPerMeterY(argb.dotsPerMeterY());
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, argb);
    painter.end();
    return flat;
}

QImage orientPicture(const QImage &picture, int orientation, const QString &path)
{
    if (orientation < 2 || orientation > 8)
        return picture;
    const int w = picture.width(), h = picture.height();
    const bool swaps = orientation >= 5;
    QImage out = swaps ? newPicture(h, w, path) : newPicture(w, h, path);
    out.setDotsPerMeterX(swaps ? picture.dotsPerMeterY() : picture.dotsPerMeterX());
    out.setDotsPerMeterY(swaps ? picture.dotsPerMeterX() : picture.dotsPerMeterY());
    const int ow = out.width(), oh = out.height();
    // Where stored pixel (x, y) lands in the upright picture.
    for (int y = 0; y < h; ++y) {
        const auto *row = reinterpret_cast<const quint32 *>(picture.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            int tx = x, ty = y;
            switch (orientation) {
            case 2: tx = w - 1 - x; break;
            case 3: tx = w - 1 - x; ty = h - 1 - y; break;
            case 4: ty = h - 1 - y; break;
            case 5: tx = y; ty = x; break;
            case 6: tx = ow - 1 - y; ty = x; break;
            case 7: tx = ow - 1 - y; ty = oh - 1 - x; break;
            case 8: tx = y; ty = oh - 1 - x; break;
            }
            reinterpret_cast<quint32 *>(out.scanLine(ty))[tx] = row[x];
        }
    }
    return out;
}

} // namespace codec

using namespace codec;

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
    auto u16 = [&](std::size_t at) {
        return little ? unsigned(p[at] | p[at + 1] << 8) : unsigned(p[at] << 8 | p[at + 1]);
    };
    auto u32 = [&](std::size_t at) {
        return little ? std::uint32_t(p[at]) | std::uint32_t(p[at + 1]) << 8 | std::uint32_t(p[at + 2]) << 16 |
                            std::uint32_t(p[at + 3]) << 24
                      : std::uint32_t(p[at]) << 24 | std::uint32_t(p[at + 1]) << 16 | std::uint32_t(p[at + 2]) << 8 |
                            std::uint32_t(p[at + 3]);
    };
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

namespace {

// `sized(n)` makes room for n bytes and gives where they go; returns how many the file held.
template <typename Sized>
std::size_t readRegularFileWith(const QString &path, Sized sized, FileIdentity *read)
{
    if (path.isEmpty())
        throw StepFailure(QCoreApplication::translate("lumivex::Failure", "File not found: %1").arg(path));
    // Opened by the name's own bytes, so names that are not valid in the locale's encoding work.
    const QByteArray name = fileNameToBytes(path);
    // Without O_NONBLOCK, opening a FIFO waits for a writer forever.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            throw StepFailure(QCoreApplication::translate("lumivex::Failure", "File not found: %1").arg(path));
        throw StepFailure(QCoreApplication::translate("lumivex::Failure", "File cannot be opened (%1): %2")
                              .arg(QString::fromLocal8Bit(std::strerror(error)), path));
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        throw StepFailure(QCoreApplication::translate("lumivex::Failure", "File cannot be opened (%1): %2")
                              .arg(QString::fromLocal8Bit(std::strerror(errno)), path));
    if (S_ISDIR(info.st_mode))
        throw StepFailure(QCoreApplication::translate("lumivex::Failure", "Not a picture file (it is a folder): %1").arg(path));
    if (!S_ISREG(info.st_mode))
        throw StepFailure(QCoreApplication::translate("lumivex::Failure", "Not a regular file: %1").arg(path));
    if (info.st_size > kMaxPixelBytes)
        failDecode(QCoreApplication::translate("lumivex::Failure", "the file is larger than 2 GB"), path);
    const std::size_t size = std::size_t(info.st_size);
    char *bytes = sized(size);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(fd, bytes + done, size - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            failDecode(QString::fromLocal8Bit(std::strerror(errno)), path);
        if (got == 0)
            break; // shrank while being read
        done += std::size_t(got);
    }
    if (read) {
        *read = identityOf(info);
        // Bytes of a file written while it was read belong to no version of it.
        if (identityOfDescriptor(fd) != *read || done != size)
            *read = FileIdentity();
    }
    return done;
}

} // namespace

QByteArray readRegularFile(const QString &path, FileIdentity *read)
{
    QByteArray bytes;
    bytes.truncate(qsizetype(readRegularFileWith(path, [&](std::size_t size) {
        bytes.resize(qsizetype(size));
        return bytes.data();
    }, read)));
    return bytes;
}

void readRegularFile(const QString &path, KeptBytes &into, FileIdentity *read)
{
    into.clear();
    std::size_t done = 0;
    try {
        done = readRegularFileWith(path, [&](std::size_t size) {
            into.resize(size);
            return into.data();
        }, read);
    } catch (...) {
        into.clear(); // what an earlier file left must not pass for this one's
        throw;
    }
    into.resize(done);
}

DecodedPicture decodePictureBytes(const QByteArray &bytes, const QString &path, RowSink *sink)
{
    DecodedPicture decoded;
    decoded.format = sniffPictureFormat(bytes.constData(), std::size_t(bytes.size()));
    RowFeed feed{sink, 0};
    const Input in{reinterpret_cast<const unsigned char *>(bytes.constData()), std::size_t(bytes.size()), path,
                   sink ? &feed : nullptr};
    switch (decoded.format) {
    case PictureFormat::Jpeg: decoded.image = decodeJpeg(in); break;
    case PictureFormat::Png: decoded.image = decodePng(in); break;
    case PictureFormat::Tiff:
        try {
            decoded.image = decodeTiff(in);
        } catch (const PreviewOnlyTiff &) {
            // Camera files LibRaw knows that keep their sensor data where the sniffing does not
            // look; anything else keeps the refusal.
            if (!rawReadable(in.data, in.size))
                throw;
            decoded.format = PictureFormat::Raw;
            decoded.image = decodeRaw(in);
        }
        break;
    case PictureFormat::Jxl: decoded.image = decodeJxl(in); break;
    case PictureFormat::Raw: decoded.image = decodeRaw(in); break;
    case PictureFormat::Webp: decoded.image = decodeWebp(in); break;
    case PictureFormat::Heif:
    case PictureFormat::Avif: decoded.image = decodeHeif(in); break;
    case PictureFormat::Gif:
    case PictureFormat::Bmp: decoded.image = decodeWithQt(in, decoded.format); break;
    case PictureFormat::Unknown:
        throw StepFailure(QCoreApplication::translate("lumivex::Failure", "Not a picture file this program can read: %1").arg(path));
    }
    if (decoded.image.isNull() || decoded.image.format() != QImage::Format_RGB32)
        failDecode(QCoreApplication::translate("lumivex::Failure", "the decoder gave no picture"), path);
    if (sink && feed.delivered < decoded.image.height())
        sink->rows(decoded.image, feed.delivered, decoded.image.height() - feed.delivered);
    return decoded;
}

bool transcodeJpeg(const QByteArray &bytes, const QString &path, RowStage &stage, int quality,
                   const MetadataBlocks &metadata, KeptBytes *out, QString *encodeFailure)
{
    if (sniffPictureFormat(bytes.constData(), std::size_t(bytes.size())) != PictureFormat::Jpeg)
        return false;
    const Input in{reinterpret_cast<const unsigned char *>(bytes.constData()), std::size_t(bytes.size()), path};
    return codec::transcodeJpeg(in, stage, quality, metadata, out, encodeFailure);
}

bool decodeJpegThrough(const QByteArray &bytes, const QString &path, RowStage &stage, QImage *picture)
{
    if (sniffPictureFormat(bytes.constData(), std::size_t(bytes.size())) != PictureFormat::Jpeg)
        return false;
    const Input in{reinterpret_cast<const unsigned char *>(bytes.constData()), std::size_t(bytes.size()), path};
    return codec::decodeJpegThrough(in, stage, picture);
}

DecodedPicture decodePictureFile(const QString &path, RowSink *sink, FileIdentity *read)
{
    return decodePictureBytes(readRegularFile(path, read), path, sink);
}

int exifOrientation(const char *tiff, std::size_t size)
{
    // Some writers keep the JPEG segment's marker in front of the structure in other containers.
    if (size >= 6 && std::memcmp(tiff, "Exif\0\0", 6) == 0) {
        tiff += 6;
        size -= 6;
    }
    if (size < 8)
        return 1;
    const auto *p = reinterpret_cast<const unsigned char *>(tiff);
    const bool little = p[0] == 'I' && p[1] == 'I';
    if (!little && !(p[0] == 'M' && p[1] == 'M'))
        return 1;
    auto u16 = [&](std::size_t at) {
        return little ? unsigned(p[at] | p[at + 1] << 8) : unsigned(p[at] << 8 | p[at + 1]);
    };
    auto u32 = [&](std::size_t at) {
        return little ? std::uint32_t(p[at]) | std::uint32_t(p[at + 1]) << 8 | std::uint32_t(p[at + 2]) << 16 |
                            std::uint32_t(p[at + 3]) << 24
                      : std::uint32_t(p[at]) << 24 | std::uint32_t(p[at + 1]) << 16 | std::uint32_t(p[at + 2]) << 8 |
                            std::uint32_t(p[at + 3]);
    };
    const std::size_t ifd = u32(4);
    if (ifd + 2 > size)
        return 1;
    const unsigned count = u16(ifd);
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t entry = ifd + 2 + std::size_t(i) * 12;
        if (entry + 12 > size)
            return 1;
        if (u16(entry) == 0x0112 && u16(entry + 2) == 3) {
            const unsigned value = u16(entry + 8);
            return value >= 1 && value <= 8 ? int(value) : 1;
        }
    }
    return 1;
}

// ---- metadata through Exiv2, which knows every container's places for it ----

namespace {

void initialiseExiv2()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // Problems are reported through our own notes, not printed.
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize();
    });
}

QString unreadableNote(const char *what)
{
    return QStringLiteral("saved without its camera data (the source's metadata could not be read: %1)")
        .arg(QString::fromLocal8Bit(what));
}

QByteArray fromBuf(const Exiv2::DataBuf &buf)
{
    return buf.size_ > 0 ? QByteArray(reinterpret_cast<const char *>(buf.pData_), int(buf.size_)) : QByteArray();
}

QByteArray exifBlock(const Exiv2::ExifData &exif, Exiv2::ByteOrder order)
{
    if (exif.empty())
        return QByteArray();
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, order == Exiv2::invalidByteOrder ? Exiv2::littleEndian : order, exif);
    return QByteArray(reinterpret_cast<const char *>(blob.data()), int(blob.size()));
}

} // namespace

MetadataBlocks readPictureMetadataBytes(const QByteArray &bytes, QString *note)
{
    MetadataBlocks blocks;
    const PictureFormat format = sniffPictureFormat(bytes.constData(), std::size_t(bytes.size()));
    // GIF and BMP have no place for camera data; a file of no known format has nothing to carry.
    if (format == PictureFormat::Unknown || format == PictureFormat::Gif || format == PictureFormat::Bmp)
        return blocks;
    if (format == PictureFormat::Heif || format == PictureFormat::Avif) {
        const Input in{reinterpret_cast<const unsigned char *>(bytes.constData()), std::size_t(bytes.size()), QString()};
        return heifMetadata(in);
    }
    if (format == PictureFormat::Jxl) {
        const Input in{reinterpret_cast<const unsigned char *>(bytes.constData()), std::size_t(bytes.size()), QString()};
        return jxlMetadata(in);
    }
    // A JPEG's camera data all comes before its first scan: Exiv2 is handed only that part.
    qsizetype length = bytes.size();
    if (format == PictureFormat::Jpeg) {
        qsizetype at = 2;
        while (at + 4 <= bytes.size() && quint8(bytes[at]) == 0xFF) {
            const int marker = quint8(bytes[at + 1]);
            if (marker == 0xDA) {
                length = at;
                break;
            }
            if (marker == 0xFF) {
                ++at;
                continue;
            }
            at += 2 + (qsizetype(quint8(bytes[at + 2])) << 8 | quint8(bytes[at + 3]));
        }
    }
    initialiseExiv2();
    try {
        auto image =
            Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte *>(bytes.constData()), long(length));
        image->readMetadata();
        blocks.exif = exifBlock(image->exifData(), image->byteOrder());
        blocks.xmp = QByteArray::fromStdString(image->xmpPacket());
        if (blocks.xmp.isEmpty() && !image->xmpData().empty()) {
            std::string packet;
            Exiv2::XmpParser::encode(packet, image->xmpData());
            blocks.xmp = QByteArray::fromStdString(packet);
        }
        if (!image->iptcData().empty())
            blocks.iptc = fromBuf(Exiv2::IptcParser::encode(image->iptcData()));
        if (image->iccProfileDefined())
            blocks.icc = fromBuf(*image->iccProfile());
    } catch (const std::exception &e) {
        if (note)
            *note = unreadableNote(e.what());
        return MetadataBlocks();
    }
    return blocks;
}

MetadataBlocks readPictureMetadata(const QString &path, QString *note)
{
    QByteArray bytes;
    try {
        bytes = readRegularFile(path);
    } catch (const StepFailure &failure) {
        if (note)
            *note = unreadableNote(failure.description().toLocal8Bit().constData());
        return MetadataBlocks();
    }
    return readPictureMetadataBytes(bytes, note);
}

MetadataBlocks metadataForResult(const MetadataBlocks &source, QString *note)
{
    MetadataBlocks result = source;
    // A result is always R,G,B: a CMYK or grey source's profile describes numbers it no longer
    // holds, and colour-managed viewers would read its colours through it. A profile that names
    // no colour space is passed on as it stands.
    const QByteArray space = source.icc.mid(16, 4);
    if (space.size() == 4 && space != "RGB " && space != QByteArray(4, '\0'))
        result.icc.clear();
    if (source.exif.isEmpty() && source.xmp.isEmpty())
        return result;
    initialiseExiv2();
    try {
        if (!source.exif.isEmpty()) {
            Exiv2::ExifData exif;
            const Exiv2::ByteOrder order = Exiv2::ExifParser::decode(
                exif, reinterpret_cast<const Exiv2::byte *>(source.exif.constData()), uint32_t(source.exif.size()));
            if (exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation")) != exif.end())
                exif["Exif.Image.Orientation"] = uint16_t(1);
            // A camera raw file's own structure (DNG's tags, the colour filter array, its
            // sub-directories) describes sensor data the result does not hold; in a TIFF result
            // it would make the file pass for raw.
            for (auto d = exif.begin(); d != exif.end();) {
                const std::uint16_t tag = d->tag();
                const bool raw = d->groupName() == "Image" &&
                                 ((tag >= 50706 && tag < 53000) || tag == 33421 || tag == 33422 || tag == 330 ||
                                  (tag == 262 && (d->toLong() == 32803 || d->toLong() == 34892)));
                d = raw ? exif.erase(d) : std::next(d);
            }
            Exiv2::ExifThumb(exif).erase();
            result.exif = exifBlock(exif, order);
        }
        if (!source.xmp.isEmpty()) {
            Exiv2::XmpData xmp;
            if (Exiv2::XmpParser::decode(xmp, source.xmp.toStdString()) == 0 &&
                xmp.findKey(Exiv2::XmpKey("Xmp.tiff.Orientation")) != xmp.end()) {
                xmp["Xmp.tiff.Orientation"] = "1";
                std::string packet;
                if (Exiv2::XmpParser::encode(packet, xmp, Exiv2::XmpParser::omitPacketWrapper) == 0)
                    result.xmp = QByteArray::fromStdString(packet);
            }
        }
    } catch (const std::exception &e) {
        if (note)
            *note = unreadableNote(e.what());
        return MetadataBlocks();
    }
    return result;
}

std::size_t encoderWorkingBytes(PictureFormat format, const QSize &size, const MetadataBlocks &metadata, int quality)
{
    const double pixels = double(size.width()) * double(size.height());
    // What each encoder holds beside the picture at its peak, measured on photographs (8000 x
    // 6000) with a margin: the file it makes (and for TIFF with camera data, the copies Exiv2
    // makes of it), and WebP's Y, U, V planes and the tokens it keeps for the whole frame.
    // BMP goes to its file a row at a time. x265, aom and libjxl keep the whole frame in several
    // planes of their own (measured on a 3000 x 2000 photograph: 23, 25, and 49 bytes a pixel
    // lossy or 81 lossless for libjxl).
    double perPixel = 0;
    switch (format) {
    case PictureFormat::Jpeg: perPixel = 1.0; break;
    case PictureFormat::Png: perPixel = 2.0; break;
    case PictureFormat::Tiff: perPixel = metadata.exif.isEmpty() && metadata.iptc.isEmpty() ? 2.0 : 6.0; break;
    case PictureFormat::Webp: perPixel = 7.0; break;
    case PictureFormat::Heif: perPixel = 28.0; break;
    case PictureFormat::Avif: perPixel = 30.0; break;
    case PictureFormat::Jxl: perPixel = quality >= 100 ? 96.0 : 58.0; break;
    default: return 0;
    }
    return std::size_t(pixels * perPixel) + (std::size_t(1) << 20);
}

QByteArray encodePicture(const QImage &picture, const EncodeOptions &options, const MetadataBlocks &metadata)
{
    if (picture.isNull())
        throw StepFailure(QStringLiteral("There is no picture to encode"));
    QImage pixels = picture;
    if (pixels.format() != QImage::Format_RGB32)
        pixels = pixels.convertToFormat(QImage::Format_RGB32);
    const WorkingMemory working(encoderWorkingBytes(options.format, pixels.size(), metadata, options.quality), pixels.size());
    switch (options.format) {
    case PictureFormat::Jpeg: return encodeJpeg(pixels, options.quality, metadata);
    case PictureFormat::Png: return encodePng(pixels, metadata);
    case PictureFormat::Tiff: return encodeTiff(pixels, metadata);
    case PictureFormat::Webp: return encodeWebp(pixels, options.quality, metadata);
    case PictureFormat::Bmp: return encodeBmp(pixels);
    case PictureFormat::Jxl: return encodeJxl(pixels, options.quality, metadata);
    case PictureFormat::Heif:
    case PictureFormat::Avif: return encodeHeif(pixels, options.format, options.quality, metadata);
    default: break;
    }
    throw StepFailure(QStringLiteral("This program cannot write %1 files").arg(QLatin1String(formatName(options.format))));
}

} // namespace lumivex
