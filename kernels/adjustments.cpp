// SPDX-License-Identifier: GPL-3.0-or-later
#include "kernels/adjustments.h"

#include <cmath>
#include <cstring>

namespace lumivex {

namespace {

std::uint8_t clampToByte(double value)
{
    // nearbyint honours the default rounding mode: nearest, halves to even.
    const double t = std::nearbyint(value);
    if (t < 0)
        return 0;
    if (t > 255)
        return 255;
    return static_cast<std::uint8_t>(t);
}

std::uint8_t clampToByte(int t)
{
    if (t < 0)
        return 0;
    if (t > 255)
        return 255;
    return static_cast<std::uint8_t>(t);
}

} // namespace

PointTable BrightnessTable(int v)
{
    PointTable table{};
    const double step = 255.0 / 100.0;
    for (int p = 0; p < 256; ++p)
        table[p] = clampToByte(step * v + p);
    return table;
}

PointTable ContrastTable(int v)
{
    PointTable table{};
    const int k = v > 50 ? 4 : 1;
    const int d = 2 * v - 100;
    for (int p = 0; p < 256; ++p)
        table[p] = clampToByte((p - 127.5) * k / 100.0 * d + p);
    return table;
}

void ApplyPointTable(PixelView buffer, const PointTable &table)
{
    std::uint8_t *bytes = buffer.bytes;
    const std::size_t count = buffer.byteCount();
    for (std::size_t i = 0; i < count; i += 4) {
        bytes[i] = table[bytes[i]];
        bytes[i + 1] = table[bytes[i + 1]];
        bytes[i + 2] = table[bytes[i + 2]];
    }
}

PointMap BrightnessMap(int v) { return PointMap(BrightnessTable(v), PointHint{}); }

PointMap ContrastMap(int v)
{
    const double s = (v > 50 ? 4 : 1) * (2 * v - 100) / 100.0;
    return PointMap(ContrastTable(v), PointHint{true, float(1 + s), float(-127.5 * s)});
}

void ApplyBrightness(PixelView buffer, int v) { BrightnessMap(v).apply(buffer); }

void ApplyContrast(PixelView buffer, int v) { ContrastMap(v).apply(buffer); }

NeighbourhoodFormula SofteningFormula(int s) { return {8, s, 8 * s + 8}; }
NeighbourhoodFormula SharpeningFormula(int s) { return {7 * s + 7, -s, 7 - s}; }

int roundedQuotient(int p, int d)
{
    if (d < 0) {
        p = -p;
        d = -d;
    }
    int q = p / d;
    int r = p % d;
    if (r < 0) {
        q -= 1;
        r += d;
    }
    if (2 * r > d || (2 * r == d && (q & 1)))
        q += 1;
    return q;
}

void NeighbourhoodFilterPlain(const std::uint8_t *source, PixelView buffer, NeighbourhoodFormula f)
{
    const int w = buffer.width;
    const int h = buffer.height;
    if (w < 3 || h < 3 || f.divisor == 0)
        return;
    const std::ptrdiff_t row = std::ptrdiff_t(w) * 4;
    for (int y = 1; y <= h - 2; ++y) {
        for (int x = 1; x <= w - 2; ++x) {
            const std::ptrdiff_t offset = std::ptrdiff_t(x) * 4 + row * y;
            for (int k = 0; k < 3; ++k) {
                const std::uint8_t *c = source + offset + k;
                const int centre = *c;
                const int neighbours = c[-row - 4] + c[-row] + c[-row + 4] + c[-4] + c[4] +
                                       c[row - 4] + c[row] + c[row + 4];
                const int p = f.centreWeight * centre + f.neighbourWeight * neighbours;
                buffer.bytes[offset + k] = clampToByte(roundedQuotient(p, f.divisor));
            }
        }
    }
}

void ApplySoftening(const std::uint8_t *source, PixelView buffer, int s)
{
    NeighbourhoodFilter(source, buffer, SofteningFormula(s));
}

void ApplySharpening(const std::uint8_t *source, PixelView buffer, int s)
{
    // At 7 the weights sum to zero and the formula has no value: the picture stays as it was.
    if (s == 7)
        return;
    NeighbourhoodFilter(source, buffer, SharpeningFormula(s));
}

} // namespace lumivex
