// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the program's pictures and writes them into a folder (default: the
// current one):
//   tarvik_pictures [FOLDER]           splash.gif, about.bmp and icon.png,
//                                      which windows/ carries
//   tarvik_pictures --icons [FOLDER]   icon-32.png ... icon-256.png, the
//                                      icon at each size of the desktop's
//                                      icon theme
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
    if (bytes.isEmpty() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// The 32 x 32 icon in 256 colours, as the window's icon.png is kept; the
// larger ones in full colour, where 256 colours would show the tile's
// gradient as bands.
bool WriteIcon(const QString& path, int size) {
    using namespace tarvik::pictures;
    const QImage icon = size <= 32 ? ToIndexed256(DrawIcon(size)) : DrawIcon(size);
    if (!icon.save(path, "PNG")) {
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
    QStringList arguments = QGuiApplication::arguments().mid(1);
    const bool iconsOnly = !arguments.isEmpty() && arguments.constFirst() == QLatin1String("--icons");
    if (iconsOnly) arguments.removeFirst();
    if (arguments.size() > 1) {
        std::fprintf(stderr, "usage: tarvik_pictures [--icons] [FOLDER]\n");
        return 1;
    }
    const QDir folder(arguments.isEmpty() ? QStringLiteral(".") : arguments.constFirst());
    if (!folder.exists()) {
        std::fprintf(stderr, "no such folder: %s\n", qPrintable(folder.path()));
        return 1;
    }

    using namespace tarvik::pictures;
    bool ok = true;
    if (iconsOnly) {
        for (const int size : kIconSizes) {
            ok = WriteIcon(folder.filePath(QStringLiteral("icon-%1.png").arg(size)), size) && ok;
        }
        return ok ? 0 : 1;
    }
    ok = WriteBytes(folder.filePath(QStringLiteral("splash.gif")), EncodeGif(ToIndexed256(DrawSplash()))) && ok;
    ok = WriteBytes(folder.filePath(QStringLiteral("about.bmp")), EncodeBmp24(DrawAbout())) && ok;
    ok = WriteIcon(folder.filePath(QStringLiteral("icon.png")), 32) && ok;
    return ok ? 0 : 1;
}
