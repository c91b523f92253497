// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/devices/ostrich.h"

#include <numeric>

namespace tarvik::tables {

namespace {

constexpr char kOk = 'O';
constexpr char kRefused = '?';
constexpr std::size_t kSlots = kBankBytes / kImageSize;
constexpr std::size_t kBlocksPerImage = kImageSize / kBlockBytes;

// The 8-bit sum of the bytes.
[[nodiscard]] char Checksum(const QByteArray& bytes) {
    return static_cast<char>(std::accumulate(bytes.begin(), bytes.end(), 0u,
                                             [](unsigned sum, char c) { return sum + static_cast<std::uint8_t>(c); }) &
                             0xFFu);
}

[[nodiscard]] QByteArray WithChecksum(QByteArray request) {
    request += Checksum(request);
    return request;
}

[[nodiscard]] QString Hex(char byte) {
    return QStringLiteral("0x%1").arg(static_cast<std::uint8_t>(byte), 2, 16, QLatin1Char('0'));
}

}  // namespace

QString Ostrich::Request(QByteArray request, qsizetype answer, QByteArray& data) {
    if (QString failed = link_.Send(request); !failed.isEmpty()) return failed;
    if (QString failed = link_.Receive(1, kAnswerMilliseconds, data); !failed.isEmpty()) return failed;
    QByteArray rest;
    if (answer > 1) {
        if (QString failed = link_.Receive(answer - 1, kAnswerMilliseconds, rest); !failed.isEmpty()) {
            link_.Discard();
            // A refusal is the one byte '?', whatever answer was awaited; a
            // longer answer may begin with that byte as data.
            if (data[0] == kRefused) return QStringLiteral("the emulator refused the command ('?')");
            return failed;
        }
    }
    data += rest;
    return {};
}

QString Ostrich::Acknowledged(const QByteArray& request) {
    QByteArray answer;
    if (QString failed = Request(WithChecksum(request), 1, answer); !failed.isEmpty()) return failed;
    if (answer[0] == kOk) return {};
    if (answer[0] == kRefused) return QStringLiteral("the emulator refused the command ('?')");
    link_.Discard();
    return QStringLiteral("the emulator answered %1 where 'O' was expected").arg(Hex(answer[0]));
}

QString Ostrich::Version(int& model, int& revision) {
    QByteArray answer;
    if (QString failed = Request(QByteArrayLiteral("VV"), 3, answer); !failed.isEmpty()) return failed;
    if (answer[2] != kOk) {
        return QStringLiteral("the device at the port is not an Ostrich (it answered %1 %2 %3)")
            .arg(Hex(answer[0]), Hex(answer[1]), Hex(answer[2]));
    }
    model = static_cast<std::uint8_t>(answer[0]);
    revision = static_cast<std::uint8_t>(answer[1]);
    return {};
}

QString Ostrich::SerialNumber(QString& serial) {
    QByteArray answer;
    if (QString failed = Request(WithChecksum(QByteArrayLiteral("NS")), 10, answer); !failed.isEmpty()) return failed;
    if (Checksum(answer.left(9)) != answer[9]) return QStringLiteral("the serial number's checksum is wrong");
    serial = QString::fromLatin1(answer.left(9).toHex(':').toUpper());
    return {};
}

QString Ostrich::SelectReadWriteBank(int bank) {
    return Acknowledged(QByteArrayLiteral("BR") + static_cast<char>(bank));
}

QString Ostrich::SelectEmulatedBank(int bank) {
    return Acknowledged(QByteArrayLiteral("BE") + static_cast<char>(bank));
}

QString Ostrich::Write(std::uint16_t address, std::span<const std::uint8_t> bytes) {
    QByteArray request;
    request += 'W';
    request += static_cast<char>(bytes.size() & 0xFF);  // 0 stands for 256
    request += static_cast<char>(address >> 8);
    request += static_cast<char>(address & 0xFF);
    request += QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    return Acknowledged(request);
}

QString Ostrich::Read(std::uint16_t address, std::size_t count, std::vector<std::uint8_t>& bytes) {
    QByteArray request;
    request += 'R';
    request += static_cast<char>(count & 0xFF);
    request += static_cast<char>(address >> 8);
    request += static_cast<char>(address & 0xFF);
    QByteArray answer;
    if (QString failed = Request(WithChecksum(request), static_cast<qsizetype>(count) + 1, answer); !failed.isEmpty())
        return failed;
    const QByteArray data = answer.left(static_cast<qsizetype>(count));
    if (Checksum(data) != answer.back()) {
        link_.Discard();
        return QStringLiteral("the checksum of the bytes read at %1 is wrong").arg(address, 4, 16, QLatin1Char('0'));
    }
    bytes.assign(data.begin(), data.end());
    return {};
}

std::vector<std::size_t> ChangedBlocks(const ImageBytes& before, const ImageBytes& after) {
    std::vector<std::size_t> blocks;
    for (std::size_t block = 0; block < kBlocksPerImage; ++block) {
        const auto first = static_cast<std::ptrdiff_t>(block * kBlockBytes);
        if (!std::equal(before.begin() + first, before.begin() + first + kBlockBytes, after.begin() + first))
            blocks.push_back(block);
    }
    return blocks;
}

QString WriteBlocks(Ostrich& ostrich, const ImageBytes& image, const std::vector<std::size_t>& blocks,
                    const TransferProgress& progress) {
    const std::size_t total = blocks.size() * kSlots;
    std::size_t done = 0;
    for (std::size_t slot = 0; slot < kSlots; ++slot) {
        for (const std::size_t block : blocks) {
            const std::size_t offset = block * kBlockBytes;
            const auto address = static_cast<std::uint16_t>(slot * kImageSize + offset);
            if (QString failed = ostrich.Write(address, std::span(image).subspan(offset, kBlockBytes));
                !failed.isEmpty())
                return failed;
            if (progress && !progress(++done, total)) return QStringLiteral("stopped");
        }
    }
    return {};
}

QString WriteImage(Ostrich& ostrich, const ImageBytes& image, const TransferProgress& progress) {
    std::vector<std::size_t> all(kBlocksPerImage);
    std::iota(all.begin(), all.end(), 0);
    return WriteBlocks(ostrich, image, all, progress);
}

QString ReadBlocks(Ostrich& ostrich, const std::vector<std::size_t>& blocks, std::vector<std::uint8_t>& bank,
                   const TransferProgress& progress) {
    bank.resize(kBankBytes);
    const std::size_t total = blocks.size() * kSlots;
    std::size_t done = 0;
    std::vector<std::uint8_t> bytes;
    for (std::size_t slot = 0; slot < kSlots; ++slot) {
        for (const std::size_t block : blocks) {
            const std::size_t address = slot * kImageSize + block * kBlockBytes;
            if (QString failed = ostrich.Read(static_cast<std::uint16_t>(address), kBlockBytes, bytes);
                !failed.isEmpty())
                return failed;
            std::copy(bytes.begin(), bytes.end(), bank.begin() + static_cast<std::ptrdiff_t>(address));
            if (progress && !progress(++done, total)) return QStringLiteral("stopped");
        }
    }
    return {};
}

QString ReadBank(Ostrich& ostrich, std::vector<std::uint8_t>& bank, const TransferProgress& progress) {
    std::vector<std::size_t> all(kBlocksPerImage);
    std::iota(all.begin(), all.end(), 0);
    return ReadBlocks(ostrich, all, bank, progress);
}

}  // namespace tarvik::tables
