// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/port_lock.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace tarvik::devices {

namespace {

// Where lock files of devices live; the system's temporary folder where no
// lock folder can be written.
[[nodiscard]] QByteArray LockFolder() {
    for (const char* folder : {"/run/lock", "/var/lock"}) {
        if (::access(folder, W_OK | X_OK) == 0) return folder;
    }
    return QFile::encodeName(QDir::tempPath());
}

}  // namespace

std::optional<PortLock> PortLock::Take(dev_t device, QString& error) {
    const QByteArray path = LockFolder() + "/tarvik-port-" + QByteArray::number(major(device)) + '-' +
                            QByteArray::number(minor(device)) + ".lock";
    int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    // A lock file made by another user may be ours to lock but not to write.
    if (fd < 0 && errno == EACCES) fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        error = QStringLiteral("The lock file \"%1\" cannot be made: %2.")
                    .arg(QFile::decodeName(path), QString::fromLocal8Bit(std::strerror(errno)));
        return std::nullopt;
    }
    (void)::fchmod(fd, 0666);  // whoever comes next may have to write it
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        char holder[256] = {};
        const ssize_t got = ::pread(fd, holder, sizeof holder - 1, 0);
        ::close(fd);
        QString who = QString::fromLocal8Bit(holder, got > 0 ? got : 0).trimmed();
        const qsizetype blank = who.indexOf(QLatin1Char(' '));
        who = blank > 0 ? QStringLiteral("%1 (process %2)").arg(who.mid(blank + 1), who.left(blank))
                        : QStringLiteral("another program");
        error = QStringLiteral("The port is in use by %1; one program at a time can work with an emulator.").arg(who);
        return std::nullopt;
    }
    const QString name = QCoreApplication::applicationName();
    const std::string holder =
        std::to_string(::getpid()) + ' ' + (name.isEmpty() ? std::string("a program") : name.toStdString()) + '\n';
    if (::ftruncate(fd, 0) == 0) (void)::pwrite(fd, holder.data(), holder.size(), 0);
    return PortLock(fd);
}

PortLock::~PortLock() {
    // Closing lets the lock go; the file stays for the next program.
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace tarvik::devices
