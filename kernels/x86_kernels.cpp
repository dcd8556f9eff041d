// Paths for x86 processors with AVX-512 byte permutes (VBMI), chosen at run time; the build
// itself asks for no particular CPU.
#include "kernels/x86_kernels.h"

#include <atomic>

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

namespace {

// The sum over three rows of each of 32 bytes, widened to 16 bits.
LUMIVEX_WIDE __m512i columnSums(const std::uint8_t *up, const std::uint8_t *mid, const std::uint8_t *down, std::size_t at)
{
    const __m512i a = _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(up + at)));
    const __m512i b = _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(mid + at)));
    const __m512i c = _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(down + at)));
    return _mm512_add_epi16(_mm512_add_epi16(a, b), c);
}

// Sixteen numerators divided, rounded to nearest (halves to even) and clamped to 0..255.
LUMIVEX_WIDE __m128i divideAndClamp(__m256i p16, __m512 divisor)
{
    const __m512 quotient = _mm512_div_ps(_mm512_cvtepi32_ps(_mm512_cvtepi16_epi32(p16)), divisor);
    const __m512i q = _mm512_max_epi32(_mm512_cvtps_epi32(quotient), _mm512_setzero_si512());
    return _mm512_cvtusepi32_epi8(q);
}

} // namespace

// One interior row, 32 bytes at a time in 16-bit lanes. The three-row column sums of a block
// are formed once and shifted by one pixel either way across block edges (valignq), so each
// byte's nine taps cost three loads instead of nine. The quotient is taken in float: correctly
// rounded, so nearest-even rounding of it is exactly round-half-even of P / D (an exact half is
// representable, and any other quotient lies at least 1/(2·|D|) from one).
__attribute__((target("avx512f,avx512bw,avx512vl"))) std::size_t filterRowAvx512(
    const std::uint8_t *up, const std::uint8_t *mid, const std::uint8_t *down, std::uint8_t *out,
    std::size_t rowBytes, int centreWeight, int neighbourWeight, int divisor)
{
    const __m512i wc = _mm512_set1_epi16(static_cast<short>(centreWeight));
    const __m512i wn = _mm512_set1_epi16(static_cast<short>(neighbourWeight));
    const __m512 dv = _mm512_set1_ps(static_cast<float>(divisor));
    const __mmask32 fourth = 0x88888888u;
    if (rowBytes < 96)
        return 4;
    __m512i previous = columnSums(up, mid, down, 0);
    __m512i current = columnSums(up, mid, down, 32);
    std::size_t i = 32;
    for (; i + 64 <= rowBytes; i += 32) {
        const __m512i next = columnSums(up, mid, down, i + 32);
        const __m512i left = _mm512_alignr_epi64(current, previous, 7);
        const __m512i right = _mm512_alignr_epi64(next, current, 1);
        const __m256i centreBytes = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(mid + i));
        const __m512i centre = _mm512_cvtepu8_epi16(centreBytes);
        const __m512i neighbours =
            _mm512_sub_epi16(_mm512_add_epi16(_mm512_add_epi16(left, current), right), centre);
        const __m512i p = _mm512_add_epi16(_mm512_mullo_epi16(centre, wc), _mm512_mullo_epi16(neighbours, wn));
        const __m128i low = divideAndClamp(_mm512_castsi512_si256(p), dv);
        const __m128i high = divideAndClamp(_mm512_extracti64x4_epi64(p, 1), dv);
        const __m256i result = _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + i), _mm256_mask_blend_epi8(fourth, result, centreBytes));
        previous = current;
        current = next;
    }
    return i;
}

} // namespace lumivex

#else

namespace lumivex {
bool hasByteTableLookup() { return false; }
void applyTableVbmi(std::uint8_t *, std::size_t, const std::uint8_t *) {}
void applyTableVbmiInto(const std::uint8_t *, std::uint8_t *, std::size_t, const std::uint8_t *) {}
bool hasWideFilter() { return false; }
std::size_t filterRowAvx512(const std::uint8_t *, const std::uint8_t *, const std::uint8_t *, std::uint8_t *,
                            std::size_t, int, int, int)
{
    return 4;
}
} // namespace lumivex

#endif
