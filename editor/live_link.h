// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The editor's live link to an emulator: each image opened is uploaded as
// "tarvik-tables emulator upload" uploads it (into a bank the engine does
// not run, read back, then switched), and from then on each field left
// whose value is legal and differs from what the emulator holds is written
// into the bank the engine runs: exactly the bytes Save As would store for
// that cell, in every slot. All serial work runs on a thread of its own; a
// lost emulator is said once, waited for, and given the whole image with
// every change made meanwhile when it answers again. Every write is a line
// on standard error.

#include <QObject>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "devices/emulator.h"
#include "devices/serial_link.h"
#include "editor/cell_watcher.h"

class QThread;

namespace tarvik {

class LiveLink final : public QObject, public CellWatcher {
    Q_OBJECT
public:
    // `ports` is used on the link's own thread only.
    LiveLink(std::unique_ptr<devices::SerialPorts> ports, const devices::DeviceKind& kind, QString port,
             std::optional<int> bank, QObject* parent = nullptr);
    ~LiveLink() override;

    // "Ostrich 2.0 on /dev/ttyUSB0", for the main window's caption.
    [[nodiscard]] QString Caption() const;
    // Opens the port and starts working.
    void Start();
    // Lets what is still to be written go, for at most `most` ms, then stops.
    void Finish(int most);

    void ImageOpened(const QString& path, const ImageBytes& image) override;
    void CellLeft(Family family, int index, const QString& text) override;

    // The message the window shows when the emulator stops answering.
    static const QString kLostText;
    static const QString kLostTitle;

signals:
    // The emulator stopped answering (said once until it answers again).
    void Lost(const QString& reason);

private:
    void Run();
    void Log(const std::string& line) const;

    std::unique_ptr<devices::SerialPorts> ports_;
    const devices::DeviceKind& kind_;
    const QString port_;
    const std::optional<int> bank_;
    std::unique_ptr<QThread> thread_;

    // Shared with the link's thread, under mutex_.
    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<ImageBytes> wanted_;  // what the emulator is to hold; none before an image is opened
    QString path_;                      // the image's file, for the log
    bool uploadAsked_ = false;          // a new image: the whole of it, into another bank
    std::vector<std::string> changes_;  // cells changed and not yet written, for the log
    bool finishing_ = false;
    std::atomic<bool> stop_{false};
};

}  // namespace tarvik
