// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt_file_system.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace tarvik {

LengthResult QtFileSystem::FileLength(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) return {0, QStringLiteral("The file does not exist.")};
    if (info.isDir()) return {0, QStringLiteral("It is a folder, not a file.")};
    // Pipes and devices report 0 here without being opened, so they meet the
    // size check instead of blocking a read.
    return {info.size(), {}};
}

ReadResult QtFileSystem::ReadFile(const QString& path, qint64 maxBytes) {
    if (!QFileInfo(path).isFile()) return {{}, QStringLiteral("It is not a regular file.")};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {{}, file.errorString()};
    QByteArray data = file.read(maxBytes);
    if (file.error() != QFileDevice::NoError) return {{}, file.errorString()};
    return {data, {}};
}

QString QtFileSystem::WriteFile(const QString& path, const QByteArray& data) {
    const QFileInfo info(path);
    // A save replaces the target by renaming a finished copy over it; that
    // must never happen to a device, a pipe or a folder.
    if (info.exists() && !info.isFile()) return QStringLiteral("It is not a regular file.");
    QSaveFile file(path);
    // Unbuffered: a buffered write "succeeds" into memory, and Qt's commit
    // then renames a short copy over the target when the disk fills up.
    // Written directly, a write cut short shows at once, and writing the
    // rest gives the system's reason (disk full, file too large).
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return file.errorString();
    for (qint64 done = 0; done < data.size();) {
        const qint64 written = file.write(data.constData() + done, data.size() - done);
        if (written <= 0) {
            const QString reason = file.errorString();
            file.cancelWriting();
            return reason;
        }
        done += written;
    }
    if (!file.commit()) return file.errorString();
    return {};
}

}  // namespace tarvik
