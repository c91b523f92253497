// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The editor's command line: tarvik [IMAGE] [--emulator PORT [--device NAME]
// [--bank N]]. Without arguments the editor is the one of its manual, and
// none of this is used.

#include <QString>
#include <QStringList>
#include <optional>

namespace tarvik::devices {
struct DeviceKind;
}

namespace tarvik {

struct EditorOptions {
    QString image;  // opened after start-up, as Open opens a file; empty: none
    QString port;   // the emulator's port; empty: no live link
    const devices::DeviceKind* device = nullptr;
    std::optional<int> bank;
};

// Whether the command line asks only for help or the version, which need
// no display.
[[nodiscard]] bool AsksForHelpOrVersion(const QStringList& arguments);

// Prints the help or the version; the exit status.
[[nodiscard]] int ShowHelpOrVersion(const QStringList& arguments);

// Reads the command line (arguments[0] is the program, Qt's own options
// already taken out). The exit status, after saying why on standard error,
// when the editor must not start; nothing when it may.
[[nodiscard]] std::optional<int> ReadCommandLine(const QStringList& arguments, EditorOptions& options);

}  // namespace tarvik
