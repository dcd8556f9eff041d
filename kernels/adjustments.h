// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "kernels/pixel_buffer.h"

#include <array>
#include <cstdint>

namespace lumivex {

using PointTable = std::array<std::uint8_t, 256>;

// Brightness, v in slider units (-100..100): each colour byte p becomes
//   clamp(round((255 / 100) · v + p), 0, 255)
// in double precision in that order, halves to even. The table is exact: it evaluates that
// expression for every possible p.
PointTable BrightnessTable(int v);

// Contrast, v in slider units (0..100), gain k = 4 above 50 and 1 otherwise, d = 2·v − 100:
//   clamp(round(((p − 127.5) · k / 100) · d + p), 0, 255)
// evaluated in double precision in exactly that order, halves to even.
PointTable ContrastTable(int v);

// Maps bytes 0, 1, 2 of every pixel through the table; the fourth byte is neither read nor
// written.
void ApplyPointTable(PixelView buffer, const PointTable &table);

// What a vector may try in place of the table. It is used only when it reproduces the table
// for every byte value; otherwise the table itself is applied.
struct PointHint {
    bool affine = false; // the map is nearly nearest(b · scale + offset)
    float scale = 1;
    float offset = 0;
};

// A table with the way to apply it chosen once (a vector lookup, a shift, a line, or the table
// itself): pictures worked on a band of rows at a time would otherwise check the vector paths
// again for every band, which would cost more than the band.
class PointMap {
public:
    PointMap(const PointTable &table, const PointHint &hint);
    void apply(PixelView buffer) const;
    // Reads `from` (as many bytes as `to` holds) and writes `to`, fourth bytes copied.
    void applyInto(const std::uint8_t *from, PixelView to) const;

private:
    enum class Way { Lookup, Shift, Line, Table };
    PointTable m_table;
    PointHint m_hint;
    Way m_way = Way::Table;
    int m_shift = 0;
};
PointMap BrightnessMap(int v);
PointMap ContrastMap(int v);

void ApplyBrightness(PixelView buffer, int v);
void ApplyContrast(PixelView buffer, int v);

// The 3×3 walk softening and sharpening share. For every interior pixel (1 ≤ x ≤ W−2,
// 1 ≤ y ≤ H−2) and channel k = 0, 1, 2: C is the channel's value in the source, N the sum of
// its eight neighbours in the source; the formula gives integers P and D, and the buffer gets
//   clamp(round(P / D), 0, 255), halves to even.
// Only the source is read, only the buffer written: the one-pixel border and every fourth byte
// keep what the buffer held, and the scan order cannot matter. Pictures narrower or lower than
// 3 pixels are left alone.
struct NeighbourhoodFormula {
    // P = centreWeight·C + neighbourWeight·N, D = divisor.
    int centreWeight;
    int neighbourWeight;
    int divisor;
};

// Softening, S in 1..10: P = 8·C + S·N, D = 8·S + 8 (a weighted mean; never needs the clamp).
NeighbourhoodFormula SofteningFormula(int s);
// Sharpening, S in 1..10: P = (7·S + 7)·C − S·N, D = 7 − S (negative above 7: edges reverse).
// S = 7 gives D = 0 and has no defined value: the picture is left unchanged.
NeighbourhoodFormula SharpeningFormula(int s);

// Plain path, written straight from the formula.
void NeighbourhoodFilterPlain(const std::uint8_t *source, PixelView buffer, NeighbourhoodFormula f);
// Vector path with the same results byte for byte.
void NeighbourhoodFilter(const std::uint8_t *source, PixelView buffer, NeighbourhoodFormula f);

// The same, writing a separate output whose border and fourth bytes come from the source, so
// the picture needs no copy before filtering. Gives exactly the bytes NeighbourhoodFilter gives
// in a buffer that started as a copy of the source.
void NeighbourhoodFilterInto(const std::uint8_t *source, PixelView out, NeighbourhoodFormula f);
// Rows [first, first + count) of that output only; a row needs the source rows beside it.
void NeighbourhoodFilterRowsInto(const std::uint8_t *source, PixelView out, NeighbourhoodFormula f, int first, int count);
// Row y of that output, of a picture `width` × `height`, from the source rows above, at and below
// it (which may lie anywhere in memory; above and below are not read for the border rows).
void NeighbourhoodFilterRow(const std::uint8_t *up, const std::uint8_t *mid, const std::uint8_t *down, std::uint8_t *out,
                            int width, int height, int y, NeighbourhoodFormula f);

void ApplySoftening(const std::uint8_t *source, PixelView buffer, int s);
void ApplySharpening(const std::uint8_t *source, PixelView buffer, int s);

// Integer P / D rounded to nearest, halves to even; exactly what rounding the real quotient gives.
int roundedQuotient(int p, int d);

} // namespace lumivex
