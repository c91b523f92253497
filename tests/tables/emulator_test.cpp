// SPDX-License-Identifier: GPL-3.0-or-later
// The emulator commands against the devices as their makers document them:
// on a scripted line that misbehaves as USB links do (in-process, fast),
// and on a pseudo-terminal through the real serial-port code. What reaches
// the banks, what the engine runs afterwards, what is said, and every fault
// ending with a message and a status, never a hang.

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QSaveFile>
#include <QThread>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "devices/qt_serial_ports.h"
#include "tables/chips/chips.h"
#include "tests/support/image_oracle.h"
#include "tests/support/scripted_link.h"
#include "tests/support/simulated_emulator.h"
#include "tests/tables/tool_run.h"

namespace tarvik::tables {
namespace {

using namespace Qt::Literals::StringLiterals;
using testing::EmuNgModel;
using testing::OstrichModel;
using Clock = std::chrono::steady_clock;

class EmulatorTest : public ToolFolderTest {
protected:
    void SetUp() override {
        ToolFolderTest::SetUp();
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
    [[nodiscard]] QByteArray Filled(const ImageBytes& image) const { return Bytes(ChipContents(image, 65536)); }
    [[nodiscard]] QStringList Arguments(const QStringList& given, const QString& port) const {
        QStringList arguments{u"emulator"_s};
        for (const QString& argument : given) arguments << (argument.endsWith(u".bin"_s) ? Path(argument) : argument);
        if (!arguments.contains(u"--port"_s)) arguments << u"--port"_s << port;
        return arguments;
    }

    ImageBytes image_{};
};

// Every command on an Ostrich whose line or memory misbehaves, and on a
// device that cannot do what is asked.
TEST_F(EmulatorTest, CommandsOnAScriptedLine) {
    struct Case {
        const char* name;
        testing::LinkScript script;
        std::function<void(OstrichModel&)> setUp;
        QStringList arguments;  // after "emulator"; "image.bin" and "out.bin" are in the test's folder
        int status;
        std::vector<std::string> said;
        int emulated;             // the bank the engine runs afterwards
        int holdsImage;           // the bank holding the image in every slot afterwards; -1: none
        int stopAfterWrites = 0;  // Ctrl+C after this many writes (0: never)
        int stopAfterReads = 0;
    };
    const auto Script = [](const std::function<void(testing::LinkScript&)>& set) {
        testing::LinkScript script;
        set(script);
        return script;
    };
    const auto inBank = [this](int bank) {
        return [this, bank](OstrichModel& model) { model.banks[static_cast<std::size_t>(bank)] = Filled(image_); };
    };
    const Case cases[] = {
        {"SafeUpload",
         {},
         {},
         {u"upload"_s, u"image.bin"_s},
         0,
         {"The engine now runs bank 1 (it ran bank 0 before)."},
         1,
         1},
        {"UploadIntoTheRunningBank",
         {},
         {},
         {u"upload"_s, u"image.bin"_s, u"--bank"_s, u"0"_s},
         0,
         {"Bank 0 is the bank the engine runs: writing under the running engine."},
         0,
         0},
        // A stray byte after the answer to the bank selection before the
        // read-back, and a refused switch: nothing may pass as emulated.
        {"StrayByteThenRefusedSwitch",
         Script([](testing::LinkScript& s) { s.strayAfter = 261; }),
         [](OstrichModel& model) { model.refuseEmulate = true; },
         {u"upload"_s, u"image.bin"_s},
         2,
         {"out of step: 1 byte came after the answer (0x4f)",
          "Bank 1: holds the image, not read back, not emulated; the engine runs bank 0, as before."},
         0,
         1},
        {"RefusedWrite",
         {},
         [](OstrichModel& model) { model.refuseWrite = 10; },
         {u"upload"_s, u"image.bin"_s},
         2,
         {"The emulator refused the command ('?').",
          "Bank 1: 9 of 256 blocks written, not emulated; the engine runs bank 0, as before."},
         0,
         -1},
        {"RefusedSwitch",
         {},
         [](OstrichModel& model) { model.refuseEmulate = true; },
         {u"upload"_s, u"image.bin"_s},
         2,
         {"refused", "Bank 1: holds the image, read back the same, not emulated; the engine runs bank 0, as before."},
         0,
         1},
        {"ExtraByteAfterEveryAnswer",
         Script([](testing::LinkScript& s) { s.afterEvery = "O"; }),
         {},
         {u"upload"_s, u"image.bin"_s},
         2,
         {"out of step: 1 byte came after the answer", "Nothing was written."},
         0,
         -1},
        {"RequestsEchoed",
         Script([](testing::LinkScript& s) { s.echo = true; }),
         {},
         {u"verify"_s, u"image.bin"_s},
         2,
         {"out of step"},
         0,
         -1},
        {"BytesWithoutEnd",
         Script([](testing::LinkScript& s) { s.endlessAfter = 3; }),
         inBank(0),
         {u"verify"_s, u"image.bin"_s},
         2,
         {"out of step"},
         0,
         0},
        {"SlowLine",
         Script([](testing::LinkScript& s) { s.byteEvery = std::chrono::milliseconds(100); }),
         {},
         {u"info"_s},
         2,
         {"The answer came too slowly: ", " of its 10 bytes within 500 ms."},
         0,
         -1},
        {"CableCutDuringAnAnswer",
         Script([](testing::LinkScript& s) { s.cutIn = 5; }),
         inBank(0),
         {u"verify"_s, u"image.bin"_s},
         2,
         {"The emulator's port closed.", "Nothing was written."},
         0,
         0},
        {"ReadBackDiffersInTheRunningBank",
         {},
         [](OstrichModel& model) { model.flipBank = 0; },
         {u"upload"_s, u"image.bin"_s, u"--bank"_s, u"0"_s},
         1,
         {"Copy 0 (0x0000-0x0FFF): 1 byte of 4096 differs",
          "Bank 0 is emulated and holds the image that differs: the engine runs it."},
         0,
         0},
        {"ReadBackDiffersInAnotherBank",
         {},
         [](OstrichModel& model) {
             model.flipBank = 0;
             model.emulated = 7;
         },
         {u"upload"_s, u"image.bin"_s},
         1,
         {"Bank 0 holds the image that differs and is not emulated; the engine runs bank 7, as before."},
         7,
         0},
        {"StoppedDuringAnUpload",
         {},
         {},
         {u"upload"_s, u"image.bin"_s},
         kStopped,
         {"Stopped.", "Bank 1: 91 of 256 blocks written, not emulated; the engine runs bank 0, as before."},
         0,
         -1,
         91},
        {"StoppedWritingTheRunningBank",
         {},
         {},
         {u"upload"_s, u"image.bin"_s, u"--bank"_s, u"0"_s},
         kStopped,
         {"Bank 0: 91 of 256 blocks written, emulated: the engine runs a partly written image."},
         0,
         -1,
         91},
        {"StoppedDuringAVerify",
         {},
         inBank(0),
         {u"verify"_s, u"image.bin"_s},
         kStopped,
         {"Stopped.", "Nothing was written."},
         0,
         0,
         0,
         62},
        {"WatchStoppedDuringItsFirstUpload",
         {},
         {},
         {u"watch"_s, u"image.bin"_s},
         0,
         {"Bank 1: 91 of 256 blocks written, not emulated; the engine runs bank 0, as before.", "Stopped."},
         0,
         -1,
         91},
        {"DownloadOfTheRunningBank",
         {},
         [&](OstrichModel& model) {
             inBank(3)(model);
             model.emulated = 3;
         },
         {u"download"_s, u"-o"_s, u"out.bin"_s},
         0,
         {},
         3,
         3},
        {"DownloadOfAnEmptyBank",
         {},
         {},
         {u"download"_s, u"-o"_s, u"out.bin"_s},
         1,
         {"Bank 0 of the emulator holds only 0xFF bytes", "Nothing written; --allow-blank takes it anyway."},
         0,
         -1},
        {"CannotReadBack",
         {},
         {},
         {u"verify"_s, u"image.bin"_s, u"--device"_s, u"emu-ng"_s},
         2,
         {"Cannot verify with the EPROM EMU NG: this emulator cannot read its memory back."},
         0,
         -1},
        {"CannotWriteWhileRunning",
         {},
         {},
         {u"watch"_s, u"image.bin"_s, u"--device"_s, u"EMU-NG"_s},
         2,
         {"holds the control unit in reset while it is written, so every change would stop the engine"},
         0,
         -1},
        {"BankBeforeOutput",
         {},
         {},
         {u"download"_s, u"-o"_s, u"image.bin"_s, u"--bank"_s, u"8"_s},
         2,
         {"--bank takes 0 to 7."},
         0,
         -1},
        {"EmptyPort", {}, {}, {u"info"_s, u"--port"_s, u""_s}, 2, {"--port is empty"}, 0, -1},
    };
    for (const Case& c : cases) {
        QFile::remove(Path(u"out.bin"_s));
        OstrichModel model;
        if (c.setUp) c.setUp(model);
        CapturedConsole console;
        Clock::time_point stopped{};
        int writes = 0;
        int reads = 0;
        model.after = [&](char request) {
            writes += request == 'W' ? 1 : 0;
            reads += request == 'R' ? 1 : 0;
            if ((writes == c.stopAfterWrites && request == 'W') || (reads == c.stopAfterReads && request == 'R')) {
                console.interrupt = true;
                stopped = Clock::now();
            }
        };
        testing::ScriptedPorts ports(model, c.script);
        const Clock::time_point start = Clock::now();
        const int status = RunInProcess(Arguments(c.arguments, u"/dev/ttyUSB0"_s), console, ports);
        const Clock::time_point end = Clock::now();
        EXPECT_EQ(status, c.status) << c.name << "\n" << console.out << console.err;
        for (const std::string& part : c.said) {
            EXPECT_NE((console.out + console.err).find(part), std::string::npos) << c.name << ": " << part << "\n"
                                                                                 << console.out << console.err;
        }
        EXPECT_EQ(model.emulated, c.emulated) << c.name;
        for (int bank = 0; bank < 8; ++bank)
            EXPECT_EQ(model.banks[static_cast<std::size_t>(bank)] == Filled(image_), bank == c.holdsImage)
                << c.name << bank;
        EXPECT_LT(end - start, std::chrono::seconds(3)) << c.name << ": a fault must end the command, not hang it";
        if (console.interrupt) {
            EXPECT_LT(end - stopped, std::chrono::milliseconds(500)) << c.name << ": Ctrl+C must stop it at once";
        }
        if (c.status == 0 && c.arguments.contains(u"out.bin"_s)) {
            EXPECT_EQ(Read(u"out.bin"_s), Bytes(image_)) << c.name;
        }
    }
}

// A watch that meets what a real one meets: a refused write, a file that
// cannot be used for a while in each way a file can, a cable pulled with a
// change made meanwhile, and a read-back that differs.
TEST_F(EmulatorTest, WatchSaysWhatHappensAndCatchesUp) {
    OstrichModel model;
    model.flipAddress = static_cast<int>(Layout(Family::RL).offset);
    model.flipTimes = 0;
    testing::ScriptedPorts ports(model);
    CapturedConsole console;
    int status = -1;
    std::thread watch([&] {
        status =
            RunInProcess(Arguments({u"watch"_s, u"image.bin"_s, u"--verify"_s}, u"/dev/ttyUSB0"_s), console, ports);
    });
    // Whether the text is said, after what had been said at `from`.
    const auto waitFor = [&](const std::string& text, std::size_t from = 0) {
        const Clock::time_point until = Clock::now() + std::chrono::seconds(10);
        while (console.OutSoFar().find(text, from) == std::string::npos && Clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return console.OutSoFar().find(text, from) != std::string::npos;
    };
    const auto running = [&] {
        QByteArray bytes;
        ports.With<OstrichModel>([&](OstrichModel& m) { bytes = m.banks[static_cast<std::size_t>(m.emulated)]; });
        return bytes;
    };
    EXPECT_TRUE(waitFor("Uploaded, verified and emulated in bank 1")) << console.OutSoFar();

    ImageBytes edited = image_;
    ++edited[Layout(Family::RL).offset];
    ports.With<OstrichModel>([](OstrichModel& m) { m.refuseWrite = m.writes + 1; });
    Save(edited);
    EXPECT_TRUE(waitFor("The emulator refused the command ('?'). Writing again.")) << console.OutSoFar();
    EXPECT_TRUE(waitFor("rev_limit: ")) << console.OutSoFar();
    EXPECT_EQ(running(), Filled(edited));

    // Each way the file can become unusable is said once, and its return.
    const std::function<void()> spoilt[] = {
        [&] { QFile::remove(Path(u"image.bin"_s)); },
        [&] { Write(u"image.bin"_s, QByteArray(100, 'x')); },
        [&] { QFile::remove(Path(u"image.bin"_s)), QDir(folder_.path()).mkdir(u"image.bin"_s); },
        [&] {
            QFile::remove(Path(u"image.bin"_s)), ::mkfifo(QFile::encodeName(Path(u"image.bin"_s)).constData(), 0600);
        },
    };
    for (const auto& spoil : spoilt) {
        const std::size_t before = console.OutSoFar().size();
        spoil();
        EXPECT_TRUE(waitFor("image.bin\" cannot be used: ", before)) << console.OutSoFar();
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        const std::string said = console.OutSoFar().substr(before);
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        QDir(folder_.path()).rmdir(u"image.bin"_s);
        QFile::remove(Path(u"image.bin"_s));
        Save(edited);
        EXPECT_TRUE(waitFor("can be used again.", before)) << console.OutSoFar();
    }

    // The cable pulled is said with nothing to write; a save meanwhile, the
    // cable back: the whole image goes again, with a line for the change.
    ports.unplugged = true;
    EXPECT_TRUE(waitFor("is gone (the emulator's port closed); waiting for it.")) << console.OutSoFar();
    ++edited[Layout(Family::CC).offset];
    Save(edited);
    ports.unplugged = false;
    EXPECT_TRUE(waitFor("  control_constant: ")) << console.OutSoFar();
    EXPECT_TRUE(waitFor(" (changed meanwhile, with the whole image)\n")) << console.OutSoFar();
    EXPECT_EQ(running(), Filled(edited));

    // A read-back that differs is written again until it matches.
    ports.With<OstrichModel>([](OstrichModel& m) {
        m.flipBank = m.emulated;
        m.flipTimes = 2;
    });
    ++edited[Layout(Family::RL).offset];
    const std::size_t before = console.OutSoFar().size();
    Save(edited);
    EXPECT_TRUE(waitFor("read back the same)", before)) << console.OutSoFar();
    const std::string out = console.OutSoFar();
    std::size_t wrong = 0;
    for (std::size_t at = out.find("READ BACK WRONG in 1 byte: writing again"); at != std::string::npos;
         at = out.find("READ BACK WRONG in 1 byte: writing again", at + 1))
        ++wrong;
    EXPECT_EQ(wrong, 2u) << out;

    // A change of many cells is summed up after the first few.
    for (std::size_t i = 0; i < 10; ++i) ++edited[kFuelLowOffset + 20 * i];
    Save(edited);
    EXPECT_TRUE(waitFor(", and 4 more cells  (")) << console.OutSoFar();

    console.interrupt = true;
    watch.join();
    EXPECT_EQ(status, 0);
    EXPECT_NE(console.out.find("Stopped. The engine runs bank "), std::string::npos) << console.out;
    EXPECT_EQ(console.out.find("is gone (the emulator refused"), std::string::npos) << console.out;
}

// The real serial-port code on pseudo-terminals: the devices through their
// ports, a relative port path, a pulled cable, and one program per port
// whatever path reaches it.
TEST_F(EmulatorTest, RealPorts) {
    const struct {
        const char* name;
        bool emuNg;
        QStringList arguments;
        int status;
        std::vector<std::string> said;
        int unplugAfter = 0;
    } cases[] = {
        {"Info", false, {u"info"_s}, 0, {"Ostrich 2.0, firmware revision 7, serial number 4D:01:02:03:04:05:06:07:08"}},
        {"Upload", false, {u"upload"_s, u"image.bin"_s}, 0, {"The engine now runs bank 1"}},
        {"PortFromTheWorkingFolder", false, {u"info"_s, u"--port"_s, u"ports/emulator"_s}, 0, {"Ostrich 2.0"}},
        {"CablePulledDuringAnUpload",
         false,
         {u"upload"_s, u"image.bin"_s},
         2,
         {"The emulator's port closed.", " of 256 blocks written, not emulated; the engine runs bank 0"},
         40},
        {"NoSuchPort", false, {u"info"_s, u"--port"_s, u"/dev/no-such-port"_s}, 2, {"There is no such port."}},
        {"EmuNgUpload",
         true,
         {u"upload"_s, u"image.bin"_s, u"--device"_s, u"emu-ng"_s},
         0,
         {"holds the control unit in reset while it is written",
          "not read back: this emulator cannot read its memory back"}},
    };
    const QString working = QDir::currentPath();
    for (const auto& c : cases) {
        testing::SimulatedEmulator emulator(c.emuNg
                                                ? std::unique_ptr<testing::DeviceModel>(std::make_unique<EmuNgModel>())
                                                : std::make_unique<OstrichModel>());
        if (c.unplugAfter > 0) emulator.UnplugAfter(c.unplugAfter);
        QDir(folder_.path()).mkdir(u"ports"_s);
        QFile::remove(Path(u"ports/emulator"_s));
        ASSERT_TRUE(QFile::link(emulator.Port(), Path(u"ports/emulator"_s)));
        ASSERT_TRUE(QDir::setCurrent(folder_.path()));
        const Finished run = RunInProcess(Arguments(c.arguments, emulator.Port()));
        ASSERT_TRUE(QDir::setCurrent(working));
        EXPECT_EQ(run.status, c.status) << c.name << "\n" << run.out << run.err;
        for (const std::string& part : c.said)
            EXPECT_NE((run.out + run.err).find(part), std::string::npos) << c.name << ": " << part << "\n"
                                                                         << run.out << run.err;
        if (c.emuNg) {
            emulator.With<EmuNgModel>([&](EmuNgModel& model) {
                EXPECT_EQ(model.memory.left(4096), Bytes(image_));
                EXPECT_EQ(model.bus, "2732");
                EXPECT_TRUE(model.running);
                EXPECT_EQ(model.writesWhileRunning, 0);
            });
        }
    }

    // One program per port: the same pseudo-terminal through its link and
    // its own path is one port, for root too.
    testing::SimulatedEmulator emulator(std::make_unique<OstrichModel>());
    devices::QtSerialPorts ports;
    QString error;
    const std::unique_ptr<devices::SerialLink> first = ports.Open(emulator.Port(), 921600, error);
    ASSERT_NE(first, nullptr) << error.toStdString();
    EXPECT_EQ(ports.Open(emulator.DevicePath(), 921600, error), nullptr);
    EXPECT_TRUE(error.contains(u"(process %1)"_s.arg(::getpid()))) << error.toStdString();
    EXPECT_FALSE(error.contains(u"dialout"_s)) << error.toStdString();
}

}  // namespace
}  // namespace tarvik::tables
