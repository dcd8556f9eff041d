// SPDX-License-Identifier: GPL-3.0-or-later
// The vector path of the 3×3 neighbourhood filter, compiled for every target Highway knows and
// chosen at run time, so the build needs no particular CPU.
#include "kernels/adjustments.h"
#include "kernels/x86_kernels.h"

#include <cmath>

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/simd_kernels.cpp"
#include <hwy/foreach_target.h>
#include <hwy/highway.h>

#include <algorithm>
#include <cstring>

HWY_BEFORE_NAMESPACE();
namespace lumivex {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// One interior row. Lanes are bytes of the row (all four of a pixel). Sums and P are exact in
// 16 bits (|P| ≤ 22440); the quotient is taken in float: it is correctly rounded, and a true
// quotient is either an exact half (representable) or at least 1/(2·|D|) away from one, so
// rounding the float quotient to nearest-even gives exactly round-half-even of P / D.
void FilterRow(const std::uint8_t *up, const std::uint8_t *mid, const std::uint8_t *down,
               std::uint8_t *out, std::size_t begin, std::size_t end, int centreWeight,
               int neighbourWeight, int divisor)
{
    std::size_t i = begin;
#if HWY_TARGET != HWY_SCALAR
    const hn::ScalableTag<std::int16_t> d16;
    const hn::Rebind<std::uint8_t, decltype(d16)> d8;
    const hn::Half<decltype(d16)> dh16;
    const hn::Rebind<std::int32_t, decltype(dh16)> d32;
    const hn::Rebind<float, decltype(d32)> df;
    const hn::Rebind<std::uint8_t, decltype(d32)> d8q;
    const std::size_t lanes = hn::Lanes(d16);
    const std::size_t half = hn::Lanes(d32);

    const auto wc = hn::Set(d16, static_cast<std::int16_t>(centreWeight));
    const auto wn = hn::Set(d16, static_cast<std::int16_t>(neighbourWeight));
    const auto dv = hn::Set(df, static_cast<float>(divisor));
    // Lane i holds byte begin + i; begin and the half width are multiples of 4, so lanes 3, 7, …
    // are fourth bytes.
    const auto fourth = hn::Eq(hn::And(hn::Iota(d8q, 0), hn::Set(d8q, 3)), hn::Set(d8q, 3));

    auto load = [&](const std::uint8_t *p) { return hn::PromoteTo(d16, hn::LoadU(d8, p)); };
    auto divide = [&](auto p32) { return hn::DemoteTo(d8q, hn::NearestInt(hn::Div(hn::ConvertTo(df, p32), dv))); };

    for (; i + lanes <= end; i += lanes) {
        const auto vl = hn::Add(hn::Add(load(up + i - 4), load(mid + i - 4)), load(down + i - 4));
        const auto vr = hn::Add(hn::Add(load(up + i + 4), load(mid + i + 4)), load(down + i + 4));
        const auto c = load(mid + i);
        const auto vc = hn::Add(hn::Add(load(up + i), c), load(down + i));
        const auto n = hn::Sub(hn::Add(hn::Add(vl, vr), vc), c);
        const auto p = hn::Add(hn::Mul(wc, c), hn::Mul(wn, n));
        const auto low = divide(hn::PromoteTo(d32, hn::LowerHalf(dh16, p)));
        const auto high = divide(hn::PromoteTo(d32, hn::UpperHalf(dh16, p)));
        hn::StoreU(hn::IfThenElse(fourth, hn::LoadU(d8q, mid + i), low), d8q, out + i);
        hn::StoreU(hn::IfThenElse(fourth, hn::LoadU(d8q, mid + i + half), high), d8q, out + i + half);
    }
#endif
    for (; i < end; ++i) {
        if ((i & 3) == 3) {
            out[i] = mid[i]; // the fourth byte travels unchanged
            continue;
        }
        const int centre = mid[i];
        const int neighbours = up[i - 4] + up[i] + up[i + 4] + mid[i - 4] + mid[i + 4] +
                               down[i - 4] + down[i] + down[i + 4];
        const int t = roundedQuotient(centreWeight * centre + neighbourWeight * neighbours, divisor);
        out[i] = static_cast<std::uint8_t>(t < 0 ? 0 : (t > 255 ? 255 : t));
    }
}

// Per-byte maps that a vector can compute. Each is only used after it has been checked against
// the exact table for all 256 byte values, so a picture can never tell it from the table.

// b + add, saturated to 0..255; the fourth byte untouched.
void AddSaturated(std::uint8_t *bytes, std::size_t count, int add)
{
    const hn::ScalableTag<std::uint8_t> d8;
    const std::size_t lanes = hn::Lanes(d8);
    const auto amount = hn::Set(d8, static_cast<std::uint8_t>(add < 0 ? -add : add));
    const auto fourth = hn::Eq(hn::And(hn::Iota(d8, 0), hn::Set(d8, 3)), hn::Set(d8, 3));
    std::size_t i = 0;
    for (; i + lanes <= count; i += lanes) {
        const auto v = hn::LoadU(d8, bytes + i);
        const auto r = add < 0 ? hn::SaturatedSub(v, amount) : hn::SaturatedAdd(v, amount);
        hn::StoreU(hn::IfThenElse(fourth, v, r), d8, bytes + i);
    }
    for (; i < count; ++i) {
        if ((i & 3) == 3)
            continue;
        const int t = bytes[i] + add;
        bytes[i] = static_cast<std::uint8_t>(t < 0 ? 0 : (t > 255 ? 255 : t));
    }
}

// nearest(b · scale + offset) in float, saturated to 0..255; the fourth byte untouched.
void AffineFloat(std::uint8_t *bytes, std::size_t count, float scale, float offset)
{
    const hn::ScalableTag<std::int32_t> d32;
    const hn::Rebind<std::uint8_t, decltype(d32)> d8;
    const hn::Rebind<float, decltype(d32)> df;
    const std::size_t lanes = hn::Lanes(d32);
    const auto a = hn::Set(df, scale);
    const auto b = hn::Set(df, offset);
    const auto fourth = hn::Eq(hn::And(hn::Iota(d8, 0), hn::Set(d8, 3)), hn::Set(d8, 3));
    std::size_t i = 0;
    for (; i + lanes <= count; i += lanes) {
        const auto v = hn::LoadU(d8, bytes + i);
        const auto f = hn::ConvertTo(df, hn::PromoteTo(d32, v));
        const auto r = hn::DemoteTo(d8, hn::NearestInt(hn::Add(hn::Mul(f, a), b)));
        hn::StoreU(hn::IfThenElse(fourth, v, r), d8, bytes + i);
    }
    for (; i < count; ++i) {
        if ((i & 3) == 3)
            continue;
        const float f = float(bytes[i]) * scale + offset;
        const float t = f < 0 ? 0 : (f > 255 ? 255 : f);
        bytes[i] = static_cast<std::uint8_t>(std::nearbyint(t));
    }
}

} // namespace HWY_NAMESPACE
} // namespace lumivex
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace lumivex {

namespace {

// The choice among the targets compiled above is made here: Highway's own chooser lives in its
// shared library, whose loading times a clock at every start of the program (milliseconds), the
// command line's included. A target is taken only when the processor and the system have every
// feature it was compiled for.
enum class Target { Avx3, Avx2, Sse4, Baseline };

Target bestTarget()
{
    static const Target best = [] {
#if HWY_ARCH_X86 && defined(__GNUC__)
        __builtin_cpu_init();
        const bool sse4 = __builtin_cpu_supports("ssse3") && __builtin_cpu_supports("sse4.1") &&
                          __builtin_cpu_supports("sse4.2") && __builtin_cpu_supports("pclmul") &&
                          __builtin_cpu_supports("aes");
        const bool avx2 = sse4 && __builtin_cpu_supports("avx") && __builtin_cpu_supports("avx2") &&
                          __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2") &&
                          __builtin_cpu_supports("fma") && __builtin_cpu_supports("f16c");
        const bool avx3 = avx2 && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
                          __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512bw");
        return avx3 ? Target::Avx3 : avx2 ? Target::Avx2 : sse4 ? Target::Sse4 : Target::Baseline;
#else
        return Target::Baseline; // the build's own target
#endif
    }();
    return best;
}

// The best compiled version of a function this processor runs; the build's baseline otherwise.
template <typename F>
F chosen(F avx3, F avx2, F sse4, F baseline)
{
    switch (bestTarget()) {
    case Target::Avx3:
        if (avx3)
            return avx3;
        [[fallthrough]];
    case Target::Avx2:
        if (avx2)
            return avx2;
        [[fallthrough]];
    case Target::Sse4:
        if (sse4)
            return sse4;
        [[fallthrough]];
    case Target::Baseline:
        break;
    }
    return baseline;
}

#if HWY_TARGETS & HWY_AVX3
#define LUMIVEX_AVX3(FUNC) &N_AVX3::FUNC
#else
#define LUMIVEX_AVX3(FUNC) nullptr
#endif
#if HWY_TARGETS & HWY_AVX2
#define LUMIVEX_AVX2(FUNC) &N_AVX2::FUNC
#else
#define LUMIVEX_AVX2(FUNC) nullptr
#endif
#if HWY_TARGETS & HWY_SSE4
#define LUMIVEX_SSE4(FUNC) &N_SSE4::FUNC
#else
#define LUMIVEX_SSE4(FUNC) nullptr
#endif
#define LUMIVEX_DISPATCH(FUNC)                                                                             \
    (*chosen<decltype(&HWY_STATIC_DISPATCH(FUNC))>(LUMIVEX_AVX3(FUNC), LUMIVEX_AVX2(FUNC), LUMIVEX_SSE4(FUNC), \
                                                   &HWY_STATIC_DISPATCH(FUNC)))

// 256 pixels that hold every byte value in each of the three channels: enough to check a
// per-byte map whole.
struct Probe {
    std::uint8_t bytes[1024];
    Probe()
    {
        for (int px = 0; px < 256; ++px) {
            for (int c = 0; c < 3; ++c)
                bytes[4 * px + c] = static_cast<std::uint8_t>((px + 85 * c) & 255);
            bytes[4 * px + 3] = static_cast<std::uint8_t>(255 - px);
        }
    }
};

bool matchesTable(const std::uint8_t *mapped, const std::uint8_t *original, const PointTable &table)
{
    for (int i = 0; i < 1024; ++i) {
        const std::uint8_t expected = (i & 3) == 3 ? original[i] : table[original[i]];
        if (mapped[i] != expected)
            return false;
    }
    return true;
}

// Runs a map over the probe twice, once through its vector loop and once a pixel at a time
// through its remainder loop, and compares both with the table.
template <typename Map>
bool mapMatchesTable(const std::uint8_t *original, const PointTable &table, Map map)
{
    std::uint8_t test[1024];
    std::memcpy(test, original, sizeof test);
    map(test, sizeof test);
    if (!matchesTable(test, original, table))
        return false;
    std::memcpy(test, original, sizeof test);
    for (int px = 0; px < 256; ++px)
        map(test + 4 * px, 3);
    return matchesTable(test, original, table);
}

} // namespace

PointMap::PointMap(const PointTable &table, const PointHint &hint) : m_table(table), m_hint(hint)
{
    if (hasByteTableLookup()) {
        m_way = Way::Lookup;
        return;
    }
    static const Probe probe;

    // A constant shift, saturated?
    m_shift = int(table[128]) - 128;
    const int shift = m_shift;
    auto add = [shift](std::uint8_t *bytes, std::size_t count) {
        LUMIVEX_DISPATCH(AddSaturated)(bytes, count, shift);
    };
    if (mapMatchesTable(probe.bytes, table, add)) {
        m_way = Way::Shift;
        return;
    }
    // A straight line, rounded?
    if (hint.affine) {
        auto line = [&hint](std::uint8_t *bytes, std::size_t count) {
            LUMIVEX_DISPATCH(AffineFloat)(bytes, count, hint.scale, hint.offset);
        };
        if (mapMatchesTable(probe.bytes, table, line)) {
            m_way = Way::Line;
            return;
        }
    }
    m_way = Way::Table;
}

void PointMap::apply(PixelView buffer) const
{
    switch (m_way) {
    case Way::Lookup:
        // Checked again: tests switch the processor paths off after a map was made.
        if (hasByteTableLookup()) {
            applyTableVbmi(buffer.bytes, buffer.byteCount(), m_table.data());
            return;
        }
        PointMap(m_table, m_hint).apply(buffer);
        return;
    case Way::Shift:
        LUMIVEX_DISPATCH(AddSaturated)(buffer.bytes, buffer.byteCount(), m_shift);
        return;
    case Way::Line:
        LUMIVEX_DISPATCH(AffineFloat)(buffer.bytes, buffer.byteCount(), m_hint.scale, m_hint.offset);
        return;
    case Way::Table:
        break;
    }
    ApplyPointTable(buffer, m_table);
}

void PointMap::applyInto(const std::uint8_t *from, PixelView to) const
{
    if (m_way == Way::Lookup && hasByteTableLookup()) {
        applyTableVbmiInto(from, to.bytes, to.byteCount(), m_table.data());
        return;
    }
    std::memcpy(to.bytes, from, to.byteCount());
    apply(to);
}

namespace {

// Every byte of interior rows [first, end) but the first and last pixel: channels filtered,
// fourth bytes copied from the source.
void filterInteriorRow(const std::uint8_t *up, const std::uint8_t *mid, const std::uint8_t *down, std::uint8_t *out,
                       std::size_t row, NeighbourhoodFormula f, bool wide)
{
    if (!wide || !filterRowAvx512(up, mid, down, out, row, f.centreWeight, f.neighbourWeight, f.divisor))
        LUMIVEX_DISPATCH(FilterRow)(up, mid, down, out, 4, row - 4, f.centreWeight, f.neighbourWeight, f.divisor);
}

void filterInteriorRows(const std::uint8_t *source, PixelView buffer, NeighbourhoodFormula f, int first, int end)
{
    const std::size_t row = buffer.rowBytes();
    const bool wide = hasWideFilter();
    for (int y = first; y < end; ++y) {
        const std::uint8_t *mid = source + row * std::size_t(y);
        filterInteriorRow(mid - row, mid, mid + row, buffer.bytes + row * std::size_t(y), row, f, wide);
    }
}

} // namespace

void NeighbourhoodFilter(const std::uint8_t *source, PixelView buffer, NeighbourhoodFormula f)
{
    if (buffer.width < 3 || buffer.height < 3 || f.divisor == 0)
        return;
    filterInteriorRows(source, buffer, f, 1, buffer.height - 1);
}

void NeighbourhoodFilterRowsInto(const std::uint8_t *source, PixelView out, NeighbourhoodFormula f, int first, int count)
{
    const int w = out.width;
    const int h = out.height;
    const std::size_t row = std::size_t(w) * 4;
    const int end = std::min(h, first + count);
    first = std::max(0, first);
    if (first >= end)
        return;
    if (w < 3 || h < 3 || f.divisor == 0) {
        std::memcpy(out.bytes + row * std::size_t(first), source + row * std::size_t(first), row * std::size_t(end - first));
        return;
    }
    // The border is the source's; everything else the filter writes.
    if (first == 0)
        std::memcpy(out.bytes, source, row);
    if (end == h)
        std::memcpy(out.bytes + row * std::size_t(h - 1), source + row * std::size_t(h - 1), row);
    const int from = std::max(first, 1);
    const int to = std::min(end, h - 1);
    for (int y = from; y < to; ++y) {
        const std::size_t at = row * std::size_t(y);
        std::memcpy(out.bytes + at, source + at, 4);
        std::memcpy(out.bytes + at + row - 4, source + at + row - 4, 4);
    }
    if (from < to)
        filterInteriorRows(source, out, f, from, to);
}

void NeighbourhoodFilterRow(const std::uint8_t *up, const std::uint8_t *mid, const std::uint8_t *down, std::uint8_t *out,
                            int width, int height, int y, NeighbourhoodFormula f)
{
    const std::size_t row = std::size_t(width) * 4;
    if (width < 3 || height < 3 || f.divisor == 0 || y <= 0 || y >= height - 1) {
        std::memcpy(out, mid, row);
        return;
    }
    std::memcpy(out, mid, 4);
    std::memcpy(out + row - 4, mid + row - 4, 4);
    filterInteriorRow(up, mid, down, out, row, f, hasWideFilter());
}

void NeighbourhoodFilterInto(const std::uint8_t *source, PixelView out, NeighbourhoodFormula f)
{
    NeighbourhoodFilterRowsInto(source, out, f, 0, out.height);
}

} // namespace lumivex
#endif
