// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/file_system.h"

namespace tarvik {

// Files on the real file system, with Qt Core alone: the editor's Open and
// Save As, and the table tool, read and write images through it, so both
// write a file whole or not at all, and only once it is on the disk.
class QtFileSystem final : public FileSystem {
public:
    [[nodiscard]] LengthResult FileLength(const QString& path) override;
    [[nodiscard]] ReadResult ReadFile(const QString& path, qint64 maxBytes) override;
    [[nodiscard]] QString WriteFile(const QString& path, const QByteArray& data) override;
    [[nodiscard]] NewFileResult WriteNewFile(const QString& path, const QByteArray& data) override;
};

}  // namespace tarvik
