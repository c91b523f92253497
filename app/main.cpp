// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>

#include "app/command_line.h"
#include "app/identity.h"
#include "app/run_editor.h"
#include "platform/file_names.h"

namespace {

// The command line as given: an image named in any bytes is that file (Qt's
// own arguments() would turn bytes that are not UTF-8 into U+FFFD).
[[nodiscard]] QStringList Arguments(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << tarvik::FileNameFromBytes(argv[i]);
    return arguments;
}

}  // namespace

int main(int argc, char* argv[]) {
    // Help and the version need no display.
    if (tarvik::AsksForHelpOrVersion(Arguments(argc, argv))) return tarvik::ShowHelpOrVersion(Arguments(argc, argv));
    QApplication app(argc, argv);
    tarvik::SetEditorIdentity();
    tarvik::EditorOptions options;
    // Read after Qt has taken its own options out of argv.
    if (const std::optional<int> refused = tarvik::ReadCommandLine(Arguments(argc, argv), options)) return *refused;
    return tarvik::RunEditor(app, options);
}
