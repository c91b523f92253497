// SPDX-License-Identifier: GPL-3.0-or-later
// From image to chip and back: chip files for every chip type, read-backs
// verified copy by copy, images extracted, fingerprints.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "tables/chips/chips.h"
#include "tests/support/image_oracle.h"
#include "tests/tables/tool_run.h"

namespace tarvik::tables {
namespace {

using namespace Qt::Literals::StringLiterals;

class ChipsTest : public ToolFolderTest {
protected:
    void SetUp() override {
        ToolFolderTest::SetUp();
        std::mt19937 rng(17);
        image_ = testing::oracle::RandomImage(rng);
        Write(u"image.bin"_s, Bytes(image_));
    }
    // Paths for the file names among the arguments.
    [[nodiscard]] Finished Run(QStringList arguments) const {
        for (QString& argument : arguments) {
            if (argument.endsWith(u".bin"_s)) argument = Path(argument);
        }
        return RunInProcess(arguments);
    }

    ImageBytes image_{};
};

TEST_F(ChipsTest, ChipThenVerifyThenExtractGivesTheImageForEveryChip) {
    for (const ChipType& chip : kChipTypes) {
        const QString name = QString::fromUtf8(chip.name.data(), static_cast<qsizetype>(chip.name.size()));
        const QString file = name.toLower() + u".bin"_s;
        ASSERT_EQ(Run({u"chip"_s, u"image.bin"_s, u"--chip"_s, name.toLower(), u"-o"_s, file}).status, 0)
            << file.toStdString();
        EXPECT_EQ(Read(file), Bytes(image_).repeated(static_cast<qsizetype>(chip.bytes / kImageSize)))
            << file.toStdString();
        const Finished verify = Run({u"verify"_s, u"image.bin"_s, file});
        EXPECT_EQ(verify.status, 0) << verify.out;
        EXPECT_NE(verify.out.find(chip.bytes == kImageSize ? "its one copy" : "all "), std::string::npos);
        EXPECT_EQ(Run({u"extract"_s, file, u"-o"_s, u"x"_s + file}).status, 0) << file.toStdString();
        EXPECT_EQ(Read(u"x"_s + file), Bytes(image_)) << file.toStdString();
    }
}

// A 32 KB read-back of the image, spoilt as burns and reads go wrong.
TEST_F(ChipsTest, ReadBacksAreJudgedCopyByCopy) {
    const std::vector<std::uint8_t> chip = ChipContents(image_, 32768);
    const auto spoilt = [&](const std::function<void(std::vector<std::uint8_t>&)>& spoil) {
        std::vector<std::uint8_t> dump = chip;
        spoil(dump);
        return Bytes(dump);
    };
    const std::size_t revLimit = Layout(Family::RL).offset;
    const struct {
        const char* name;
        QByteArray dump;
        QStringList arguments;  // "dump.bin" is the read-back
        int status;
        std::vector<std::string> said;  // on standard output and error
        QByteArray written;             // by extract into "out.bin"; null: nothing
    } cases[] = {
        {"OneCopyErased",
         spoilt([](auto& d) { std::fill(d.begin() + 0x2000, d.begin() + 0x3000, 0xFF); }),
         {u"verify"_s, u"image.bin"_s, u"dump.bin"_s},
         1,
         {"Copy 1 (0x1000-0x1FFF): same\n", "Copy 2 (0x2000-0x2FFF): erased (all 0xFF)\n"},
         {}},
        {"StuckBits",
         // One bit that stayed 1: the lowest the image has at 0.
         spoilt([&](auto& d) {
             const std::uint8_t b = image_[revLimit];
             d[0x5000 + revLimit] = static_cast<std::uint8_t>(b | (~b & (b + 1)));
         }),
         {u"verify"_s, u"image.bin"_s, u"dump.bin"_s},
         1,
         {"Copy 5 (0x5000-0x5FFF): 1 byte of 4096 differs", "Rev limit\n    ",
          "1 byte with bits at 1 here where the image has 0: not programmed"},
         {}},
        {"ShiftedBy0x100",
         spoilt([](auto& d) { std::rotate(d.begin(), d.end() - 0x100, d.end()); }),
         {u"verify"_s, u"image.bin"_s, u"dump.bin"_s},
         1,
         {"Copy 0 (0x0000-0x0FFF): ", "The image is in the dump at 0x0100, 0x1100, ", "wrong start address"},
         {}},
        {"WrongSize",
         Bytes(chip).left(5000),
         {u"verify"_s, u"image.bin"_s, u"dump.bin"_s},
         2,
         {"A read-back has to be 4, 8, 16, 32 or 64 KB long (the size of a chip); it is 5000 bytes."},
         {}},
        {"ExtractRefusesCopiesThatDisagree",
         spoilt([](auto& d) { std::fill(d.begin() + 0x7000, d.end(), 0xFF); }),
         {u"extract"_s, u"dump.bin"_s, u"-o"_s, u"out.bin"_s},
         1,
         {"Copy 7 (0x7000-0x7FFF): erased (all 0xFF)", "Nothing written; --copy N takes one of them."},
         {}},
        // An erased copy is no image: taken only when asked for twice.
        {"ExtractTakesTheCopyAskedFor",
         spoilt([](auto& d) { std::fill(d.begin() + 0x7000, d.end(), 0xFF); }),
         {u"extract"_s, u"dump.bin"_s, u"-o"_s, u"out.bin"_s, u"--copy"_s, u"7"_s, u"--allow-blank"_s},
         0,
         {},
         QByteArray(4096, '\xFF')},
        {"ExtractCopyOutOfRange",
         Bytes(chip),
         {u"extract"_s, u"dump.bin"_s, u"-o"_s, u"out.bin"_s, u"--copy"_s, u"8"_s},
         2,
         {"--copy takes 0 to 7"},
         {}},
        {"UnknownChip",
         Bytes(chip),
         {u"chip"_s, u"image.bin"_s, u"--chip"_s, u"2716"_s, u"-o"_s, u"out.bin"_s},
         2,
         {"There is no chip \"2716\"; the chips are 2732, 2732A, "},
         {}},
        {"InfoSaysTheCopiesDisagree",
         spoilt([](auto& d) { d[0x10] ^= 1; }),
         {u"info"_s, u"dump.bin"_s},
         0,
         {"Size     32768 bytes (8 copies of 4096)", "Copies   not all the same"},
         {}},
    };
    for (const auto& c : cases) {
        Write(u"dump.bin"_s, c.dump);
        QFile::remove(Path(u"out.bin"_s));
        const Finished run = Run(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.name << "\n" << run.out << run.err;
        for (const std::string& part : c.said)
            EXPECT_NE((run.out + run.err).find(part), std::string::npos) << c.name << ": " << part << "\n"
                                                                         << run.out << run.err;
        EXPECT_EQ(Read(u"out.bin"_s), c.written) << c.name;
    }
}

// Check values every implementation of the three is known by.
TEST(Fingerprint, IsWhatProgrammersAndToolsCompute) {
    const std::string text = "123456789";
    const Fingerprint print = FingerprintOf(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    EXPECT_EQ(SumText(print.sum), "0x01DD");
    EXPECT_EQ(CrcText(print.crc32), "0xCBF43926");
    EXPECT_EQ(print.sha256, "15e2b0d3c33891ebb0f1ef609ec419420c20e320ce94c65fbc8c3312448eb225");
    const std::vector<std::uint8_t> full(65536, 0xFF);  // the sum wraps round 65536
    EXPECT_EQ(SumText(FingerprintOf(full).sum), "0x0000");
}

}  // namespace
}  // namespace tarvik::tables
