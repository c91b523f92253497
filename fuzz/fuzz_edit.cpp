// SPDX-License-Identifier: GPL-3.0-or-later
// edit with random selections and operations, on a random image, its files
// in memory. Checked on every input:
// - it ends with 0, 1 or 2, and writes nothing unless it ends with 0, nor
//   with --dry-run; --clamp never leaves a result out of range (1);
// - what it writes is one image, in which no cell outside the selection
//   (worked out here from the breakpoints as the editor captions them) and
//   no byte outside the tables differs from the image read;
// - no report, and no cell refused for its range, shows NaN or infinity.
//
// Input: read by FuzzedDataProvider: a seed for each image, the table, the
// selection, the operation and its number, the flags.

#include <fuzzer/FuzzedDataProvider.h>

#include <QCommandLineParser>
#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "devices/serial_link.h"
#include "fuzz/fuzz_check.h"
#include "platform/file_system.h"
#include "tables/commands/command.h"
#include "tests/support/image_oracle.h"

namespace tarvik::tables {
std::unique_ptr<const Command> MakeEditCommand();
}

namespace tarvik::fuzz {
namespace {

using namespace tables;
namespace oracle = testing::oracle;

const QString kImage = QStringLiteral("/nonexistent-tarvik-fuzz/image.bin");
const QString kOther = QStringLiteral("/nonexistent-tarvik-fuzz/other.bin");
const QString kOut = QStringLiteral("/nonexistent-tarvik-fuzz/out.bin");

constexpr std::array<int, 16> kRpmOfRow{6096, 5578, 4766, 4161, 3692, 3318, 2759, 2362,
                                        2064, 1833, 1649, 1425, 1214, 936,  665,  502};
constexpr std::array<int, 16> kLoadOfColumn{72,  104, 136, 168, 184, 200, 216, 232,
                                            248, 264, 296, 328, 360, 392, 520, 648};

// The images as files, and every file written.
class MemoryFiles final : public FileSystem {
public:
    std::map<QString, QByteArray> files;
    int writes = 0;
    QByteArray written;

    LengthResult FileLength(const QString& path) override {
        const auto found = files.find(path);
        if (found == files.end()) return {0, QStringLiteral("The file does not exist.")};
        return {found->second.size(), {}};
    }
    ReadResult ReadFile(const QString& path, qint64 maxBytes) override {
        return {files.at(path).left(static_cast<qsizetype>(maxBytes)), {}};
    }
    QString WriteFile(const QString& path, const QByteArray& data) override {
        FUZZ_CHECK(path == kOut, writes);
        ++writes;
        written = data;
        return {};
    }
    NewFileResult WriteNewFile(const QString& path, const QByteArray& data) override {
        return {false, WriteFile(path, data)};
    }
};

class NoPorts final : public devices::SerialPorts {
public:
    std::unique_ptr<devices::SerialLink> Open(const QString&, int, QString& error) override {
        error = QStringLiteral("none");
        return nullptr;
    }
};

class Captured final : public Console {
public:
    std::string out;
    std::string err;
    std::string Out(std::string_view t) override {
        out += t;
        return {};
    }
    void Err(std::string_view t) override { err += t; }
    void Progress(std::string_view) override {}
    [[nodiscard]] bool Interrupted() const override { return false; }
};

[[nodiscard]] ImageBytes SeededImage(FuzzedDataProvider& input) {
    std::mt19937 rng(input.ConsumeIntegral<std::uint32_t>());
    return oracle::RandomImage(rng);
}

[[nodiscard]] QByteArray Bytes(const ImageBytes& image) {
    return {reinterpret_cast<const char*>(image.data()), static_cast<qsizetype>(image.size())};
}

// A number as a tuner types it, or any text at all.
[[nodiscard]] std::string Number(FuzzedDataProvider& input) {
    if (input.ConsumeBool()) return input.ConsumeRandomLengthString(16);
    std::string text = input.ConsumeBool() ? "-" : "";
    text += std::to_string(input.ConsumeIntegralInRange(0, 2000));
    const int places = input.ConsumeIntegralInRange(0, 4);
    if (places > 0) text += "." + std::to_string(input.ConsumeIntegralInRange(0, 9999)).substr(0, places);
    return text;
}

// One axis's selection: an option and the indices it must select, both
// ends included; all of them when no option is given. Bounds by value
// select the indices whose breakpoint lies between them.
struct Pick {
    std::string option;
    int first = 0;
    int last = -1;  // none
};
[[nodiscard]] Pick PickAxis(FuzzedDataProvider& input, const char* byIndex, const char* byValue,
                            const std::array<int, 16>* breakpoints, int count) {
    const int way = input.ConsumeIntegralInRange(0, byValue != nullptr ? 2 : 1);
    if (way == 0) return {"", 0, count - 1};
    const bool values = way == 2;
    const int a = values ? input.ConsumeIntegralInRange(0, 7000) : input.ConsumeIntegralInRange(-1, count);
    const int b = input.ConsumeBool() ? a
                  : values            ? input.ConsumeIntegralInRange(0, 7000)
                                      : input.ConsumeIntegralInRange(-1, count);
    Pick pick{std::string("--") + (values ? byValue : byIndex) + "=" + std::to_string(a) + ":" + std::to_string(b),
              count, -1};
    for (int i = 0; i < count; ++i) {
        const int at = values ? (*breakpoints)[static_cast<std::size_t>(i)] : i;
        if (at < std::min(a, b) || at > std::max(a, b)) continue;
        pick.first = std::min(pick.first, i);
        pick.last = std::max(pick.last, i);
    }
    return pick;
}

void Run(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const ImageBytes image = SeededImage(input);
    MemoryFiles files;
    files.files[kImage] = Bytes(image);
    files.files[kOther] = Bytes(SeededImage(input));

    const auto& table = kStoreOrder[input.ConsumeIntegralInRange<std::size_t>(0, kStoreOrder.size() - 1)];
    QStringList arguments{
        QStringLiteral("tarvik-tables"), kImage,
        QStringLiteral("--table=") + QString::fromUtf8(table.key.data(), static_cast<qsizetype>(table.key.size()))};
    Pick rows;
    Pick columns{"", 0, 0};
    if (table.family == Family::Data) {
        rows = PickAxis(input, "rows", "rpm", &kRpmOfRow, 16);
        columns = PickAxis(input, "columns", "load", &kLoadOfColumn, 16);
    } else {
        rows = PickAxis(input, "cells", nullptr, nullptr, table.count);
    }
    for (const Pick& p : {rows, columns}) {
        if (!p.option.empty()) arguments << QString::fromStdString(p.option);
    }
    static const std::array<const char*, 6> kOperations{"scale", "add", "set", "interpolate", "smooth", "copy-from"};
    const std::string operation = kOperations[input.ConsumeIntegralInRange<std::size_t>(0, kOperations.size() - 1)];
    std::string value = Number(input);
    if (operation == "interpolate") {
        static const std::array<const char*, 4> kWays{"rows", "columns", "corners", "diagonal"};
        value = kWays[input.ConsumeIntegralInRange<std::size_t>(0, kWays.size() - 1)];
    }
    if (operation == "copy-from") value = kOther.toStdString();
    arguments << QString::fromStdString("--" + operation + "=" + value);
    const bool dryRun = input.ConsumeBool();
    const bool clamp = input.ConsumeBool();
    for (const auto& [flag, on] : {std::pair{"--dry-run", dryRun},
                                   {"--clamp", clamp},
                                   {"--smooth-edges", input.ConsumeBool()},
                                   {"--force", input.ConsumeBool()}}) {
        if (on) arguments << QString::fromLatin1(flag);
    }
    arguments << QStringLiteral("--output") << kOut;

    static const std::unique_ptr<const Command> edit = MakeEditCommand();
    QCommandLineParser parser;
    parser.addOptions(edit->Options());
    if (!parser.parse(arguments)) return;
    Captured console;
    NoPorts ports;
    QStringList positional = parser.positionalArguments();
    CommandRun run{parser, positional, console, files, ports};
    const int status = edit->Run(run);

    FUZZ_CHECK(status >= 0 && status <= 2, status);
    // The report, and the cells out of range, show no value but a number
    // (the other messages quote the command line as given).
    for (const std::string& shown : {console.out, status == 1 ? console.err : std::string()})
        FUZZ_CHECK(shown.find("nan") == std::string::npos && shown.find("inf") == std::string::npos, status);
    FUZZ_CHECK(!(clamp && status == 1), status);
    if (status != 0 || dryRun) {
        FUZZ_CHECK(files.writes == 0, files.writes);
        return;
    }
    FUZZ_CHECK(files.writes == 1 && files.written.size() == 4096, files.written.size());
    ImageBytes after{};
    std::copy(files.written.begin(), files.written.end(), after.begin());
    for (std::size_t offset = 0; offset < kImageSize; ++offset) {
        if (!oracle::IsTableOffset(offset)) FUZZ_CHECK(after[offset] == image[offset], offset);
    }
    const auto selected = [&](Family family, int row, int column) {
        return family == table.family && row >= rows.first && row <= rows.last && column >= columns.first &&
               column <= columns.last;
    };
    for (int row = 0; row < 16; ++row) {
        for (int column = 0; column < 16; ++column) {
            const int cell = 16 * row + 15 - column;
            if (!selected(Family::Data, row, column))
                FUZZ_CHECK(oracle::FuelCell(after, cell) == oracle::FuelCell(image, cell), cell);
        }
    }
    for (const oracle::ByteTable& t : oracle::kByteTables) {
        for (int i = 0; i < t.count; ++i) {
            const std::size_t offset = t.offset + static_cast<std::size_t>(i);
            if (!selected(t.family, i, 0)) FUZZ_CHECK(after[offset] == image[offset], offset);
        }
    }
}

}  // namespace
}  // namespace tarvik::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tarvik::fuzz::Run(data, size);
    return 0;
}
