// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer entry point over one decoder at a time, chosen by LUMIVEX_FUZZ_FORMAT: jpeg, png,
// gif, bmp, tiff, webp, heif, jxl, raw (camera raw through LibRaw), any (sniffed as files are), metadata (the camera-data reader) or
// transcode (a JPEG decoded and encoded again a band of rows at a time, or made into a picture
// through the same ring of rows).
// A decoder may refuse an input with a report; anything else (a crash, a leak, a hang, an
// allocation past the limit) is a finding.

#include "core/codec/backends.h"
#include "core/codec/codec.h"
#include "core/error_report.h"

#include <QGuiApplication>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

enum class Target { Jpeg, Png, Gif, Bmp, Tiff, Webp, Heif, Jxl, Raw, Any, Metadata, Transcode };
Target target = Target::Any;

// Reads every byte of the rows beside each row, so that the sanitizers see any the decoder did
// not write or the ring does not hold.
struct ReadingStage : lumivex::RowStage {
    void makeRow(int, int width, int, const uchar *above, const uchar *row, const uchar *below, uchar *out) noexcept override
    {
        for (int i = 0; i < width * 4; ++i)
            out[i] = uchar((above[i] + row[i] + below[i]) / 3);
    }
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    const char *name = std::getenv("LUMIVEX_FUZZ_FORMAT");
    const struct {
        const char *name;
        Target target;
    } names[] = {{"jpeg", Target::Jpeg}, {"png", Target::Png},   {"gif", Target::Gif},
                 {"bmp", Target::Bmp},   {"tiff", Target::Tiff}, {"webp", Target::Webp},
                 {"heif", Target::Heif}, {"jxl", Target::Jxl},   {"raw", Target::Raw},
                 {"any", Target::Any},   {"metadata", Target::Metadata},
                 {"transcode", Target::Transcode}};
    for (const auto &n : names)
        if (name && std::strcmp(name, n.name) == 0)
            target = n.target;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace lumivex;
    static const QString path = QStringLiteral("fuzz-input");
    const codec::Input in{data, size, path};
    try {
        QImage image;
        switch (target) {
        case Target::Jpeg: image = codec::decodeJpeg(in); break;
        case Target::Png: image = codec::decodePng(in); break;
        case Target::Gif: image = codec::decodeWithQt(in, PictureFormat::Gif); break;
        case Target::Bmp: image = codec::decodeWithQt(in, PictureFormat::Bmp); break;
        case Target::Tiff: image = codec::decodeTiff(in); break;
        case Target::Webp: image = codec::decodeWebp(in); break;
        case Target::Heif: image = codec::decodeHeif(in); break;
        case Target::Jxl:
            image = codec::decodeJxl(in);
            codec::jxlMetadata(in);
            break;
        case Target::Raw: image = codec::decodeRaw(in); break;
        case Target::Any:
            // The codec's public functions never throw: one that does ends the run as a crash.
            [&]() noexcept {
                Outcome<DecodedPicture> decoded =
                    decodePictureBytes(QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size)), path);
                if (decoded.ok())
                    image = std::move(decoded).value().image;
            }();
            break;
        case Target::Transcode:
            [&]() noexcept {
                ReadingStage stage;
                KeptBytes jpeg;
                const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
                (void)transcodeJpeg(bytes, path, stage, 85, MetadataBlocks(), &jpeg);
                Outcome<std::optional<QImage>> through = decodeJpegThrough(bytes, path, stage);
                if (through.ok() && through.value())
                    image = std::move(*std::move(through).value());
            }();
            break;
        case Target::Metadata: {
            QString note;
            metadataForResult(readPictureMetadataBytes(
                QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size)), &note));
            break;
        }
        }
        // Every byte of a picture passed on as good was written by the decoder: reading it
        // all lets the sanitizers see memory that was not.
        if (!image.isNull()) {
            if (image.format() != QImage::Format_RGB32)
                std::abort();
            volatile unsigned sum = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    sum = sum + image.constScanLine(y)[x * 4];
        }
    } catch (const StepFailure &) {
    } catch (const std::bad_alloc &) {
    }
    return 0;
}
