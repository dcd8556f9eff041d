// SPDX-License-Identifier: GPL-3.0-or-later
// JPEG XL on libjxl: the first frame, in the colour space libjxl hands its pixels over in
// (as djxl writes them), turned upright by libjxl from the file's orientation; EXIF and XMP from
// the container's boxes (Brotli-compressed ones unpacked), the colour profile of the pixels.
// Written with the quality scale of libjxl's `cjxl -q`, 100 being lossless.

#include "core/codec/backends.h"
#include "core/error_report.h"

#include <cmath>
#include <cstring>
#include <jxl/decode.h>
#include <jxl/encode.h>
#include <jxl/version.h>
#include <vector>
#include <QCoreApplication>

namespace lumivex::codec {

namespace {

// libjxl and what it brings (Highway, Brotli) cost every start of the program several
// milliseconds, the command line's included: the library is loaded the first time a JPEG XL
// file is read or written.
#define LUMIVEX_JXL_FUNCTIONS(X) \
    X(ColorEncodingSetToSRGB) \
    X(DecoderCloseInput) \
    X(DecoderCreate) \
    X(DecoderDestroy) \
    X(DecoderGetBasicInfo) \
    X(DecoderGetBoxType) \
    X(DecoderGetColorAsEncodedProfile) \
    X(DecoderGetColorAsICCProfile) \
    X(DecoderGetICCProfileSize) \
    X(DecoderImageOutBufferSize) \
    X(DecoderProcessInput) \
    X(DecoderReleaseBoxBuffer) \
    X(DecoderSetBoxBuffer) \
    X(DecoderSetDecompressBoxes) \
    X(DecoderSetImageOutBuffer) \
    X(DecoderSetInput) \
    X(DecoderSubscribeEvents) \
    X(EncoderAddBox) \
    X(EncoderAddImageFrame) \
    X(EncoderCloseBoxes) \
    X(EncoderCloseInput) \
    X(EncoderCreate) \
    X(EncoderDestroy) \
    X(EncoderFrameSettingsCreate) \
    X(EncoderInitBasicInfo) \
    X(EncoderProcessOutput) \
    X(EncoderSetBasicInfo) \
    X(EncoderSetColorEncoding) \
    X(EncoderSetFrameDistance) \
    X(EncoderSetFrameLossless) \
    X(EncoderSetICCProfile) \
    X(EncoderUseBoxes)

#define LUMIVEX_JXL_STRING2(x) #x
#define LUMIVEX_JXL_STRING(x) LUMIVEX_JXL_STRING2(x)

// The functions this backend calls, found in the library once it is loaded.
struct Jxl {
#define LUMIVEX_JXL_POINTER(name) decltype(&::Jxl##name) name = nullptr;
    LUMIVEX_JXL_FUNCTIONS(LUMIVEX_JXL_POINTER)
#undef LUMIVEX_JXL_POINTER
    QString missing; // why the library cannot be used; empty when it can
};

Jxl loadJxl()
{
    Jxl api;
    // Loaded by the name of the version built against, as the package depends on it.
#if JPEGXL_MAJOR_VERSION == 0
    const char *name = "libjxl.so.0." LUMIVEX_JXL_STRING(JPEGXL_MINOR_VERSION);
#else
    const char *name = "libjxl.so." LUMIVEX_JXL_STRING(JPEGXL_MAJOR_VERSION);
#endif
    void *library = loadLibrary(name, "libjxl", &api.missing);
    if (!library)
        return api;
#define LUMIVEX_JXL_FIND(name)                                                                         \
    if (!findFunction(library, "Jxl" #name, api.name, "libjxl", &api.missing))                         \
        return api;
    LUMIVEX_JXL_FUNCTIONS(LUMIVEX_JXL_FIND)
#undef LUMIVEX_JXL_FIND
    return api; // kept loaded for the rest of the run
}

const Jxl &lib()
{
    static const Jxl api = loadJxl();
    return api;
}

struct DecoderFree {
    JxlDecoder *d;
    ~DecoderFree() { lib().DecoderDestroy(d); }
};
struct EncoderFree {
    JxlEncoder *e;
    ~EncoderFree() { lib().EncoderDestroy(e); }
};

// No box of camera data is taken past this size, whatever its header says.
constexpr std::size_t kMaxBoxBytes = std::size_t(64) << 20;

bool isSrgb(const JxlColorEncoding &c)
{
    return c.color_space == JXL_COLOR_SPACE_RGB && c.white_point == JXL_WHITE_POINT_D65 &&
           c.primaries == JXL_PRIMARIES_SRGB && c.transfer_function == JXL_TRANSFER_FUNCTION_SRGB;
}

} // namespace

QImage decodeJxl(const Input &in)
{
    if (!lib().missing.isEmpty())
        failDecode(lib().missing, in.path);
    DecoderFree decoder{lib().DecoderCreate(nullptr)};
    if (!decoder.d)
        throw std::bad_alloc();
    JxlDecoder *dec = decoder.d;
    if (lib().DecoderSubscribeEvents(dec, JXL_DEC_BASIC_INFO | JXL_DEC_FULL_IMAGE) != JXL_DEC_SUCCESS ||
        lib().DecoderSetInput(dec, in.data, in.size) != JXL_DEC_SUCCESS)
        failDecode(QCoreApplication::translate("lumivex::Failure", "libjxl cannot start"), in.path);
    // The input is left open: a file that stops early then asks for more rather than failing
    // as damaged.

    JxlBasicInfo info{};
    QImage target;
    const JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    for (;;) {
        const JxlDecoderStatus status = lib().DecoderProcessInput(dec);
        if (status == JXL_DEC_ERROR)
            failDecode(QCoreApplication::translate("lumivex::Failure", "libjxl cannot read the file"), in.path);
        if (status == JXL_DEC_NEED_MORE_INPUT)
            failTruncated(in.path);
        if (status == JXL_DEC_BASIC_INFO) {
            if (lib().DecoderGetBasicInfo(dec, &info) != JXL_DEC_SUCCESS)
                failDecode(QCoreApplication::translate("lumivex::Failure", "libjxl cannot read the file"), in.path);
            checkPictureSize(info.xsize, info.ysize, in.path);
        } else if (status == JXL_DEC_NEED_IMAGE_OUT_BUFFER) {
            // The size is the stored one; libjxl hands the picture over turned upright.
            const bool swaps = info.orientation >= JXL_ORIENT_TRANSPOSE;
            const int width = int(swaps ? info.ysize : info.xsize), height = int(swaps ? info.xsize : info.ysize);
            target = info.alpha_bits > 0 ? newScratch(width, height, in.path) : newPicture(width, height, in.path);
            std::size_t needed = 0;
            if (lib().DecoderImageOutBufferSize(dec, &format, &needed) != JXL_DEC_SUCCESS ||
                needed != std::size_t(target.sizeInBytes()) || target.bytesPerLine() != width * 4)
                failDecode(QCoreApplication::translate("lumivex::Failure", "libjxl gave an unexpected picture size"), in.path);
            if (lib().DecoderSetImageOutBuffer(dec, &format, target.bits(), needed) != JXL_DEC_SUCCESS)
                failDecode(QCoreApplication::translate("lumivex::Failure", "libjxl cannot write the picture"), in.path);
        } else if (status == JXL_DEC_FULL_IMAGE || status == JXL_DEC_SUCCESS) {
            break; // the first frame only
        }
    }
    if (target.isNull())
        failDecode(QCoreApplication::translate("lumivex::Failure", "the file holds no picture"), in.path);
    // R,G,B,A bytes as libjxl writes them; B,G,R,A as the picture holds them.
    uchar *p = target.bits();
    const qsizetype count = qsizetype(target.width()) * target.height();
    const bool alpha = info.alpha_bits > 0;
    for (qsizetype i = 0; i < count; ++i, p += 4) {
        std::swap(p[0], p[2]);
        if (!alpha)
            p[3] = 0xFF;
    }
    return alpha ? layOnWhite(target, in.path) : target;
}

namespace {

// The colour profile, only where the pixels are not plain sRGB; empty when there is none.
QByteArray jxlIccProfile(JxlDecoder *dec)
{
    // The pixels are described only where they are not plain sRGB.
    JxlColorEncoding encoding{};
    const bool srgb = lib().DecoderGetColorAsEncodedProfile(dec, nullptr, JXL_COLOR_PROFILE_TARGET_DATA,
                                                         &encoding) == JXL_DEC_SUCCESS &&
                      isSrgb(encoding);
    std::size_t size = 0;
    if (!srgb && lib().DecoderGetICCProfileSize(dec, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &size) ==
                     JXL_DEC_SUCCESS &&
        size > 0 && size <= kMaxBoxBytes) {
        QByteArray icc(qsizetype(size), Qt::Uninitialized);
        if (lib().DecoderGetColorAsICCProfile(dec, nullptr, JXL_COLOR_PROFILE_TARGET_DATA,
                                           reinterpret_cast<uint8_t *>(icc.data()), size) == JXL_DEC_SUCCESS)
            return icc;
    }
    return QByteArray();
}

// The TIFF structure of an EXIF box: a 32-bit offset to its header comes first.
QByteArray exifFromBox(const QByteArray &exif)
{
    if (exif.size() > 4) {
        const quint32 skip = quint32(quint8(exif[0])) << 24 | quint32(quint8(exif[1])) << 16 |
                             quint32(quint8(exif[2])) << 8 | quint32(quint8(exif[3]));
        if (skip < quint32(exif.size() - 4))
            return exif.mid(4 + qsizetype(skip));
    }
    return QByteArray();
}

} // namespace

MetadataBlocks jxlMetadata(const Input &in)
{
    MetadataBlocks blocks;
    if (!lib().missing.isEmpty())
        return blocks;
    DecoderFree decoder{lib().DecoderCreate(nullptr)};
    if (!decoder.d)
        return blocks;
    JxlDecoder *dec = decoder.d;
    if (lib().DecoderSubscribeEvents(dec, JXL_DEC_COLOR_ENCODING | JXL_DEC_BOX) != JXL_DEC_SUCCESS ||
        lib().DecoderSetInput(dec, in.data, in.size) != JXL_DEC_SUCCESS)
        return blocks;
    lib().DecoderCloseInput(dec);
    lib().DecoderSetDecompressBoxes(dec, JXL_TRUE);
    std::vector<uint8_t> box;
    QByteArray *filling = nullptr;
    auto finishBox = [&] {
        if (!filling)
            return;
        const std::size_t unused = lib().DecoderReleaseBoxBuffer(dec);
        *filling = QByteArray(reinterpret_cast<const char *>(box.data()), qsizetype(box.size() - unused));
        filling = nullptr;
    };
    QByteArray exif, xmp;
    for (;;) {
        const JxlDecoderStatus status = lib().DecoderProcessInput(dec);
        if (status == JXL_DEC_ERROR || status == JXL_DEC_NEED_MORE_INPUT) {
            filling = nullptr;
            break; // what was read in full so far is kept
        }
        if (status == JXL_DEC_SUCCESS) {
            finishBox();
            break;
        }
        if (status == JXL_DEC_COLOR_ENCODING) {
            blocks.icc = jxlIccProfile(dec);
        } else if (status == JXL_DEC_BOX) {
            finishBox();
            JxlBoxType type{};
            if (lib().DecoderGetBoxType(dec, type, JXL_TRUE) != JXL_DEC_SUCCESS)
                continue;
            if (std::memcmp(type, "Exif", 4) == 0 && exif.isEmpty())
                filling = &exif;
            else if (std::memcmp(type, "xml ", 4) == 0 && xmp.isEmpty())
                filling = &xmp;
            if (filling) {
                box.assign(64 * 1024, 0);
                lib().DecoderSetBoxBuffer(dec, box.data(), box.size());
            }
        } else if (status == JXL_DEC_BOX_NEED_MORE_OUTPUT && filling) {
            const std::size_t unused = lib().DecoderReleaseBoxBuffer(dec);
            const std::size_t used = box.size() - unused;
            if (box.size() * 2 > kMaxBoxBytes) {
                filling = nullptr;
                continue;
            }
            box.resize(box.size() * 2);
            lib().DecoderSetBoxBuffer(dec, box.data() + used, box.size() - used);
        }
    }
    blocks.exif = exifFromBox(exif);
    blocks.xmp = xmp;
    return blocks;
}

double jxlDistance(int quality)
{
    // libjxl's own mapping for `cjxl -q`.
    if (quality >= 30)
        return 0.1 + (100 - quality) * 0.09;
    return 6.4 + std::pow(2.5, (30 - quality) / 5.0) / 6.25;
}

namespace {

[[noreturn]] void failJxlEncode(const char *what)
{
    throw StepFailure(QStringLiteral("The JPEG XL encoder failed: ") + QLatin1String(what));
}

// The picture's size and colour space, and its camera data in boxes before the picture, where
// readers look for it first.
void describeJxlPicture(JxlEncoder *enc, const QImage &picture, bool lossless, const MetadataBlocks &metadata)
{
    const bool boxes = !metadata.exif.isEmpty() || !metadata.xmp.isEmpty();
    if (boxes && lib().EncoderUseBoxes(enc) != JXL_ENC_SUCCESS)
        failJxlEncode("cannot write metadata boxes");

    JxlBasicInfo info;
    lib().EncoderInitBasicInfo(&info);
    info.xsize = uint32_t(picture.width());
    info.ysize = uint32_t(picture.height());
    info.bits_per_sample = 8;
    info.num_color_channels = 3;
    info.alpha_bits = 0;
    info.uses_original_profile = lossless ? JXL_TRUE : JXL_FALSE;
    if (lib().EncoderSetBasicInfo(enc, &info) != JXL_ENC_SUCCESS)
        failJxlEncode("the picture's size is refused");
    bool described = false;
    if (!metadata.icc.isEmpty())
        described = lib().EncoderSetICCProfile(enc, reinterpret_cast<const uint8_t *>(metadata.icc.constData()),
                                            std::size_t(metadata.icc.size())) == JXL_ENC_SUCCESS;
    if (!described) {
        // A profile libjxl cannot take is left out rather than the picture.
        JxlColorEncoding srgb;
        lib().ColorEncodingSetToSRGB(&srgb, JXL_FALSE);
        if (lib().EncoderSetColorEncoding(enc, &srgb) != JXL_ENC_SUCCESS)
            failJxlEncode("cannot set the colour space");
    }
    if (!metadata.exif.isEmpty()) {
        QByteArray box(4, '\0');
        box += metadata.exif;
        if (lib().EncoderAddBox(enc, "Exif", reinterpret_cast<const uint8_t *>(box.constData()), std::size_t(box.size()),
                             JXL_FALSE) != JXL_ENC_SUCCESS)
            failJxlEncode("cannot write the EXIF box");
    }
    if (!metadata.xmp.isEmpty() &&
        lib().EncoderAddBox(enc, "xml ", reinterpret_cast<const uint8_t *>(metadata.xmp.constData()),
                         std::size_t(metadata.xmp.size()), JXL_FALSE) != JXL_ENC_SUCCESS)
        failJxlEncode("cannot write the XMP box");
    if (boxes)
        lib().EncoderCloseBoxes(enc);
}

// R,G,B bytes of a B,G,R,X picture, rows packed.
std::vector<uint8_t> packedRgb(const QImage &picture)
{
    const int width = picture.width(), height = picture.height();
    std::vector<uint8_t> rgb(std::size_t(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        const uchar *s = picture.constScanLine(y);
        uint8_t *d = rgb.data() + std::size_t(y) * width * 3;
        for (int x = 0; x < width; ++x, s += 4, d += 3) {
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
        }
    }
    return rgb;
}

// Everything the encoder makes, once its input is closed.
QByteArray jxlOutput(JxlEncoder *enc)
{
    QByteArray out(qsizetype(64 * 1024), Qt::Uninitialized);
    std::size_t used = 0;
    for (;;) {
        uint8_t *next = reinterpret_cast<uint8_t *>(out.data()) + used;
        std::size_t available = std::size_t(out.size()) - used;
        const JxlEncoderStatus status = lib().EncoderProcessOutput(enc, &next, &available);
        used = std::size_t(next - reinterpret_cast<uint8_t *>(out.data()));
        if (status == JXL_ENC_SUCCESS)
            break;
        if (status != JXL_ENC_NEED_MORE_OUTPUT)
            failJxlEncode("cannot encode the picture");
        out.resize(out.size() * 2);
    }
    out.truncate(qsizetype(used));
    return out;
}

} // namespace

QByteArray encodeJxl(const QImage &picture, int quality, const MetadataBlocks &metadata)
{
    if (!lib().missing.isEmpty())
        throw StepFailure(QStringLiteral("The JPEG XL encoder failed: ") + lib().missing);
    EncoderFree encoder{lib().EncoderCreate(nullptr)};
    if (!encoder.e)
        throw std::bad_alloc();
    JxlEncoder *enc = encoder.e;
    const bool lossless = quality >= 100;
    describeJxlPicture(enc, picture, lossless, metadata);
    JxlEncoderFrameSettings *settings = lib().EncoderFrameSettingsCreate(enc, nullptr);
    if (!settings)
        throw std::bad_alloc();
    if (lossless ? lib().EncoderSetFrameLossless(settings, JXL_TRUE) != JXL_ENC_SUCCESS
                 : lib().EncoderSetFrameDistance(settings, float(jxlDistance(quality))) != JXL_ENC_SUCCESS)
        failJxlEncode("the quality is refused");
    const std::vector<uint8_t> rgb = packedRgb(picture);
    const JxlPixelFormat format{3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    if (lib().EncoderAddImageFrame(settings, &format, rgb.data(), rgb.size()) != JXL_ENC_SUCCESS)
        failJxlEncode("the picture is refused");
    lib().EncoderCloseInput(enc);
    return jxlOutput(enc);
}

} // namespace lumivex::codec
