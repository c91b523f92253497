// SPDX-License-Identifier: GPL-3.0-or-later
// A simulated emulator as a program of its own, for trying and timing the
// emulator commands and the editor's live link by hand, and for tests that
// drive the built programs from outside:
//   build/tests/support/simulated-emulator [emu-ng] [--state FOLDER] &
//   tarvik-tables emulator upload demo/demo.bin --port <the printed path>
// With --state, the port's path is written to FOLDER/port, each write to
// the Ostrich's RAM is a line of FOLDER/writes.log ("bank address hex"),
// SIGUSR1 writes the banks (FOLDER/bank-N.bin), the bank emulated
// (FOLDER/emulated) and how often the port was opened (FOLDER/opens), then
// the number of such dumps so far (FOLDER/dumps); SIGUSR2 pulls the cable,
// or puts it back.
#include <QByteArray>
#include <QFile>
#include <QSaveFile>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "tests/support/simulated_emulator.h"

namespace {

using tarvik::testing::OstrichModel;

void Put(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(bytes);
        (void)file.commit();
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    using namespace tarvik::testing;
    bool emuNg = false;
    QString state;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "emu-ng") == 0) emuNg = true;
        if (std::strcmp(argv[i], "--state") == 0 && i + 1 < argc) state = QString::fromLocal8Bit(argv[++i]);
    }
    // Blocked before the serving thread starts, which inherits it: the
    // wanted come here, to sigwait.
    sigset_t wanted;
    sigemptyset(&wanted);
    for (const int s : {SIGINT, SIGTERM, SIGUSR1, SIGUSR2}) sigaddset(&wanted, s);
    sigprocmask(SIG_BLOCK, &wanted, nullptr);

    auto model =
        emuNg ? std::unique_ptr<DeviceModel>(std::make_unique<EmuNgModel>()) : std::make_unique<OstrichModel>();
    QFile log(state + QStringLiteral("/writes.log"));
    if (!state.isEmpty() && !emuNg) {
        if (!log.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) return 1;
        static_cast<OstrichModel&>(*model).written = [&log](int bank, int address, QByteArrayView bytes) {
            log.write(QByteArray::number(bank) + ' ' + QByteArray::number(address) + ' ' + bytes.toByteArray().toHex() +
                      '\n');
        };
    }
    SimulatedEmulator emulator(std::move(model));
    std::printf("%s\n", emulator.Port().toLocal8Bit().constData());
    std::fflush(stdout);
    if (!state.isEmpty()) Put(state + QStringLiteral("/port"), emulator.Port().toLocal8Bit());

    bool unplugged = false;
    int dumps = 0;
    for (;;) {
        int received = 0;
        sigwait(&wanted, &received);
        if (received == SIGUSR2) {
            unplugged ? emulator.PlugIn() : emulator.Unplug();
            unplugged = !unplugged;
        } else if (received == SIGUSR1 && !state.isEmpty() && !emuNg) {
            emulator.With<OstrichModel>([&](OstrichModel& ostrich) {
                for (std::size_t bank = 0; bank < ostrich.banks.size(); ++bank)
                    Put(state + QStringLiteral("/bank-%1.bin").arg(bank), ostrich.banks[bank]);
                Put(state + QStringLiteral("/emulated"), QByteArray::number(ostrich.emulated));
            });
            Put(state + QStringLiteral("/opens"), QByteArray::number(emulator.Opens()));
            Put(state + QStringLiteral("/dumps"), QByteArray::number(++dumps));
        } else if (received == SIGINT || received == SIGTERM) {
            return 0;
        }
    }
}
