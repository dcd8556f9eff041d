// Paths for x86 processors with AVX-512 byte permutes (VBMI), chosen at run time; the build
// itself asks for no particular CPU.
#include "kernels/x86_kernels.h"

#include <array>
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
        const __mmask64 upper = _mm512_movepi8_mask(v) & ~fourth;
        const __mmask64 lower = ~_mm512_movepi8_mask(v) & ~fourth;
        __m512i r = _mm512_mask_mov_epi8(v, lower, low);
        r = _mm512_mask_mov_epi8(r, upper, high);
        _mm512_storeu_si512(to + i, r);
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

#define LUMIVEX_WIDE __attribute__((target("avx512f,avx512bw,avx512vl"), always_inline)) inline
#define LUMIVEX_WIDE_LAMBDA __attribute__((target("avx512f,avx512bw,avx512vl"), always_inline))

namespace {

// The first n bytes of a 32-byte block.
LUMIVEX_WIDE __mmask32 firstBytes(std::ptrdiff_t n)
{
    return n >= 32 ? 0xffffffffu : n <= 0 ? 0u : (1u << n) - 1u;
}

// A block of 32 bytes widened to 16 bits: the sum over three rows of each byte, and the middle
// row's own bytes (the centres). Bytes outside `valid` count as zero and are never read, so a
// row may end anywhere.
struct Column {
    __m512i sum;
    __m512i mid;
};

LUMIVEX_WIDE Column columnSums(const std::uint8_t *up, const std::uint8_t *mid, const std::uint8_t *down,
                               std::size_t at, __mmask32 valid)
{
    const __m512i a = _mm512_cvtepu8_epi16(_mm256_maskz_loadu_epi8(valid, up + at));
    const __m512i b = _mm512_cvtepu8_epi16(_mm256_maskz_loadu_epi8(valid, mid + at));
    const __m512i c = _mm512_cvtepu8_epi16(_mm256_maskz_loadu_epi8(valid, down + at));
    return Column{_mm512_add_epi16(_mm512_add_epi16(a, b), c), b};
}

// Round-half-even of P / D in 16-bit lanes with one multiply instead of a division. With D' = |D|
// and P' = P·sign(D), N = P' + K·D' is never negative (K = ⌈Pmax / D'⌉), and floor(N / D') is
// mulhi(N, M) >> s for M = ⌈2^(16+s) / D'⌉ whenever (M·D' − 2^(16+s))·Nmax < 2^(16+s). The
// remainder then decides the rounding: up when 2r + (quotient odd) > D'.
struct MagicDivision {
    bool usable = false;
    int sign = 1, divisor = 0, bias = 0, k = 0, magic = 0, shift = 0;

    MagicDivision() = default;
    explicit MagicDivision(int d)
    {
        constexpr long long kLargestNumerator = 22440; // |8·C + S·N| and |(7S+7)·C − S·N| at most
        sign = d < 0 ? -1 : 1;
        divisor = d < 0 ? -d : d;
        if (divisor < 2)
            return; // the float way takes it; M would need 17 bits
        k = int((kLargestNumerator + divisor - 1) / divisor);
        bias = k * divisor;
        const long long largest = 2LL * bias;
        for (int s = 0; s < 16; ++s) {
            const long long power = 1LL << (16 + s);
            const long long m = (power + divisor - 1) / divisor;
            if (m > 0xffff)
                break;
            if ((m * divisor - power) * largest < power) {
                magic = int(m);
                shift = s;
                usable = true;
                return;
            }
        }
    }
};

// Worked out once for every divisor the formulas give (|D| ≤ 88), not once per row.
const MagicDivision &magicDivisionFor(int d)
{
    constexpr int kLargest = 128;
    static const auto table = [] {
        std::array<MagicDivision, 2 * kLargest + 1> t;
        for (int i = -kLargest; i <= kLargest; ++i)
            t[std::size_t(i + kLargest)] = MagicDivision(i);
        return t;
    }();
    static const MagicDivision none;
    return d >= -kLargest && d <= kLargest ? table[std::size_t(d + kLargest)] : none;
}

// Sixteen numerators divided, rounded to nearest (halves to even) and clamped to 0..255.
LUMIVEX_WIDE __m128i divideAndClamp(__m256i p16, __m512 divisor)
{
    const __m512 quotient = _mm512_div_ps(_mm512_cvtepi32_ps(_mm512_cvtepi16_epi32(p16)), divisor);
    const __m512i q = _mm512_max_epi32(_mm512_cvtps_epi32(quotient), _mm512_setzero_si512());
    return _mm512_cvtusepi32_epi8(q);
}

} // namespace

// GCC 12 takes the undefined pass-through vector inside its own valignq intrinsic for one of
// ours, and warns of it as uninitialised.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

// One interior row, 32 bytes at a time in 16-bit lanes. The three-row column sums of a block
// are formed once and shifted by one pixel either way across block edges (valignq), so each
// byte's nine taps cost three loads instead of nine. The first and last blocks are loaded and
// stored under masks, so the whole row is done here with no byte left to a slower loop.
__attribute__((target("avx512f,avx512bw,avx512vl"))) void filterRowAvx512(
    const std::uint8_t *up, const std::uint8_t *mid, const std::uint8_t *down, std::uint8_t *out,
    std::size_t rowBytes, int centreWeight, int neighbourWeight, int divisor)
{
    const MagicDivision &division = magicDivisionFor(divisor);
    const int sign = division.usable ? division.sign : 1;
    const __m512i wcn = _mm512_set1_epi16(static_cast<short>(sign * (centreWeight - neighbourWeight)));
    const __m512i wn = _mm512_set1_epi16(static_cast<short>(sign * neighbourWeight));
    const __m512i bias = _mm512_set1_epi16(static_cast<short>(division.bias));
    const __m512i magic = _mm512_set1_epi16(static_cast<short>(division.magic));
    const __m128i shift = _mm_cvtsi32_si128(division.shift);
    const __m512i dv16 = _mm512_set1_epi16(static_cast<short>(division.divisor));
    const __m512i k = _mm512_set1_epi16(static_cast<short>(division.k));
    const __m512i one = _mm512_set1_epi16(1);
    const __m512i zero = _mm512_setzero_si512();
    // The float quotient is correctly rounded, so its nearest-even rounding is exactly
    // round-half-even of P / D (an exact half is representable, and any other quotient lies at
    // least 1/(2·|D|) from one); it serves the divisors the multiply cannot.
    const __m512 dv = _mm512_set1_ps(static_cast<float>(divisor));
    const __mmask32 fourth = 0x88888888u;
    const auto end = std::ptrdiff_t(rowBytes);

    // One block of output from the column sums of it and the blocks beside it; `edge` when a
    // load or the store would pass an end of the row.
    auto block = [&](std::ptrdiff_t i, const Column &previous, const Column &current, const Column &next,
                     auto magicWay, auto edgeTag) LUMIVEX_WIDE_LAMBDA {
        constexpr bool edge = decltype(edgeTag)::value;
        const __m512i left = _mm512_alignr_epi64(current.sum, previous.sum, 7);
        const __m512i right = _mm512_alignr_epi64(next.sum, current.sum, 1);
        const __m512i centre = current.mid;
        // P = wc·C + wn·(the nine − C) = (wc − wn)·C + wn·(the nine)
        const __m512i nine = _mm512_add_epi16(_mm512_add_epi16(left, current.sum), right);
        const __m512i p = _mm512_add_epi16(_mm512_mullo_epi16(centre, wcn), _mm512_mullo_epi16(nine, wn));
        __m256i result;
        if constexpr (decltype(magicWay)::value) {
            const __m512i n = _mm512_add_epi16(p, bias);
            const __m512i q = _mm512_srl_epi16(_mm512_mulhi_epu16(n, magic), shift);
            const __m512i r = _mm512_sub_epi16(n, _mm512_mullo_epi16(q, dv16));
            __m512i rounded = _mm512_sub_epi16(q, k);
            const __m512i twice = _mm512_add_epi16(_mm512_add_epi16(r, r), _mm512_and_si512(rounded, one));
            rounded = _mm512_mask_add_epi16(rounded, _mm512_cmpgt_epi16_mask(twice, dv16), rounded, one);
            // Fourth bytes travel unchanged.
            rounded = _mm512_mask_mov_epi16(_mm512_max_epi16(rounded, zero), fourth, centre);
            result = _mm512_cvtusepi16_epi8(rounded);
        } else {
            const __m128i low = divideAndClamp(_mm512_castsi512_si256(p), dv);
            const __m128i high = divideAndClamp(_mm512_extracti64x4_epi64(p, 1), dv);
            result = _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
            result = _mm256_mask_blend_epi8(fourth, result, _mm512_cvtepi16_epi8(centre));
        }
        if constexpr (edge) // bytes 4 … rowBytes − 5 only: the first and last pixels are the border
            _mm256_mask_storeu_epi8(out + i, firstBytes(end - 4 - i) & ~firstBytes(4 - i), result);
        else
            _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + i), result);
    };

    auto row = [&](auto magicWay) LUMIVEX_WIDE_LAMBDA {
        const std::true_type edge;
        const std::false_type inside;
        const Column none{zero, zero};
        Column previous = none;
        Column current = columnSums(up, mid, down, 0, firstBytes(end));
        std::ptrdiff_t i = 0;
        // Whole blocks, where the next block's bytes all lie in the row and so do this block's
        // outputs; the first pixel's are the border.
        if (i + 64 <= end) {
            const Column next = columnSums(up, mid, down, 32, 0xffffffffu);
            block(i, previous, current, next, magicWay, edge);
            previous = current;
            current = next;
            i += 32;
        }
        for (; i + 64 <= end; i += 32) {
            const Column next = columnSums(up, mid, down, std::size_t(i + 32), 0xffffffffu);
            block(i, previous, current, next, magicWay, inside);
            previous = current;
            current = next;
        }
        for (; i + 4 < end; i += 32) {
            const Column next =
                i + 32 < end ? columnSums(up, mid, down, std::size_t(i + 32), firstBytes(end - i - 32)) : none;
            block(i, previous, current, next, magicWay, edge);
            previous = current;
            current = next;
        }
    };
    if (division.usable)
        row(std::true_type());
    else
        row(std::false_type());
}

} // namespace lumivex

#else

namespace lumivex {
bool hasByteTableLookup() { return false; }
void applyTableVbmi(std::uint8_t *, std::size_t, const std::uint8_t *) {}
void applyTableVbmiInto(const std::uint8_t *, std::uint8_t *, std::size_t, const std::uint8_t *) {}
bool hasWideFilter() { return false; }
void filterRowAvx512(const std::uint8_t *, const std::uint8_t *, const std::uint8_t *, std::uint8_t *, std::size_t,
                     int, int, int)
{
}
} // namespace lumivex

#endif
