// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/adjustment_kind.h"

#include <QStringList>

#include <stdexcept>
#include <string>

namespace lumivex {

namespace {

// The step tables:      empty  msg  clear loop busy prog  dec  slider work
//                       word item store0 create store ptr  prog0 total after before show hide
std::vector<AdjustmentInfo> registry()
{
    return {
        {AdjustmentKind::Brightness, "brightness", "brightened", "SliderValue2", "PushButton2_Click", -100, 100, 0,
         {100, 206, 102, 104, 106, 108, 112, 124, 126,
          178, 180, 184, 186, 188, 192, 194, 196, 198, 200, 202, 204},
         {QT_TRANSLATE_NOOP("lumivex::Form1", "Brighness"), QT_TRANSLATE_NOOP("lumivex::Form1", "Start Adjusting Brightness"), 60, 10, 5, 0, {"-100", "0", "100"}, {240, 3720, 7320}, {3, 0, 4}, 1005, 2, 2},
         BrightnessMap, nullptr},
        {AdjustmentKind::Contrast, "contrast", "contrasted", "SliderValue3", "PushButton4_Click", 0, 100, 50,
         {100, 212, 102, 104, 106, 108, 112, 124, 126,
          184, 186, 190, 192, 194, 198, 200, 202, 204, 206, 208, 210},
         {QT_TRANSLATE_NOOP("lumivex::Form1", "Contrast"), QT_TRANSLATE_NOOP("lumivex::Form1", "Start Adjusting Contrast"), 1680, 10, 5, 50, {"0", "50", "100"}, {240, 3840, 7320}, {0, 0, 0}, 1010, 3, 4},
         ContrastMap, nullptr},
        {AdjustmentKind::Softening, "softening", "softened", "SliderValue4", "PushButton5_Click", 1, 10, 5,
         {100, 210, 102, 104, 106, 108, 112, 128, 130,
          182, 184, 188, 190, 192, 196, 198, 200, 202, 204, 206, 208},
         {QT_TRANSLATE_NOOP("lumivex::Form1", "Softening"), QT_TRANSLATE_NOOP("lumivex::Form1", "Start Adjusting Softening"), 3300, 1, 1, 1, {"1", "5", "10"}, {240, 3720, 7395}, {0, 1, 0}, 1010, 4, 5},
         nullptr, SofteningFormula},
        // At 7 the formula's divisor is 0: the picture is left as it was.
        {AdjustmentKind::Sharpening, "sharpening", "sharpened", "SliderValue5", "PushButton6_Click", 1, 10, 5,
         {100, 210, 102, 104, 106, 108, 112, 128, 130,
          182, 184, 188, 190, 192, 196, 198, 200, 202, 204, 206, 208},
         {QT_TRANSLATE_NOOP("lumivex::Form1", "Sharpening"), QT_TRANSLATE_NOOP("lumivex::Form1", "Start Adjusting Sharpening"), 4920, 1, 1, 1, {"1", "5", "10"}, {360, 3720, 7395}, {0, 2, 0}, 1010, 5, 6},
         nullptr, SharpeningFormula},
    };
}

QString listed(const QStringList &items)
{
    if (items.size() < 2)
        return items.join(QString());
    return items.mid(0, items.size() - 1).join(QLatin1String(", ")) + QLatin1String(" or ") + items.last();
}

const AdjustmentInfo &neighbourhoodAdjustment(AdjustmentKind kind)
{
    const AdjustmentInfo &info = adjustmentInfo(kind);
    if (!info.formula)
        throw std::invalid_argument(std::string(info.name) + " is not a neighbourhood adjustment");
    return info;
}

} // namespace

const std::vector<AdjustmentInfo> &allAdjustments()
{
    static const std::vector<AdjustmentInfo> adjustments = registry();
    return adjustments;
}

const AdjustmentInfo &adjustmentInfo(AdjustmentKind kind)
{
    for (const AdjustmentInfo &info : allAdjustments())
        if (info.kind == kind)
            return info;
    throw std::invalid_argument("unknown adjustment kind " + std::to_string(static_cast<int>(kind)));
}

bool adjustmentFromName(const QString &name, AdjustmentKind *kind)
{
    for (const AdjustmentInfo &info : allAdjustments()) {
        if (name.compare(QLatin1String(info.name), Qt::CaseInsensitive) == 0) {
            *kind = info.kind;
            return true;
        }
    }
    return false;
}

QString adjustmentNameList()
{
    QStringList names;
    for (const AdjustmentInfo &info : allAdjustments())
        names << QLatin1String(info.name);
    return listed(names);
}

QString adjustmentRangeList()
{
    const std::vector<AdjustmentInfo> &all = allAdjustments();
    QStringList groups, names;
    for (std::size_t k = 0; k < all.size(); ++k) {
        const AdjustmentInfo &info = all[k];
        names << QLatin1String(info.name);
        const bool last = k + 1 == all.size();
        if (last || all[k + 1].minimum != info.minimum || all[k + 1].maximum != info.maximum) {
            groups << QStringLiteral("%1 (%2..%3)").arg(listed(names)).arg(info.minimum).arg(info.maximum);
            names.clear();
        }
    }
    return groups.join(QLatin1String(", "));
}

RunSteps runSteps(AdjustmentKind kind) { return adjustmentInfo(kind).steps; }

void applyAdjustment(AdjustmentKind kind, const std::uint8_t *source, PixelView buffer, int v)
{
    const AdjustmentInfo &info = adjustmentInfo(kind);
    if (info.pointMap)
        info.pointMap(v).apply(buffer);
    else
        NeighbourhoodFilter(source, buffer, info.formula(v));
}

NeighbourhoodFormula neighbourhoodFormula(AdjustmentKind kind, int v) { return neighbourhoodAdjustment(kind).formula(v); }

void applyNeighbourhoodInto(AdjustmentKind kind, const std::uint8_t *source, PixelView out, int v)
{
    NeighbourhoodFilterInto(source, out, neighbourhoodFormula(kind, v));
}

void applyNeighbourhoodRowsInto(AdjustmentKind kind, const std::uint8_t *source, PixelView out, int v, int first, int count)
{
    NeighbourhoodFilterRowsInto(source, out, neighbourhoodFormula(kind, v), first, count);
}

} // namespace lumivex
