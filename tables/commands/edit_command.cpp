// SPDX-License-Identifier: GPL-3.0-or-later
// edit IMAGE --table NAME [REGION] OPERATION --output OUT: one piece of
// table arithmetic on a region (scale, add, set, interpolate, smooth, copy
// from another image), on the values the editor shows, stored as its Save
// As stores them.

#include <array>

#include "image/codec.h"
#include "platform/to_qstring.h"
#include "tables/commands/command_list.h"
#include "tables/commands/common.h"
#include "tables/formats/diff.h"
#include "tables/formats/format_list.h"
#include "tables/math/region_math.h"

namespace tarvik::tables {

namespace {

struct OperationOption {
    Operation operation;
    const char* name;
};
constexpr std::array<OperationOption, 6> kOperations{{{Operation::Scale, "scale"},
                                                      {Operation::Add, "add"},
                                                      {Operation::Set, "set"},
                                                      {Operation::Interpolate, "interpolate"},
                                                      {Operation::Smooth, "smooth"},
                                                      {Operation::Copy, "copy-from"}}};

// One axis of a table's grid as the command line selects along it: by index
// (--rows, --columns, --cells) or, for the fuel map, by breakpoint (--rpm,
// --load).
struct Axis {
    const char* indexOption;
    const char* valueOption;  // nullptr: none
    const char* noun;         // "row", "column"
    const char* measure;      // "engine speed", "load"
    const char* unit;         // " rpm", ""
    const std::vector<std::int64_t>& positions;
};

[[nodiscard]] QString Latin(const char* text) { return QString::fromLatin1(text); }

class EditCommand final : public Command {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("edit"); }
    [[nodiscard]] QString Synopsis() const override {
        return QStringLiteral("IMAGE --table NAME [REGION] OPERATION --output OUT [--force] [--clamp] [--dry-run]");
    }
    [[nodiscard]] QString Description() const override {
        return QStringLiteral(
            "One operation on a region of a table of IMAGE, on the values the\n"
            "editor shows, stored as its Save As stores them and written to OUT:\n"
            "--scale F, --add N, --set N, --interpolate rows|columns|corners,\n"
            "--smooth S or --copy-from OTHER. REGION: --rows A:B --columns C:D or\n"
            "--rpm A:B --load C:D (fuel map), --cells A:B (the others); the whole\n"
            "table by default. Prints the cells changed as diff does. Exit status\n"
            "1: a result out of range (unless --clamp), 2: trouble; nothing is\n"
            "written then.");
    }
    [[nodiscard]] QList<QCommandLineOption> Options() const override {
        const auto option = [](const char* name, const char* description, const char* value = nullptr) {
            return value == nullptr ? QCommandLineOption(Latin(name), Latin(description))
                                    : QCommandLineOption(Latin(name), Latin(description), Latin(value));
        };
        return {option("table", "The table, as dump names it: fuel_map, full_load_enrichment, ...", "NAME"),
                option("rows", "Fuel map: grid rows A to B, 0 the top one (6096 rpm).", "A:B"),
                option("columns", "Fuel map: grid columns A to B, 0 the left one (load 72).", "A:B"),
                option("rpm", "Fuel map: the rows whose engine speed lies from A to B.", "A:B"),
                option("load", "Fuel map: the columns whose load lies from A to B.", "A:B"),
                option("cells", "Other tables: cells A to B, 0 the top one.", "A:B"),
                option("scale", "Multiply each value by F.", "F"),
                option("add", "Add N to each value (N may be negative).", "N"),
                option("set", "Set each value to N.", "N"),
                option("interpolate",
                       "Straight lines between the region's edge cells along each row or "
                       "column, or bilinear between its corners, spaced by the breakpoints.",
                       "HOW"),
                option("smooth",
                       "Move each value towards its neighbours' mean by the share S (0 to 1); "
                       "the region's edge cells are held.",
                       "S"),
                option("smooth-edges", "With --smooth: smooth the region's edge cells too."),
                option("copy-from", "The region's cells from the image OTHER.", "OTHER"),
                option("clamp", "Put a result outside the table's range at the range's end, and say so."),
                option("dry-run", "Show the cells that would change; write nothing."),
                OutputOption(QStringLiteral("The image to write; it must not exist, unless --force.")),
                ForceOption(QStringLiteral("Replace OUT, even when it is IMAGE itself."))};
    }

    [[nodiscard]] int Run(CommandRun& run) const override;
};

// The operation the command line names, with its number; nothing, after
// saying why.
[[nodiscard]] std::optional<Edit> ReadEdit(CommandRun& run) {
    std::vector<const OperationOption*> given;
    for (const OperationOption& o : kOperations) {
        if (run.parser.isSet(Latin(o.name))) given.push_back(&o);
    }
    if (given.size() != 1) {
        (void)UsageTrouble(run.console, given.empty()
                                            ? QStringLiteral("edit needs an operation: --scale, --add, --set, "
                                                             "--interpolate, --smooth or --copy-from.")
                                            : QStringLiteral("edit does one operation at a time; --%1 and --%2 "
                                                             "are both given.")
                                                  .arg(Latin(given[0]->name), Latin(given[1]->name)));
        return std::nullopt;
    }
    Edit edit;
    edit.operation = given.front()->operation;
    const QString name = Latin(given.front()->name);
    const QString value = run.parser.value(name);
    if (run.parser.isSet(QStringLiteral("smooth-edges")) && edit.operation != Operation::Smooth) {
        (void)UsageTrouble(run.console, QStringLiteral("--smooth-edges goes with --smooth."));
        return std::nullopt;
    }
    switch (edit.operation) {
        case Operation::Interpolate: {
            const std::array<std::pair<const char*, Along>, 3> ways{
                {{"rows", Along::Rows}, {"columns", Along::Columns}, {"corners", Along::Corners}}};
            for (const auto& [word, along] : ways) {
                if (value == Latin(word)) {
                    edit.along = along;
                    return edit;
                }
            }
            (void)UsageTrouble(run.console,
                               QStringLiteral("--interpolate takes rows, columns or corners, not \"%1\".").arg(value));
            return std::nullopt;
        }
        case Operation::Copy:
            return edit;
        default:
            break;
    }
    const DecimalRead number = ReadDecimal(Utf8(value));
    if (!number.value) {
        (void)UsageTrouble(run.console,
                           QStringLiteral("--%1 \"%2\" %3.").arg(name, value, QString::fromStdString(number.problem)));
        return std::nullopt;
    }
    edit.number = *number.value;
    edit.smoothEdges = run.parser.isSet(QStringLiteral("smooth-edges"));
    if (edit.operation == Operation::Smooth && (Compare(edit.number, 0) < 0 || Compare(edit.number, 1) > 0)) {
        (void)UsageTrouble(
            run.console,
            QStringLiteral("--smooth takes a share from 0 to 1 (1: each value becomes its neighbours' mean), "
                           "not \"%1\".")
                .arg(value));
        return std::nullopt;
    }
    return edit;
}

// "A:B" or "A" of an option; nothing, after saying why.
[[nodiscard]] std::optional<std::pair<Decimal, Decimal>> ReadBounds(CommandRun& run, const QString& option) {
    const QString text = run.parser.value(option);
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() > 2) {
        (void)UsageTrouble(run.console, QStringLiteral("--%1 \"%2\": give A:B, or A alone.").arg(option, text));
        return std::nullopt;
    }
    std::array<Decimal, 2> bounds{};
    for (int i = 0; i < 2; ++i) {
        const QString& part = parts[std::min(i, static_cast<int>(parts.size()) - 1)];
        const DecimalRead read = ReadDecimal(Utf8(part));
        if (!read.value) {
            (void)UsageTrouble(run.console, QStringLiteral("--%1 \"%2\": \"%3\" %4.")
                                                .arg(option, text, part, QString::fromStdString(read.problem)));
            return std::nullopt;
        }
        bounds[static_cast<std::size_t>(i)] = *read.value;
    }
    return std::pair{bounds[0], bounds[1]};
}

// The span an axis is selected by; the whole axis when no option is given;
// nothing, after saying why.
[[nodiscard]] std::optional<IndexSpan> ReadAxis(CommandRun& run, const Axis& axis, std::string_view table) {
    const QString byIndex = Latin(axis.indexOption);
    const QString byValue = axis.valueOption != nullptr ? Latin(axis.valueOption) : QString();
    const int count = static_cast<int>(axis.positions.size());
    const bool indexGiven = run.parser.isSet(byIndex);
    const bool valueGiven = !byValue.isEmpty() && run.parser.isSet(byValue);
    if (indexGiven && valueGiven) {
        (void)UsageTrouble(run.console, QStringLiteral("Give --%1 or --%2, not both: they select the same %3s.")
                                            .arg(byIndex, byValue, Latin(axis.noun)));
        return std::nullopt;
    }
    if (!indexGiven && !valueGiven) return IndexSpan{0, count - 1};

    const QString option = indexGiven ? byIndex : byValue;
    const auto bounds = ReadBounds(run, option);
    if (!bounds) return std::nullopt;
    const auto [a, b] = *bounds;
    const QString given = QStringLiteral("--%1 \"%2\": ").arg(option, run.parser.value(option));
    if (indexGiven) {
        for (const Decimal& d : {a, b}) {
            if (d.places != 0 || Compare(d, 0) < 0 || Compare(d, count - 1) > 0) {
                (void)UsageTrouble(run.console, given + QStringLiteral("%1 has %2s 0 to %3, by whole numbers.")
                                                            .arg(ToQString(table), Latin(axis.noun))
                                                            .arg(count - 1));
                return std::nullopt;
            }
        }
        const auto first = static_cast<int>(std::min(a.units, b.units));
        const auto last = static_cast<int>(std::max(a.units, b.units));
        return IndexSpan{first, last};
    }
    if (const auto span = IndicesWithin(axis.positions, a, b)) return span;

    // None between them: the breakpoints on either side.
    std::optional<std::int64_t> below;
    std::optional<std::int64_t> above;
    for (const std::int64_t at : axis.positions) {
        if (Compare(a, at) > 0 && Compare(b, at) > 0 && (!below || at > *below)) below = at;
        if (Compare(a, at) < 0 && Compare(b, at) < 0 && (!above || at < *above)) above = at;
    }
    QStringList nearest;
    for (const auto& at : {below, above}) {
        if (at) nearest << QString::number(*at) + Latin(axis.unit);
    }
    (void)UsageTrouble(run.console,
                       given + QStringLiteral("no %1's %2 lies there (the nearest: %3).")
                                   .arg(Latin(axis.noun), Latin(axis.measure), nearest.join(QStringLiteral(" and "))));
    return std::nullopt;
}

// "rows 4 to 8 (3692 to 2064 rpm)", "row 4 (3692 rpm)": `caption` gives
// the number, `before` and `after` what stands around the numbers.
template <typename Caption>
[[nodiscard]] std::string SpanText(const char* noun, IndexSpan span, Caption caption, const std::string& before,
                                   const std::string& after) {
    if (span.first == span.last) {
        return std::string(noun) + " " + std::to_string(span.first) + " (" + before + caption(span.first) + after + ")";
    }
    return std::string(noun) + "s " + std::to_string(span.first) + " to " + std::to_string(span.last) + " (" + before +
           caption(span.first) + " to " + caption(span.last) + after + ")";
}

int EditCommand::Run(CommandRun& run) const {
    if (run.arguments.size() != 1) {
        return UsageTrouble(run.console, QStringLiteral("edit takes one image, --table NAME, an operation and "
                                                        "--output OUT."));
    }
    const QString& imagePath = run.arguments[0];
    const bool dryRun = run.parser.isSet(QStringLiteral("dry-run"));
    const bool hasOutput = run.parser.isSet(QStringLiteral("output"));
    if (!hasOutput && !dryRun) return UsageTrouble(run.console, QStringLiteral("edit needs --output OUT."));
    QStringList keys;
    for (const TableLayout& t : kStoreOrder) keys << ToQString(t.key);
    const QString key = run.parser.value(QStringLiteral("table"));
    const TableLayout* table = FindTable(Utf8(key));
    if (table == nullptr) {
        return UsageTrouble(run.console, (key.isEmpty() ? QStringLiteral("edit needs --table NAME")
                                                        : QStringLiteral("There is no table \"%1\"").arg(key)) +
                                             QStringLiteral("; the tables are %1.").arg(keys.join(u", ")));
    }
    const Family family = table->family;
    const bool map = family == Family::Data;
    for (const char* option : {"rows", "columns", "rpm", "load", "cells"}) {
        if (run.parser.isSet(Latin(option)) && map == (std::string_view(option) == "cells")) {
            return UsageTrouble(run.console, map ? QStringLiteral("--cells selects cells of the other tables; the "
                                                                  "fuel map's are --rows and --columns, or --rpm and "
                                                                  "--load.")
                                                 : QStringLiteral("--%1 selects part of the fuel map; %2 takes "
                                                                  "--cells A:B.")
                                                       .arg(Latin(option), key));
        }
    }
    const std::optional<Edit> parsed = ReadEdit(run);
    if (!parsed) return kTrouble;
    Edit edit = *parsed;

    // The region, before any file is read: a wrong one is a wrong command line.
    const Grid shape = TableGrid(ImageBytes{}, family);
    Region region;
    if (map) {
        const Axis rows{"rows", "rpm", "row", "engine speed", " rpm", shape.rowAt};
        const Axis columns{"columns", "load", "column", "load", "", shape.columnAt};
        const auto r = ReadAxis(run, rows, table->key);
        if (!r) return kTrouble;
        const auto c = ReadAxis(run, columns, table->key);
        if (!c) return kTrouble;
        region = {r->first, r->last, c->first, c->last};
    } else {
        const auto r = ReadAxis(run, Axis{"cells", nullptr, "cell", "", "", shape.rowAt}, table->key);
        if (!r) return kTrouble;
        region = {r->first, r->last, 0, 0};
    }
    if (region.Cells() == 1 && (edit.operation == Operation::Interpolate || edit.operation == Operation::Smooth)) {
        return UsageTrouble(run.console,
                            QStringLiteral("A single cell cannot be %1; select two cells or more in a row or a "
                                           "column.")
                                .arg(edit.operation == Operation::Smooth ? QStringLiteral("smoothed")
                                                                         : QStringLiteral("interpolated")));
    }

    const QString outPath = run.parser.value(QStringLiteral("output"));
    const bool force = run.parser.isSet(QStringLiteral("force"));
    if (hasOutput) {
        if (const auto refused = RefuseTakenOutput(run, outPath, imagePath, force)) return *refused;
    }
    const std::optional<ImageBytes> image = ReadImage(run, imagePath);
    if (!image) return kTrouble;
    std::optional<Grid> other;
    if (edit.operation == Operation::Copy) {
        const std::optional<ImageBytes> otherImage = ReadImage(run, run.parser.value(QStringLiteral("copy-from")));
        if (!otherImage) return kTrouble;
        other = TableGrid(*otherImage, family);
        edit.from = &*other;
    }

    const Grid before = TableGrid(*image, family);
    Grid after = EditRegion(before, region, edit, table->scale);

    // Results outside the table's range: refused, or clamped and named.
    const std::int64_t largest = LargestSteps(family);
    std::string outside;
    for (int row = region.firstRow; row <= region.lastRow; ++row) {
        for (int column = region.firstColumn; column <= region.lastColumn; ++column) {
            std::int64_t& value = after.At(row, column);
            if (value >= 0 && value <= largest) continue;
            const std::int64_t end = value < 0 ? 0 : largest;
            outside += DescribeCell(family, GridCell(family, row, column)) + ": " +
                       StepsText(family, before.At(row, column)) + " -> " +
                       NumberText(static_cast<double>(value) / table->scale) + ", " +
                       (value < 0 ? "below " : "above ") + StepsText(family, end) + "\n";
            value = end;
        }
    }
    const bool clamp = run.parser.isSet(QStringLiteral("clamp"));
    if (!outside.empty() && !clamp) {
        run.console.Err(IllegalValueMessage(table->name) + "\n" + outside +
                        "Nothing written; --clamp puts such results at the end of the range.\n");
        return kIllegalValue;
    }
    const std::optional<ImageBytes> edited = StoreGrid(*image, family, after);
    if (!edited) {
        run.console.Err(IllegalValueMessage(table->name) + "\n");
        return kIllegalValue;
    }

    // The report goes out before the image is written: when it cannot,
    // nothing is written, as the status says.
    std::string report = "Selected " + std::string(table->key);
    if (map) {
        const auto rpm = [](int row) { return std::to_string(RowRpm(row)); };
        const auto load = [](int column) { return std::to_string(kLoadBreakpoints[static_cast<std::size_t>(column)]); };
        report += " " + SpanText("row", {region.firstRow, region.lastRow}, rpm, "", " rpm");
        report += ", " + SpanText("column", {region.firstColumn, region.lastColumn}, load, "load ", "");
    } else if (table->count > 1) {
        const auto caption = [family](int row) { return CaptionOf(family, row); };
        report += " " + SpanText("row", {region.firstRow, region.lastRow}, caption, "", "");
    }
    report += ": " + std::to_string(region.Cells()) + (region.Cells() == 1 ? " cell.\n" : " cells.\n");
    const std::string changes = TextFormat().diff(DiffImages(*image, *edited));
    report += changes.empty() ? "No cell changes.\n" : changes;
    if (!outside.empty()) {
        report += "Clamped to the range 0 to " + StepsText(family, largest) + ":\n";
        for (std::size_t from = 0; from < outside.size();) {
            const std::size_t end = outside.find('\n', from);
            report += "  " + outside.substr(from, end + 1 - from);
            from = end + 1;
        }
    }
    if (dryRun) report += "Nothing written (--dry-run).\n";
    // With the image on standard output ("-o -"), the report goes beside it,
    // to standard error, so that the stream is the image alone.
    if (hasOutput && IsStandardOutput(outPath)) {
        run.console.Err(report);
    } else if (const std::string lost = run.console.Out(report); !lost.empty()) {
        return Trouble(run.console, CannotWriteResults(lost));
    }
    if (dryRun) return kSuccess;
    const QByteArray data(reinterpret_cast<const char*>(edited->data()), static_cast<qsizetype>(kImageSize));
    return WriteOutput(run, outPath, data, force);
}

}  // namespace

std::unique_ptr<const Command> MakeEditCommand() { return std::make_unique<EditCommand>(); }

}  // namespace tarvik::tables
