// SPDX-License-Identifier: GPL-3.0-or-later
// extract DUMP --output IMAGE: the 4096-byte image of a chip's read-back.

#include "tables/chips/chips.h"
#include "tables/commands/command_list.h"
#include "tables/commands/common.h"

namespace tarvik::tables {

namespace {

class ExtractCommand final : public Command {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("extract"); }
    [[nodiscard]] QString Synopsis() const override {
        return QStringLiteral("DUMP --output IMAGE [--copy N] [--force] [--allow-blank]");
    }
    [[nodiscard]] QString Description() const override {
        return QStringLiteral(
            "The image of a chip's read-back DUMP (4 to 64 KB): its copy, when all\n"
            "copies agree. When they differ, exit status 1 and the cells that\n"
            "differ, nothing written, unless --copy N (from 0) picks one. A copy of\n"
            "only 0xFF or 0x00 bytes is no image: exit status 1 unless --allow-blank.\n"
            "IMAGE \"-\" is standard output.");
    }
    [[nodiscard]] QList<QCommandLineOption> Options() const override {
        return {OutputOption(QStringLiteral("The image to write; it must not exist, unless --force.")),
                QCommandLineOption(QStringLiteral("copy"), QStringLiteral("The copy to take, counted from 0."),
                                   QStringLiteral("N")),
                ForceOption(QStringLiteral("Replace IMAGE.")), AllowBlankOption()};
    }

    [[nodiscard]] int Run(CommandRun& run) const override {
        if (run.arguments.size() != 1 || !run.parser.isSet(QStringLiteral("output")))
            return UsageTrouble(run.console, QStringLiteral("extract takes a chip's read-back and --output IMAGE."));
        const QString out = run.parser.value(QStringLiteral("output"));
        const bool force = run.parser.isSet(QStringLiteral("force"));
        if (const auto refused = RefuseTakenOutput(run, out, run.arguments[0], force)) return *refused;
        const std::optional<QByteArray> dump = ReadDump(run, run.arguments[0]);
        if (!dump) return kTrouble;
        const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(dump->constData()),
                                                  static_cast<std::size_t>(dump->size()));
        const std::size_t copies = CopyCount(bytes);

        std::size_t copy = 0;
        if (run.parser.isSet(QStringLiteral("copy"))) {
            bool number = false;
            const uint chosen = run.parser.value(QStringLiteral("copy")).toUInt(&number);
            if (!number || chosen >= copies) {
                return UsageTrouble(
                    run.console,
                    QStringLiteral("--copy takes 0%1: \"%2\" holds %3.")
                        .arg(copies == 1 ? QString() : QStringLiteral(" to %1").arg(copies - 1),
                             Shown(run.arguments[0]), QString::fromStdString(Counted(copies, "copy", "copies"))));
            }
            copy = chosen;
        } else {
            const std::string report = FormatCopyChecks(CheckCopies(CopyOf(bytes, 0), bytes), "copy 0");
            if (!report.empty()) {
                run.console.Err(report + "Nothing written; --copy N takes one of them.\n");
                return kDifferent;
            }
        }
        const ImageBytes image = CopyOf(bytes, copy);
        // Without --copy the copies agree: a blank copy is a blank read-back.
        const QString what = run.parser.isSet(QStringLiteral("copy"))
                                 ? QStringLiteral("Copy %1 of \"%2\"").arg(copy).arg(Shown(run.arguments[0]))
                                 : QStringLiteral("\"%1\"").arg(Shown(run.arguments[0]));
        if (const auto blank = RefuseBlank(run, image, what)) return *blank;
        return WriteOutput(
            run, out, QByteArray(reinterpret_cast<const char*>(image.data()), static_cast<qsizetype>(image.size())),
            force);
    }
};

}  // namespace

std::unique_ptr<const Command> MakeExtractCommand() { return std::make_unique<ExtractCommand>(); }

}  // namespace tarvik::tables
