// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/live_link.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QThread>
#include <QTime>
#include <chrono>
#include <cstdio>
#include <utility>

#include "devices/transfer.h"
#include "image/cell_names.h"
#include "image/codec.h"
#include "platform/file_names.h"

namespace tarvik {

namespace {

using devices::Fault;
using devices::UploadOutcome;
using namespace std::chrono_literals;

// How often a lost emulator is looked for again.
constexpr auto kRetry = 500ms;

[[nodiscard]] std::string Stamp() { return QTime::currentTime().toString(QStringLiteral("HH:mm:ss  ")).toStdString(); }

// A name as a line of the log shows it: a control character in it must not
// move the cursor or retitle the terminal.
[[nodiscard]] std::string Shown(const QString& name) { return '"' + ShownFileName(name) + '"'; }

// The bytes that differ, each run of them one range.
[[nodiscard]] std::vector<devices::ByteRange> DifferingBytes(const ImageBytes& before, const ImageBytes& after) {
    std::vector<devices::ByteRange> ranges;
    for (std::size_t i = 0; i < kImageSize; ++i) {
        if (before[i] == after[i]) continue;
        if (!ranges.empty() && ranges.back().first + ranges.back().count == i) {
            ++ranges.back().count;
        } else {
            ranges.push_back({i, 1});
        }
    }
    return ranges;
}

}  // namespace

const QString LiveLink::kLostText = QStringLiteral(
    "The emulator does not answer. Your changes are kept: they go to the emulator when it answers again.");
const QString LiveLink::kLostTitle = QStringLiteral("Emulator");

LiveLink::LiveLink(std::unique_ptr<devices::SerialPorts> ports, const devices::DeviceKind& kind, QString port,
                   std::optional<int> bank, QObject* parent)
    : QObject(parent), ports_(std::move(ports)), kind_(kind), port_(std::move(port)), bank_(bank) {}

LiveLink::~LiveLink() { Finish(0); }

QString LiveLink::Caption() const { return QStringLiteral("%1 on %2").arg(kind_.title, port_); }

void LiveLink::Start() {
    // A thread of Qt's: the serial port watches its device with Qt's
    // notifiers, which need one.
    thread_.reset(QThread::create([this] { Run(); }));
    thread_->start();
}

void LiveLink::Finish(int most) {
    if (!thread_) return;
    {
        const std::lock_guard lock(mutex_);
        finishing_ = true;
    }
    wake_.notify_all();
    if (!thread_->wait(QDeadlineTimer(most))) {
        stop_ = true;
        wake_.notify_all();
        thread_->wait();
    }
    thread_.reset();
}

void LiveLink::Log(const std::string& line) const {
    const std::string text = Stamp() + line + '\n';
    (void)std::fwrite(text.data(), 1, text.size(), stderr);
    (void)std::fflush(stderr);
}

void LiveLink::ImageOpened(const QString& path, const ImageBytes& image) {
    {
        const std::lock_guard lock(mutex_);
        wanted_ = image;
        path_ = path;
        uploadAsked_ = true;
        changes_.clear();
    }
    wake_.notify_all();
}

void LiveLink::CellLeft(Family family, int index, const QString& text) {
    {
        const std::lock_guard lock(mutex_);
        if (!wanted_) return;  // no image opened: nothing to write into
        // The emulator's image, with this one field as the user left it,
        // stored as Save As stores every field: the other fields give back
        // their own bytes, so only this cell's bytes can change.
        FieldTexts texts;
        LoadFieldsFromImage(*wanted_, texts);
        const std::string before = texts.At(family, index);
        texts.At(family, index) = text.toStdString();
        ImageBytes stored = *wanted_;
        if (!StoreFieldsToImage(texts, stored).ok || stored == *wanted_) return;
        FieldTexts after;
        LoadFieldsFromImage(stored, after);
        changes_.push_back(CellName(family, index) + ": " + before + " -> " + after.At(family, index));
        wanted_ = stored;
    }
    wake_.notify_all();
}

void LiveLink::Run() {
    std::unique_ptr<devices::SerialLink> link;
    std::unique_ptr<devices::Wire> wire;
    std::unique_ptr<devices::Emulator> device;
    std::optional<ImageBytes> held;  // what the bank the engine runs holds, when known
    int bank = -1;
    bool lostSaid = false;
    const auto disconnect = [&] {
        device.reset();
        wire.reset();
        link.reset();
        held.reset();
    };
    const auto connect = [&](QString& reason) {
        QString error;
        link = ports_->Open(port_, kind_.baud, error);
        if (!link) {
            reason = error;
            return false;
        }
        wire = std::make_unique<devices::Wire>(*link, [this] { return stop_.load(); });
        device = kind_.make(*wire);
        QString identity;
        Fault failed = device->Start();
        if (!failed.failed()) failed = device->Identify(identity);
        if (failed.failed()) {
            reason = failed.reason;
            disconnect();
            return false;
        }
        Log(identity.toStdString() + " at " + Shown(port_));
        return true;
    };
    const auto lost = [&](const QString& reason) {
        if (lostSaid) return;
        lostSaid = true;
        Log("The emulator at " + Shown(port_) + " does not answer (" + reason.toStdString() +
            "); changes are kept for when it answers again.");
        emit Lost(reason);
    };

    std::unique_lock lock(mutex_);
    while (!stop_) {
        if (!device) {
            lock.unlock();
            QString reason;
            const bool connected = connect(reason);
            lock.lock();
            if (!connected) {
                if (stop_ || finishing_) break;
                lost(reason);
                wake_.wait_for(lock, kRetry, [this] { return stop_ || finishing_; });
                continue;
            }
            if (lostSaid) {
                Log("The emulator answers again: the whole image goes, with the changes made meanwhile.");
                lostSaid = false;
            }
        }
        const bool due = wanted_ && (uploadAsked_ || !held || *held != *wanted_);
        if (!due) {
            if (finishing_) break;
            if (wake_.wait_for(lock, devices::kListenWhenIdle,
                               [&] { return stop_ || finishing_ || (wanted_ && (uploadAsked_ || held != wanted_)); }))
                continue;
            // Nothing to write for a while: a cable pulled meanwhile is
            // said now, not at the next field left.
            lock.unlock();
            const Fault heard = devices::Listen(*device);
            lock.lock();
            if (heard.failed() && !heard.stopped()) {
                disconnect();
                lost(heard.reason);
            }
            continue;
        }
        const ImageBytes target = *wanted_;
        const bool whole = uploadAsked_ || !held;
        const QString path = path_;
        std::vector<std::string> changes = std::exchange(changes_, {});
        uploadAsked_ = false;
        lock.unlock();

        QElapsedTimer clock;
        clock.start();
        Fault failed;
        if (whole) {
            const UploadOutcome outcome = devices::Upload(*device, kind_, target, {bank_, true}, {}, {});
            if (outcome.end == UploadOutcome::End::Emulated) {
                held = target;
                bank = outcome.bank;
                std::string line = Shown(path) + " uploaded, verified and emulated in bank " + std::to_string(bank);
                for (const std::string& change : changes)
                    line += (&change == &changes.front() ? "; with " : ", ") + change;
                Log(line + " (" + std::to_string(clock.elapsed()) + " ms)");
            } else {
                failed = outcome.fault.failed()
                             ? outcome.fault
                             : Fault::Of(Fault::Kind::Unexpected, QStringLiteral("the image read back differs"));
                Log(devices::BankState(kind_, outcome).toStdString());
            }
        } else {
            const devices::Transferred written =
                devices::WriteRanges(*device, kind_, bank, target, DifferingBytes(*held, target), {});
            failed = written.fault;
            if (!failed.failed()) {
                held = target;
                const std::string took =
                    "  (bank " + std::to_string(bank) + ", " + std::to_string(clock.elapsed()) + " ms)";
                for (const std::string& change : changes) Log(change + took);
            }
        }

        lock.lock();
        if (failed.failed()) {
            // Whatever was on its way goes with the whole image once the
            // emulator answers again.
            changes_.insert(changes_.begin(), changes.begin(), changes.end());
            uploadAsked_ = true;
            if (failed.stopped()) break;
            disconnect();
            lost(failed.reason);
        }
    }
}

}  // namespace tarvik
