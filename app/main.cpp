// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>

#include "app/identity.h"
#include "app/run_editor.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    tarvik::SetEditorIdentity();
    return tarvik::RunEditor(app);
}
