// SPDX-License-Identifier: GPL-3.0-or-later
#include "kernels/adjustments.h"
#include "kernels/x86_kernels.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <vector>

using namespace lumivex;

namespace {

// References written straight from the formulas, independent of the engine's code.
int roundHalfEven(double value)
{
    return int(std::nearbyint(value));
}
std::uint8_t clampByte(int t)
{
    return std::uint8_t(t < 0 ? 0 : (t > 255 ? 255 : t));
}

std::uint8_t referenceBrightness(int p, int v)
{
    return clampByte(roundHalfEven(255.0 / 100.0 * v + p));
}

std::uint8_t referenceContrast(int p, int v)
{
    const std::int16_t k = v > 50 ? 4 : 1;
    const std::int16_t d = std::int16_t(2 * v - 100);
    double t = p - 127.5;
    t = t * k;
    t = t / 100;
    t = t * d;
    t = t + p;
    return clampByte(roundHalfEven(t));
}

// The 3×3 walk with real division, for softening (sharpen = false) or sharpening.
std::vector<std::uint8_t> referenceFilter(const std::vector<std::uint8_t> &src, int w, int h, int s, bool sharpen)
{
    std::vector<std::uint8_t> out = src;
    if (sharpen && s == 7)
        return out;
    for (int y = 1; y < h - 1; ++y)
        for (int x = 1; x < w - 1; ++x)
            for (int k = 0; k < 3; ++k) {
                auto at = [&](int xx, int yy) { return int(src[std::size_t(4 * xx + 4 * w * yy + k)]); };
                const int c = at(x, y);
                const int n = at(x - 1, y - 1) + at(x, y - 1) + at(x + 1, y - 1) + at(x - 1, y) + at(x + 1, y) +
                              at(x - 1, y + 1) + at(x, y + 1) + at(x + 1, y + 1);
                const int p = sharpen ? (7 * s + 7) * c - s * n : 8 * c + s * n;
                const int d = sharpen ? 7 - s : 8 * s + 8;
                out[std::size_t(4 * x + 4 * w * y + k)] = clampByte(roundHalfEven(double(p) / double(d)));
            }
    return out;
}

std::vector<std::uint8_t> randomBytes(std::size_t count, unsigned seed)
{
    std::vector<std::uint8_t> bytes(count);
    std::mt19937 random(seed);
    for (auto &b : bytes)
        b = std::uint8_t(random());
    return bytes;
}

// A flat picture of one grey value with per-pixel overrides.
struct Picture {
    int w, h;
    std::vector<std::uint8_t> bytes;
    Picture(int width, int height, std::uint8_t value)
        : w(width), h(height), bytes(std::size_t(width * height * 4), value)
    {
        for (std::size_t i = 3; i < bytes.size(); i += 4)
            bytes[i] = 0x5a; // a fourth byte that must survive
    }
    void set(int x, int y, std::uint8_t value)
    {
        for (int k = 0; k < 3; ++k)
            bytes[std::size_t(4 * x + 4 * w * y + k)] = value;
    }
    std::uint8_t at(int x, int y, int k = 0) const { return bytes[std::size_t(4 * x + 4 * w * y + k)]; }
    PixelView view() { return PixelView{w, h, bytes.data()}; }
};

Picture filtered(Picture picture, bool sharpen, int s)
{
    const std::vector<std::uint8_t> source = picture.bytes;
    if (sharpen)
        ApplySharpening(source.data(), picture.view(), s);
    else
        ApplySoftening(source.data(), picture.view(), s);
    return picture;
}

std::vector<std::uint8_t> filtered(const std::vector<std::uint8_t> &bytes, int w, int h, bool sharpen, int s)
{
    Picture picture(w, h, 0);
    picture.bytes = bytes;
    return filtered(std::move(picture), sharpen, s).bytes;
}

} // namespace

TEST(Brightness, ExamplesFromTheSliderUnits)
{
    EXPECT_EQ(BrightnessTable(1)[0], 3);   // 2.55 rounds up
    EXPECT_EQ(BrightnessTable(2)[0], 5);   // 5.1
    EXPECT_EQ(BrightnessTable(-1)[10], 7); // 7.45
    EXPECT_EQ(BrightnessTable(20)[100], 151);
    EXPECT_EQ(BrightnessTable(-20)[100], 49);
    EXPECT_EQ(BrightnessTable(10)[250], 255); // 275.5 clamped
    for (int p = 0; p < 256; ++p) {
        EXPECT_EQ(BrightnessTable(0)[p], p);
        EXPECT_EQ(BrightnessTable(100)[p], 255);
        EXPECT_EQ(BrightnessTable(-100)[p], 0);
    }
}

TEST(Contrast, ExamplesFromTheSliderUnits)
{
    const PointTable c100 = ContrastTable(100);
    for (int p = 0; p <= 102; ++p)
        EXPECT_EQ(c100[p], 0) << p;
    EXPECT_EQ(c100[103], 5);
    EXPECT_EQ(c100[127], 125);
    EXPECT_EQ(c100[128], 130);
    EXPECT_EQ(c100[152], 250);
    for (int p = 153; p < 256; ++p)
        EXPECT_EQ(c100[p], 255) << p;

    const PointTable c75 = ContrastTable(75);
    EXPECT_EQ(c75[85], 0);
    EXPECT_EQ(c75[127], 126);
    EXPECT_EQ(c75[128], 129);
    EXPECT_EQ(c75[170], 255);

    EXPECT_EQ(ContrastTable(25)[0], 64);
    EXPECT_EQ(ContrastTable(25)[255], 191);
    const PointTable c51 = ContrastTable(51);
    EXPECT_EQ(c51[64], 59);
    EXPECT_EQ(c51[192], 197);
    EXPECT_EQ(c51[0], 0);
    EXPECT_EQ(c51[255], 255);
    for (int p = 0; p < 256; ++p) {
        EXPECT_EQ(ContrastTable(50)[p], p);
        EXPECT_TRUE(ContrastTable(0)[p] == 127 || ContrastTable(0)[p] == 128);
    }
}

TEST(PointAdjustments, TablesMatchTheFormulaForEverySliderValue)
{
    for (int v = -100; v <= 100; ++v)
        for (int p = 0; p < 256; ++p)
            ASSERT_EQ(BrightnessTable(v)[p], referenceBrightness(p, v)) << "v=" << v << " p=" << p;
    for (int v = 0; v <= 100; ++v)
        for (int p = 0; p < 256; ++p)
            ASSERT_EQ(ContrastTable(v)[p], referenceContrast(p, v)) << "v=" << v << " p=" << p;
}

// Runs a check with the processor-specific paths (AVX-512 table lookups and rows) and again with
// the portable vector paths, so both are held to the formulas on any machine that has both.
template <typename Check> void onEveryPath(Check check)
{
    for (int path = 0; path < 3; ++path) {
        SCOPED_TRACE(path == 0 ? "processor-specific paths" : path == 1 ? "processor-specific, no double shifts" : "portable paths");
        setProcessorPathsEnabled(path < 2);
        setDoubleShiftsEnabled(path == 0);
        check();
    }
    setProcessorPathsEnabled(true);
    setDoubleShiftsEnabled(true);
}

TEST(PointAdjustments, FastPathEqualsTheFormulaOnOddSizedBuffersForEveryValue)
{
    onEveryPath([] {
        // 37 x 5 pixels: not a multiple of any vector width, so the remainder loops run too.
        const int w = 37, h = 5;
        const std::vector<std::uint8_t> original = randomBytes(std::size_t(w * h * 4), 11);
        for (int v = -100; v <= 100; ++v) {
            std::vector<std::uint8_t> bytes = original;
            ApplyBrightness(PixelView{w, h, bytes.data()}, v);
            for (std::size_t i = 0; i < bytes.size(); ++i) {
                const std::uint8_t expected = (i % 4 == 3) ? original[i] : referenceBrightness(original[i], v);
                ASSERT_EQ(bytes[i], expected) << "brightness v=" << v << " byte " << i;
            }
        }
        for (int v = 0; v <= 100; ++v) {
            std::vector<std::uint8_t> bytes = original;
            ApplyContrast(PixelView{w, h, bytes.data()}, v);
            for (std::size_t i = 0; i < bytes.size(); ++i) {
                const std::uint8_t expected = (i % 4 == 3) ? original[i] : referenceContrast(original[i], v);
                ASSERT_EQ(bytes[i], expected) << "contrast v=" << v << " byte " << i;
            }
        }
    });
}

TEST(PointAdjustments, OnePixelAndGreyStaysGrey)
{
    std::uint8_t pixel[4] = {10, 10, 10, 0x77};
    ApplyBrightness(PixelView{1, 1, pixel}, 20);
    EXPECT_EQ(pixel[0], 61);
    EXPECT_EQ(pixel[1], 61);
    EXPECT_EQ(pixel[2], 61);
    EXPECT_EQ(pixel[3], 0x77);
}

TEST(RoundedQuotient, HalvesGoToEvenWithEitherSign)
{
    EXPECT_EQ(roundedQuotient(5, 2), 2);
    EXPECT_EQ(roundedQuotient(7, 2), 4);
    EXPECT_EQ(roundedQuotient(-5, 2), -2);
    EXPECT_EQ(roundedQuotient(5, -2), -2);
    EXPECT_EQ(roundedQuotient(-7, -2), 4);
    EXPECT_EQ(roundedQuotient(40, 16), 2);
    EXPECT_EQ(roundedQuotient(-85, 2), -42);
    for (int d : {-3, -2, -1, 1, 2, 3, 5, 6, 16, 48, 88})
        for (int p = -22000; p <= 22000; p += 7)
            ASSERT_EQ(roundedQuotient(p, d), roundHalfEven(double(p) / d)) << p << "/" << d;
}

TEST(Softening, SingleWhitePixelAtStrengthOne)
{
    Picture picture(7, 7, 0);
    picture.set(3, 3, 255);
    const Picture out = filtered(picture, false, 1);
    EXPECT_EQ(out.at(3, 3), 128); // 127.5 goes to the even 128
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 7; ++x) {
            const bool neighbour = std::abs(x - 3) <= 1 && std::abs(y - 3) <= 1 && !(x == 3 && y == 3);
            if (!(x == 3 && y == 3)) {
                EXPECT_EQ(out.at(x, y, 1), neighbour ? 16 : 0) << x << "," << y;
            }
        }
}

TEST(Softening, HalfGoesToEvenAndFlatStaysFlat)
{
    // A black centre whose neighbours sum to 40: 40 / 16 = 2.5 gives 2.
    Picture picture(3, 3, 5);
    picture.set(1, 1, 0);
    EXPECT_EQ(filtered(picture, false, 1).at(1, 1), 2);
    for (int s = 1; s <= 10; ++s) {
        Picture flat(9, 6, 77);
        EXPECT_EQ(filtered(flat, false, s).bytes, flat.bytes) << s;
    }
}

TEST(Softening, VerticalEdgeGives48And207)
{
    Picture picture(8, 5, 0);
    for (int y = 0; y < 5; ++y)
        for (int x = 4; x < 8; ++x)
            picture.set(x, y, 255);
    const Picture out = filtered(picture, false, 1);
    for (int y = 1; y < 4; ++y) {
        EXPECT_EQ(out.at(3, y), 48);
        EXPECT_EQ(out.at(4, y), 207);
        EXPECT_EQ(out.at(2, y), 0);
        EXPECT_EQ(out.at(5, y), 255);
    }
    EXPECT_EQ(out.at(3, 0), 0); // border rows untouched
    EXPECT_EQ(out.at(4, 4), 255);
}

TEST(Sharpening, SingleWhitePixelAtStrengthsOneAndEight)
{
    Picture picture(7, 7, 0);
    picture.set(3, 3, 255);
    const Picture one = filtered(picture, true, 1);
    EXPECT_EQ(one.at(3, 3), 255);
    EXPECT_EQ(one.at(2, 2), 0);
    const Picture eight = filtered(picture, true, 8);
    EXPECT_EQ(eight.at(3, 3), 0);
    EXPECT_EQ(eight.at(2, 2), 255);
    EXPECT_EQ(eight.at(4, 3, 2), 255);
    EXPECT_EQ(eight.at(1, 1), 0);
}

TEST(Sharpening, AreaOfNinetyAndTheHalves)
{
    Picture picture(7, 7, 90);
    picture.set(3, 3, 100);
    const Picture out = filtered(picture, true, 1);
    EXPECT_EQ(out.at(3, 3), 113);
    EXPECT_EQ(out.at(2, 3), 88);
    EXPECT_EQ(out.at(4, 4), 88);

    // A channel of 2 whose neighbours sum to 13: 15 / 6 = 2.5 gives 2.
    Picture halves(3, 3, 0);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            halves.set(x, y, 2);
    halves.set(0, 0, 1);
    halves.set(1, 0, 1);
    halves.set(2, 0, 1); // neighbours: 1+1+1+2+2+2+2+2 = 13
    EXPECT_EQ(filtered(halves, true, 1).at(1, 1), 2);
}

TEST(Sharpening, StrengthFiveClampsAndSevenLeavesThePictureAlone)
{
    Picture a(3, 3, 100);
    a.set(1, 1, 110);
    EXPECT_EQ(filtered(a, true, 5).at(1, 1), 255); // 310 clamped
    Picture b(3, 3, 100);
    EXPECT_EQ(filtered(b, true, 5).at(1, 1), 100);
    Picture c(9, 9, 0);
    c.set(4, 4, 200);
    EXPECT_EQ(filtered(c, true, 7).bytes, c.bytes);
}

TEST(NeighbourhoodFilter, SmallPicturesBorderAndFourthByteUnchanged)
{
    for (auto [w, h] : {std::pair{1, 1}, {2, 9}, {9, 2}, {2, 2}}) {
        const std::vector<std::uint8_t> original = randomBytes(std::size_t(w * h * 4), 3);
        for (bool sharpen : {false, true}) {
            std::vector<std::uint8_t> bytes = original;
            if (sharpen)
                ApplySharpening(original.data(), PixelView{w, h, bytes.data()}, 3);
            else
                ApplySoftening(original.data(), PixelView{w, h, bytes.data()}, 3);
            EXPECT_EQ(bytes, original) << w << "x" << h;
        }
    }
    const int w = 23, h = 17;
    const std::vector<std::uint8_t> original = randomBytes(std::size_t(w * h * 4), 5);
    std::vector<std::uint8_t> bytes = original;
    ApplySharpening(original.data(), PixelView{w, h, bytes.data()}, 9);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int k = 0; k < 4; ++k) {
                const std::size_t i = std::size_t(4 * x + 4 * w * y + k);
                if (k == 3 || x == 0 || y == 0 || x == w - 1 || y == h - 1) {
                    ASSERT_EQ(bytes[i], original[i]) << x << "," << y << "," << k;
                }
            }
}

TEST(NeighbourhoodFilter, FastPathEqualsTheFormulaForEveryStrengthAndOddSizes)
{
    onEveryPath([] {
        for (auto [w, h] : {std::pair{3, 3}, {5, 4}, {17, 9}, {61, 7}, {129, 5}}) {
            const std::vector<std::uint8_t> source = randomBytes(std::size_t(w * h * 4), unsigned(w * 31 + h));
            for (int s = 1; s <= 10; ++s)
                for (bool sharpen : {false, true}) {
                    std::vector<std::uint8_t> fast = source;
                    std::vector<std::uint8_t> plain = source;
                    const NeighbourhoodFormula f = sharpen ? SharpeningFormula(s) : SofteningFormula(s);
                    if (sharpen)
                        ApplySharpening(source.data(), PixelView{w, h, fast.data()}, s);
                    else
                        ApplySoftening(source.data(), PixelView{w, h, fast.data()}, s);
                    if (!(sharpen && s == 7))
                        NeighbourhoodFilterPlain(source.data(), PixelView{w, h, plain.data()}, f);
                    const std::vector<std::uint8_t> expected = referenceFilter(source, w, h, s, sharpen);
                    ASSERT_EQ(fast, expected) << (sharpen ? "sharpen " : "soften ") << s << " " << w << "x" << h;
                    ASSERT_EQ(plain, expected) << "plain " << s << " " << w << "x" << h;
                }
        }
    });
}

TEST(NeighbourhoodFilter, EveryTieOfEveryStrengthRoundsToEven)
{
    onEveryPath([] {
        // Pictures built so that many channels land exactly on halves: small values, where
        // P / D = n + 0.5 happens often.
        const int w = 41, h = 11;
        std::vector<std::uint8_t> source(std::size_t(w * h * 4));
        std::mt19937 random(99);
        for (auto &b : source)
            b = std::uint8_t(random() % 6);
        for (int s = 1; s <= 10; ++s)
            for (bool sharpen : {false, true})
                ASSERT_EQ(filtered(source, w, h, sharpen, s), referenceFilter(source, w, h, s, sharpen)) << s;
    });
}

// The numerators at the ends of their range: white everywhere (softening's largest), lone white
// dots among black (sharpening's largest), lone black dots among white (its most negative) and
// a checkerboard; 45 pixels wide, so whole blocks, a partial block and both borders take them.
TEST(NeighbourhoodFilter, TheLargestNumeratorsOfEveryStrength)
{
    onEveryPath([] {
        const int w = 45, h = 9;
        for (int pattern = 0; pattern < 4; ++pattern) {
            std::vector<std::uint8_t> source(std::size_t(w * h * 4));
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const bool dot = x % 3 == 1 && y % 3 == 1;
                    const bool white = pattern == 0 ? true : pattern == 1 ? dot : pattern == 2 ? !dot : (x + y) % 2 == 0;
                    for (int k = 0; k < 4; ++k)
                        source[std::size_t(4 * (y * w + x) + k)] = white ? 255 : 0;
                }
            for (int s = 1; s <= 10; ++s)
                for (bool sharpen : {false, true})
                    ASSERT_EQ(filtered(source, w, h, sharpen, s), referenceFilter(source, w, h, s, sharpen))
                        << "pattern " << pattern << (sharpen ? " sharpen " : " soften ") << s;
        }
    });
}

// The row path of wide processors checks its division on every numerator before use and steps
// aside when it cannot be exact; every strength must still take it, or the filter quietly runs
// at the slower path's speed. A formula too large for 16-bit lanes is declined untouched.
TEST(NeighbourhoodFilter, TheWidePathTakesEveryStrengthAndDeclinesWhatItCannotHold)
{
    if (!hasWideFilter())
        GTEST_SKIP() << "no wide vectors here";
    const int w = 70;
    const std::vector<std::uint8_t> rows = randomBytes(std::size_t(3 * w * 4), 5);
    const std::uint8_t *up = rows.data(), *mid = up + 4 * w, *down = mid + 4 * w;
    for (bool doubleShifts : {true, false}) {
        setDoubleShiftsEnabled(doubleShifts);
        for (int s = 1; s <= 10; ++s)
            for (bool sharpen : {false, true}) {
                if (sharpen && s == 7)
                    continue;
                const NeighbourhoodFormula f = sharpen ? SharpeningFormula(s) : SofteningFormula(s);
                std::vector<std::uint8_t> out(std::size_t(4 * w), 0);
                EXPECT_TRUE(filterRowAvx512(up, mid, down, out.data(), out.size(), f.centreWeight, f.neighbourWeight, f.divisor))
                    << (sharpen ? "sharpen " : "soften ") << s << (doubleShifts ? "" : " without double shifts");
            }
    }
    setDoubleShiftsEnabled(true);
    std::vector<std::uint8_t> out(std::size_t(4 * w), 7);
    EXPECT_FALSE(filterRowAvx512(up, mid, down, out.data(), out.size(), 100, 100, 900));
    EXPECT_EQ(out, std::vector<std::uint8_t>(out.size(), 7));
}

TEST(NeighbourhoodFilter, IntoASeparateOutputGivesTheSameBytes)
{
    onEveryPath([] {
        for (auto [w, h] : {std::pair{1, 1}, {2, 7}, {3, 3}, {40, 30}, {33, 21}, {61, 9}}) {
            const std::vector<std::uint8_t> source = randomBytes(std::size_t(w * h * 4), unsigned(w + 7 * h));
            for (int s = 1; s <= 10; ++s)
                for (bool sharpen : {false, true}) {
                    NeighbourhoodFormula f = sharpen ? SharpeningFormula(s) : SofteningFormula(s);
                    std::vector<std::uint8_t> inPlace = source;
                    NeighbourhoodFilter(source.data(), PixelView{w, h, inPlace.data()}, f);
                    std::vector<std::uint8_t> into(source.size(), 0xab);
                    NeighbourhoodFilterInto(source.data(), PixelView{w, h, into.data()}, f);
                    ASSERT_EQ(into, inPlace) << w << "x" << h << (sharpen ? " sharpen " : " soften ") << s;
                }
        }
    });
}
