// SPDX-License-Identifier: GPL-3.0-or-later
// info FILE: size and fingerprints of an image or a chip's read-back, and of
// each 4 KB copy of a read-back.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "tables/chips/chips.h"
#include "tables/commands/command_list.h"
#include "tables/commands/common.h"
#include "tables/formats/format_list.h"

namespace tarvik::tables {

namespace {

[[nodiscard]] QJsonObject PrintObject(const Fingerprint& print) {
    return {{QStringLiteral("sum16"), QString::fromStdString(SumText(print.sum))},
            {QStringLiteral("crc32"), QString::fromStdString(CrcText(print.crc32))},
            {QStringLiteral("sha256"), QString::fromStdString(print.sha256)}};
}

[[nodiscard]] std::string PrintText(const Fingerprint& print) {
    return "sum " + SumText(print.sum) + "  CRC-32 " + CrcText(print.crc32) + "  SHA-256 " + print.sha256;
}

// info's own layout, for people or for programs.
[[nodiscard]] FormatSet InfoFormats() { return {&TextFormat(), &JsonFormat()}; }

class InfoCommand final : public Command {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("info"); }
    [[nodiscard]] QString Synopsis() const override {
        return QStringLiteral("FILE [--format %1]").arg(FormatChoices(InfoFormats()));
    }
    [[nodiscard]] QString Description() const override {
        return QStringLiteral(
            "Size, 16-bit sum, CRC-32 and SHA-256 of an image or a chip's read-back\n"
            "(4 to 64 KB), of each 4 KB copy, and whether the copies agree.");
    }
    [[nodiscard]] QList<QCommandLineOption> Options() const override {
        return {FormatOption(WrittenFormatsHelp(InfoFormats()))};
    }

    [[nodiscard]] int Run(CommandRun& run) const override {
        if (run.arguments.size() != 1) return UsageTrouble(run.console, QStringLiteral("info takes one file."));
        const TableFormat* format = ChosenFormat(run, InfoFormats(), QStringLiteral("info writes"));
        if (format == nullptr) return kTrouble;
        const std::optional<QByteArray> file = ReadDump(run, run.arguments[0]);
        if (!file) return kTrouble;
        const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(file->constData()),
                                                  static_cast<std::size_t>(file->size()));
        const std::size_t copies = CopyCount(bytes);
        const Fingerprint whole = FingerprintOf(bytes);
        bool agree = true;
        std::vector<Fingerprint> prints;
        for (std::size_t copy = 0; copy < copies; ++copy) {
            prints.push_back(FingerprintOf(bytes.subspan(copy * kImageSize, kImageSize)));
            agree = agree && prints.back().sha256 == prints.front().sha256;
        }

        if (format == &JsonFormat()) {
            QJsonObject object = PrintObject(whole);
            object.insert(QStringLiteral("file"), Shown(run.arguments[0]));
            object.insert(QStringLiteral("size"), static_cast<qint64>(bytes.size()));
            if (copies > 1) {
                QJsonArray list;
                for (const Fingerprint& print : prints) list.append(PrintObject(print));
                object.insert(QStringLiteral("copies"), list);
                object.insert(QStringLiteral("copies_agree"), agree);
            }
            return Emit(run.console, QJsonDocument(object).toJson().toStdString(), kSuccess);
        }

        std::string text =
            "File     " + Utf8(Shown(run.arguments[0])) + "\nSize     " + std::to_string(bytes.size()) + " bytes" +
            (copies > 1 ? " (" + std::to_string(copies) + " copies of 4096)" : std::string(": an image")) +
            "\nSum      " + SumText(whole.sum) + " (all bytes added, modulo 65536)\nCRC-32   " + CrcText(whole.crc32) +
            "\nSHA-256  " + whole.sha256 + "\n";
        if (copies > 1) {
            for (std::size_t copy = 0; copy < copies; ++copy) {
                // In the column of the values above, "Copy 15" too.
                std::string label = "Copy " + std::to_string(copy);
                label.resize(9, ' ');
                text += label + PrintText(prints[copy]) + "\n";
            }
            text += agree ? "Copies   all the same\n" : "Copies   not all the same\n";
        }
        return Emit(run.console, text, kSuccess);
    }
};

}  // namespace

std::unique_ptr<const Command> MakeInfoCommand() { return std::make_unique<InfoCommand>(); }

}  // namespace tarvik::tables
