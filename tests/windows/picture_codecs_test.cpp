// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/pictures/bmp_writer.h"
#include "tools/pictures/gif_writer.h"
#include "tools/pictures/palette.h"

#include <QBuffer>
#include <QHashSeed>
#include <QImage>
#include <QImageReader>
#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace tarvik::testing {
namespace {

using namespace pictures;

QImage Decode(QByteArray bytes, const char* format) {
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer, format);
    return reader.read();
}

QList<QRgb> DistinctColours(int count, unsigned seed) {
    std::mt19937 random(seed);
    QList<QRgb> colours;
    while (colours.size() < count) {
        const QRgb colour =
            qRgb(static_cast<int>(random() % 256), static_cast<int>(random() % 256), static_cast<int>(random() % 256));
        if (!colours.contains(colour)) colours.append(colour);
    }
    return colours;
}

// `image` with each pixel set to `pixel(x, y)`: a colour, or for an indexed
// picture an index into its colour table.
QImage Painted(QImage image, const std::function<uint(int, int)>& pixel) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, pixel(x, y));
    }
    return image;
}

QImage IndexedImage(int width, int height, int colours, const std::function<int(int, int)>& index) {
    QImage image(width, height, QImage::Format_Indexed8);
    image.setColorTable(DistinctColours(colours, 7));
    return Painted(image, [&](int x, int y) { return static_cast<uint>(index(x, y) % colours); });
}

// Every pixel of `got` has the colour of `want`'s (for an indexed picture,
// the colour its index names), compared in the bits of `mask`.
::testing::AssertionResult SamePixels(const QImage& expected, const QImage& actual, QRgb mask = 0xFFFFFFu) {
    if (actual.size() != expected.size()) return ::testing::AssertionFailure() << "size differs";
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb want = expected.pixel(x, y) & mask;
            const QRgb got = actual.pixel(x, y) & mask;
            if (want != got) {
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << ") is " << std::hex << got << " instead of " << want;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

struct GifCase {
    const char* name;
    int width;
    int height;
    int colours;
    std::function<int(int, int)> index;
};

class GifRoundTrip : public ::testing::TestWithParam<GifCase> {};

TEST_P(GifRoundTrip, QtReadsBackEveryPixel) {
    const GifCase& c = GetParam();
    const QImage image = IndexedImage(c.width, c.height, c.colours, c.index);
    const QByteArray gif = EncodeGif(image);
    ASSERT_FALSE(gif.isEmpty());
    EXPECT_TRUE(gif.startsWith("GIF89a"));
    EXPECT_EQ(static_cast<quint8>(gif.at(6)) | (static_cast<quint8>(gif.at(7)) << 8), c.width);
    EXPECT_EQ(static_cast<quint8>(gif.at(8)) | (static_cast<quint8>(gif.at(9)) << 8), c.height);
    EXPECT_EQ(static_cast<quint8>(gif.at(10)), 0xF7) << "global table of 256 colours";
    EXPECT_EQ(gif.back(), ';');
    EXPECT_TRUE(SamePixels(image, Decode(gif, "gif")));
}

std::function<int(int, int)> Noise(unsigned seed) {
    auto random = std::make_shared<std::mt19937>(seed);
    return [random](int, int) { return static_cast<int>((*random)() % 256); };
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, GifRoundTrip,
    ::testing::Values(GifCase{"OnePixel", 1, 1, 1, [](int, int) { return 0; }},
                      GifCase{"TwoColourStripes", 17, 5, 2, [](int x, int) { return x; }},
                      GifCase{"AllIndicesDiagonal", 256, 64, 256, [](int x, int y) { return x + y; }},
                      GifCase{"OneColourWholeSplash", 404, 292, 8, [](int, int) { return 7; }},
                      GifCase{"LongRunsOfFewColours", 404, 292, 16, [](int x, int y) { return (x / 37 + y / 11); }},
                      // Noise fills the 4096-code table many times over.
                      GifCase{"NoiseFillsTheTableRepeatedly", 300, 300, 256, Noise(1)},
                      GifCase{"TallNarrow", 1, 700, 256, Noise(2)}),
    [](const ::testing::TestParamInfo<GifCase>& info) { return std::string(info.param.name); });

// The code width grows at 512, 1024 and 2048 table entries, and the last
// code before the end code must already use the grown width when the reader
// is about to grow. Noise rows of every length across the first two
// boundaries put the end of the data on each side of them.
TEST(GifCodeWidth, EveryLengthAcrossTheFirstWidthChangesReadsBack) {
    for (int length = 240; length <= 800; ++length) {
        const QImage image = IndexedImage(length, 1, 256, Noise(static_cast<unsigned>(length)));
        ASSERT_TRUE(SamePixels(image, Decode(EncodeGif(image), "gif"))) << "row of " << length << " pixels";
    }
}

TEST(GifWriter, RefusesPicturesThatAreNotIndexed) {
    const QImage cases[] = {QImage(), QImage(4, 4, QImage::Format_RGB32), QImage(4, 4, QImage::Format_Grayscale8)};
    for (const QImage& image : cases) EXPECT_TRUE(EncodeGif(image).isEmpty()) << "format " << image.format();
}

struct BmpCase {
    int width;
    int height;
};

class BmpRoundTrip : public ::testing::TestWithParam<BmpCase> {};

TEST_P(BmpRoundTrip, Writes24BitRowsPaddedToFourBytes) {
    const auto [width, height] = GetParam();
    const QImage image = Painted(QImage(width, height, QImage::Format_RGB32),
                                 [](int x, int y) { return qRgb((x * 37) % 256, (y * 59) % 256, (x * y) % 256); });
    const QByteArray bmp = EncodeBmp24(image);
    const int stride = (width * 3 + 3) / 4 * 4;
    ASSERT_EQ(bmp.size(), 54 + stride * height);
    EXPECT_TRUE(bmp.startsWith("BM"));
    EXPECT_EQ(static_cast<quint8>(bmp.at(28)), 24);  // bits per pixel
    EXPECT_EQ(bmp.mid(30, 4), QByteArray(4, '\0'));  // BI_RGB
    EXPECT_TRUE(SamePixels(image, Decode(bmp, "bmp")));
}

// Widths 1 to 5 need 3, 2, 1, 0 and 3 bytes of padding per row.
INSTANTIATE_TEST_SUITE_P(Sizes, BmpRoundTrip,
                         ::testing::Values(BmpCase{1, 1}, BmpCase{2, 3}, BmpCase{3, 2}, BmpCase{4, 4}, BmpCase{5, 7},
                                           BmpCase{400, 233}));

class FewColours : public ::testing::TestWithParam<int> {};

TEST_P(FewColours, AreKeptExactly) {
    const int count = GetParam();
    const QList<QRgb> colours = DistinctColours(count, 11);
    const QImage image =
        Painted(QImage(64, 48, QImage::Format_RGB32), [&](int x, int y) { return colours[(x * 7 + y * 13) % count]; });
    const QImage indexed = ToIndexed256(image);
    ASSERT_EQ(indexed.format(), QImage::Format_Indexed8);
    EXPECT_EQ(indexed.colorCount(), kPaletteSize);
    EXPECT_TRUE(SamePixels(image, indexed, 0xFFFFFFFFu)) << "alpha included";
}

INSTANTIATE_TEST_SUITE_P(Counts, FewColours, ::testing::Values(1, 2, 200, 256));

TEST(ManyColours, AreReducedTo256WithSmallError) {
    const QImage image =  // 65536 colours
        Painted(QImage(256, 256, QImage::Format_RGB32), [](int x, int y) { return qRgb(x, y, (x + y) / 4); });
    const QImage indexed = ToIndexed256(image);
    ASSERT_EQ(indexed.colorCount(), kPaletteSize);
    int worst = 0;
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            const QRgb a = image.pixel(x, y);
            const QRgb b = indexed.pixel(x, y);
            worst = std::max(
                {worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
        }
    }
    EXPECT_LE(worst, 16);
}

// The pictures are committed; making them again must give the same bytes,
// whatever order the process's hashing happens to visit the colours in.
TEST(ManyColours, ReductionDoesNotDependOnHashOrder) {
    // Irregular colours, many sharing a channel value, so that the order
    // they are met in could decide which side of a cut they fall on.
    std::mt19937 random(5);
    const auto channel = [&] { return static_cast<int>(random() % 32) * 8; };
    const QImage image = Painted(QImage(200, 200, QImage::Format_RGB32),
                                 [&](int, int) { return qRgb(channel(), channel(), channel()); });
    QHashSeed::setDeterministicGlobalSeed();
    const QImage first = ToIndexed256(image);
    QHashSeed::resetRandomGlobalSeed();
    const QImage second = ToIndexed256(image);
    EXPECT_EQ(first.colorTable(), second.colorTable());
    EXPECT_EQ(first, second);
}

}  // namespace
}  // namespace tarvik::testing
