// SPDX-License-Identifier: GPL-3.0-or-later
#include "codec_testing.h"

#include <QFile>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <jpeglib.h>
#include <jxl/decode.h>
#include <jxl/encode.h>
#include <libraw/libraw.h>
#include <atomic>
#include <memory>
#include <tiffio.h>
#include <libheif/heif.h>
#include <png.h>
#include <webp/decode.h>
#include <webp/encode.h>

namespace lumivex::testing {

QByteArray libjpegEncode(const QImage &picture, int quality, JpegKind kind)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char *out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = JDIMENSION(picture.width());
    cinfo.image_height = JDIMENSION(picture.height());
    cinfo.input_components = kind == JpegKind::Grey ? 1 : 4;
    cinfo.in_color_space = kind == JpegKind::Grey ? JCS_GRAYSCALE : kind == JpegKind::Cmyk ? JCS_CMYK : JCS_EXT_BGRX;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (kind == JpegKind::Progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(std::size_t(picture.width()) * 4);
    while (cinfo.next_scanline < cinfo.image_height) {
        const uchar *line = picture.constScanLine(int(cinfo.next_scanline));
        JSAMPROW rows[1] = {const_cast<JSAMPROW>(line)};
        if (kind == JpegKind::Grey) {
            for (int x = 0; x < picture.width(); ++x)
                row[std::size_t(x)] = line[x * 4 + 1];
            rows[0] = row.data();
        }
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray bytes(reinterpret_cast<const char *>(out), qsizetype(size));
    std::free(out);
    return bytes;
}

QImage libjpegDecode(const QByteArray &jpeg)
{
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char *>(jpeg.constData()), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&cinfo, TRUE);
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&cinfo);
    QImage image(int(cinfo.output_width), int(cinfo.output_height), QImage::Format_RGB32);
    std::vector<unsigned char> row(std::size_t(cinfo.output_width) * std::size_t(cinfo.output_components));
    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = int(cinfo.output_scanline);
        JSAMPROW rows[1] = {row.data()};
        jpeg_read_scanlines(&cinfo, rows, 1);
        for (int x = 0; x < image.width(); ++x) {
            const unsigned char *p = row.data() + x * cinfo.output_components;
            if (cmyk) {
                const int k = p[3];
                image.setPixel(x, y, qRgb(k * p[0] / 255, k * p[1] / 255, k * p[2] / 255));
            } else {
                image.setPixel(x, y, qRgb(p[0], p[1], p[2]));
            }
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return image;
}

namespace {

void appendBytes(png_structp png, png_bytep data, png_size_t length)
{
    static_cast<QByteArray *>(png_get_io_ptr(png))->append(reinterpret_cast<const char *>(data), qsizetype(length));
}
void noFlush(png_structp) {}

} // namespace

QByteArray libpngEncode(int width, int height, const PngLayout &layout, const std::vector<std::uint16_t> &samples,
                        const std::vector<std::uint8_t> &palette, const std::vector<std::uint16_t> &transparent,
                        bool background)
{
    QByteArray out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, appendBytes, noFlush);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), layout.depth, layout.colourType,
                 layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!palette.empty())
        png_set_PLTE(png, info, reinterpret_cast<png_const_colorp>(palette.data()), int(palette.size() / 3));
    if (!transparent.empty()) {
        if (layout.colourType == PNG_COLOR_TYPE_PALETTE) {
            std::vector<png_byte> alphas(transparent.begin(), transparent.end());
            png_set_tRNS(png, info, alphas.data(), int(alphas.size()), nullptr);
        } else {
            png_color_16 colour{};
            colour.gray = transparent[0];
            if (transparent.size() >= 3) {
                colour.red = transparent[0];
                colour.green = transparent[1];
                colour.blue = transparent[2];
            }
            png_set_tRNS(png, info, nullptr, 0, &colour);
        }
    }
    if (background) {
        png_color_16 colour{};
        colour.red = 0x1234;
        colour.green = 0xfedc;
        colour.blue = 0x8000;
        colour.gray = 0x4000;
        png_set_bKGD(png, info, &colour);
    }
    png_write_info(png, info);
    if (layout.depth < 8)
        png_set_packing(png);
    const int channels = layout.colourType == PNG_COLOR_TYPE_RGB         ? 3
                         : layout.colourType == PNG_COLOR_TYPE_RGB_ALPHA  ? 4
                         : layout.colourType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                                        : 1;
    const int bytes = layout.depth == 16 ? 2 : 1;
    std::vector<png_byte> image(std::size_t(width) * height * channels * bytes);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (bytes == 2) {
            image[i * 2] = png_byte(samples[i] >> 8);
            image[i * 2 + 1] = png_byte(samples[i]);
        } else {
            image[i] = png_byte(samples[i]);
        }
    }
    std::vector<png_bytep> rows(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        rows[std::size_t(y)] = image.data() + std::size_t(y) * width * channels * bytes;
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

QByteArray libwebpEncode(const QImage &argb, int quality, bool lossless)
{
    uint8_t *out = nullptr;
    const QImage image = argb.convertToFormat(QImage::Format_ARGB32);
    const std::size_t size =
        lossless ? WebPEncodeLosslessBGRA(image.constBits(), image.width(), image.height(), int(image.bytesPerLine()), &out)
                 : WebPEncodeBGRA(image.constBits(), image.width(), image.height(), int(image.bytesPerLine()),
                                  float(quality), &out);
    QByteArray bytes(reinterpret_cast<const char *>(out), qsizetype(size));
    WebPFree(out);
    return bytes;
}

QImage libwebpDecode(const QByteArray &webp)
{
    int w = 0, h = 0;
    uint8_t *pixels = WebPDecodeBGRA(reinterpret_cast<const uint8_t *>(webp.constData()), std::size_t(webp.size()), &w, &h);
    if (!pixels)
        return QImage();
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        std::memcpy(image.scanLine(y), pixels + std::size_t(y) * w * 4, std::size_t(w) * 4);
    WebPFree(pixels);
    return image;
}

namespace {

heif_error appendHeif(heif_context *, const void *data, std::size_t size, void *userdata)
{
    static_cast<QByteArray *>(userdata)->append(static_cast<const char *>(data), qsizetype(size));
    return heif_error{heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

} // namespace

bool heifEncoderAvailable(bool av1)
{
    heif_context *context = heif_context_alloc();
    heif_encoder *encoder = nullptr;
    const bool ok = heif_context_get_encoder_for_format(context, av1 ? heif_compression_AV1 : heif_compression_HEVC,
                                                        &encoder)
                        .code == heif_error_Ok;
    if (encoder)
        heif_encoder_release(encoder);
    heif_context_free(context);
    return ok;
}

QByteArray libheifEncode(const QImage &picture, bool av1, const QByteArray &exif)
{
    heif_context *context = heif_context_alloc();
    heif_encoder *encoder = nullptr;
    heif_context_get_encoder_for_format(context, av1 ? heif_compression_AV1 : heif_compression_HEVC, &encoder);
    heif_encoder_set_lossy_quality(encoder, 80);
    heif_image *image = nullptr;
    heif_image_create(picture.width(), picture.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
    heif_image_add_plane(image, heif_channel_interleaved, picture.width(), picture.height(), 8);
    int stride = 0;
    uint8_t *plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = picture.pixel(x, y);
            uint8_t *d = plane + std::ptrdiff_t(y) * stride + x * 3;
            d[0] = uint8_t(qRed(p));
            d[1] = uint8_t(qGreen(p));
            d[2] = uint8_t(qBlue(p));
        }
    heif_image_handle *handle = nullptr;
    heif_context_encode_image(context, image, encoder, nullptr, &handle);
    if (!exif.isEmpty())
        heif_context_add_exif_metadata(context, handle, exif.constData(), int(exif.size()));
    QByteArray out;
    heif_writer writer{1, appendHeif};
    heif_context_write(context, &writer, &out);
    heif_image_handle_release(handle);
    heif_image_release(image);
    heif_encoder_release(encoder);
    heif_context_free(context);
    return out;
}

QImage libheifDecode(const QByteArray &heif)
{
    heif_context *context = heif_context_alloc();
    heif_context_read_from_memory_without_copy(context, heif.constData(), std::size_t(heif.size()), nullptr);
    heif_image_handle *handle = nullptr;
    heif_context_get_primary_image_handle(context, &handle);
    heif_image *image = nullptr;
    heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr);
    const int w = heif_image_get_width(image, heif_channel_interleaved);
    const int h = heif_image_get_height(image, heif_channel_interleaved);
    int stride = 0;
    const uint8_t *plane = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
    QImage out(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t *s = plane + std::ptrdiff_t(y) * stride + x * 3;
            out.setPixel(x, y, qRgb(s[0], s[1], s[2]));
        }
    heif_image_release(image);
    heif_image_handle_release(handle);
    heif_context_free(context);
    return out;
}

int maxDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return -1;
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q))});
        }
    return worst;
}

double psnr(const QImage &a, const QImage &b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            for (int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)})
                sum += double(d) * d;
        }
    const double mse = sum / (3.0 * a.width() * a.height());
    return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
}

QByteArray libtiffDng(int width, int height, int orientation, const char *make, bool previewFirst)
{
    static std::atomic<int> written{0};
    const QString path = QStringLiteral("/tmp/lumivex-dng-%1-%2.dng").arg(qint64(::getpid())).arg(++written);
    TIFF *tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (!tif)
        return QByteArray();
    const uint8_t version[4] = {1, 4, 0, 0}, backward[4] = {1, 1, 0, 0};
    if (previewFirst) {
        TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_REDUCEDIMAGE);
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 4u);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 3u);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_MAKE, make);
        TIFFSetField(tif, TIFFTAG_MODEL, "Test Body");
        TIFFSetField(tif, TIFFTAG_ORIENTATION, uint16_t(orientation));
        TIFFSetField(tif, TIFFTAG_DNGVERSION, version);
        TIFFSetField(tif, TIFFTAG_DNGBACKWARDVERSION, backward);
        TIFFSetField(tif, TIFFTAG_UNIQUECAMERAMODEL, "Quenwick Test Body");
        const uint64_t sub[1] = {0};
        TIFFSetField(tif, TIFFTAG_SUBIFD, 1, sub);
        const uint8_t preview[12] = {90, 90, 90, 90, 90, 90, 90, 90, 90, 90, 90, 90};
        for (uint32_t y = 0; y < 3; ++y)
            TIFFWriteScanline(tif, const_cast<uint8_t *>(preview), y, 0);
        TIFFWriteDirectory(tif);
    }
    TIFFSetField(tif, TIFFTAG_SUBFILETYPE, 0);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(height));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_CFA);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, uint16_t(orientation));
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(height));
    TIFFSetField(tif, TIFFTAG_MAKE, make);
    TIFFSetField(tif, TIFFTAG_MODEL, "Test Body");
    const uint16_t dimensions[2] = {2, 2};
    TIFFSetField(tif, TIFFTAG_CFAREPEATPATTERNDIM, dimensions);
    const uint8_t pattern[4] = {0, 1, 1, 2}; // R G / G B
    TIFFSetField(tif, TIFFTAG_CFAPATTERN, 4, pattern);
    TIFFSetField(tif, TIFFTAG_DNGVERSION, version);
    TIFFSetField(tif, TIFFTAG_DNGBACKWARDVERSION, backward);
    TIFFSetField(tif, TIFFTAG_UNIQUECAMERAMODEL, "Quenwick Test Body");
    const float matrix[9] = {0.9f, -0.3f, -0.05f, -0.4f, 1.2f, 0.2f, -0.05f, 0.15f, 0.6f};
    TIFFSetField(tif, TIFFTAG_COLORMATRIX1, 9, matrix);
    TIFFSetField(tif, TIFFTAG_CALIBRATIONILLUMINANT1, 21);
    const float neutral[3] = {0.45f, 1.0f, 0.7f};
    TIFFSetField(tif, TIFFTAG_ASSHOTNEUTRAL, 3, neutral);
    const uint32_t white[1] = {4095};
    TIFFSetField(tif, TIFFTAG_WHITELEVEL, 1, white);
    std::vector<uint16_t> row(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            // A scene of soft gradients and a bright disc, sampled through the filter.
            const double r = 0.2 + 0.6 * x / width, g = 0.25 + 0.5 * y / height, b = 0.6 - 0.4 * x / width;
            const double dx = x - width * 0.6, dy = y - height * 0.4;
            const double disc = dx * dx + dy * dy < width * height * 0.02 ? 0.35 : 0.0;
            const int colour = (y & 1) * 2 + (x & 1); // 0 R, 1 and 2 G, 3 B
            const double value = (colour == 0 ? r * 0.45 : colour == 3 ? b * 0.7 : g) + disc;
            row[std::size_t(x)] = uint16_t(std::min(4095.0, value * 3000.0 + ((x * 7 + y * 13) % 23)));
        }
        TIFFWriteScanline(tif, row.data(), uint32_t(y), 0);
    }
    TIFFClose(tif);
    const QByteArray bytes = fileBytes(path);
    QFile::remove(path);
    return bytes;
}

QImage librawReference(const QByteArray &raw)
{
    auto processor = std::make_unique<LibRaw>();
    processor->imgdata.params.use_camera_wb = 1;
    processor->imgdata.params.output_bps = 8;
    processor->imgdata.params.output_color = 1;
    if (processor->open_buffer(const_cast<char *>(raw.constData()), std::size_t(raw.size())) != LIBRAW_SUCCESS ||
        processor->unpack() != LIBRAW_SUCCESS || processor->dcraw_process() != LIBRAW_SUCCESS)
        return QImage();
    int error = 0;
    libraw_processed_image_t *made = processor->dcraw_make_mem_image(&error);
    if (!made)
        return QImage();
    QImage image(made->width, made->height, QImage::Format_RGB32);
    for (int y = 0; y < made->height; ++y)
        for (int x = 0; x < made->width; ++x) {
            const unsigned char *p = made->data + (std::size_t(y) * made->width + x) * made->colors;
            image.setPixel(x, y, made->colors == 3 ? qRgb(p[0], p[1], p[2]) : qRgb(p[0], p[0], p[0]));
        }
    LibRaw::dcraw_clear_mem(made);
    return image;
}

namespace {

// The picture's R, G, B bytes, row after row, as libjxl takes them.
std::vector<uint8_t> rgbBytes(const QImage &picture)
{
    std::vector<uint8_t> rgb;
    rgb.reserve(std::size_t(picture.width()) * std::size_t(picture.height()) * 3);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = picture.pixel(x, y);
            rgb.push_back(uint8_t(qRed(p)));
            rgb.push_back(uint8_t(qGreen(p)));
            rgb.push_back(uint8_t(qBlue(p)));
        }
    return rgb;
}

// The whole file of an encoder whose input is closed, empty if it failed; the encoder is destroyed.
QByteArray finishedJxl(JxlEncoder *enc)
{
    QByteArray out(1 << 16, '\0');
    std::size_t used = 0;
    for (;;) {
        uint8_t *next = reinterpret_cast<uint8_t *>(out.data()) + used;
        std::size_t available = std::size_t(out.size()) - used;
        const JxlEncoderStatus status = JxlEncoderProcessOutput(enc, &next, &available);
        used = std::size_t(next - reinterpret_cast<uint8_t *>(out.data()));
        if (status != JXL_ENC_NEED_MORE_OUTPUT) {
            if (status != JXL_ENC_SUCCESS)
                used = 0;
            break;
        }
        out.resize(out.size() * 2);
    }
    JxlEncoderDestroy(enc);
    out.truncate(qsizetype(used));
    return out;
}

} // namespace

QByteArray libjxlEncode(const QImage &picture, float distance, int orientation, const QByteArray &exif,
                        const QByteArray &xmp, bool compressBoxes)
{
    JxlEncoder *enc = JxlEncoderCreate(nullptr);
    const bool boxes = !exif.isEmpty() || !xmp.isEmpty();
    if (boxes)
        JxlEncoderUseBoxes(enc);
    JxlBasicInfo info;
    JxlEncoderInitBasicInfo(&info);
    info.xsize = uint32_t(picture.width());
    info.ysize = uint32_t(picture.height());
    info.bits_per_sample = 8;
    info.num_color_channels = 3;
    info.uses_original_profile = distance == 0 ? JXL_TRUE : JXL_FALSE;
    info.orientation = JxlOrientation(orientation);
    JxlEncoderSetBasicInfo(enc, &info);
    JxlColorEncoding srgb;
    JxlColorEncodingSetToSRGB(&srgb, JXL_FALSE);
    JxlEncoderSetColorEncoding(enc, &srgb);
    if (!exif.isEmpty()) {
        const QByteArray box = QByteArray(4, '\0') + exif;
        JxlEncoderAddBox(enc, "Exif", reinterpret_cast<const uint8_t *>(box.constData()), std::size_t(box.size()),
                         compressBoxes ? JXL_TRUE : JXL_FALSE);
    }
    if (!xmp.isEmpty())
        JxlEncoderAddBox(enc, "xml ", reinterpret_cast<const uint8_t *>(xmp.constData()), std::size_t(xmp.size()),
                         compressBoxes ? JXL_TRUE : JXL_FALSE);
    if (boxes)
        JxlEncoderCloseBoxes(enc);
    JxlEncoderFrameSettings *settings = JxlEncoderFrameSettingsCreate(enc, nullptr);
    if (distance == 0)
        JxlEncoderSetFrameLossless(settings, JXL_TRUE);
    else
        JxlEncoderSetFrameDistance(settings, distance);
    const std::vector<uint8_t> rgb = rgbBytes(picture);
    const JxlPixelFormat format{3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    JxlEncoderAddImageFrame(settings, &format, rgb.data(), rgb.size());
    JxlEncoderCloseInput(enc);
    return finishedJxl(enc);
}

QByteArray libjxlEncodeAnimation(const QImage &first, const QImage &second)
{
    JxlEncoder *enc = JxlEncoderCreate(nullptr);
    JxlBasicInfo info;
    JxlEncoderInitBasicInfo(&info);
    info.xsize = uint32_t(first.width());
    info.ysize = uint32_t(first.height());
    info.bits_per_sample = 8;
    info.num_color_channels = 3;
    info.uses_original_profile = JXL_TRUE;
    info.have_animation = JXL_TRUE;
    info.animation.tps_numerator = 10;
    info.animation.tps_denominator = 1;
    JxlEncoderSetBasicInfo(enc, &info);
    JxlColorEncoding srgb;
    JxlColorEncodingSetToSRGB(&srgb, JXL_FALSE);
    JxlEncoderSetColorEncoding(enc, &srgb);
    JxlEncoderFrameSettings *settings = JxlEncoderFrameSettingsCreate(enc, nullptr);
    JxlEncoderSetFrameLossless(settings, JXL_TRUE);
    const JxlPixelFormat format{3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    for (const QImage *frame : {&first, &second}) {
        JxlFrameHeader header;
        JxlEncoderInitFrameHeader(&header);
        header.duration = 5;
        JxlEncoderSetFrameHeader(settings, &header);
        const std::vector<uint8_t> rgb = rgbBytes(*frame);
        JxlEncoderAddImageFrame(settings, &format, rgb.data(), rgb.size());
    }
    JxlEncoderCloseInput(enc);
    return finishedJxl(enc);
}

QImage libjxlDecode(const QByteArray &jxl)
{
    JxlDecoder *dec = JxlDecoderCreate(nullptr);
    JxlDecoderSubscribeEvents(dec, JXL_DEC_BASIC_INFO | JXL_DEC_FULL_IMAGE);
    JxlDecoderSetInput(dec, reinterpret_cast<const uint8_t *>(jxl.constData()), std::size_t(jxl.size()));
    JxlDecoderCloseInput(dec);
    JxlBasicInfo info{};
    std::vector<uint8_t> pixels;
    const JxlPixelFormat format{3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    QImage image;
    for (;;) {
        const JxlDecoderStatus status = JxlDecoderProcessInput(dec);
        if (status == JXL_DEC_BASIC_INFO) {
            JxlDecoderGetBasicInfo(dec, &info);
        } else if (status == JXL_DEC_NEED_IMAGE_OUT_BUFFER) {
            std::size_t size = 0;
            JxlDecoderImageOutBufferSize(dec, &format, &size);
            pixels.resize(size);
            JxlDecoderSetImageOutBuffer(dec, &format, pixels.data(), size);
        } else if (status == JXL_DEC_FULL_IMAGE) {
            const bool swaps = info.orientation >= JXL_ORIENT_TRANSPOSE;
            const int w = int(swaps ? info.ysize : info.xsize), h = int(swaps ? info.xsize : info.ysize);
            image = QImage(w, h, QImage::Format_RGB32);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const uint8_t *p = pixels.data() + (std::size_t(y) * w + x) * 3;
                    image.setPixel(x, y, qRgb(p[0], p[1], p[2]));
                }
            break;
        } else {
            break;
        }
    }
    JxlDecoderDestroy(dec);
    return image;
}

} // namespace lumivex::testing
