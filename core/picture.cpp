// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/picture.h"

#include "core/atomic_file.h"
#include "core/codec/codec.h"
#include "core/error_report.h"
#include "core/pixel_memory.h"

#include <QCoreApplication>
#include <QColorSpace>
#include <QImageWriter>
#include <QPainter>

namespace lumivex {

QImage allocatePixelImage(const QSize &size, Prefault prefault)
{
    QImage picture = pixelMemoryImage(size, prefault);
    if (!picture.isNull())
        setDefaultDensity(picture);
    return picture;
}

void setDefaultDensity(QImage &picture)
{
    picture.setDotsPerMeterX(kDefaultDotsPerMeter);
    picture.setDotsPerMeterY(kDefaultDotsPerMeter);
}

void copyPictureInfo(const QImage &from, QImage &to)
{
    to.setDotsPerMeterX(from.dotsPerMeterX());
    to.setDotsPerMeterY(from.dotsPerMeterY());
    to.setColorSpace(from.colorSpace());
}

void toPixelForm(QImage &image)
{
    if (image.isNull())
        return;
    if (!image.hasAlphaChannel()) {
        if (image.format() != QImage::Format_RGB32)
            image.convertTo(QImage::Format_RGB32);
        return;
    }
    QImage flat = allocatePixelImage(image.size());
    copyPictureInfo(image, flat);
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, image);
    painter.end();
    image = std::move(flat);
}

Outcome<void> decodePictureInto(const QString &path, QImage &target)
{
    // Always a picture of its own: an image kept from the previous file would carry that
    // file's text, colour space and resolution into this one.
    target = QImage();
    Outcome<DecodedPicture> decoded = decodePictureFile(path);
    if (!decoded.ok())
        return decoded.failure();
    target = std::move(decoded).value().image;
    return {};
}

Outcome<QImage> decodePicture(const QString &path, FileIdentity *read)
{
    Outcome<DecodedPicture> decoded = decodePictureFile(path, nullptr, read);
    if (!decoded.ok())
        return decoded.failure();
    return std::move(decoded).value().image;
}

void savePictureAsBmp(const QImage &picture, const QString &path)
{
    if (picture.isNull())
        throw StepFailure(QCoreApplication::translate("lumivex::Failure", "There is no picture to save: %1").arg(path));
    AtomicFile file(path);
    file.open();
    QImageWriter writer(&file.device(), "bmp");
    if (!writer.write(picture))
        file.failWith(file.writeError().isEmpty() ? writer.errorString() : file.writeError());
    file.commit();
}

} // namespace lumivex
