// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/image_file.h"

#include <algorithm>

namespace tarvik {

ImageFileRead ReadImageFile(FileSystem& files, const QString& path, const std::function<void(bool)>& busy) {
    ImageFileRead read;
    const LengthResult length = files.FileLength(path);
    if (!length.error.isEmpty()) {
        read.fault = ImageFileFault::Unreadable;
        read.reason = length.error;
        return read;
    }
    if (length.length != static_cast<qint64>(kImageSize)) {
        read.fault = ImageFileFault::WrongLength;
        read.regular = length.regular;
        return read;
    }
    if (busy) busy(true);
    // One byte more than needed: a file that grew since the length check is
    // refused as well as one that shrank.
    const ReadResult data = files.ReadFile(path, static_cast<qint64>(kImageSize) + 1);
    if (busy) busy(false);
    if (!data.error.isEmpty()) {
        read.fault = ImageFileFault::Unreadable;
        read.reason = data.error;
    } else if (data.data.size() != static_cast<qsizetype>(kImageSize)) {
        read.fault = ImageFileFault::Unreadable;
        read.reason = QStringLiteral("Its length changed while it was being read.");
    } else {
        std::copy(data.data.cbegin(), data.data.cend(), read.image.begin());
    }
    return read;
}

QString WrongLengthMessage() { return QStringLiteral("The LH 2.2-binary has to be %1 bytes long").arg(kImageSize); }

QString CannotMessage(const QString& action, const QString& path, const QString& reason) {
    return QStringLiteral("Cannot %1 the file \"%2\".\n%3").arg(action, path, reason);
}

}  // namespace tarvik
