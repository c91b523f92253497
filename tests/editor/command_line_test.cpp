// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's command line: what starts the editor with which image and
// link, and what is refused before any window opens.

#include <gtest/gtest.h>

#include "app/command_line.h"
#include "devices/emulator.h"

namespace tarvik {
namespace {

TEST(CommandLineTest, TakesOrRefuses) {
    const struct {
        QStringList arguments;
        std::optional<int> refused;
        const char* said;  // on standard error
        QString image;
        QString port;
        std::optional<int> bank;
    } cases[] = {
        {{}, {}, "", {}, {}, {}},
        {{QStringLiteral("car.bin")}, {}, "", QStringLiteral("car.bin"), {}, {}},
        {{QStringLiteral("a.bin"), QStringLiteral("b.bin")}, 2, "Give one image to open.", {}, {}, {}},
        {{QStringLiteral("--emulator"), QStringLiteral("/dev/ttyUSB0"), QStringLiteral("--bank"), QStringLiteral("3")},
         {},
         "",
         {},
         QStringLiteral("/dev/ttyUSB0"),
         3},
        {{QStringLiteral("--bank"), QStringLiteral("3")},
         2,
         "--device and --bank go with --emulator PORT.",
         {},
         {},
         {}},
        {{QStringLiteral("--emulator"), QStringLiteral("p"), QStringLiteral("--device"), QStringLiteral("emu-ng")},
         2,
         "The EPROM EMU NG cannot be used live: this emulator holds the control unit in reset",
         {},
         {},
         {}},
        {{QStringLiteral("--emulator"), QStringLiteral("p"), QStringLiteral("--device"), QStringLiteral("x")},
         2,
         "There is no emulator \"x\"",
         {},
         {},
         {}},
        {{QStringLiteral("--emulator"), QStringLiteral("p"), QStringLiteral("--bank"), QStringLiteral("8")},
         2,
         "--bank takes 0 to 7.",
         {},
         {},
         {}},
        {{QStringLiteral("--emulator"), QString()}, 2, "--emulator is empty", {}, {}, {}},
        {{QStringLiteral("--fast")}, 2, "Unknown option 'fast'.", {}, {}, {}},
    };
    for (const auto& c : cases) {
        EditorOptions options;
        ::testing::internal::CaptureStderr();
        const std::optional<int> refused =
            ReadCommandLine(QStringList{QStringLiteral("tarvik")} + c.arguments, options);
        const std::string said = ::testing::internal::GetCapturedStderr();
        const std::string name = c.arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(refused, c.refused) << name;
        EXPECT_NE(said.find(c.said), std::string::npos) << name << ": " << said;
        if (refused) continue;
        EXPECT_EQ(options.image, c.image) << name;
        EXPECT_EQ(options.port, c.port) << name;
        EXPECT_EQ(options.bank, c.bank) << name;
        EXPECT_EQ(options.device != nullptr, !c.port.isEmpty()) << name;
    }
}

}  // namespace
}  // namespace tarvik
