// SPDX-License-Identifier: GPL-3.0-or-later
// sheet IMAGE [--base OLD] --output FILE: the map sheet, one page to share
// or print, as PDF, SVG or PNG.

#include <QCoreApplication>
#include <QDate>
#include <QFileInfo>
#include <QLibrary>

#include "generated/version.h"
#include "tables/commands/command_list.h"
#include "tables/commands/common.h"
#include "tables/sheet/sheet_module.h"

namespace tarvik::tables {

namespace {

// The drawing module, loaded once: found where TARVIK_SHEET_MODULE says
// (tests), next to the program (the build tree), or where the package
// installs it.
struct SheetModule {
    MakeSheetApplication makeApplication = nullptr;
    DrawSheetInto draw = nullptr;
    QString error;
};

[[nodiscard]] const SheetModule& Module() {
    static const SheetModule module = [] {
        SheetModule loaded;
        const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
        const QString folder = QFileInfo(program).absolutePath();
        QStringList places{folder + QStringLiteral("/tarvik-sheet.so"),
                           folder + QStringLiteral("/" TARVIK_SHEET_MODULE_FROM_PROGRAM)};
        if (qEnvironmentVariableIsSet("TARVIK_SHEET_MODULE"))
            places.prepend(qEnvironmentVariable("TARVIK_SHEET_MODULE"));
        for (const QString& place : places) {
            if (!QFileInfo::exists(place)) continue;
            QLibrary library(place);
            loaded.makeApplication = reinterpret_cast<MakeSheetApplication>(library.resolve(kMakeSheetApplication));
            loaded.draw = reinterpret_cast<DrawSheetInto>(library.resolve(kDrawSheetInto));
            if (loaded.makeApplication != nullptr && loaded.draw != nullptr) return loaded;
            loaded.error = library.errorString();
        }
        if (loaded.error.isEmpty())
            loaded.error = QStringLiteral("It is in none of: ") + places.join(QStringLiteral(", "));
        loaded.makeApplication = nullptr;
        loaded.draw = nullptr;
        return loaded;
    }();
    return module;
}

class SheetCommand final : public Command {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("sheet"); }
    [[nodiscard]] QString Synopsis() const override {
        return QStringLiteral("IMAGE [--base OLD] --output FILE [--format pdf|svg|png] [--force]");
    }
    [[nodiscard]] QString Description() const override {
        return QStringLiteral(
            "One A4 page with the tables of IMAGE, its name and fingerprint; with\n"
            "--base, every change against OLD. FILE's ending: .pdf, .svg or .png;\n"
            "FILE \"-\" is standard output, in the format --format names.");
    }
    [[nodiscard]] QList<QCommandLineOption> Options() const override {
        return {QCommandLineOption(QStringLiteral("base"), QStringLiteral("The image to show the changes against."),
                                   QStringLiteral("OLD")),
                OutputOption(QStringLiteral("The file to write; it must not exist, unless --force.")),
                FormatOption(QStringLiteral("pdf, svg or png, where FILE's ending does not say (-o -).")),
                ForceOption(QStringLiteral("Replace OUT."))};
    }

    // The sheet is painted with Qt Gui, from the drawing module; without
    // it a Qt Core application runs, and the command says what is missing.
    [[nodiscard]] std::unique_ptr<QCoreApplication> MakeApplication(int& argc, char** argv) const override {
        if (Module().makeApplication == nullptr) return Command::MakeApplication(argc, argv);
        return std::unique_ptr<QCoreApplication>(Module().makeApplication(&argc, argv));
    }

    [[nodiscard]] int Run(CommandRun& run) const override {
        if (run.arguments.size() != 1 || !run.parser.isSet(QStringLiteral("output"))) {
            return UsageTrouble(run.console, QStringLiteral("sheet takes an image and --output FILE."));
        }
        const QString out = run.parser.value(QStringLiteral("output"));
        const std::optional<SheetFormat> format = Format(run, out);
        if (!format) return kTrouble;
        if (Module().draw == nullptr) {
            return Trouble(run.console,
                           QStringLiteral("Cannot load the drawing module tarvik-sheet.so.\n%1").arg(Module().error));
        }
        if (QCoreApplication::instance() == nullptr || !QCoreApplication::instance()->inherits("QGuiApplication")) {
            return Trouble(run.console, QStringLiteral("A sheet is drawn with Qt Gui, which was not started."));
        }
        const bool force = run.parser.isSet(QStringLiteral("force"));
        if (const auto refused = RefuseTakenOutput(run, out, run.arguments[0], force)) return *refused;
        const std::optional<ImageBytes> image = ReadImage(run, run.arguments[0]);
        if (!image) return kTrouble;
        SheetContents contents{{Shown(run.arguments[0].section(QLatin1Char('/'), -1)), *image},
                               std::nullopt,
                               QDate::currentDate().toString(Qt::ISODate),
                               QStringLiteral("Tarvik ") + QString::fromStdString(ProgramVersionNumber())};
        if (run.parser.isSet(QStringLiteral("base"))) {
            const QString basePath = run.parser.value(QStringLiteral("base"));
            const std::optional<ImageBytes> base = ReadImage(run, basePath);
            if (!base) return kTrouble;
            contents.base = SheetImage{Shown(basePath.section(QLatin1Char('/'), -1)), *base};
        }
        QByteArray file;
        Module().draw(&contents, *format, &file);
        return WriteOutput(run, out, file, force);
    }

private:
    // By --format, else by FILE's ending; nothing, after saying why.
    [[nodiscard]] static std::optional<SheetFormat> Format(CommandRun& run, const QString& out) {
        const std::optional<SheetFormat> byEnding = SheetFormatOf(out);
        if (!run.parser.isSet(QStringLiteral("format"))) {
            if (byEnding) return byEnding;
            (void)UsageTrouble(run.console, QStringLiteral("The sheet's format is told by the ending of \"%1\" (.pdf, "
                                                           ".svg or .png) or by --format.")
                                                .arg(Shown(out)));
            return std::nullopt;
        }
        const QString name = run.parser.value(QStringLiteral("format"));
        const std::optional<SheetFormat> named = SheetFormatNamed(name);
        if (!named) {
            (void)UsageTrouble(run.console,
                               QStringLiteral("There is no sheet format \"%1\"; they are pdf, svg and png.").arg(name));
        } else if (byEnding && byEnding != named) {
            (void)UsageTrouble(run.console,
                               QStringLiteral("--format %1 and the ending of \"%2\" disagree.").arg(name, Shown(out)));
            return std::nullopt;
        }
        return named;
    }
};

}  // namespace

std::unique_ptr<const Command> MakeSheetCommand() { return std::make_unique<SheetCommand>(); }

}  // namespace tarvik::tables
