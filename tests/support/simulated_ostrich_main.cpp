// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated emulator as a program of its own, for trying and timing the
// emulator commands by hand: prints its port's path, serves until killed.
//   build/tests/support/simulated-ostrich &
//   tarvik-tables emulator upload demo/demo.bin --port <the printed path>
#include <csignal>
#include <cstdio>
#include <unistd.h>

#include "tests/support/simulated_ostrich.h"

int main() {
    // Blocked before the serving thread starts, which inherits it: the
    // signal ends the program here, cleanly.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    sigprocmask(SIG_BLOCK, &stop, nullptr);
    const tarvik::testing::SimulatedOstrich ostrich;
    std::printf("%s\n", ostrich.Port().toLocal8Bit().constData());
    std::fflush(stdout);
    int received = 0;
    sigwait(&stop, &received);
    return 0;
}
