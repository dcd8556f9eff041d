#include "engine/pipeline.h"

#include "core/error_report.h"
#include "core/picture.h"
#include "core/pixel_memory.h"

#include <QFile>
#include <QStringList>
#include <sys/stat.h>

namespace lumivex {

SourceStamp stampSource(const QString &path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    return {qint64(st.st_size), qint64(st.st_mtim.tv_sec) * 1000000000 + qint64(st.st_mtim.tv_nsec)};
}

QImage decodeSource(const QString &path) { return decodePicture(path); }

QImage adjustPicture(AdjustmentKind kind, QImage picture, int v)
{
    const int w = std::max(0, picture.width());
    const int h = std::max(0, picture.height());
    const std::int32_t byteCount = checkedMul<std::int32_t>(checkedMul<std::int32_t>(w, 4), h);
    if (byteCount == 0)
        return picture;
    if (picture.bytesPerLine() != w * 4)
        throw StepFailure(QStringLiteral("Unexpected row layout"));
    if (!adjustmentInfo(kind).usesSourceCopy) {
        applyAdjustment(kind, nullptr, PixelView{w, h, picture.bits()}, v);
        return picture;
    }
    QImage out = allocatePixelImage(picture.size());
    copyPictureInfo(picture, out);
    applyNeighbourhoodInto(kind, picture.constBits(), PixelView{w, h, out.bits()}, v);
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
