// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/ostrich.h"

#include <numeric>

#include "image/image_bytes.h"

namespace tarvik::devices {

namespace {

using std::chrono::milliseconds;

constexpr char kOk = 'O';
constexpr char kRefused = '?';
// Answers come in 10 to 20 ms by the maker's figures; a whole answer that
// has not come in this is a lost or broken line.
constexpr milliseconds kAnswer{500};
// After a command's last answer, a stray byte has this long to show itself.
constexpr milliseconds kSettle{30};

[[nodiscard]] char Checksum(QByteArrayView bytes) {
    return static_cast<char>(std::accumulate(bytes.begin(), bytes.end(), 0u,
                                             [](unsigned sum, char c) { return sum + static_cast<std::uint8_t>(c); }) &
                             0xFFu);
}

[[nodiscard]] QByteArray WithChecksum(QByteArray request) {
    request += Checksum(request);
    return request;
}

[[nodiscard]] Fault Refusal() {
    return Fault::Of(Fault::Kind::Refused, QStringLiteral("the emulator refused the command ('?')"));
}

class Ostrich final : public Emulator {
public:
    explicit Ostrich(Wire& wire) : wire_(wire) {}

    Fault Start() override { return wire_.Discard(); }

    Fault Identify(QString& identity) override {
        QByteArray version;
        if (Fault failed = wire_.Exchange(QByteArrayLiteral("VV"), 3, version, kAnswer); failed.failed()) return failed;
        if (version[2] != kOk) {
            return Fault::Of(
                Fault::Kind::Unexpected,
                QStringLiteral("the device at the port is not an Ostrich (it answered %1)").arg(HexBytes(version)));
        }
        QByteArray number;
        if (Fault failed = wire_.Exchange(WithChecksum(QByteArrayLiteral("NS")), 10, number, kAnswer); failed.failed())
            return failed;
        if (Checksum(number.left(9)) != number[9])
            return Fault::Of(Fault::Kind::Unexpected, QStringLiteral("the serial number's checksum is wrong"));
        const int model = static_cast<std::uint8_t>(version[0]);
        const QString name = model == 20   ? QStringLiteral("Ostrich 2.0")
                             : model == 10 ? QStringLiteral("Ostrich 1")
                                           : QStringLiteral("Ostrich (model %1)").arg(model);
        identity = QStringLiteral("%1, firmware revision %2, serial number %3")
                       .arg(name)
                       .arg(static_cast<std::uint8_t>(version[1]))
                       .arg(QString::fromLatin1(number.left(9).toHex(':').toUpper()));
        return {};
    }

    Fault EmulatedBank(int& bank) override {
        QByteArray answer;
        if (Fault failed = wire_.Exchange(WithChecksum(QByteArrayLiteral("BER")), 1, answer, kAnswer); failed.failed())
            return failed;
        if (answer[0] == kRefused) return Refusal();
        const auto number = static_cast<std::uint8_t>(answer[0]);
        if (number >= kBanks) {
            return Fault::Of(Fault::Kind::Unexpected,
                             QStringLiteral("the emulator named bank %1 as emulated; it has banks 0 to 7").arg(number));
        }
        bank = number;
        return {};
    }

    Fault Emulate(int bank) override { return Acknowledged(QByteArrayLiteral("BE") + static_cast<char>(bank)); }
    Fault BeginWrite(int bank) override { return Acknowledged(QByteArrayLiteral("BR") + static_cast<char>(bank)); }
    Fault BeginRead(int bank) override { return BeginWrite(bank); }
    Fault EndWrite() override { return {}; }
    Fault Finish() override { return wire_.ExpectQuiet(kSettle); }

    Fault Write(std::uint32_t address, std::span<const std::uint8_t> bytes) override {
        QByteArray request;
        request += 'W';
        request += static_cast<char>(bytes.size() & 0xFF);  // 0 stands for 256
        request += static_cast<char>(address >> 8);
        request += static_cast<char>(address & 0xFF);
        request += QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size()));
        return Acknowledged(request);
    }

    Fault Read(std::uint32_t address, std::size_t count, std::vector<std::uint8_t>& bytes) override {
        QByteArray request;
        request += 'R';
        request += static_cast<char>(count & 0xFF);
        request += static_cast<char>(address >> 8);
        request += static_cast<char>(address & 0xFF);
        QByteArray answer;
        Fault failed = wire_.Exchange(WithChecksum(request), static_cast<qsizetype>(count) + 1, answer, kAnswer);
        // A refusal is the one byte '?'; a whole answer may begin with that
        // byte as data.
        if (failed.kind == Fault::Kind::Slow && answer == QByteArrayView("?")) return Refusal();
        if (failed.failed()) return failed;
        const QByteArray data = answer.left(static_cast<qsizetype>(count));
        if (Checksum(data) != answer.back()) {
            return Fault::Of(Fault::Kind::Unexpected, QStringLiteral("the checksum of the bytes read at 0x%1 is wrong")
                                                          .arg(address, 4, 16, QLatin1Char('0')));
        }
        bytes.assign(data.begin(), data.end());
        return {};
    }

private:
    static constexpr int kBanks = 8;

    [[nodiscard]] Fault Acknowledged(const QByteArray& request) {
        QByteArray answer;
        if (Fault failed = wire_.Exchange(WithChecksum(request), 1, answer, kAnswer); failed.failed()) return failed;
        if (answer[0] == kOk) return {};
        if (answer[0] == kRefused) return Refusal();
        return Fault::Of(Fault::Kind::Unexpected,
                         QStringLiteral("the emulator answered %1 where 'O' was expected").arg(HexBytes(answer)));
    }

    Wire& wire_;
};

}  // namespace

DeviceKind OstrichKind() {
    return {
        .name = "ostrich2",
        .title = QStringLiteral("Ostrich 2.0"),
        .baud = 921600,
        .banks = 8,
        .bankBytes = 65536,
        // The 24-pin socket's upper address lines may be tied either way: a
        // repeated image is read whatever they do.
        .imageSpan = 65536,
        .blockBytes = 256,
        .readsBack = true,
        .writesWhileRunning = true,
        .make = [](Wire& wire) { return std::make_unique<Ostrich>(wire); },
    };
}

}  // namespace tarvik::devices
