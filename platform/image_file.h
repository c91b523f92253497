// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// An EPROM image read from its file with the checks of the editor's Open,
// and the words the editor and the table tool both use about files.

#include <QString>
#include <functional>

#include "image/image_bytes.h"
#include "platform/file_system.h"

namespace tarvik {

enum class ImageFileFault {
    None,
    WrongLength,  // not exactly an image's length: WrongLengthMessage()
    Unreadable,   // the reason says why: missing, unreadable, changed while read
};

struct ImageFileRead {
    ImageBytes image{};
    ImageFileFault fault = ImageFileFault::None;
    QString reason;       // for Unreadable
    bool regular = true;  // false: a pipe or a device, whose length is no file's
};

// The length first, then exactly the image's bytes; a file that grew or
// shrank meanwhile is refused. `busy`, when given, is told when the bytes
// start and stop being read (the editor's busy pointer).
[[nodiscard]] ImageFileRead ReadImageFile(FileSystem& files, const QString& path,
                                          const std::function<void(bool)>& busy = {});

// "The LH 2.2-binary has to be 4096 bytes long"
[[nodiscard]] QString WrongLengthMessage();

// "Cannot open the file "car.bin".\nThe file does not exist."
[[nodiscard]] QString CannotMessage(const QString& action, const QString& path, const QString& reason);

}  // namespace tarvik
