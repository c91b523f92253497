// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>

#include "app/command_line.h"
#include "app/identity.h"
#include "app/run_editor.h"

int main(int argc, char* argv[]) {
    QStringList raw;
    for (int i = 0; i < argc; ++i) raw << QString::fromLocal8Bit(argv[i]);
    // Help and the version need no display.
    if (tarvik::AsksForHelpOrVersion(raw)) return tarvik::ShowHelpOrVersion(raw);
    QApplication app(argc, argv);
    tarvik::SetEditorIdentity();
    tarvik::EditorOptions options;
    if (const std::optional<int> refused = tarvik::ReadCommandLine(QCoreApplication::arguments(), options))
        return *refused;
    return tarvik::RunEditor(app, options);
}
