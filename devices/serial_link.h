// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A serial line as the emulators see it. The line itself does one thing:
// send some bytes and hand over whatever has come back within a wait. Every
// rule of talking to a device (deadlines, lines, answers out of step, a stop
// asked for by the user) lives above it, in Wire, so that a test can stand
// in for the line with one method.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>

namespace tarvik::devices {

class SerialLink {
public:
    virtual ~SerialLink() = default;
    // Sends `out` whole (nothing when it is empty), then waits at most
    // `wait` for input and appends what has come to `in`. Empty when the
    // line works, whether or not anything came; otherwise why it does not
    // (the port closed, the bytes did not go out).
    [[nodiscard]] virtual QString Transfer(QByteArrayView out, QByteArray& in, std::chrono::milliseconds wait) = 0;
};

class SerialPorts {
public:
    virtual ~SerialPorts() = default;
    // The device at `port` (a path, as /dev/ttyUSB0), 8-N-1 at `baud`, no
    // flow control, held by this program alone until the link goes;
    // nullptr and why, in a sentence, when it cannot be had.
    [[nodiscard]] virtual std::unique_ptr<SerialLink> Open(const QString& port, int baud, QString& error) = 0;
};

// Why an exchange with a device did not give what was asked. Every kind
// but Stopped means the device or its line cannot be trusted for now.
struct Fault {
    enum class Kind {
        None,
        Stopped,     // the user asked to stop (Ctrl+C, a window closing)
        Lost,        // the port closed or failed: a cable, USB power
        Silent,      // no answer at all within the deadline
        Slow,        // part of an answer within the deadline
        OutOfStep,   // bytes no request asked for: answers would be read a step late
        Refused,     // the device said no
        Unexpected,  // an answer that is not one of the protocol's
    };
    Kind kind = Kind::None;
    QString reason;  // a phrase that follows "the emulator ...", or stands alone

    [[nodiscard]] bool failed() const { return kind != Kind::None; }
    [[nodiscard]] bool stopped() const { return kind == Kind::Stopped; }
    [[nodiscard]] static Fault Of(Kind kind, QString reason) { return {kind, std::move(reason)}; }
};

// Whether the user has asked the work to stop; asked often, from any thread.
using StopRequested = std::function<bool()>;

// The rules of every exchange: bounded waits that honour a stop within a
// twentieth of a second, whole answers within one deadline, and no answer
// read a step late — bytes that come when none were asked for are a fault,
// never taken as the next answer.
class Wire {
public:
    Wire(SerialLink& link, StopRequested stop) : link_(link), stop_(std::move(stop)) {}

    // Sends `request` and takes exactly `count` bytes of answer, all within
    // `deadline`. Bytes already waiting before the request, or still coming
    // after the answer, mean the line is out of step.
    [[nodiscard]] Fault Exchange(QByteArrayView request, qsizetype count, QByteArray& answer,
                                 std::chrono::milliseconds deadline);
    // Sends `request` (may be empty) and takes one line of answer, without
    // its CR LF, within `deadline`.
    [[nodiscard]] Fault ExchangeLine(QByteArrayView request, QByteArray& line, std::chrono::milliseconds deadline);
    // The next line, when one was already due.
    [[nodiscard]] Fault ReadLine(QByteArray& line, std::chrono::milliseconds deadline);
    // Reads and forgets input for `span` (a device's greeting after a reset):
    // ends early once `quiet` passes without a byte after some came.
    [[nodiscard]] Fault Forget(std::chrono::milliseconds span, std::chrono::milliseconds quiet);
    // Forgets what is on the line already, without waiting: bytes left from
    // before the port was opened.
    [[nodiscard]] Fault Discard();
    // Nothing more on the line for `span`: the end of a command.
    [[nodiscard]] Fault ExpectQuiet(std::chrono::milliseconds span);
    [[nodiscard]] bool StopAsked() const { return stop_ && stop_(); }

private:
    // Waits for input until `until`, in short steps that look at the stop.
    [[nodiscard]] Fault Await(qsizetype wanted, std::chrono::steady_clock::time_point until, bool lines);
    [[nodiscard]] Fault Send(QByteArrayView request);
    [[nodiscard]] Fault TakeLine(QByteArray& line, std::chrono::steady_clock::time_point until);

    SerialLink& link_;
    StopRequested stop_;
    QByteArray pending_;  // bytes read but not yet taken
};

// "0x4f 0x3f" for a message.
[[nodiscard]] QString HexBytes(QByteArrayView bytes, qsizetype most = 8);

}  // namespace tarvik::devices
