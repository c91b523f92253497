// Draws the program's pictures and writes them into the folder given as the
// only argument (default: the current folder).
#include "tools/pictures/bmp_writer.h"
#include "tools/pictures/drawing.h"
#include "tools/pictures/gif_writer.h"
#include "tools/pictures/palette.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <cstdio>

namespace {

bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (bytes.isEmpty() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    // Drawing needs fonts but no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    if (!folder.exists()) {
        std::fprintf(stderr, "no such folder: %s\n", qPrintable(folder.path()));
        return 1;
    }

    using namespace tarvik::pictures;
    bool ok = WriteBytes(folder.filePath(QStringLiteral("splash.gif")), EncodeGif(ToIndexed256(DrawSplash())));
    ok = WriteBytes(folder.filePath(QStringLiteral("about.bmp")), EncodeBmp24(DrawAbout())) && ok;
    const QString iconPath = folder.filePath(QStringLiteral("icon.png"));
    if (!ToIndexed256(DrawIcon()).save(iconPath, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(iconPath));
        ok = false;
    }
    return ok ? 0 : 1;
}
