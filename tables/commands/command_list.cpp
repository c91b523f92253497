// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/commands/command_list.h"

#include <algorithm>

namespace tarvik::tables {

// Each made in the unit that holds the command.
std::unique_ptr<const Command> MakeDumpCommand();
std::unique_ptr<const Command> MakeDiffCommand();
std::unique_ptr<const Command> MakeApplyCommand();
std::unique_ptr<const Command> MakeEditCommand();
std::unique_ptr<const Command> MakeInfoCommand();
std::unique_ptr<const Command> MakeChipCommand();
std::unique_ptr<const Command> MakeVerifyCommand();
std::unique_ptr<const Command> MakeExtractCommand();
std::unique_ptr<const Command> MakeEmulatorInfoCommand();
std::unique_ptr<const Command> MakeEmulatorUploadCommand();
std::unique_ptr<const Command> MakeEmulatorVerifyCommand();
std::unique_ptr<const Command> MakeEmulatorDownloadCommand();
std::unique_ptr<const Command> MakeEmulatorWatchCommand();
std::unique_ptr<const Command> MakeSheetCommand();

const std::vector<std::unique_ptr<const Command>>& Commands() {
    static const std::vector<std::unique_ptr<const Command>> commands = [] {
        std::vector<std::unique_ptr<const Command>> list;
        list.push_back(MakeDumpCommand());
        list.push_back(MakeDiffCommand());
        list.push_back(MakeApplyCommand());
        list.push_back(MakeEditCommand());
        list.push_back(MakeInfoCommand());
        list.push_back(MakeChipCommand());
        list.push_back(MakeVerifyCommand());
        list.push_back(MakeExtractCommand());
        list.push_back(MakeEmulatorInfoCommand());
        list.push_back(MakeEmulatorUploadCommand());
        list.push_back(MakeEmulatorVerifyCommand());
        list.push_back(MakeEmulatorDownloadCommand());
        list.push_back(MakeEmulatorWatchCommand());
        list.push_back(MakeSheetCommand());
        return list;
    }();
    return commands;
}

const Command* FindCommand(const QString& name) {
    const auto& commands = Commands();
    const auto found = std::find_if(commands.begin(), commands.end(),
                                    [&](const std::unique_ptr<const Command>& c) { return c->Name() == name; });
    return found == commands.end() ? nullptr : found->get();
}

}  // namespace tarvik::tables
