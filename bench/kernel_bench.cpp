#include "kernels/adjustments.h"

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

void SofteningPlain(benchmark::State &state)
{
    RunKernel(state, [](lumivex::PixelView v) {
        lumivex::NeighbourhoodFilterPlain(picture().data(), v, lumivex::SofteningFormula(5));
    });
}
BENCHMARK(SofteningPlain)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
