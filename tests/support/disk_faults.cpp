// SPDX-License-Identifier: GPL-3.0-or-later
// Loaded into a program under test with LD_PRELOAD: disk faults at the
// moment a finished file is synced, chosen by the environment.
//   TARVIK_FAULT_SYNC_ERROR=EIO|ENOSPC   the sync fails so
//   TARVIK_FAULT_CREATE_AT=PATH          another program creates PATH (with
//                                        "the old output") just then
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

extern "C" int fdatasync(int fd) {
    if (const char* path = std::getenv("TARVIK_FAULT_CREATE_AT")) {
        const int other = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (other >= 0) {
            constexpr char kText[] = "the old output";
            (void)!::write(other, kText, sizeof kText - 1);
            ::close(other);
        }
    }
    if (const char* error = std::getenv("TARVIK_FAULT_SYNC_ERROR")) {
        errno = std::strcmp(error, "ENOSPC") == 0 ? ENOSPC : EIO;
        return -1;
    }
    using Sync = int (*)(int);
    static const auto real = reinterpret_cast<Sync>(dlsym(RTLD_NEXT, "fdatasync"));
    return real(fd);
}
