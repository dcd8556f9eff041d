// SPDX-License-Identifier: GPL-3.0-or-later
// Paths for x86 processors with AVX-512 byte permutes (VBMI), chosen at run time; the build
// itself asks for no particular CPU.
#include "kernels/x86_kernels.h"

#include "kernels/adjustments.h"

#include <algorithm>
#include <atomic>
#include <type_traits>

namespace lumivex {
namespace {
std::atomic<bool> processorPaths{true};
}
void setProcessorPathsEnabled(bool enabled) { processorPaths = enabled; }
bool processorPathsEnabled() { return processorPaths; }
} // namespace lumivex

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>

namespace lumivex {

bool hasByteTableLookup()
{
    static const bool supported = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                                  __builtin_cpu_supports("avx512vbmi");
    return supported && processorPathsEnabled();
}

// The whole 256-entry table lives in four registers; two two-register permutes look up the
// low and high halves and the index's top bit picks between them. Exactly the table, 64 bytes
// at a time.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void applyTableVbmiInto(const std::uint8_t *from,
                                                                               std::uint8_t *to, std::size_t count,
                                                                               const std::uint8_t *table)
{
    const __m512i t0 = _mm512_loadu_si512(table);
    const __m512i t1 = _mm512_loadu_si512(table + 64);
    const __m512i t2 = _mm512_loadu_si512(table + 128);
    const __m512i t3 = _mm512_loadu_si512(table + 192);
    const __mmask64 fourth = 0x8888888888888888ULL; // bytes 3, 7, 11, … of each 64
    std::size_t i = 0;
    for (; i + 64 <= count; i += 64) {
        const __m512i v = _mm512_loadu_si512(from + i);
        const __m512i low = _mm512_permutex2var_epi8(t0, v, t1);
        const __m512i high = _mm512_permutex2var_epi8(t2, v, t3);
        // Blends under masks made once, rather than masks combined per block: the combining
        // went through general registers and cost more than the lookups.
        const __m512i r = _mm512_mask_blend_epi8(_mm512_movepi8_mask(v), low, high);
        _mm512_storeu_si512(to + i, _mm512_mask_blend_epi8(fourth, r, v));
    }
    for (; i < count; ++i)
        to[i] = (i & 3) != 3 ? table[from[i]] : from[i];
}

void applyTableVbmi(std::uint8_t *bytes, std::size_t count, const std::uint8_t *table)
{
    applyTableVbmiInto(bytes, bytes, count, table);
}

bool hasWideFilter()
{
    static const bool supported = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                                  __builtin_cpu_supports("avx512vl");
    return supported && processorPathsEnabled();
}

namespace {
std::atomic<bool> doubleShifts{true};

// Double shifts (VBMI2) save the filter two instructions a vector where the processor has them.
bool hasDoubleShift()
{
    static const bool supported = __builtin_cpu_supports("avx512vbmi2");
    return supported && doubleShifts;
}
} // namespace

void setDoubleShiftsEnabled(bool enabled) { doubleShifts = enabled; }

// GCC 12 takes the undefined pass-through vector inside its own valignd intrinsic for one of
// ours, and warns of it as uninitialised.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

#define LUMIVEX_WIDE_TARGET "avx512f,avx512bw,avx512vl"
#define LUMIVEX_WIDE __attribute__((target(LUMIVEX_WIDE_TARGET), always_inline)) inline
#define LUMIVEX_WIDE_LAMBDA __attribute__((target(LUMIVEX_WIDE_TARGET), always_inline))

namespace {

// The first n bytes of a 64-byte block.
LUMIVEX_WIDE __mmask64 firstBytes(std::ptrdiff_t n)
{
    return n >= 64 ? ~0ULL : n <= 0 ? 0ULL : (1ULL << n) - 1ULL;
}

// Round-half-even of P / D, clamped to 0..255, for every numerator one formula can give, with
// two multiplies and no remainder. With D' = |D|, P' = P·sign(D) and n = P' + ⌊D'/2⌋ + 2K·D'
// (K makes it never negative), write n = 2D'·h + ρ: the result is 2(h − K), plus one when ρ
// reaches D' + 1 for even D' (ρ = D' is the tie that stays even) or D' for odd D' (no ties).
// The 32-bit product n·M with M = ⌈2^(16+s) / 2D'⌉ holds h above bit 16 + s and ρ·M, nearly,
// below it, so one unsigned comparison of its bits s … s + 15 tells whether ρ reached the mark.
// The parameters are tried on every numerator before the row uses them.
struct WideDivision {
    bool usable = false;
    int centreWeight = 0, neighbourWeight = 0, divisor = 0; // the formula these are for
    int sign = 1, shift = 0, magic = 0, bias = 0, twiceK = 0, threshold = 0;
    bool clamps = false;      // some results leave 0..255 before the clamp
    bool doubleShift = false; // the way tried, and so the way to use

    WideDivision() = default;
    WideDivision(int wc, int wn, int d);
};

struct DivisionVectors {
    __m512i bias, magic, threshold, twiceK, top, one, shiftCount;
    __m128i shift, restShift;
};

LUMIVEX_WIDE DivisionVectors divisionVectors(const WideDivision &d)
{
    return DivisionVectors{_mm512_set1_epi16(static_cast<short>(d.bias)),
                           _mm512_set1_epi16(static_cast<short>(d.magic)),
                           _mm512_set1_epi16(static_cast<short>(d.threshold)),
                           _mm512_set1_epi16(static_cast<short>(d.twiceK)),
                           _mm512_set1_epi16(255),
                           _mm512_set1_epi16(1),
                           _mm512_set1_epi16(static_cast<short>(d.shift)),
                           _mm_cvtsi32_si128(d.shift),
                           _mm_cvtsi32_si128(16 - d.shift)};
}

// Thirty-two numerators P' (the sign already applied) divided.
template <bool Clamps, bool DoubleShift>
LUMIVEX_WIDE __m512i divide(const DivisionVectors &v, __m512i p)
{
    const __m512i n = _mm512_add_epi16(p, v.bias);
    const __m512i hi = _mm512_mulhi_epu16(n, v.magic);
    const __m512i lo = _mm512_mullo_epi16(n, v.magic);
    const __m512i h = _mm512_srl_epi16(hi, v.shift);
    // The product's bits s … s + 15.
    __m512i mark;
    if constexpr (DoubleShift) {
        // vpshrdvw, written out: the compiler emits it only in code built for VBMI2 throughout,
        // and the rest of this kernel must also run on processors without it.
        mark = lo;
        asm("vpshrdvw %[count], %[hi], %[mark]" : [mark] "+v"(mark) : [hi] "v"(hi), [count] "v"(v.shiftCount));
    } else {
        mark = _mm512_or_si512(_mm512_sll_epi16(hi, v.restShift), _mm512_srl_epi16(lo, v.shift));
    }
    const __m512i twice = _mm512_add_epi16(h, h);
    __m512i r = _mm512_mask_add_epi16(twice, _mm512_cmpge_epu16_mask(mark, v.threshold), twice, v.one);
    if constexpr (Clamps) // below zero saturates to zero on the way
        r = _mm512_min_epu16(_mm512_subs_epu16(r, v.twiceK), v.top);
    return r;
}

// Every numerator in low … high through the vector code, against the plain quotient.
__attribute__((target(LUMIVEX_WIDE_TARGET))) bool exactOnEveryNumerator(const WideDivision &d, int low, int high)
{
    const DivisionVectors v = divisionVectors(d);
    alignas(64) std::int16_t numerators[32];
    alignas(64) std::uint16_t results[32];
    for (int from = low; from <= high; from += 32) {
        for (int i = 0; i < 32; ++i)
            numerators[i] = static_cast<std::int16_t>(d.sign * std::min(from + i, high));
        const __m512i p = _mm512_load_si512(numerators);
        __m512i r;
        if (d.doubleShift)
            r = d.clamps ? divide<true, true>(v, p) : divide<false, true>(v, p);
        else
            r = d.clamps ? divide<true, false>(v, p) : divide<false, false>(v, p);
        _mm512_store_si512(results, r);
        for (int i = 0; i < 32; ++i) {
            const int q = roundedQuotient(std::min(from + i, high), d.divisor);
            if (results[i] != std::clamp(q, 0, 255))
                return false;
        }
    }
    return true;
}

WideDivision::WideDivision(int wc, int wn, int d) : centreWeight(wc), neighbourWeight(wn), divisor(d)
{
    // Noted first, so that a formula declined is remembered as declined rather than tried again.
    doubleShift = hasDoubleShift();
    if (d == 0)
        return;
    sign = d < 0 ? -1 : 1;
    const long long dd = d < 0 ? -d : d;
    // P = wc·C + wn·N for C in 0..255 and N (eight neighbours) in 0..2040 takes its extremes at
    // the corners.
    long long low = 0, high = 0;
    for (const long long c : {0LL, 255LL}) {
        for (const long long n : {0LL, 2040LL}) {
            low = std::min(low, wc * c + wn * n);
            high = std::max(high, wc * c + wn * n);
        }
    }
    const long long lowest = std::min(sign * low, sign * high), highest = std::max(sign * low, sign * high);
    if (lowest < -32768 || highest > 32767)
        return;
    const long long k = lowest < 0 ? (-lowest + 2 * dd - 1) / (2 * dd) : 0;
    bias = int(dd / 2 + 2 * k * dd);
    twiceK = int(2 * k);
    const long long largest = highest + bias;
    if (largest > 0xffff)
        return;
    const long long hmax = largest / (2 * dd);
    const long long reach = dd % 2 == 0 ? dd + 1 : dd;
    clamps = k > 0 || (highest + dd / 2) / dd > 255;
    for (int s = 0; s < 16; ++s) {
        const long long power = 1LL << (16 + s);
        const long long m = (power + 2 * dd - 1) / (2 * dd);
        if (m > 0xffff)
            break;
        // The error of M must neither carry into h nor blur the mark by a whole step of ρ.
        const long long error = m * 2 * dd - power;
        if ((hmax + 1) * error >= m || m - hmax * error < (1LL << s))
            continue;
        shift = s;
        magic = int(m);
        threshold = int((reach * m) >> s);
        usable = exactOnEveryNumerator(*this, int(std::min(low, high)), int(std::max(low, high)));
        return;
    }
}

// The parameters of the formula in use, worked out once per formula and thread rather than per row.
const WideDivision &wideDivisionFor(int wc, int wn, int d)
{
    thread_local WideDivision last;
    if (last.divisor != d || last.centreWeight != wc || last.neighbourWeight != wn ||
        last.doubleShift != hasDoubleShift())
        last = WideDivision(wc, wn, d);
    return last;
}

// Three-row sums of 128 bytes (32 pixels) in 16-bit lanes: the even bytes (B, R) of each
// 64-byte half apart, and the greens of all 32 pixels packed into one vector in pixel order, so
// the fourth bytes take no lanes of the arithmetic; with the middle row's bytes likewise, and as
// loaded. Bytes outside `validA` / `validB` count as zero and are never read, so a row may end
// anywhere.
struct Sums {
    __m512i evenA, evenB, green, midEvenA, midEvenB, midGreen, midA, midB;
};

LUMIVEX_WIDE Sums rowSums(const std::uint8_t *up, const std::uint8_t *mid, const std::uint8_t *down, std::size_t at,
                          __mmask64 validA, __mmask64 validB)
{
    const __m512i low = _mm512_set1_epi16(0x00ff);
    // Word k: word 2k of the first half for k < 16, else word 2(k − 16) of the second.
    const __m512i pack = _mm512_set_epi16(62, 60, 58, 56, 54, 52, 50, 48, 46, 44, 42, 40, 38, 36, 34, 32, 30, 28, 26,
                                          24, 22, 20, 18, 16, 14, 12, 10, 8, 6, 4, 2, 0);
    auto half = [&](std::size_t offset, __mmask64 valid, __m512i &even, __m512i &odd, __m512i &midEven, __m512i &midOdd,
                    __m512i &midBytes) LUMIVEX_WIDE_LAMBDA {
        const __m512i a = _mm512_maskz_loadu_epi8(valid, up + offset);
        const __m512i b = _mm512_maskz_loadu_epi8(valid, mid + offset);
        const __m512i c = _mm512_maskz_loadu_epi8(valid, down + offset);
        midEven = _mm512_and_si512(b, low);
        midOdd = _mm512_srli_epi16(b, 8);
        even = _mm512_add_epi16(_mm512_add_epi16(_mm512_and_si512(a, low), midEven), _mm512_and_si512(c, low));
        odd = _mm512_add_epi16(_mm512_add_epi16(_mm512_srli_epi16(a, 8), midOdd), _mm512_srli_epi16(c, 8));
        midBytes = b;
    };
    Sums s;
    __m512i oddA, oddB, midOddA, midOddB;
    half(at, validA, s.evenA, oddA, s.midEvenA, midOddA, s.midA);
    half(at + 64, validB, s.evenB, oddB, s.midEvenB, midOddB, s.midB);
    s.green = _mm512_permutex2var_epi16(oddA, pack, oddB);
    s.midGreen = _mm512_permutex2var_epi16(midOddA, pack, midOddB);
    return s;
}

} // namespace

// One interior row, 128 bytes at a time. Even and odd bytes are worked on apart in 16-bit lanes
// (a mask and a shift rather than byte widening), so a pixel's blue and red neighbours lie one
// 32-bit lane away; the greens of 32 pixels share one vector, a lane apart. Three-row sums are
// formed once and shifted by a lane across block edges. The first and last blocks are loaded and
// stored under masks, so the whole row is done here.
__attribute__((target(LUMIVEX_WIDE_TARGET))) bool filterRowAvx512(const std::uint8_t *up, const std::uint8_t *mid,
                                                                  const std::uint8_t *down, std::uint8_t *out,
                                                                  std::size_t rowBytes, int centreWeight,
                                                                  int neighbourWeight, int divisor)
{
    const WideDivision &division = wideDivisionFor(centreWeight, neighbourWeight, divisor);
    if (!division.usable)
        return false;
    const DivisionVectors dv = divisionVectors(division);
    const int sign = division.sign;
    const __m512i wcn = _mm512_set1_epi16(static_cast<short>(sign * (centreWeight - neighbourWeight)));
    const __m512i wn = _mm512_set1_epi16(static_cast<short>(sign * neighbourWeight));
    const __mmask64 fourth = 0x8888888888888888ULL;
    // The green one pixel left (the last of the previous 32 first) and one pixel right.
    const __m512i left = _mm512_set_epi16(62, 61, 60, 59, 58, 57, 56, 55, 54, 53, 52, 51, 50, 49, 48, 47, 46, 45, 44,
                                          43, 42, 41, 40, 39, 38, 37, 36, 35, 34, 33, 32, 31);
    const __m512i right = _mm512_set_epi16(32, 31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15, 14,
                                           13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1);
    // Greens back to the even words of each half (odd words zero).
    const __m512i firstHalf = _mm512_set_epi16(0, 15, 0, 14, 0, 13, 0, 12, 0, 11, 0, 10, 0, 9, 0, 8, 0, 7, 0, 6, 0, 5,
                                               0, 4, 0, 3, 0, 2, 0, 1, 0, 0);
    const __m512i secondHalf = _mm512_add_epi16(firstHalf, _mm512_set1_epi16(16));
    const __mmask32 evenWords = 0x55555555u;
    const auto end = std::ptrdiff_t(rowBytes);

    auto block = [&](std::ptrdiff_t i, const Sums &previous, const Sums &current, const Sums &next, auto clampTag,
                     auto shiftTag, auto edgeTag) LUMIVEX_WIDE_LAMBDA {
        constexpr bool clamps = decltype(clampTag)::value;
        constexpr bool doubleShift = decltype(shiftTag)::value;
        const __m512i nineA = _mm512_add_epi16(
            _mm512_add_epi16(_mm512_alignr_epi32(current.evenA, previous.evenB, 15), current.evenA),
            _mm512_alignr_epi32(current.evenB, current.evenA, 1));
        const __m512i nineB = _mm512_add_epi16(
            _mm512_add_epi16(_mm512_alignr_epi32(current.evenB, current.evenA, 15), current.evenB),
            _mm512_alignr_epi32(next.evenA, current.evenB, 1));
        const __m512i nineGreen = _mm512_add_epi16(
            _mm512_add_epi16(_mm512_permutex2var_epi16(previous.green, left, current.green), current.green),
            _mm512_permutex2var_epi16(current.green, right, next.green));
        // P = wc·C + wn·(the nine − C) = (wc − wn)·C + wn·(the nine)
        auto numerator = [&](__m512i centre, __m512i nine) LUMIVEX_WIDE_LAMBDA {
            return _mm512_add_epi16(_mm512_mullo_epi16(centre, wcn), _mm512_mullo_epi16(nine, wn));
        };
        const __m512i a = divide<clamps, doubleShift>(dv, numerator(current.midEvenA, nineA));
        const __m512i b = divide<clamps, doubleShift>(dv, numerator(current.midEvenB, nineB));
        const __m512i g = divide<clamps, doubleShift>(dv, numerator(current.midGreen, nineGreen));
        const __m512i greenA = _mm512_slli_epi16(_mm512_maskz_permutexvar_epi16(evenWords, firstHalf, g), 8);
        const __m512i greenB = _mm512_slli_epi16(_mm512_maskz_permutexvar_epi16(evenWords, secondHalf, g), 8);
        // Fourth bytes travel unchanged.
        const __m512i resultA = _mm512_mask_blend_epi8(fourth, _mm512_or_si512(a, greenA), current.midA);
        const __m512i resultB = _mm512_mask_blend_epi8(fourth, _mm512_or_si512(b, greenB), current.midB);
        if constexpr (decltype(edgeTag)::value) { // bytes 4 … rowBytes − 5 only: the first and last pixels are the border
            _mm512_mask_storeu_epi8(out + i, firstBytes(end - 4 - i) & ~firstBytes(4 - i), resultA);
            _mm512_mask_storeu_epi8(out + i + 64, firstBytes(end - 4 - i - 64), resultB);
        } else {
            _mm512_storeu_si512(out + i, resultA);
            _mm512_storeu_si512(out + i + 64, resultB);
        }
    };

    auto row = [&](auto clampTag, auto shiftTag) LUMIVEX_WIDE_LAMBDA {
        const std::true_type edge;
        const std::false_type inside;
        const __m512i zero = _mm512_setzero_si512();
        const Sums none{zero, zero, zero, zero, zero, zero, zero, zero};
        auto sumsAt = [&](std::ptrdiff_t at) LUMIVEX_WIDE_LAMBDA {
            return rowSums(up, mid, down, std::size_t(at), firstBytes(end - at), firstBytes(end - at - 64));
        };
        Sums previous = none;
        Sums current = sumsAt(0);
        std::ptrdiff_t i = 0;
        // Whole blocks, where the next block's bytes all lie in the row and so do this block's
        // outputs; the first pixel's are the border.
        if (i + 256 <= end) {
            const Sums next = sumsAt(128);
            block(i, previous, current, next, clampTag, shiftTag, edge);
            previous = current;
            current = next;
            i += 128;
        }
        for (; i + 256 <= end; i += 128) {
            const Sums next = rowSums(up, mid, down, std::size_t(i + 128), ~0ULL, ~0ULL);
            block(i, previous, current, next, clampTag, shiftTag, inside);
            previous = current;
            current = next;
        }
        for (; i + 4 < end; i += 128) {
            const Sums next = i + 128 < end ? sumsAt(i + 128) : none;
            block(i, previous, current, next, clampTag, shiftTag, edge);
            previous = current;
            current = next;
        }
    };
    const std::true_type yes;
    const std::false_type no;
    if (division.doubleShift) {
        if (division.clamps)
            row(yes, yes);
        else
            row(no, yes);
    } else {
        if (division.clamps)
            row(yes, no);
        else
            row(no, no);
    }
    return true;
}

} // namespace lumivex

#else

namespace lumivex {
bool hasByteTableLookup() { return false; }
void applyTableVbmi(std::uint8_t *, std::size_t, const std::uint8_t *) {}
void applyTableVbmiInto(const std::uint8_t *, std::uint8_t *, std::size_t, const std::uint8_t *) {}
bool hasWideFilter() { return false; }
void setDoubleShiftsEnabled(bool) {}
bool filterRowAvx512(const std::uint8_t *, const std::uint8_t *, const std::uint8_t *, std::uint8_t *, std::size_t,
                     int, int, int)
{
    return false;
}
} // namespace lumivex

#endif
