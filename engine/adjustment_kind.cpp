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
    RunSteps s;
    switch (kind) {
    case AdjustmentKind::Brightness:
    case AdjustmentKind::Contrast:
        s.sizeSource = 0;
        s.fillBuffer = 122;
        s.fillSource = 0;
        s.readSlider = 124;
        s.pixelWork = 126;
        s.writeBack = kind == AdjustmentKind::Brightness ? 172 : 178;
        break;
    case AdjustmentKind::Softening:
    case AdjustmentKind::Sharpening:
        s.sizeSource = 122;
        s.fillBuffer = 124;
        s.fillSource = 126;
        s.readSlider = 128;
        s.pixelWork = 130;
        s.writeBack = 176;
        break;
    }
    return s;
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

void applyNeighbourhoodInto(AdjustmentKind kind, const std::uint8_t *source, PixelView out, int v)
{
    // Sharpening at 7 has no value: the output is the source as it was.
    NeighbourhoodFormula formula = kind == AdjustmentKind::Softening ? SofteningFormula(v) : SharpeningFormula(v);
    if (kind == AdjustmentKind::Sharpening && v == 7)
        formula.divisor = 0;
    NeighbourhoodFilterInto(source, out, formula);
}

} // namespace lumivex
