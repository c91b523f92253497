// SPDX-License-Identifier: GPL-3.0-or-later
// The emulator commands against a simulated Ostrich 2.0 on a
// pseudo-terminal, through the real serial-port code: what reaches its RAM,
// what is said, and every fault ending with a message and a status, never a
// hang.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QThread>
#include <random>
#include <thread>

#include "tables/chips/chips.h"
#include "tables/devices/ostrich.h"
#include "tests/support/image_oracle.h"
#include "tests/support/simulated_ostrich.h"
#include "tests/tables/tool_run.h"

namespace tarvik::tables {
namespace {

using namespace Qt::Literals::StringLiterals;
using Fault = testing::SimulatedOstrich::Fault;

class EmulatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.isValid());
        std::mt19937 rng(18);
        image_ = testing::oracle::RandomImage(rng);
        Save(image_);
    }
    void Save(const ImageBytes& image) const {
        // As the editor's Save As: a finished copy takes the name.
        QSaveFile file(Path(u"image.bin"_s));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(image.data()), static_cast<qint64>(image.size()));
        ASSERT_TRUE(file.commit());
    }
    [[nodiscard]] QString Path(const QString& name) const { return folder_.filePath(name); }
    [[nodiscard]] std::vector<std::uint8_t> Filled(const ImageBytes& image) const {
        return ChipContents(image, kBankBytes);
    }

    QTemporaryDir folder_;
    ImageBytes image_{};
};

TEST_F(EmulatorTest, CommandsAndFaults) {
    const struct {
        const char* name;
        Fault fault;
        int after;              // writes before the cable is pulled
        int loaded;             // bank 2 before: 0 erased, 1 the image, 2 the image with slot 3 erased
        QStringList arguments;  // "image.bin" and "out.bin" are in the test's folder
        int status;
        std::vector<std::string> said;
        bool bankHoldsImage;  // bank 2 afterwards, in every slot
        int emulated;
    } cases[] = {
        {"Info",
         Fault::None,
         0,
         0,
         {u"info"_s},
         0,
         {"Ostrich 2.0, firmware revision 7, serial number 4D:01:02:03:04:05:06:07:08"},
         false,
         0},
        {"Upload",
         Fault::None,
         0,
         0,
         {u"upload"_s, u"image.bin"_s, u"--bank"_s, u"2"_s},
         0,
         {"is in bank 2 of the emulator", "emulated"},
         true,
         2},
        {"Verify",
         Fault::None,
         0,
         1,
         {u"verify"_s, u"image.bin"_s, u"--bank"_s, u"2"_s},
         0,
         {"Bank 2 of the emulator holds"},
         true,
         0},
        {"Download", Fault::None, 0, 1, {u"download"_s, u"--bank"_s, u"2"_s, u"-o"_s, u"out.bin"_s}, 0, {}, true, 0},
        {"DownloadOfSlotsThatDiffer",
         Fault::None,
         0,
         2,
         {u"download"_s, u"--bank"_s, u"2"_s, u"-o"_s, u"out.bin"_s},
         1,
         {"Copy 3 (0x3000-0x3FFF): erased (all 0xFF)", "Nothing written"},
         false,
         0},
        {"BitFlippedOnReadBack",
         Fault::FlippedBit,
         0,
         0,
         {u"upload"_s, u"image.bin"_s},
         1,
         {"Copy 0 (0x0000-0x0FFF): 1 byte of 4096 differs", "Bank 0 is not emulated."},
         false,
         0},
        {"WrongChecksum",
         Fault::WrongChecksum,
         0,
         1,
         {u"verify"_s, u"image.bin"_s, u"--bank"_s, u"2"_s},
         2,
         {"Cannot work with the emulator at ", "the checksum of the bytes read at 0000 is wrong"},
         true,
         0},
        {"Refused",
         Fault::Refuse,
         0,
         0,
         {u"upload"_s, u"image.bin"_s},
         2,
         {"the emulator refused the command ('?')"},
         false,
         0},
        {"Silent", Fault::Silent, 0, 0, {u"info"_s}, 2, {"no answer within 500 ms"}, false, 0},
        {"CablePulledDuringUpload",
         Fault::Unplugged,
         40,
         0,
         {u"upload"_s, u"image.bin"_s},
         2,
         {"Cannot work with the emulator at "},
         false,
         0},
        {"NoSuchPort",
         Fault::None,
         0,
         0,
         {u"info"_s, u"--port"_s, u"/dev/no-such-port"_s},
         2,
         {"There is no such port."},
         false,
         0},
        {"BankOutOfRange",
         Fault::None,
         0,
         0,
         {u"verify"_s, u"image.bin"_s, u"--bank"_s, u"8"_s},
         2,
         {"--bank takes 0 to 7."},
         false,
         0},
    };
    for (const auto& c : cases) {
        testing::SimulatedOstrich ostrich(c.fault, c.after);
        std::vector<std::uint8_t> bank = Filled(image_);
        if (c.loaded == 2) std::fill(bank.begin() + 0x3000, bank.begin() + 0x4000, 0xFF);
        if (c.loaded > 0) ostrich.Load(2, bank);
        QStringList arguments{u"emulator"_s};
        for (const QString& argument : c.arguments)
            arguments << (argument.endsWith(u".bin"_s) ? Path(argument) : argument);
        if (!arguments.contains(u"--port"_s)) arguments << u"--port"_s << ostrich.Port();
        QFile::remove(Path(u"out.bin"_s));
        QElapsedTimer clock;
        clock.start();
        const Finished run = RunInProcess(arguments);
        EXPECT_EQ(run.status, c.status) << c.name << "\n" << run.out << run.err;
        for (const std::string& part : c.said)
            EXPECT_NE((run.out + run.err).find(part), std::string::npos) << c.name << ": " << part << "\n"
                                                                         << run.out << run.err;
        EXPECT_EQ(ostrich.Bank(2) == Filled(image_), c.bankHoldsImage) << c.name;
        EXPECT_EQ(ostrich.EmulatedBank(), c.emulated) << c.name;
        EXPECT_LT(clock.elapsed(), 5000) << c.name << ": a fault must end the command, not hang it";
        if (std::string(c.name) == "Download") {
            QFile out(Path(u"out.bin"_s));
            ASSERT_TRUE(out.open(QIODevice::ReadOnly));
            EXPECT_EQ(out.readAll(), QByteArray(reinterpret_cast<const char*>(image_.data()), 4096));
        }
    }
}

// Two saves while watching: only the 256-byte blocks that changed go to the
// emulator, in every slot.
TEST_F(EmulatorTest, WatchWritesOnlyTheBlocksThatChanged) {
    testing::SimulatedOstrich ostrich;
    CapturedConsole console;
    int status = -1;
    // A thread of Qt's: the serial port watches its device with Qt's own
    // notifiers.
    std::unique_ptr<QThread> watch(QThread::create([&] {
        status = RunInProcess({u"emulator"_s, u"watch"_s, Path(u"image.bin"_s), u"--port"_s, ostrich.Port()}, console);
    }));
    watch->start();
    const auto lines = [&] {
        const std::string out = console.OutSoFar();
        return std::count(out.begin(), out.end(), '\n');
    };
    const auto waitFor = [&](long count) {
        QElapsedTimer clock;
        clock.start();
        while (lines() < count && clock.elapsed() < 10000) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return lines();
    };
    EXPECT_EQ(waitFor(1), 1) << console.OutSoFar();
    EXPECT_EQ(ostrich.Writes(), 16 * 16);  // the whole image, every slot

    ImageBytes edited = image_;
    edited[Layout(Family::RL).offset] ^= 1;  // one block
    Save(edited);
    EXPECT_EQ(waitFor(2), 2) << console.OutSoFar();
    edited[kFuelLowOffset] ^= 1;  // two more, the fuel map's low and packed bytes
    edited[kFuelPackedOffset] ^= 1;
    Save(edited);
    EXPECT_EQ(waitFor(3), 3) << console.OutSoFar();
    EXPECT_EQ(ostrich.Writes(), 16 * 16 + 1 * 16 + 2 * 16);
    EXPECT_EQ(ostrich.Bank(0), Filled(edited));

    // The cable pulled, a save meanwhile, the cable back: the whole image
    // goes again.
    ostrich.Unplug();
    edited[Layout(Family::CC).offset] ^= 1;
    Save(edited);
    EXPECT_EQ(waitFor(4), 4) << console.OutSoFar();
    ostrich.PlugIn();
    EXPECT_EQ(waitFor(6), 6) << console.OutSoFar();
    console.interrupt = true;
    watch->wait();

    EXPECT_EQ(status, 0);
    EXPECT_EQ(ostrich.Bank(0), Filled(edited));
    EXPECT_NE(console.out.find("is gone"), std::string::npos) << console.out;
    EXPECT_NE(console.out.find("rev_limit: "), std::string::npos) << console.out;
    EXPECT_NE(console.out.find("(2 blocks, "), std::string::npos) << console.out;
}

}  // namespace
}  // namespace tarvik::tables
