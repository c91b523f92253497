// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/pictures.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <gtest/gtest.h>

#include <cstdlib>

namespace tarvik::testing {
namespace {

QByteArray ResourceBytes(const char* path) {
    QFile file(QString::fromLatin1(path));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

quint32 LittleEndian(const QByteArray& bytes, int at, int size) {
    quint32 value = 0;
    for (int i = size - 1; i >= 0; --i) value = (value << 8) | static_cast<quint8>(bytes.at(at + i));
    return value;
}

struct PictureCase {
    const char* path;
    const char* format;  // as Qt's image reader names it
    QSize size;
};

class CarriedPicture : public ::testing::TestWithParam<PictureCase> {};

TEST_P(CarriedPicture, IsCarriedAndReadableAtItsSize) {
    const PictureCase& c = GetParam();
    QByteArray bytes = ResourceBytes(c.path);
    ASSERT_FALSE(bytes.isEmpty()) << c.path << " is not among the resources";
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer);
    EXPECT_EQ(reader.format().toStdString(), c.format);
    const QImage image = reader.read();
    ASSERT_FALSE(image.isNull()) << reader.errorString().toStdString();
    EXPECT_EQ(image.size(), c.size);
}

INSTANTIATE_TEST_SUITE_P(Pictures, CarriedPicture,
                         ::testing::Values(PictureCase{kSplashPicturePath, "gif", QSize(404, 292)},
                                           PictureCase{kAboutPicturePath, "bmp", QSize(400, 233)},
                                           PictureCase{kIconPicturePath, "png", QSize(32, 32)}));

TEST(SplashPicture, IsAGifWithA256ColourGlobalTable) {
    const QByteArray gif = ResourceBytes(kSplashPicturePath);
    ASSERT_GE(gif.size(), 13 + 3 * 256);
    EXPECT_TRUE(gif.startsWith("GIF89a") || gif.startsWith("GIF87a"));
    EXPECT_EQ(LittleEndian(gif, 6, 2), 404u);
    EXPECT_EQ(LittleEndian(gif, 8, 2), 292u);
    const auto flags = static_cast<quint8>(gif.at(10));
    EXPECT_TRUE(flags & 0x80) << "no global colour table";
    EXPECT_EQ(2 << (flags & 0x07), 256);
}

TEST(AboutPicture, IsAnUncompressed24BitBitmap) {
    const QByteArray bmp = ResourceBytes(kAboutPicturePath);
    ASSERT_GE(bmp.size(), 54);
    EXPECT_TRUE(bmp.startsWith("BM"));
    EXPECT_GE(LittleEndian(bmp, 14, 4), 40u) << "info header too small";
    EXPECT_EQ(static_cast<qint32>(LittleEndian(bmp, 18, 4)), 400);
    EXPECT_EQ(std::abs(static_cast<qint32>(LittleEndian(bmp, 22, 4))), 233);
    EXPECT_EQ(LittleEndian(bmp, 28, 2), 24u) << "bits per pixel";
    EXPECT_EQ(LittleEndian(bmp, 30, 4), 0u) << "compression must be BI_RGB";
    const quint32 offset = LittleEndian(bmp, 10, 4);
    EXPECT_GE(static_cast<quint32>(bmp.size()), offset + 400u * 3u * 233u);
}

TEST(ProgramIcon, Is32By32With256Colours) {
    const QIcon icon = ProgramIcon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_TRUE(icon.availableSizes().contains(QSize(32, 32)));
    const QImage image(QString::fromLatin1(kIconPicturePath));
    EXPECT_EQ(image.format(), QImage::Format_Indexed8);
    EXPECT_EQ(image.colorCount(), 256);
}

}  // namespace
}  // namespace tarvik::testing
