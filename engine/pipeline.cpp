#include "engine/pipeline.h"

#include "core/error_report.h"
#include "core/paths.h"
#include "core/picture.h"
#include "core/pixel_memory.h"

#include <QStringList>
#include <algorithm>
#include <cstring>
#include <sys/stat.h>

namespace lumivex {

SourceStamp stampSource(const QString &path)
{
    struct stat st {};
    if (::stat(fileNameToBytes(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    return {qint64(st.st_size), qint64(st.st_mtim.tv_sec) * 1000000000 + qint64(st.st_mtim.tv_nsec)};
}

QImage decodeSource(const QString &path) { return decodePicture(path); }

// False for an empty picture; throws when the byte count overflows or rows are not packed.
static bool checkedLayout(const QImage &picture, int *w, int *h)
{
    *w = std::max(0, picture.width());
    *h = std::max(0, picture.height());
    if (checkedMul<std::int32_t>(checkedMul<std::int32_t>(*w, 4), *h) == 0)
        return false;
    if (picture.bytesPerLine() != *w * 4)
        throw StepFailure(QStringLiteral("Unexpected row layout"));
    return true;
}

QImage adjustPicture(AdjustmentKind kind, QImage picture, int v)
{
    int w = 0, h = 0;
    if (!checkedLayout(picture, &w, &h))
        return picture;
    if (!adjustmentInfo(kind).usesSourceCopy) {
        applyAdjustment(kind, nullptr, PixelView{w, h, picture.bits()}, v);
        return picture;
    }
    QImage out = allocatePixelImage(picture.size());
    copyPictureInfo(picture, out);
    applyNeighbourhoodInto(kind, picture.constBits(), PixelView{w, h, out.bits()}, v);
    return out;
}

QImage adjustPictureInto(AdjustmentKind kind, const QImage &picture, int v)
{
    if (adjustmentInfo(kind).usesSourceCopy)
        return adjustPicture(kind, picture, v); // already reads one picture and writes another
    int w = 0, h = 0;
    if (!checkedLayout(picture, &w, &h))
        return picture;
    QImage out = allocatePixelImage(picture.size());
    copyPictureInfo(picture, out);
    // Copied and adjusted a band of rows at a time, so that the table works on bytes still in
    // the cache rather than making a second pass over the whole picture.
    const int rowBytes = w * 4;
    const int band = std::max(1, (128 << 10) / rowBytes);
    for (int y = 0; y < h; y += band) {
        const int rows = std::min(band, h - y);
        std::uint8_t *to = out.bits() + std::size_t(y) * std::size_t(rowBytes);
        std::memcpy(to, picture.constBits() + std::size_t(y) * std::size_t(rowBytes), std::size_t(rows) * std::size_t(rowBytes));
        applyAdjustment(kind, nullptr, PixelView{w, rows, to}, v);
    }
    return out;
}

QImage sourceToResult(const QString &path, AdjustmentKind kind, int v)
{
    return adjustPicture(kind, decodeSource(path), v);
}

} // namespace lumivex

namespace lumivex {

QImage sourceToChainResult(const QString &path, const std::vector<AdjustmentStep> &steps)
{
    QImage picture = decodeSource(path);
    for (const AdjustmentStep &step : steps)
        picture = adjustPicture(step.kind, std::move(picture), step.strength);
    return picture;
}

QString chainResultWord(const std::vector<AdjustmentStep> &steps)
{
    QStringList words;
    for (const AdjustmentStep &step : steps)
        words << QString::fromLatin1(adjustmentInfo(step.kind).resultWord);
    return words.join(QLatin1Char('-'));
}

} // namespace lumivex
