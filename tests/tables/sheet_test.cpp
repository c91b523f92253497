// SPDX-License-Identifier: GPL-3.0-or-later
// The map sheet as tarvik-tables sheet writes it, in this process: every
// format with and without a base, what its text says and what colours its
// cells are filled with.

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <cstdio>
#include <fstream>

#include "platform/file_names.h"
#include "tables/chips/chips.h"
#include "tables/formats/edits.h"
#include "tables/sheet/sheet.h"
#include "tests/support/qt_printers.h"
#include "tests/tables/tool_run.h"

namespace tarvik::tables {
namespace {

using namespace Qt::Literals::StringLiterals;

[[nodiscard]] ImageBytes DemoImage() { return ImageFromFile(QString::fromUtf8(TARVIK_DEMO_IMAGE)); }

[[nodiscard]] QString First16(const ImageBytes& image) {
    return QString::fromStdString(FingerprintOf(image).sha256.substr(0, 16));
}

// The fill of the fuel map's cell in a PNG sheet, away from its text.
[[nodiscard]] QColor FillAt(const QImage& sheet, int row, int column) {
    const QRectF cell = FuelCellRect(row, column);
    const double perMm = kSheetPngDpi / 25.4;
    return sheet.pixelColor(static_cast<int>((cell.left() + cell.width() * 0.15) * perMm),
                            static_cast<int>((cell.top() + cell.height() * 0.15) * perMm));
}

// Within one step of 8 bits: anti-aliasing and the PNG's rounding.
[[nodiscard]] bool Near(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) <= 1 && std::abs(a.green() - b.green()) <= 1 &&
           std::abs(a.blue() - b.blue()) <= 1;
}

// Whether the middle of the cell, where its value stands, holds a pixel of
// that ink.
[[nodiscard]] bool HasInk(const QImage& sheet, int row, int column, const QColor& ink) {
    const QRectF cell = FuelCellRect(row, column);
    const double perMm = kSheetPngDpi / 25.4;
    for (double y = cell.top() + cell.height() * 0.3; y < cell.bottom() - cell.height() * 0.3; y += 1 / perMm) {
        for (double x = cell.left() + cell.width() * 0.25; x < cell.right() - cell.width() * 0.25; x += 1 / perMm) {
            if (Near(sheet.pixelColor(static_cast<int>(x * perMm), static_cast<int>(y * perMm)), ink)) return true;
        }
    }
    return false;
}

TEST(SheetTest, EveryFormatWithAndWithoutABase) {
    // The command draws through the module it loads, as the program does.
    qputenv("TARVIK_SHEET_MODULE", TARVIK_SHEET_MODULE_FILE);
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const ImageBytes demo = DemoImage();
    const QString demoPath = QString::fromUtf8(TARVIK_DEMO_IMAGE);
    // The variant: one fuel-map cell richer by 14, one leaner by 10, and a
    // warm-up cell; the demo's map runs from 150 to 945.
    const ApplyResult variant = ApplyEdits(demo, {{Family::Data, CellAt(0, 3), "419", ""},
                                                  {Family::Data, CellAt(12, 2), "230", ""},
                                                  {Family::WE, 14, "20", ""}});
    ASSERT_EQ(variant.error, "");
    const QString variantPath = folder.filePath(u"variant.bin"_s);
    {
        QFile file(variantPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(variant.image.data()), 4096);
    }

    struct Case {
        QString out;
        bool withBase;
        int status;
        QByteArray start;  // the file's first bytes; nothing written when empty
    };
    const Case cases[] = {
        {u"plain.pdf"_s, false, kSuccess, "%PDF-"},   {u"plain.svg"_s, false, kSuccess, "<?xml"},
        {u"plain.png"_s, false, kSuccess, "\x89PNG"}, {u"changes.PDF"_s, true, kSuccess, "%PDF-"},
        {u"changes.svg"_s, true, kSuccess, "<?xml"},  {u"changes.png"_s, true, kSuccess, "\x89PNG"},
        {u"picture.jpg"_s, false, kTrouble, {}},
    };
    for (const Case& c : cases) {
        const QString out = folder.filePath(c.out);
        QStringList arguments{u"sheet"_s, c.withBase ? variantPath : demoPath, u"--output"_s, out};
        if (c.withBase) arguments << u"--base"_s << demoPath;
        const Finished run = RunInProcess(arguments);
        EXPECT_EQ(run.status, c.status) << c.out.toStdString() << ": " << run.err;
        QFile file(out);
        EXPECT_EQ(file.open(QIODevice::ReadOnly), !c.start.isEmpty()) << c.out.toStdString();
        const QByteArray data = file.isOpen() ? file.readAll() : QByteArray();
        EXPECT_TRUE(data.startsWith(c.start)) << c.out.toStdString();

        if (c.out.endsWith(u".svg"_s)) {
            // Texts as Qt SVG writes them: each in an element of its own.
            const QString text = QString::fromUtf8(data);
            const QString image = First16(c.withBase ? variant.image : demo);
            EXPECT_TRUE(text.contains(image)) << c.out.toStdString();
            EXPECT_TRUE(text.contains(First16(demo))) << c.out.toStdString();  // the base's, with one
            EXPECT_TRUE(text.contains(u">945</text>"_s) && text.contains(u">6096 rpm</text>"_s));
            EXPECT_EQ(text.contains(u">419</text>"_s), c.withBase);
            EXPECT_EQ(text.contains(u">+14</text>"_s), c.withBase);
            EXPECT_EQ(text.contains(u">-10</text>"_s), c.withBase);
            EXPECT_EQ(text.contains(u"2 of 256 changed"_s), c.withBase);
            EXPECT_EQ(text.contains(u"1 of 17 changed"_s), c.withBase);
        }
        if (c.out.endsWith(u".png"_s)) {
            const QImage sheet = QImage::fromData(data, "PNG");
            EXPECT_EQ(sheet.size(), QSize(1754, 1240));  // A4 landscape at 150 dpi
            // The lowest value (150 at the bottom left) at the colour map's
            // first entry, the highest (945, top right) at its last, as
            // published; a cell between them where the map puts it.
            EXPECT_TRUE(Near(FillAt(sheet, 15, 0), QColor(68, 1, 84))) << FillAt(sheet, 15, 0).name().toStdString();
            EXPECT_TRUE(Near(FillAt(sheet, 0, 15), QColor(253, 231, 37)));
            EXPECT_TRUE(Near(FillAt(sheet, 7, 8), MapColour((518.0 - 150) / (945 - 150))));
            // The value readable on its fill: white on the darkest, black on
            // the lightest.
            EXPECT_TRUE(HasInk(sheet, 15, 0, Qt::white) && !HasInk(sheet, 15, 0, Qt::black));
            EXPECT_TRUE(HasInk(sheet, 0, 15, Qt::black) && !HasInk(sheet, 0, 15, Qt::white));
        }
    }
}

// Any name makes a well-formed SVG, its title and texts read back by an XML
// reader with control characters and bytes that are not UTF-8 escaped; a
// long name gives way to the date and the fingerprint, never they to it.
TEST(SheetTest, EveryNameMakesAWellFormedSvg) {
    qputenv("TARVIK_SHEET_MODULE", TARVIK_SHEET_MODULE_FILE);
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const ImageBytes demo = DemoImage();
    const Fingerprint print = FingerprintOf(demo);
    const QString fingerprint =
        u"    sum %1    SHA-256 %2"_s.arg(QString::fromStdString(SumText(print.sum)), First16(demo));
    const QString longName =
        u"Saab 900 Turbo 16 S Aero B202, 3 inch exhaust, hybrid TD04 turbo, "
        u"stage 2 map for 98 RON fuel, December.bin"_s;
    const struct {
        QByteArray bytes;
        QString shown;
    } cases[] = {
        {longName.toUtf8(), longName},
        {"R&D tune.bin", u"R&D tune.bin"_s},
        {"a&b<c>\"d'.bin", u"a&b<c>\"d'.bin"_s},
        {"ctl\x1b[2J\x07\x01.bin", u"ctl\\x1b[2J\\x07\\x01.bin"_s},
        {"latin1-\xe9.bin", u"latin1-\\xe9.bin"_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown.toStdString());
        // Written and removed by the bytes of the name: Qt's own calls take
        // a name that is not UTF-8 for another.
        const std::string raw = QFile::encodeName(folder.path()).toStdString() + '/' + c.bytes.toStdString();
        std::ofstream(raw, std::ios::binary)
            .write(reinterpret_cast<const char*>(demo.data()), static_cast<std::streamsize>(demo.size()));
        const QString path = folder.path() + u'/' + FileNameFromBytes(c.bytes);
        const QString out = folder.filePath(u"sheet.svg"_s);
        QFile::remove(out);
        const Finished run = RunInProcess({u"sheet"_s, path, u"--base"_s, path, u"-o"_s, out});
        std::remove(raw.c_str());
        ASSERT_EQ(run.status, kSuccess) << run.err;
        QFile file(out);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        QXmlStreamReader svg(&file);
        QString title;
        QStringList texts;
        while (!svg.atEnd()) {
            if (svg.readNext() != QXmlStreamReader::StartElement) continue;
            if (svg.name() == u"title"_s) title = svg.readElementText();
            if (svg.name() == u"text"_s) texts << svg.readElementText();
        }
        EXPECT_FALSE(svg.hasError()) << svg.errorString().toStdString();
        EXPECT_EQ(title, c.shown + u" against "_s + c.shown);
        const bool elided = c.shown == longName;
        EXPECT_EQ(texts.contains(c.shown), !elided);
        EXPECT_EQ(texts.filter(u"\u2026"_s).size(), elided ? 1 : 0) << texts.join(u'\n').toStdString();
        EXPECT_EQ(std::count_if(texts.begin(), texts.end(),
                                [&](const QString& text) {
                                    return text.startsWith(u"against the base "_s) && text.endsWith(fingerprint);
                                }),
                  1);
    }
}

}  // namespace
}  // namespace tarvik::tables
