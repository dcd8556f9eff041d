// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/adjustment_kind.h"

namespace lumivex {

namespace {
const AdjustmentInfo kInfos[] = {
    {AdjustmentKind::Brightness, "brightness", "brightened", "SliderValue2", "PushButton2_Click", -100, 100, 0, false},
    {AdjustmentKind::Contrast, "contrast", "contrasted", "SliderValue3", "PushButton4_Click", 0, 100, 50, false},
    {AdjustmentKind::Softening, "softening", "softened", "SliderValue4", "PushButton5_Click", 1, 10, 5, true},
    {AdjustmentKind::Sharpening, "sharpening", "sharpened", "SliderValue5", "PushButton6_Click", 1, 10, 5, true},
};
} // namespace

const AdjustmentInfo &adjustmentInfo(AdjustmentKind kind) { return kInfos[static_cast<int>(kind)]; }

bool adjustmentFromName(const QString &name, AdjustmentKind *kind)
{
    for (const AdjustmentInfo &info : kInfos) {
        if (name.compare(QLatin1String(info.name), Qt::CaseInsensitive) == 0) {
            *kind = info.kind;
            return true;
        }
    }
    return false;
}

RunSteps runSteps(AdjustmentKind kind)
{
    //                             empty  msg  clear loop busy prog  dec  slider work
    //                             word item store0 create store ptr  prog0 total after before show hide
    static constexpr RunSteps kBrightness{100, 206, 102, 104, 106, 108, 112, 124, 126,
                                          178, 180, 184, 186, 188, 192, 194, 196, 198, 200, 202, 204};
    static constexpr RunSteps kContrast{100, 212, 102, 104, 106, 108, 112, 124, 126,
                                        184, 186, 190, 192, 194, 198, 200, 202, 204, 206, 208, 210};
    static constexpr RunSteps kSoftening{100, 210, 102, 104, 106, 108, 112, 128, 130,
                                         182, 184, 188, 190, 192, 196, 198, 200, 202, 204, 206, 208};
    static constexpr RunSteps kSharpening{100, 210, 102, 104, 106, 108, 112, 128, 130,
                                          182, 184, 188, 190, 192, 196, 198, 200, 202, 204, 206, 208};
    switch (kind) {
    case AdjustmentKind::Brightness: return kBrightness;
    case AdjustmentKind::Contrast: return kContrast;
    case AdjustmentKind::Softening: return kSoftening;
    case AdjustmentKind::Sharpening: return kSharpening;
    }
    return kBrightness;
}

void applyAdjustment(AdjustmentKind kind, const std::uint8_t *source, PixelView buffer, int v)
{
    switch (kind) {
    case AdjustmentKind::Brightness:
        ApplyBrightness(buffer, v);
        break;
    case AdjustmentKind::Contrast:
        ApplyContrast(buffer, v);
        break;
    case AdjustmentKind::Softening:
        ApplySoftening(source, buffer, v);
        break;
    case AdjustmentKind::Sharpening:
        ApplySharpening(source, buffer, v);
        break;
    }
}

NeighbourhoodFormula neighbourhoodFormula(AdjustmentKind kind, int v)
{
    // Sharpening at 7 has no value: the output is the source as it was.
    NeighbourhoodFormula formula = kind == AdjustmentKind::Softening ? SofteningFormula(v) : SharpeningFormula(v);
    if (kind == AdjustmentKind::Sharpening && v == 7)
        formula.divisor = 0;
    return formula;
}

void applyNeighbourhoodInto(AdjustmentKind kind, const std::uint8_t *source, PixelView out, int v)
{
    NeighbourhoodFilterInto(source, out, neighbourhoodFormula(kind, v));
}

void applyNeighbourhoodRowsInto(AdjustmentKind kind, const std::uint8_t *source, PixelView out, int v, int first, int count)
{
    NeighbourhoodFilterRowsInto(source, out, neighbourhoodFormula(kind, v), first, count);
}

} // namespace lumivex
