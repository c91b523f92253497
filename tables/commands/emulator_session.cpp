// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/commands/emulator_session.h"

#include "devices/device_list.h"
#include "tables/cells.h"
#include "tables/commands/common.h"

namespace tarvik::tables {

using devices::Fault;

QList<QCommandLineOption> EmulatorOptions(bool bank) {
    QList<QCommandLineOption> options{
        {QStringLiteral("port"), QStringLiteral("The emulator's serial port, as /dev/ttyUSB0."),
         QStringLiteral("PATH")},
        {QStringLiteral("device"),
         QStringLiteral("The emulator, one of %1; %2 by default.")
             .arg(devices::DeviceNames(), QLatin1String(devices::DefaultDevice().name.data(),
                                                        static_cast<qsizetype>(devices::DefaultDevice().name.size()))),
         QStringLiteral("NAME")},
        {QStringLiteral("baud"), QStringLiteral("The line's speed, when not the device's usual one."),
         QStringLiteral("N")},
    };
    if (bank) {
        options << QCommandLineOption(QStringLiteral("bank"), QStringLiteral("The emulator's bank, from 0."),
                                      QStringLiteral("N"));
    }
    return options;
}

QString DeviceHelp() {
    return QStringLiteral("Emulators (--device): %1; %2 unless named.")
        .arg(devices::DeviceNames(), QLatin1String(devices::DefaultDevice().name.data(),
                                                   static_cast<qsizetype>(devices::DefaultDevice().name.size())));
}

QString Sentence(QString phrase) {
    if (!phrase.isEmpty()) phrase[0] = phrase[0].toUpper();
    if (!phrase.endsWith(QLatin1Char('.'))) phrase += QLatin1Char('.');
    return phrase;
}

QString Quoted(const QString& name) { return QStringLiteral("\"%1\"").arg(Shown(name)); }

std::optional<int> EmulatorSession::Prepare(std::initializer_list<devices::Need> needs, bool takesBank) {
    const QCommandLineParser& parser = run_.parser;
    kind_ = &devices::DefaultDevice();
    if (parser.isSet(QStringLiteral("device"))) {
        kind_ = devices::FindDevice(parser.value(QStringLiteral("device")));
        if (kind_ == nullptr) {
            return UsageTrouble(run_.console, QStringLiteral("There is no emulator \"%1\"; the emulators are %2.")
                                                  .arg(parser.value(QStringLiteral("device")), devices::DeviceNames()));
        }
    }
    for (const devices::Need need : needs) {
        if (const QString cannot = kind_->Cannot(need); !cannot.isEmpty()) {
            return Trouble(run_.console, QStringLiteral("Cannot %1 with the %2: %3.")
                                             .arg(run_.parser.positionalArguments().value(1), kind_->title, cannot));
        }
    }
    baud_ = kind_->baud;
    if (parser.isSet(QStringLiteral("baud"))) {
        bool number = false;
        baud_ = parser.value(QStringLiteral("baud")).toInt(&number);
        if (!number || baud_ <= 0)
            return UsageTrouble(run_.console, QStringLiteral("--baud takes a speed such as 921600 or 115200."));
    }
    if (takesBank && parser.isSet(QStringLiteral("bank"))) {
        bool number = false;
        const int bank = parser.value(QStringLiteral("bank")).toInt(&number);
        if (!number || bank < 0 || bank >= kind_->banks) {
            return UsageTrouble(run_.console,
                                kind_->banks == 1
                                    ? QStringLiteral("--bank takes 0: the %1 has one bank.").arg(kind_->title)
                                    : QStringLiteral("--bank takes 0 to %1.").arg(kind_->banks - 1));
        }
        bank_ = bank;
    }
    if (!parser.isSet(QStringLiteral("port")))
        return UsageTrouble(run_.console, QStringLiteral("Name the emulator's serial port: --port PATH."));
    port_ = parser.value(QStringLiteral("port"));
    if (port_.isEmpty())
        return UsageTrouble(run_.console, QStringLiteral("--port is empty: name the emulator's port."));
    return std::nullopt;
}

bool EmulatorSession::TryConnect() {
    Disconnect();
    QString error;
    link_ = run_.ports.Open(port_, baud_, error);
    if (!link_) {
        lastFault_ = Fault::Of(Fault::Kind::Lost, error);
        return false;
    }
    wire_ = std::make_unique<devices::Wire>(*link_, [this] { return StopAsked(); });
    device_ = kind_->make(*wire_);
    Fault failed = device_->Start();
    if (!failed.failed()) failed = device_->Identify(identity_);
    if (failed.failed()) {
        lastFault_ = failed;
        Disconnect();
        return false;
    }
    lastFault_ = {};
    return true;
}

int EmulatorSession::Connect(const QString& state) { return TryConnect() ? kSuccess : Fail(lastFault_, state); }

void EmulatorSession::Disconnect() {
    device_.reset();
    wire_.reset();
    link_.reset();
}

int EmulatorSession::ConnectAndRead(BankRead& read) {
    if (const int connected = Connect(devices::NothingWritten()); connected != kSuccess) return connected;
    Fault failed = device_->EmulatedBank(read.running);
    read.bank = bank_.value_or(read.running);
    if (!failed.failed()) {
        failed = devices::ReadRanges(*device_, *kind_, read.bank, devices::WholeImage(*kind_), read.bytes,
                                     ShowProgress(QStringLiteral("Reading")))
                     .fault;
    }
    if (!failed.failed()) failed = device_->Finish();
    return failed.failed() ? Fail(failed, devices::NothingWritten()) : kSuccess;
}

devices::Progress EmulatorSession::ShowProgress(const QString& what) {
    return [this, what](std::size_t done, std::size_t total) {
        run_.console.Progress(Utf8(QStringLiteral("%1: %2 %").arg(what).arg(done * 100 / total)));
        if (done == total) run_.console.Progress({});
    };
}

int EmulatorSession::Fail(const Fault& fault, const QString& state) {
    run_.console.Progress({});
    const QString tail = state.isEmpty() ? QString() : QLatin1Char('\n') + state;
    if (fault.stopped()) {
        run_.console.Err(Utf8(QStringLiteral("Stopped.%1\n").arg(tail)));
        return kStopped;
    }
    return Trouble(
        run_.console,
        QStringLiteral("Cannot work with the emulator at %1.\n%2%3").arg(Quoted(port_), Sentence(fault.reason), tail));
}

}  // namespace tarvik::tables
