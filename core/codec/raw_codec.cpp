// SPDX-License-Identifier: GPL-3.0-or-later
// Camera raw files on LibRaw: the picture LibRaw's own `dcraw_emu -w -T` writes (the camera's
// white balance, sRGB, 8 bits, LibRaw's default demosaic and brightness), which LibRaw has
// already turned by the file's orientation.

#include "core/codec/backends.h"
#include "core/error_report.h"
#include "core/picture.h"

#include <cstring>
#include <libraw/libraw.h>
#include <memory>
#include <QCoreApplication>

namespace lumivex::codec {

namespace {

// LibRaw's loaders read with plain fread and getc and go on past the end of a file that stops
// early. Every short read is filled with zeros, so no byte of the picture depends on memory the
// file never wrote, and counted, so that such a file is refused rather than shown half grey.
class CountingStream : public LibRaw_buffer_datastream {
public:
    CountingStream(const unsigned char *data, std::size_t size)
        : LibRaw_buffer_datastream(const_cast<unsigned char *>(data), size) {}
    int read(void *ptr, size_t size, size_t count) override
    {
        const int got = LibRaw_buffer_datastream::read(ptr, size, count);
        const std::size_t wanted = size * count, had = std::size_t(std::max(got, 0)) * size;
        if (had < wanted) {
            std::memset(static_cast<char *>(ptr) + had, 0, wanted - had);
            missing += wanted - had;
        }
        return got;
    }
    int get_char() override
    {
        const int c = LibRaw_buffer_datastream::get_char();
        if (c < 0)
            ++missedChars;
        return c;
    }
    std::size_t missing = 0;
    std::size_t missedChars = 0;
};

// A bit reader may look a few bytes past the last data it needs; anything beyond that means
// the data stops before the picture does.
constexpr std::size_t kReadAheadAllowed = 64;

struct EndFlag {
    bool endedEarly = false;
};

void dataError(void *user, const char *, const int offset)
{
    if (offset < 0)
        static_cast<EndFlag *>(user)->endedEarly = true;
}

struct ImageRelease {
    libraw_processed_image_t *image;
    ~ImageRelease()
    {
        if (image)
            LibRaw::dcraw_clear_mem(image);
    }
};

[[noreturn]] void failRaw(int code, const QString &path)
{
    if (code == LIBRAW_UNSUFFICIENT_MEMORY)
        throw std::bad_alloc();
    if (code == LIBRAW_IO_ERROR)
        failTruncated(path);
    if (code == LIBRAW_FILE_UNSUPPORTED)
        failDecode(QCoreApplication::translate("lumivex::Failure", "LibRaw does not know this camera's files"), path);
    failDecode(QString::fromUtf8(libraw_strerror(code)), path);
}

} // namespace

bool rawReadable(const unsigned char *data, std::size_t size)
{
    CountingStream stream(data, size);
    auto raw = std::make_unique<LibRaw>(LIBRAW_OPTIONS_NONE);
    return raw->open_datastream(&stream) == LIBRAW_SUCCESS;
}

QImage decodeRaw(const Input &in)
{
    CountingStream stream(in.data, in.size);
    // The processor holds its tables inline: far too large for a worker's stack.
    auto raw = std::make_unique<LibRaw>(LIBRAW_OPTIONS_NONE);
    libraw_output_params_t &params = raw->imgdata.params;
    params.use_camera_wb = 1; // dcraw_emu -w
    params.output_bps = 8;
    params.output_color = 1; // sRGB
    // No raw buffer of LibRaw's own beyond the limit a decoded picture has.
    params.max_raw_memory_mb = unsigned(kMaxPixelBytes >> 20);
    EndFlag ended;
    raw->set_dataerror_handler(dataError, &ended);

    int code = raw->open_datastream(&stream);
    if (code != LIBRAW_SUCCESS) {
        if (in.size < 512)
            failTruncated(in.path);
        failRaw(code, in.path);
    }
    // Tags whose values lie past the end: the file was cut after its directory.
    if (stream.missing > 0)
        failTruncated(in.path);
    // Both the picture and LibRaw's own working copy of it (four 16-bit channels) are refused
    // before any of it is taken.
    const libraw_image_sizes_t &sizes = raw->imgdata.sizes;
    checkPictureSize(sizes.raw_width, sizes.raw_height, in.path);
    checkPictureSize(std::int64_t(sizes.width) * 2, sizes.height, in.path);
    checkPictureSize(sizes.width, sizes.height, in.path);

    stream.missing = stream.missedChars = 0;
    code = raw->unpack();
    if (code != LIBRAW_SUCCESS)
        failRaw(code, in.path);
    if (ended.endedEarly || stream.missing > 0 || stream.missedChars > kReadAheadAllowed)
        failTruncated(in.path);
    code = raw->dcraw_process();
    if (code != LIBRAW_SUCCESS)
        failRaw(code, in.path);
    int error = LIBRAW_SUCCESS;
    ImageRelease made{raw->dcraw_make_mem_image(&error)};
    if (!made.image)
        failRaw(error, in.path);
    const libraw_processed_image_t &image = *made.image;
    if (image.type != LIBRAW_IMAGE_BITMAP || image.bits != 8 || (image.colors != 3 && image.colors != 1))
        failDecode(QCoreApplication::translate("lumivex::Failure", "LibRaw gave no 8-bit picture"), in.path);
    const int width = image.width, height = image.height, colors = image.colors;
    if (std::size_t(width) * height * colors > image.data_size)
        failDecode(QCoreApplication::translate("lumivex::Failure", "LibRaw gave no 8-bit picture"), in.path);

    QImage picture = newPicture(width, height, in.path);
    for (int y = 0; y < height; ++y) {
        const unsigned char *s = image.data + std::size_t(y) * width * colors;
        uchar *d = picture.scanLine(y);
        for (int x = 0; x < width; ++x, s += colors, d += 4) {
            d[0] = s[colors == 3 ? 2 : 0];
            d[1] = s[colors == 3 ? 1 : 0];
            d[2] = s[0];
            d[3] = 0xFF;
        }
    }
    return picture;
}

} // namespace lumivex::codec
