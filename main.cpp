#include <QApplication>

#include "editor/frmMain.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    return tarvik::RunEditor(app);
}
