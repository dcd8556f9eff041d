#include "core/metadata.h"
#include "core/paths.h"

#include <QFile>
#include <exiv2/exiv2.hpp>
#include <mutex>

namespace lumivex {

namespace {

void initialiseOnce()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // Problems are reported through our own notes, not printed.
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize();
    });
}

QString unreadable(const char *what)
{
    return QStringLiteral("saved without its camera data (the source's metadata could not be read: %1)")
        .arg(QString::fromLocal8Bit(what));
}

} // namespace

QString copyMetadataIntoJpeg(const QString &sourcePath, QByteArray &jpeg)
{
    initialiseOnce();
    Exiv2::Image::AutoPtr source;
    try {
        source = Exiv2::ImageFactory::open(fileNameToBytes(sourcePath).toStdString());
        source->readMetadata();
    } catch (const Exiv2::AnyError &e) {
        // A source Exiv2 does not know at all (a GIF, a BMP) simply has nothing to carry.
        if (!Exiv2::ImageFactory::getType(fileNameToBytes(sourcePath).toStdString()))
            return QString();
        return unreadable(e.what());
    } catch (const std::exception &e) {
        return unreadable(e.what());
    }

    const bool hasIcc = source->iccProfileDefined();
    if (source->exifData().empty() && source->xmpData().empty() && source->iptcData().empty() && !hasIcc)
        return QString();

    try {
        Exiv2::ExifData exif = source->exifData();
        if (!exif.empty()) {
            auto orientation = exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
            if (orientation != exif.end())
                exif["Exif.Image.Orientation"] = uint16_t(1);
            Exiv2::ExifThumb(exif).erase();
        }
        Exiv2::XmpData xmp = source->xmpData();
        if (xmp.findKey(Exiv2::XmpKey("Xmp.tiff.Orientation")) != xmp.end())
            xmp["Xmp.tiff.Orientation"] = "1";

        Exiv2::Image::AutoPtr result =
            Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte *>(jpeg.constData()), long(jpeg.size()));
        result->readMetadata();
        result->setExifData(exif);
        result->setXmpData(xmp);
        result->setIptcData(source->iptcData());
        if (hasIcc)
            result->setIccProfile(*source->iccProfile(), false);
        result->writeMetadata();

        Exiv2::BasicIo &io = result->io();
        io.open();
        const long size = io.size();
        Exiv2::DataBuf buffer = io.read(size);
        io.close();
        if (buffer.size_ != size)
            return unreadable("short read");
        jpeg = QByteArray(reinterpret_cast<const char *>(buffer.pData_), int(buffer.size_));
    } catch (const Exiv2::AnyError &e) {
        return unreadable(e.what());
    } catch (const std::exception &e) {
        return unreadable(e.what());
    }
    return QString();
}

} // namespace lumivex
