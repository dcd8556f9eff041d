// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/pipeline.h"

#include "core/codec/codec.h"
#include "core/error_report.h"
#include "core/file_names.h"
#include "core/picture.h"
#include "core/pixel_memory.h"

#include <QStringList>
#include <algorithm>
#include <cstring>
#include <optional>
#include <sys/stat.h>

namespace lumivex {

SourceStamp stampSource(const QString &path)
{
    struct stat st {};
    if (::stat(fileNameToBytes(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    return identityOf(st);
}

QImage decodeSource(const QString &path, SourceStamp *read) { return decodePicture(path, read).valueOrThrow(); }

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

namespace {

// The table of a point adjustment; none for a neighbourhood filter.
std::optional<PointMap> pointMapOf(AdjustmentKind kind, int v)
{
    const AdjustmentInfo &info = adjustmentInfo(kind);
    if (info.pointMap)
        return info.pointMap(v);
    return std::nullopt;
}

} // namespace

QImage adjustPicture(AdjustmentKind kind, QImage picture, int v)
{
    int w = 0, h = 0;
    if (!checkedLayout(picture, &w, &h))
        return picture;
    if (!adjustmentInfo(kind).usesSourceCopy()) {
        if (picture.isDetached()) {
            applyAdjustment(kind, nullptr, PixelView{w, h, picture.bits()}, v);
            return picture;
        }
        // Someone else still shows this picture: writing it would copy it outside the pool
        // first, so the table reads it and writes a pooled picture instead.
        QImage out = allocatePixelImage(picture.size());
        copyPictureInfo(picture, out);
        pointMapOf(kind, v)->applyInto(picture.constBits(), PixelView{w, h, out.bits()});
        return out;
    }
    QImage out = allocatePixelImage(picture.size());
    copyPictureInfo(picture, out);
    applyNeighbourhoodInto(kind, picture.constBits(), PixelView{w, h, out.bits()}, v);
    return out;
}

namespace {

// Adjusts the rows a decoder hands over while they are still in the cache, instead of making a
// second pass over the whole picture afterwards. Whatever it cannot do along the way (a picture
// whose rows are not packed, memory for a filter's output refused) it leaves to adjustPicture.
class AdjustingSink : public RowSink {
public:
    AdjustingSink(AdjustmentKind kind, int v) : m_kind(kind), m_v(v), m_map(pointMapOf(kind, v)) {}

    void rows(QImage &picture, int first, int count) noexcept override
    {
        if (m_gaveUp)
            return;
        try {
            if (first == 0 && !start(picture)) {
                m_gaveUp = true;
                return;
            }
            const int w = picture.width();
            if (m_map) {
                m_map->apply(PixelView{w, count, picture.bits() + std::size_t(first) * std::size_t(w) * 4u});
                m_done = first + count;
                return;
            }
            // An output row needs the source row below it, except the last.
            const int h = picture.height();
            const int ready = first + count == h ? h : first + count - 1;
            if (ready > m_done) {
                applyNeighbourhoodRowsInto(m_kind, picture.constBits(), PixelView{w, h, m_out.bits()}, m_v, m_done,
                                           ready - m_done);
                m_done = ready;
            }
        } catch (...) {
            m_gaveUp = true;
        }
    }

    // Whether every row of this decoded picture was adjusted along the way.
    bool complete(const QImage &decoded) const
    {
        return !m_gaveUp && m_done == decoded.height() && m_decodedBits == decoded.constBits();
    }

    // The result, once complete.
    QImage result(QImage decoded)
    {
        if (m_map)
            return decoded;
        copyPictureInfo(decoded, m_out);
        return std::move(m_out);
    }

private:
    bool start(const QImage &picture)
    {
        int w = 0, h = 0;
        if (!checkedLayout(picture, &w, &h))
            return false;
        m_decodedBits = picture.constBits();
        if (!m_map)
            m_out = allocatePixelImage(picture.size());
        return true;
    }

    AdjustmentKind m_kind;
    int m_v;
    std::optional<PointMap> m_map;
    QImage m_out;
    const uchar *m_decodedBits = nullptr;
    int m_done = 0;
    bool m_gaveUp = false;
};

// One adjustment as the work between a JPEG decoder's ring of rows and whatever takes the rows.
class AdjustingStage : public RowStage {
public:
    AdjustingStage(AdjustmentKind kind, int v) : m_map(pointMapOf(kind, v))
    {
        if (!m_map)
            m_formula = neighbourhoodFormula(kind, v);
    }

    void makeRow(int y, int width, int height, const uchar *above, const uchar *row, const uchar *below,
                 uchar *out) noexcept override
    {
        if (m_map) {
            m_map->applyInto(row, PixelView{width, 1, out});
            return;
        }
        NeighbourhoodFilterRow(above, row, below, out, width, height, y, m_formula);
    }

private:
    std::optional<PointMap> m_map;
    NeighbourhoodFormula m_formula{};
};

} // namespace

std::unique_ptr<RowStage> adjustingStage(AdjustmentKind kind, int v) { return std::make_unique<AdjustingStage>(kind, v); }

namespace {

QImage decodeAdjustedBytes(const QByteArray &bytes, const QString &path, AdjustmentKind kind, int v, bool *adjusted)
{
    // A filter reads rows beside the one it makes: from a JPEG those come from a ring of decoded
    // rows, so the decoded picture is never written out whole beside the result.
    if (adjustmentInfo(kind).usesSourceCopy()) {
        if (std::optional<QImage> result = decodeJpegThrough(bytes, path, *adjustingStage(kind, v)).valueOrThrow()) {
            *adjusted = true;
            return std::move(*result);
        }
    }
    AdjustingSink sink(kind, v);
    QImage decoded = decodePictureBytes(bytes, path, &sink).valueOrThrow().image;
    *adjusted = sink.complete(decoded);
    return *adjusted ? sink.result(std::move(decoded)) : decoded;
}

QImage resultFromBytes(const QByteArray &bytes, const QString &path, AdjustmentKind kind, int v)
{
    bool adjusted = false;
    QImage picture = decodeAdjustedBytes(bytes, path, kind, v, &adjusted);
    return adjusted ? picture : adjustPicture(kind, std::move(picture), v);
}

} // namespace

QImage decodeAdjusted(const QString &path, AdjustmentKind kind, int v, bool *adjusted, SourceStamp *read)
{
    return decodeAdjustedBytes(readRegularFile(path, read).valueOrThrow(), path, kind, v, adjusted);
}

QImage sourceToResult(const QString &path, AdjustmentKind kind, int v, SourceStamp *read)
{
    return resultFromBytes(readRegularFile(path, read).valueOrThrow(), path, kind, v);
}

} // namespace lumivex

namespace lumivex {

QImage chainResultFromBytes(const QByteArray &bytes, const QString &path, const std::vector<AdjustmentStep> &steps)
{
    if (steps.empty())
        return decodePictureBytes(bytes, path).valueOrThrow().image;
    QImage picture = resultFromBytes(bytes, path, steps.front().kind, steps.front().strength);
    for (std::size_t k = 1; k < steps.size(); ++k)
        picture = adjustPicture(steps[k].kind, std::move(picture), steps[k].strength);
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
