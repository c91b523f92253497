// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the emulator commands share: their options, the device they name,
// the port opened and the device asked who it is, progress on the
// terminal, Ctrl+C, and how a fault and the banks' state are said.

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <memory>
#include <optional>

#include "devices/emulator.h"
#include "devices/serial_link.h"
#include "devices/transfer.h"
#include "tables/commands/command.h"

namespace tarvik::tables {

// --port, --device, --baud, and --bank where the command works on a bank.
[[nodiscard]] QList<QCommandLineOption> EmulatorOptions(bool bank);

// "--device NAME: ostrich2 (Ostrich 2.0, the default) or emu-ng ..." for a
// command's description.
[[nodiscard]] QString DeviceHelp();

class EmulatorSession {
public:
    explicit EmulatorSession(CommandRun& run) : run_(run) {}

    // Reads the options; refuses, before any port is opened, a device that
    // cannot do what the command needs and a bank the device does not have.
    // kTrouble after saying why; nothing when all is well.
    [[nodiscard]] std::optional<int> Prepare(std::initializer_list<devices::Need> needs, bool takesBank);
    // Opens the port, lets the device start and asks who it is. kSuccess,
    // or the status after saying why and then `state` (what a command that
    // writes or reads into a file has left: "Nothing was written.").
    [[nodiscard]] int Connect(const QString& state = {});
    // The same, quietly: whether the device answers again.
    [[nodiscard]] bool TryConnect();
    // Lets the port go.
    void Disconnect();

    [[nodiscard]] devices::Emulator& device() { return *device_; }
    [[nodiscard]] const devices::DeviceKind& kind() const { return *kind_; }
    [[nodiscard]] const QString& port() const { return port_; }
    [[nodiscard]] const QString& identity() const { return identity_; }
    [[nodiscard]] std::optional<int> bank() const { return bank_; }

    // What ConnectAndRead found: the bank the engine runs, the bank read
    // and the whole image span of it.
    struct BankRead {
        int running = -1;
        int bank = -1;
        std::vector<std::uint8_t> bytes;
    };
    // Connects, then reads back the bank of --bank (the engine's when none)
    // with its progress; the line is checked quiet afterwards. kSuccess, or
    // the status after saying why.
    [[nodiscard]] int ConnectAndRead(BankRead& read);
    // A progress line while the blocks go.
    [[nodiscard]] devices::Progress ShowProgress(const QString& what);
    // Ends the command on a fault: "Cannot work with the emulator at ..."
    // and the reason, then `state` (what the banks hold). kTrouble, or
    // kStopped when the user stopped it.
    [[nodiscard]] int Fail(const devices::Fault& fault, const QString& state = {});
    [[nodiscard]] bool StopAsked() const { return run_.console.Interrupted(); }

private:
    CommandRun& run_;
    const devices::DeviceKind* kind_ = nullptr;
    QString port_;
    int baud_ = 0;
    std::optional<int> bank_;
    QString identity_;
    devices::Fault lastFault_;  // why the last connection failed
    std::unique_ptr<devices::SerialLink> link_;
    std::unique_ptr<devices::Wire> wire_;
    std::unique_ptr<devices::Emulator> device_;
};

// A fault's reason ("the emulator's port closed") as a sentence of its own.
[[nodiscard]] QString Sentence(QString phrase);

// A name from the command line as a line of output shows it: quoted, with
// control characters and bytes that are not UTF-8 escaped.
[[nodiscard]] QString Quoted(const QString& name);

}  // namespace tarvik::tables
