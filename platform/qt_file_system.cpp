// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt_file_system.h"

#include <QRandomGenerator>
#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_names.h"

namespace tarvik {

namespace {

[[nodiscard]] QString SystemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// A descriptor closed when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    [[nodiscard]] int get() const { return fd_; }
    // Closes now; the system's reason when the close reports a failed write.
    [[nodiscard]] int Close() {
        const int result = ::close(fd_);
        fd_ = -1;
        return result == 0 ? 0 : errno;
    }

private:
    int fd_;
};

// The file a save lands in: a symbolic link at path is followed to its
// target (which need not exist yet), as a save has always done.
[[nodiscard]] std::optional<QByteArray> FollowLinks(QByteArray path, int& error) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat status {};
        if (::lstat(path.constData(), &status) != 0 || !S_ISLNK(status.st_mode)) return path;
        std::array<char, PATH_MAX> target{};
        const ssize_t length = ::readlink(path.constData(), target.data(), target.size());
        if (length < 0 || static_cast<std::size_t>(length) >= target.size()) {
            error = length < 0 ? errno : ENAMETOOLONG;
            return std::nullopt;
        }
        const QByteArray next(target.data(), length);
        if (next.startsWith('/')) {
            path = next;
        } else {
            const qsizetype slash = path.lastIndexOf('/');
            path = (slash < 0 ? QByteArray() : path.left(slash + 1)) + next;
        }
    }
    error = ELOOP;
    return std::nullopt;
}

// A finished copy of the data beside its final name, on the disk: nothing
// of it is seen under that name until it is moved there.
class Draft {
public:
    // Writes the whole of data next to `final`, with the permissions of the
    // file it replaces (mode, when it exists).
    Draft(const QByteArray& final, const QByteArray& data, std::optional<mode_t> mode) {
        const qsizetype slash = final.lastIndexOf('/');
        const QByteArray folder = slash < 0 ? QByteArray() : final.left(slash + 1);
        int fd = -1;
        for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
            // A short name of its own, not one made from the final name:
            // whatever name the folder takes, the draft's fits too.
            path_ = folder + ".tarvik-" + QByteArray::number(QRandomGenerator::system()->generate64(), 36);
            // New files get the permissions the user's umask gives any new file.
            fd = ::open(path_.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd < 0 && errno != EEXIST) break;
        }
        if (fd < 0) {
            error_ = errno;
            path_.clear();
            return;
        }
        Descriptor file(fd);
        if (mode && ::fchmod(fd, *mode & 07777) != 0) {
            Fail(errno);
            return;
        }
        for (qsizetype done = 0; done < data.size();) {
            const ssize_t written = ::write(fd, data.constData() + done, static_cast<std::size_t>(data.size() - done));
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) {
                Fail(written < 0 ? errno : EIO);
                return;
            }
            done += written;
        }
        // Only a copy known to be on the disk may take the name: a failed
        // sync (an I/O error, a full disk on a network file system) ends the
        // save with the old file whole.
        if (::fdatasync(fd) != 0) {
            Fail(errno);
            return;
        }
        if (const int closeError = file.Close(); closeError != 0) Fail(closeError);
    }
    ~Draft() {
        if (!path_.isEmpty()) ::unlink(path_.constData());
    }
    Draft(const Draft&) = delete;
    Draft& operator=(const Draft&) = delete;

    [[nodiscard]] int error() const { return error_; }
    [[nodiscard]] const QByteArray& path() const { return path_; }
    // The draft has its final name now; nothing is left to remove.
    void Placed() { path_.clear(); }

private:
    void Fail(int error) { error_ = error; }

    QByteArray path_;
    int error_ = 0;
};

// The folder's entry for the new name on the disk too. The file is in place
// already whatever this says, so a failure here is not a failed save.
void SyncFolderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray folder = slash < 0    ? QByteArrayLiteral(".")
                              : slash == 0 ? QByteArrayLiteral("/")
                                           : path.left(slash);
    const Descriptor fd(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() >= 0) (void)::fsync(fd.get());
}

const QString kNotRegular = QStringLiteral("It is not a regular file.");

}  // namespace

LengthResult QtFileSystem::FileLength(const QString& path) {
    struct stat status {};
    if (::stat(FileNameBytes(path).constData(), &status) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return {0, QStringLiteral("The file does not exist.")};
        return {0, SystemReason(errno)};
    }
    if (S_ISDIR(status.st_mode)) return {0, QStringLiteral("It is a folder, not a file.")};
    // Pipes and devices report 0 here without being opened, so they meet the
    // size check instead of blocking a read.
    if (!S_ISREG(status.st_mode)) return {0, {}, false};
    return {status.st_size, {}};
}

ReadResult QtFileSystem::ReadFile(const QString& path, qint64 maxBytes) {
    // Opened without waiting (a pipe would wait for a writer), then read only
    // when it is a regular file.
    Descriptor file(::open(FileNameBytes(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.get() < 0) return {{}, SystemReason(errno)};
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) return {{}, SystemReason(errno)};
    if (!S_ISREG(status.st_mode)) return {{}, kNotRegular};
    QByteArray data;
    data.resize(static_cast<qsizetype>(std::min<qint64>(maxBytes, std::max<qint64>(status.st_size, 0) + 1)));
    qsizetype done = 0;
    while (done < maxBytes) {
        if (done == data.size()) data.resize(static_cast<qsizetype>(std::min<qint64>(maxBytes, done * 2 + 4096)));
        const ssize_t got = ::read(file.get(), data.data() + done, static_cast<std::size_t>(data.size() - done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return {{}, SystemReason(errno)};
        if (got == 0) break;
        done += got;
    }
    data.resize(done);
    return {data, {}};
}

QString QtFileSystem::WriteFile(const QString& path, const QByteArray& data) {
    int error = 0;
    const std::optional<QByteArray> final = FollowLinks(FileNameBytes(path), error);
    if (!final) return SystemReason(error);
    // A save replaces the target by renaming a finished copy over it; that
    // must never happen to a device, a pipe or a folder.
    struct stat status {};
    std::optional<mode_t> mode;
    if (::lstat(final->constData(), &status) == 0) {
        if (!S_ISREG(status.st_mode)) return kNotRegular;
        mode = status.st_mode;
    }
    Draft draft(*final, data, mode);
    if (draft.error() != 0) return SystemReason(draft.error());
    if (::rename(draft.path().constData(), final->constData()) != 0) return SystemReason(errno);
    draft.Placed();
    SyncFolderOf(*final);
    return {};
}

NewFileResult QtFileSystem::WriteNewFile(const QString& path, const QByteArray& data) {
    const QByteArray name = FileNameBytes(path);
    const NewFileResult existed{true, QStringLiteral("It exists already.")};
    struct stat status {};
    if (::lstat(name.constData(), &status) == 0) return existed;
    Draft draft(name, data, std::nullopt);
    if (draft.error() != 0) return {false, SystemReason(draft.error())};
    // Takes the name only when no entry of any kind holds it, in one step
    // with the check: never a replace.
    if (::renameat2(AT_FDCWD, draft.path().constData(), AT_FDCWD, name.constData(), RENAME_NOREPLACE) == 0) {
        draft.Placed();
    } else if (errno == EINVAL || errno == ENOSYS) {
        // A file system that cannot rename that way: a second hard link is
        // just as exclusive, and the draft's own name then goes.
        if (::link(draft.path().constData(), name.constData()) != 0) {
            if (errno == EEXIST) return existed;
            return {false, SystemReason(errno)};
        }
    } else {
        if (errno == EEXIST) return existed;
        return {false, SystemReason(errno)};
    }
    SyncFolderOf(name);
    return {};
}

}  // namespace tarvik
