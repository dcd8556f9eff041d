// SPDX-License-Identifier: GPL-3.0-or-later
#include "kernels/adjustments.h"
#include "kernels/x86_kernels.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <random>
#include <vector>

namespace {

// A 12-megapixel picture (4000 x 3000), noisy enough that no branch predicts it.
constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

std::vector<std::uint8_t> makePicture()
{
    std::vector<std::uint8_t> bytes(std::size_t(kWidth) * kHeight * 4);
    std::mt19937 random(7);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = std::uint8_t((i / 4 % kWidth) * 255 / kWidth + (random() & 31));
    return bytes;
}

const std::vector<std::uint8_t> &picture()
{
    static const std::vector<std::uint8_t> bytes = makePicture();
    return bytes;
}

// The yardstick: copying the picture once.
void Memcpy(benchmark::State &state)
{
    std::vector<std::uint8_t> target(picture().size());
    for (auto _ : state) {
        std::memcpy(target.data(), picture().data(), picture().size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(picture().size()));
}
BENCHMARK(Memcpy)->Unit(benchmark::kMillisecond);

template <typename Apply>
void RunKernel(benchmark::State &state, Apply apply)
{
    std::vector<std::uint8_t> buffer = picture();
    lumivex::PixelView view{kWidth, kHeight, buffer.data()};
    for (auto _ : state) {
        apply(view);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(picture().size()));
}

void Brightness(benchmark::State &state)
{
    RunKernel(state, [](lumivex::PixelView v) { lumivex::ApplyBrightness(v, 20); });
}
BENCHMARK(Brightness)->Unit(benchmark::kMillisecond);

void Contrast(benchmark::State &state)
{
    RunKernel(state, [](lumivex::PixelView v) { lumivex::ApplyContrast(v, 75); });
}
BENCHMARK(Contrast)->Unit(benchmark::kMillisecond);

void Softening(benchmark::State &state)
{
    RunKernel(state, [](lumivex::PixelView v) { lumivex::ApplySoftening(picture().data(), v, 5); });
}
BENCHMARK(Softening)->Unit(benchmark::kMillisecond);

void Sharpening(benchmark::State &state)
{
    RunKernel(state, [](lumivex::PixelView v) { lumivex::ApplySharpening(picture().data(), v, 5); });
}
BENCHMARK(Sharpening)->Unit(benchmark::kMillisecond);

// The same filter as the band-at-a-time decoders use it: every row of a 12 MP picture made from
// three rows that stay in the cache, so the kernel's own speed shows rather than the memory's.
template <typename Formula>
void RunRowsInCache(benchmark::State &state, Formula formula)
{
    const std::size_t row = std::size_t(kWidth) * 4;
    const std::vector<std::uint8_t> rows(picture().begin(), picture().begin() + std::ptrdiff_t(3 * row));
    std::vector<std::uint8_t> out(row);
    for (auto _ : state) {
        for (int y = 1; y < kHeight - 1; ++y)
            lumivex::NeighbourhoodFilterRow(rows.data(), rows.data() + row, rows.data() + 2 * row, out.data(), kWidth,
                                            kHeight, y, formula);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(picture().size()));
}

void SofteningRowsInCache(benchmark::State &state) { RunRowsInCache(state, lumivex::SofteningFormula(5)); }
BENCHMARK(SofteningRowsInCache)->Unit(benchmark::kMillisecond);

void SharpeningRowsInCache(benchmark::State &state) { RunRowsInCache(state, lumivex::SharpeningFormula(5)); }
BENCHMARK(SharpeningRowsInCache)->Unit(benchmark::kMillisecond);

// The same rows with the hand-written AVX-512 filter switched off, so that Highway's best target
// for this processor makes them: what keeping two vector filters for one family is worth.
template <typename Formula>
void RunRowsInCacheHighwayOnly(benchmark::State &state, Formula formula)
{
    lumivex::setProcessorPathsEnabled(false);
    RunRowsInCache(state, formula);
    lumivex::setProcessorPathsEnabled(true);
}

void SofteningRowsInCacheHighway(benchmark::State &state) { RunRowsInCacheHighwayOnly(state, lumivex::SofteningFormula(5)); }
BENCHMARK(SofteningRowsInCacheHighway)->Unit(benchmark::kMillisecond);

void SharpeningRowsInCacheHighway(benchmark::State &state) { RunRowsInCacheHighwayOnly(state, lumivex::SharpeningFormula(5)); }
BENCHMARK(SharpeningRowsInCacheHighway)->Unit(benchmark::kMillisecond);

void SofteningPlain(benchmark::State &state)
{
    RunKernel(state, [](lumivex::PixelView v) {
        lumivex::NeighbourhoodFilterPlain(picture().data(), v, lumivex::SofteningFormula(5));
    });
}
BENCHMARK(SofteningPlain)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
