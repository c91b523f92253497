// SPDX-License-Identifier: GPL-3.0-or-later
// A simulated emulator as a program of its own, for trying and timing the
// emulator commands by hand: prints its port's path, serves until killed.
//   build/tests/support/simulated-emulator [ostrich2|emu-ng] &
//   tarvik-tables emulator upload demo/demo.bin --port <the printed path>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "tests/support/simulated_emulator.h"

int main(int argc, char* argv[]) {
    using namespace tarvik::testing;
    const bool emuNg = argc > 1 && std::strcmp(argv[1], "emu-ng") == 0;
    // Blocked before the serving thread starts, which inherits it: the
    // signal ends the program here, cleanly.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    sigprocmask(SIG_BLOCK, &stop, nullptr);
    const SimulatedEmulator emulator(emuNg ? std::unique_ptr<DeviceModel>(std::make_unique<EmuNgModel>())
                                           : std::make_unique<OstrichModel>());
    std::printf("%s\n", emulator.Port().toLocal8Bit().constData());
    std::fflush(stdout);
    int received = 0;
    sigwait(&stop, &received);
    return 0;
}
