// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Files as the editor and the table tool reach them: lengths, reads, and
// writes that replace a file whole or not at all. Qt Core types only.

#include <QByteArray>
#include <QString>

namespace tarvik {

// Result of a file-system call: the data, or the system's reason why not.
struct LengthResult {
    qint64 length = 0;
    QString error;  // empty on success
    // False for a pipe, a device or a socket, whose length says nothing of
    // what a read would give.
    bool regular = true;
};

struct ReadResult {
    QByteArray data;
    QString error;  // empty on success
};

// Result of writing a file that must not replace anything.
struct NewFileResult {
    // Something stood at the path (a file, a folder, a symbolic link, even
    // one that leads nowhere) when the file was to appear: nothing written.
    bool existed = false;
    QString error;  // empty when the file was written whole
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Length in bytes of a named file, or the reason it cannot be had. Never
    // blocks: a pipe or a device reports its length without being opened.
    [[nodiscard]] virtual LengthResult FileLength(const QString& path) = 0;
    // Reads at most maxBytes from offset 0.
    [[nodiscard]] virtual ReadResult ReadFile(const QString& path, qint64 maxBytes) = 0;
    // Replaces the file whole with data, or leaves it untouched and returns
    // the reason. A symbolic link at path is followed: its target is
    // replaced. The data is on the disk before the file takes the name.
    [[nodiscard]] virtual QString WriteFile(const QString& path, const QByteArray& data) = 0;
    // Writes a new file whole, or nothing: the name is taken only if nothing
    // stands at path at that very moment, so a file that appeared while the
    // data was prepared is never replaced.
    [[nodiscard]] virtual NewFileResult WriteNewFile(const QString& path, const QByteArray& data) = 0;
};

}  // namespace tarvik
