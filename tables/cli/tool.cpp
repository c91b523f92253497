// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/cli/tool.h"

#include <QCommandLineParser>
#include <algorithm>

#include "generated/version.h"
#include "tables/commands/command_list.h"
#include "tables/commands/common.h"

namespace tarvik::tables {

namespace {

[[nodiscard]] QCommandLineOption HelpOption() {
    return {QStringList{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help.")};
}

[[nodiscard]] QCommandLineOption VersionOption() {
    return {QStringList{QStringLiteral("v"), QStringLiteral("version")}, QStringLiteral("Show the version.")};
}

// "dump, diff and apply"
[[nodiscard]] QString Listed(QStringList names) {
    const QString last = names.takeLast();
    return names.isEmpty() ? last : names.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
}

[[nodiscard]] QString CommandNames() {
    QStringList names;
    for (const auto& command : Commands()) names << command->Name();
    return Listed(names);
}

// The second words of a family's commands: "info", "upload", ... for
// "emulator"; none when no command's name starts with the word.
[[nodiscard]] QStringList FamilyCommands(const QString& word) {
    QStringList names;
    const QString prefix = word + QLatin1Char(' ');
    for (const auto& command : Commands()) {
        if (command->Name().startsWith(prefix)) names << command->Name().mid(prefix.size());
    }
    return names;
}

[[nodiscard]] QString ToolDescription() {
    QString text = QStringLiteral(
        "Reads, compares and writes the seven calibration tables of 4096-byte LH 2.2\n"
        "EPROM images, with the values and rules of the editor.\n"
        "\n"
        "Commands:\n");
    for (const auto& command : Commands()) {
        text += QStringLiteral("  %1 %2\n").arg(command->Name(), command->Synopsis());
        for (const QString& line : command->Description().split(QLatin1Char('\n')))
            text += QStringLiteral("      ") + line + QLatin1Char('\n');
    }
    text += QStringLiteral("\"tarvik-tables COMMAND --help\" shows the options of a command.");
    return text;
}

// The global options and every command's: a parser that knows which options
// take a value, so that the value is not taken for the command's name.
void AddEveryOption(QCommandLineParser& parser) {
    parser.addOptions({HelpOption(), VersionOption()});
    QStringList added;
    for (const auto& command : Commands()) {
        for (const QCommandLineOption& option : command->Options()) {
            if (added.contains(option.names().constFirst())) continue;  // two commands share it
            added << option.names();
            parser.addOption(option);
        }
    }
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("The command: ") + CommandNames());
}

// The command's name: its first word, or its first two for a family of
// commands ("emulator upload") when there is such a command.
[[nodiscard]] QString CommandName(const QStringList& arguments, QCommandLineParser& parser) {
    AddEveryOption(parser);
    (void)parser.parse(arguments);
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) return {};
    if (positional.size() > 1) {
        const QString two = positional[0] + QLatin1Char(' ') + positional[1];
        if (FindCommand(two) != nullptr) return two;
    }
    return positional.first();
}

// "-o a.bin -o b.bin" would write only one of them: an option is given once
// or not at all.
[[nodiscard]] bool RefuseRepeatedOptions(const QCommandLineParser& parser, const QList<QCommandLineOption>& options,
                                         Console& console, int& status) {
    const QStringList given = parser.optionNames();
    for (const QCommandLineOption& option : options) {
        const auto times = std::count_if(given.begin(), given.end(),
                                         [&](const QString& name) { return option.names().contains(name); });
        if (times > 1) {
            status = UsageTrouble(
                console,
                QStringLiteral("--%1 is given %2 times; give it once.").arg(option.names().constLast()).arg(times));
            return true;
        }
    }
    return false;
}

}  // namespace

const Command* CommandOf(const QStringList& arguments) {
    QCommandLineParser parser;
    return FindCommand(CommandName(arguments, parser));
}

int RunTablesTool(const QStringList& arguments, Console& console, FileSystem& files, devices::SerialPorts& ports) {
    QCommandLineParser everything;
    const QString name = CommandName(arguments, everything);
    const Command* command = FindCommand(name);
    if (command == nullptr) {
        if (!everything.parse(arguments)) return UsageTrouble(console, everything.errorText());
        if (everything.isSet(QStringLiteral("help"))) {
            QCommandLineParser global;  // the help lists the global options only
            global.setApplicationDescription(ToolDescription());
            global.addOptions({HelpOption(), VersionOption()});
            global.addPositionalArgument(QStringLiteral("command"), QStringLiteral("The command: ") + CommandNames());
            global.addPositionalArgument(QStringLiteral("files"), QStringLiteral("The command's files."),
                                         QStringLiteral("files..."));
            return Emit(console, Utf8(global.helpText()), kSuccess);
        }
        if (everything.isSet(QStringLiteral("version"))) return Emit(console, ProgramVersionText() + '\n', kSuccess);
        if (name.isEmpty()) return UsageTrouble(console, QStringLiteral("Name a command: %1.").arg(CommandNames()));
        const QStringList positional = everything.positionalArguments();
        if (const QStringList family = FamilyCommands(name); !family.isEmpty()) {
            if (positional.size() < 2) {
                return UsageTrouble(console,
                                    QStringLiteral("Name the %1 command: %2.").arg(Shown(name), Listed(family)));
            }
            return UsageTrouble(console, QStringLiteral("There is no command \"%1 %2\"; the %1 commands are %3.")
                                             .arg(Shown(name), Shown(positional[1]), Listed(family)));
        }
        return UsageTrouble(
            console,
            QStringLiteral("There is no command \"%1\"; the commands are %2.").arg(Shown(name), CommandNames()));
    }

    // The command's own options: any other is refused by the parser.
    QCommandLineParser parser;
    const QList<QCommandLineOption> options = QList<QCommandLineOption>{HelpOption(), VersionOption()}
                                              << command->Options();
    parser.addOptions(options);
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("The command."), command->Name());
    parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral("Its files, as above."), command->Synopsis());
    if (!parser.parse(arguments)) return UsageTrouble(console, parser.errorText());
    if (int status = kSuccess; RefuseRepeatedOptions(parser, options, console, status)) return status;
    if (parser.isSet(QStringLiteral("help"))) {
        parser.setApplicationDescription(QStringLiteral("tarvik-tables %1 %2\n\n%3")
                                             .arg(command->Name(), command->Synopsis(), command->Description()));
        return Emit(console, Utf8(parser.helpText()), kSuccess);
    }
    if (parser.isSet(QStringLiteral("version"))) return Emit(console, ProgramVersionText() + '\n', kSuccess);

    QStringList positional = parser.positionalArguments();
    positional.remove(0, command->Name().count(QLatin1Char(' ')) + 1);
    CommandRun run{parser, positional, console, files, ports};
    return command->Run(run);
}

}  // namespace tarvik::tables
