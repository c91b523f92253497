// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_names.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvik {

namespace {

// Where a byte that is not UTF-8 is carried: U+DC80 for 0x80 ... U+DCFF.
constexpr char16_t kCarriedBase = 0xDC00;

[[nodiscard]] bool IsCarried(char32_t code) { return code >= 0xDC80 && code <= 0xDCFF; }

// The code point of the UTF-8 sequence at bytes[at], and its length; a
// length of 0 when the bytes there are no valid sequence (a stray
// continuation byte, a cut-off or overlong sequence, an encoded surrogate,
// a code point past U+10FFFF).
struct Decoded {
    char32_t code = 0;
    qsizetype length = 0;
};

[[nodiscard]] Decoded DecodeAt(QByteArrayView bytes, qsizetype at) {
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return {lead, 1};
    qsizetype length = 0;
    char32_t code = 0;
    char32_t lowest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
        lowest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
        lowest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
        lowest = 0x10000;
    } else {
        return {};
    }
    if (at + length > bytes.size()) return {};
    for (qsizetype i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) return {};
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return {};
    return {code, length};
}

void AppendEscaped(std::string& out, unsigned char byte) {
    constexpr std::string_view kHex = "0123456789abcdef";
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
}

// Each code point of a name, a carried byte as its U+DC80..U+DCFF; a
// surrogate that is not part of a pair and carries no byte as U+FFFD.
template <typename Visit>
void ForEachCode(const QString& name, Visit visit) {
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t unit = name[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            visit(QChar::surrogateToUcs4(unit, name[++i].unicode()));
        } else if (QChar::isSurrogate(unit) && !IsCarried(unit)) {
            visit(char32_t{0xFFFD});
        } else {
            visit(char32_t{unit});
        }
    }
}

[[nodiscard]] bool SameEntry(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

QString FileNameFromBytes(QByteArrayView bytes) {
    QString name;
    name.reserve(bytes.size());
    for (qsizetype at = 0; at < bytes.size();) {
        const Decoded decoded = DecodeAt(bytes, at);
        if (decoded.length == 0) {
            name += QChar(static_cast<char16_t>(kCarriedBase + static_cast<unsigned char>(bytes[at])));
            ++at;
            continue;
        }
        name += QString::fromUcs4(&decoded.code, 1);
        at += decoded.length;
    }
    return name;
}

QByteArray FileNameBytes(const QString& name) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(name.size()));
    ForEachCode(name, [&](char32_t code) {
        if (IsCarried(code)) {
            bytes += static_cast<char>(code - kCarriedBase);
        } else {
            AppendUtf8(bytes, code);
        }
    });
    return QByteArray::fromStdString(bytes);
}

std::string ShownFileName(const QString& name) {
    std::string shown;
    shown.reserve(static_cast<std::size_t>(name.size()));
    ForEachCode(name, [&](char32_t code) {
        if (IsCarried(code)) {
            AppendEscaped(shown, static_cast<unsigned char>(code - kCarriedBase));
        } else if (code < 0x20 || (code >= 0x7F && code <= 0x9F)) {
            std::string bytes;
            AppendUtf8(bytes, code);
            for (const char byte : bytes) AppendEscaped(shown, static_cast<unsigned char>(byte));
        } else {
            AppendUtf8(shown, code);
        }
    });
    return shown;
}

bool EntryExists(const QString& name) {
    struct stat status {};
    return ::lstat(FileNameBytes(name).constData(), &status) == 0;
}

bool SameFile(const QString& name, const QString& other) {
    struct stat first {};
    struct stat second {};
    return ::stat(FileNameBytes(name).constData(), &first) == 0 &&
           ::stat(FileNameBytes(other).constData(), &second) == 0 && SameEntry(first, second);
}

int DescriptorNamed(const QString& name) {
    // The folders that list this program's descriptors, however reached
    // (/dev/fd and /proc/self/fd are links to them).
    std::array<struct stat, 2> descriptorFolders{};
    if (::stat("/proc/self/fd", &descriptorFolders[0]) != 0) return -1;
    if (::stat("/proc/thread-self/fd", &descriptorFolders[1]) != 0) descriptorFolders[1] = descriptorFolders[0];

    QByteArray path = FileNameBytes(name);
    for (int hops = 0; hops < 40; ++hops) {
        const qsizetype slash = path.lastIndexOf('/');
        const QByteArray last = path.mid(slash + 1);
        const bool number = !last.isEmpty() && last.size() < 10 &&
                            std::all_of(last.begin(), last.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (number) {
            const QByteArray folder = slash < 0    ? QByteArrayLiteral(".")
                                      : slash == 0 ? QByteArrayLiteral("/")
                                                   : path.left(slash);
            struct stat status {};
            if (::stat(folder.constData(), &status) == 0 &&
                (SameEntry(status, descriptorFolders[0]) || SameEntry(status, descriptorFolders[1])))
                return last.toInt();
        }
        // /dev/stdout leads to /proc/self/fd/1: follow a link one step.
        struct stat status {};
        if (::lstat(path.constData(), &status) != 0 || !S_ISLNK(status.st_mode)) return -1;
        std::array<char, PATH_MAX> target{};
        const ssize_t length = ::readlink(path.constData(), target.data(), target.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) return -1;
        const QByteArray next(target.data(), length);
        path = next.startsWith('/') || slash < 0 ? next : path.left(slash + 1) + next;
    }
    return -1;
}

QString WriteToDescriptor(int descriptor, QByteArrayView data) {
    for (qsizetype done = 0; done < data.size();) {
        const ssize_t written = ::write(descriptor, data.data() + done, static_cast<std::size_t>(data.size() - done));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return QString::fromLocal8Bit(std::strerror(written < 0 ? errno : EIO));
        done += written;
    }
    return {};
}

}  // namespace tarvik
