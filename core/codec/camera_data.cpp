// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/codec/camera_data.h"

#include "core/codec/backends.h"
#include "core/codec/picture_format.h"
#include "core/codec/regular_file.h"
#include "core/error_report.h"

#include <exiv2/exiv2.hpp>
#include <mutex>

namespace lumivex {

using namespace codec;

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
        bytes = codec::readFileBytes(path);
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

} // namespace lumivex
