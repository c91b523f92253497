// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/emu_ng.h"

#include "image/image_bytes.h"

namespace tarvik::devices {

namespace {

using std::chrono::milliseconds;

// The board's answers come at once; a line has this long, beyond the time
// its data takes on the wire.
constexpr milliseconds kAnswer{1000};
// Opening the port resets most boards: the boot loader waits about a second
// before the firmware starts and greets with a few lines. The maker's
// uploader waits 2 s; a greeting followed by quiet ends the wait sooner.
constexpr milliseconds kResetWait{2000};
constexpr milliseconds kGreetingQuiet{300};
constexpr milliseconds kSettle{30};
constexpr int kBaud = 115200;

[[nodiscard]] Fault Unexpected(const QByteArray& line, const char* expected) {
    return Fault::Of(Fault::Kind::Unexpected, QStringLiteral("the emulator answered \"%1\" where %2 was expected")
                                                  .arg(QString::fromLatin1(line.left(80)), QLatin1String(expected)));
}

class EmuNg final : public Emulator {
public:
    explicit EmuNg(Wire& wire) : wire_(wire) {}

    Fault Start() override { return wire_.Forget(kResetWait, kGreetingQuiet); }

    // ":>" is answered "<" without touching the target; the hardware and
    // firmware are told only by ":EMUOFF", which stops the engine.
    Fault Identify(QString& identity) override {
        QByteArray line;
        if (Fault failed = wire_.ExchangeLine(QByteArrayLiteral(":>\r\n"), line, kAnswer); failed.failed())
            return failed;
        if (line != "<") return Unexpected(line, "\"<\"");
        identity =
            QStringLiteral("EPROM EMU NG%1").arg(hardware_.isEmpty() ? QString() : QStringLiteral(", ") + hardware_);
        return {};
    }

    // One memory, always the one in the socket.
    Fault EmulatedBank(int& bank) override {
        bank = 0;
        return {};
    }
    Fault Emulate(int /*bank*/) override { return {}; }

    // Holds the target in reset and opens all 64 KB to the host.
    Fault BeginWrite(int /*bank*/) override {
        QByteArray line;
        if (Fault failed = wire_.ExchangeLine(QByteArrayLiteral(":EMUOFF\r\n"), line, kAnswer); failed.failed())
            return failed;
        const qsizetype found = line.indexOf("HW: ");
        if (found < 0) return Unexpected(line, "its hardware and firmware (\"HW: ...\")");
        hardware_ = QString::fromLatin1(line.mid(found)).section(QStringLiteral(", SPI"), 0, 0);
        if (Fault failed = wire_.ReadLine(line, kAnswer); failed.failed()) return failed;
        if (!line.contains("Bus set to")) return Unexpected(line, "\"-> Bus set to ...\"");
        return {};
    }

    Fault Write(std::uint32_t address, std::span<const std::uint8_t> bytes) override {
        QByteArray line;
        if (Fault failed = wire_.ExchangeLine(QByteArrayLiteral(":DIR\r\n"), line, kAnswer); failed.failed())
            return failed;
        if (line != ">") return Unexpected(line, "\">\"");
        QByteArray request = QByteArray::number(address) + '\n' + QByteArray::number(bytes.size()) + '\n';
        request += QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size()));
        // 10 bits a byte on the wire.
        const milliseconds wire(static_cast<long>(request.size()) * 10 * 1000 / kBaud + 1);
        if (Fault failed = wire_.ExchangeLine(request, line, kAnswer + wire); failed.failed()) return failed;
        if (line != ">") return Unexpected(line, "\">\"");
        return {};
    }

    // The bus of the control unit's 2732 (the image at 0x0000 to 0x0FFF),
    // then the target released.
    Fault EndWrite() override {
        QByteArray line;
        if (Fault failed = wire_.ExchangeLine(QByteArrayLiteral(":ini32\r\n"), line, kAnswer); failed.failed())
            return failed;
        if (!line.contains("2732")) return Unexpected(line, "\"-> Bus set to 2732 EPROM Memory\"");
        if (Fault failed = wire_.ExchangeLine(QByteArrayLiteral(":EMUON\r\n"), line, kAnswer); failed.failed())
            return failed;
        if (!line.contains("Running")) return Unexpected(line, "\"-> Emulator Running.\"");
        return {};
    }

    Fault BeginRead(int /*bank*/) override { return Cannot(); }
    Fault Read(std::uint32_t /*address*/, std::size_t /*count*/, std::vector<std::uint8_t>& /*bytes*/) override {
        return Cannot();
    }
    Fault Finish() override { return wire_.ExpectQuiet(kSettle); }

private:
    [[nodiscard]] static Fault Cannot() {
        return Fault::Of(Fault::Kind::Refused, QStringLiteral("this emulator cannot read its memory back"));
    }

    Wire& wire_;
    QString hardware_;  // "HW: v2.1, FW: 2.0rc12", once it has been written
};

}  // namespace

DeviceKind EmuNgKind() {
    return {
        .name = "emu-ng",
        .title = QStringLiteral("EPROM EMU NG"),
        .baud = kBaud,
        .banks = 1,
        .bankBytes = 65536,
        // Set for a 2732, the board maps the socket onto its first 4 KB.
        .imageSpan = kImageSize,
        .blockBytes = 2048,
        .readsBack = false,
        .writesWhileRunning = false,
        .make = [](Wire& wire) { return std::make_unique<EmuNg>(wire); },
    };
}

}  // namespace tarvik::devices
