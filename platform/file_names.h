// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// File names as the system has them: bytes, most often UTF-8 but not
// always (a Latin-1 "é" from an old disk, a download, an archive). A byte
// that is not part of UTF-8 is carried in a QString as one of the code
// points U+DC80..U+DCFF, which no UTF-8 text holds, and goes back to the
// same byte: the file a name on the command line names is the file that is
// opened or created, and a message shows the byte as "\xe9".

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <string>

namespace tarvik {

// The name in a QString; lossless for any bytes.
[[nodiscard]] QString FileNameFromBytes(QByteArrayView bytes);
// The bytes of a name, for the system's calls: UTF-8, and each carried
// byte as it came.
[[nodiscard]] QByteArray FileNameBytes(const QString& name);

// The code point in UTF-8, appended.
void AppendUtf8(std::string& out, char32_t code);

// A name as a message or a result shows it, in UTF-8: control characters
// (ESC, BEL, a line break, the C1 controls) and bytes that are not UTF-8
// written as "\x1b", so that a name can neither retitle nor clear a terminal
// nor split a message's line.
[[nodiscard]] std::string ShownFileName(const QString& name);

// Whether anything stands at name: a file, a folder, a link even when it
// leads nowhere.
[[nodiscard]] bool EntryExists(const QString& name);
// Whether the two names lead to one file.
[[nodiscard]] bool SameFile(const QString& name, const QString& other);

// The open descriptor of this program that name leads to (/dev/stdout,
// /dev/fd/3, /proc/self/fd/1, or a symbolic link to one of them), or -1:
// such a name is a stream the program was handed, not a file to replace.
[[nodiscard]] int DescriptorNamed(const QString& name);
// Writes all of data to the descriptor, as a stream; empty when written,
// the system's reason when not.
[[nodiscard]] QString WriteToDescriptor(int descriptor, QByteArrayView data);

}  // namespace tarvik
