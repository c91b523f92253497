// SPDX-License-Identifier: GPL-3.0-or-later
// sheet IMAGE [--base OLD] --output FILE: the map sheet, one page to share
// or print, as PDF, SVG or PNG.

#include <QDate>
#include <QFileInfo>
#include <QGuiApplication>

#include "generated/version.h"
#include "tables/commands/command_list.h"
#include "tables/commands/common.h"
#include "tables/sheet/sheet.h"

namespace tarvik::tables {

namespace {

class SheetCommand final : public Command {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("sheet"); }
    [[nodiscard]] QString Synopsis() const override {
        return QStringLiteral("IMAGE [--base OLD] --output FILE [--force]");
    }
    [[nodiscard]] QString Description() const override {
        return QStringLiteral(
            "One A4 page with the tables of IMAGE, its name and fingerprint; with\n"
            "--base, every change against OLD. FILE's ending: .pdf, .svg or .png.");
    }
    [[nodiscard]] QList<QCommandLineOption> Options() const override {
        return {QCommandLineOption(QStringLiteral("base"), QStringLiteral("The image to show the changes against."),
                                   QStringLiteral("OLD")),
                OutputOption(QStringLiteral("The file to write; it must not exist, unless --force.")),
                ForceOption(QStringLiteral("Replace OUT."))};
    }

    // The sheet is painted with Qt Gui, which needs a platform: the
    // offscreen one, so that no display is ever asked for.
    [[nodiscard]] std::unique_ptr<QCoreApplication> MakeApplication(int& argc, char** argv) const override {
        if (qgetenv("QT_QPA_PLATFORM") != "offscreen") qputenv("QT_QPA_PLATFORM", "offscreen");
        return std::make_unique<QGuiApplication>(argc, argv);
    }

    [[nodiscard]] int Run(CommandRun& run) const override {
        if (run.arguments.size() != 1 || !run.parser.isSet(QStringLiteral("output"))) {
            return UsageTrouble(run.console, QStringLiteral("sheet takes an image and --output FILE."));
        }
        const QString out = run.parser.value(QStringLiteral("output"));
        const std::optional<SheetFormat> format = SheetFormatOf(out);
        if (!format) {
            return UsageTrouble(
                run.console,
                QStringLiteral("The sheet's format is told by the ending of \"%1\": .pdf, .svg or .png.").arg(out));
        }
        if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
            return Trouble(run.console, QStringLiteral("A sheet is drawn with Qt Gui, which was not started."));
        }
        const bool force = run.parser.isSet(QStringLiteral("force"));
        if (const auto refused = RefuseTakenOutput(run, out, run.arguments[0], force)) return *refused;
        const std::optional<ImageBytes> image = ReadImage(run, run.arguments[0]);
        if (!image) return kTrouble;
        SheetContents contents{{QFileInfo(run.arguments[0]).fileName(), *image},
                               std::nullopt,
                               QDate::currentDate().toString(Qt::ISODate),
                               QStringLiteral("Tarvik %1.%2.%3")
                                   .arg(tarvik::kVersionMajor)
                                   .arg(tarvik::kVersionMinor)
                                   .arg(tarvik::kVersionRevision)};
        if (run.parser.isSet(QStringLiteral("base"))) {
            const QString basePath = run.parser.value(QStringLiteral("base"));
            const std::optional<ImageBytes> base = ReadImage(run, basePath);
            if (!base) return kTrouble;
            contents.base = SheetImage{QFileInfo(basePath).fileName(), *base};
        }
        return WriteOutput(run, out, DrawSheet(contents, *format), force);
    }
};

}  // namespace

std::unique_ptr<const Command> MakeSheetCommand() { return std::make_unique<SheetCommand>(); }

}  // namespace tarvik::tables
