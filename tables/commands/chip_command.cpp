// SPDX-License-Identifier: GPL-3.0-or-later
// chip IMAGE --chip NAME --output OUT: the file to burn into a chip of that
// type, the image in every 4 KB copy.

#include "tables/chips/chips.h"
#include "tables/commands/command_list.h"
#include "tables/commands/common.h"

namespace tarvik::tables {

namespace {

class ChipCommand final : public Command {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("chip"); }
    [[nodiscard]] QString Synopsis() const override {
        return QStringLiteral("IMAGE --chip NAME --output OUT [--force]");
    }
    [[nodiscard]] QString Description() const override {
        return QStringLiteral(
            "The file to burn into a chip of type NAME (2732 ... 27C512, 28C64,\n"
            "28C256): the chip's size, with IMAGE in every 4 KB copy. OUT \"-\" is\n"
            "standard output.");
    }
    [[nodiscard]] QList<QCommandLineOption> Options() const override {
        return {QCommandLineOption(QStringLiteral("chip"),
                                   QStringLiteral("The chip type: %1.").arg(QString::fromStdString(ChipNames())),
                                   QStringLiteral("NAME")),
                OutputOption(QStringLiteral("The file to write; it must not exist, unless --force.")),
                ForceOption(QStringLiteral("Replace OUT."))};
    }

    [[nodiscard]] int Run(CommandRun& run) const override {
        if (run.arguments.size() != 1 || !run.parser.isSet(QStringLiteral("chip")) ||
            !run.parser.isSet(QStringLiteral("output"))) {
            return UsageTrouble(run.console, QStringLiteral("chip takes an image, --chip NAME and --output OUT."));
        }
        const QString name = run.parser.value(QStringLiteral("chip"));
        const ChipType* chip = FindChip(name.toStdString());
        if (chip == nullptr) {
            return UsageTrouble(run.console, QStringLiteral("There is no chip \"%1\"; the chips are %2.")
                                                 .arg(Shown(name), QString::fromStdString(ChipNames())));
        }
        const QString out = run.parser.value(QStringLiteral("output"));
        const bool force = run.parser.isSet(QStringLiteral("force"));
        if (const auto refused = RefuseTakenOutput(run, out, run.arguments[0], force)) return *refused;
        const std::optional<ImageBytes> image = ReadImage(run, run.arguments[0]);
        if (!image) return kTrouble;
        const std::vector<std::uint8_t> contents = ChipContents(*image, chip->bytes);
        return WriteOutput(
            run, out,
            QByteArray(reinterpret_cast<const char*>(contents.data()), static_cast<qsizetype>(contents.size())), force);
    }
};

}  // namespace

std::unique_ptr<const Command> MakeChipCommand() { return std::make_unique<ChipCommand>(); }

}  // namespace tarvik::tables
