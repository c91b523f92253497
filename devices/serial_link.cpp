// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/serial_link.h"

#include <QStringList>
#include <algorithm>

namespace tarvik::devices {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The longest a wait goes on without looking whether the user asked to stop.
constexpr milliseconds kStopLook{50};

[[nodiscard]] Fault Stopped() { return Fault::Of(Fault::Kind::Stopped, QStringLiteral("stopped")); }

[[nodiscard]] Fault Unasked(const QByteArray& bytes, const QString& when) {
    return Fault::Of(
        Fault::Kind::OutOfStep,
        QStringLiteral("the line is out of step: %1 %2 came %3 (%4), so an answer would be read a step "
                       "late")
            .arg(bytes.size())
            .arg(bytes.size() == 1 ? QStringLiteral("byte") : QStringLiteral("bytes"), when, HexBytes(bytes)));
}

}  // namespace

QString HexBytes(QByteArrayView bytes, qsizetype most) {
    QStringList shown;
    for (qsizetype i = 0; i < std::min(bytes.size(), most); ++i)
        shown << QStringLiteral("0x%1").arg(static_cast<std::uint8_t>(bytes[i]), 2, 16, QLatin1Char('0'));
    if (bytes.size() > most) shown << QStringLiteral("...");
    return shown.join(QLatin1Char(' '));
}

Fault Wire::Await(qsizetype wanted, Clock::time_point until, bool lines) {
    while (lines ? !pending_.contains('\n') : pending_.size() < wanted) {
        if (StopAsked()) return Stopped();
        const auto left = std::chrono::duration_cast<milliseconds>(until - Clock::now());
        if (left <= milliseconds::zero()) return Fault::Of(Fault::Kind::Silent, {});
        if (QString failed = link_.Transfer({}, pending_, std::min(left, kStopLook)); !failed.isEmpty())
            return Fault::Of(Fault::Kind::Lost, failed);
    }
    return {};
}

Fault Wire::Send(QByteArrayView request) {
    if (StopAsked()) return Stopped();
    // Whatever came since the last answer was asked for by nobody: taking it
    // as the answer to this request would read every answer a step late.
    if (QString failed = link_.Transfer({}, pending_, milliseconds::zero()); !failed.isEmpty())
        return Fault::Of(Fault::Kind::Lost, failed);
    if (!pending_.isEmpty()) {
        const QByteArray stray = std::exchange(pending_, {});
        return Unasked(stray, QStringLiteral("that no request asked for"));
    }
    if (QString failed = link_.Transfer(request, pending_, milliseconds::zero()); !failed.isEmpty())
        return Fault::Of(Fault::Kind::Lost, failed);
    return {};
}

Fault Wire::Exchange(QByteArrayView request, qsizetype count, QByteArray& answer, milliseconds deadline) {
    answer.clear();
    const Clock::time_point until = Clock::now() + deadline;
    if (Fault failed = Send(request); failed.failed()) return failed;
    if (Fault failed = Await(count, until, false); failed.failed()) {
        if (failed.kind != Fault::Kind::Silent) return failed;
        answer = std::exchange(pending_, {});
        if (answer.isEmpty())
            return Fault::Of(Fault::Kind::Silent, QStringLiteral("no answer within %1 ms").arg(deadline.count()));
        return Fault::Of(Fault::Kind::Slow,
                         QStringLiteral("the answer came too slowly: %1 of its %2 bytes within %3 ms")
                             .arg(answer.size())
                             .arg(count)
                             .arg(deadline.count()));
    }
    answer = pending_.left(count);
    pending_.remove(0, count);
    // A byte that is already here beyond the answer was sent with it.
    if (QString failed = link_.Transfer({}, pending_, milliseconds::zero()); !failed.isEmpty())
        return Fault::Of(Fault::Kind::Lost, failed);
    if (!pending_.isEmpty()) return Unasked(std::exchange(pending_, {}), QStringLiteral("after the answer"));
    return {};
}

Fault Wire::TakeLine(QByteArray& line, Clock::time_point until) {
    if (Fault failed = Await(0, until, true); failed.failed()) return failed;
    const qsizetype end = pending_.indexOf('\n');
    line = pending_.left(end);
    pending_.remove(0, end + 1);
    while (line.endsWith('\r')) line.chop(1);
    return {};
}

Fault Wire::ExchangeLine(QByteArrayView request, QByteArray& line, milliseconds deadline) {
    line.clear();
    const Clock::time_point until = Clock::now() + deadline;
    if (Fault failed = Send(request); failed.failed()) return failed;
    return ReadLine(line, std::chrono::duration_cast<milliseconds>(until - Clock::now()));
}

Fault Wire::ReadLine(QByteArray& line, milliseconds deadline) {
    line.clear();
    Fault failed = TakeLine(line, Clock::now() + deadline);
    if (failed.kind != Fault::Kind::Silent) return failed;
    if (pending_.isEmpty())
        return Fault::Of(Fault::Kind::Silent, QStringLiteral("no answer within %1 ms").arg(deadline.count()));
    return Fault::Of(Fault::Kind::Slow, QStringLiteral("the answer came too slowly: %1 bytes but no line's end within "
                                                       "%2 ms (%3)")
                                            .arg(pending_.size())
                                            .arg(deadline.count())
                                            .arg(HexBytes(std::exchange(pending_, {}))));
}

Fault Wire::Forget(milliseconds span, milliseconds quiet) {
    const Clock::time_point until = Clock::now() + span;
    Clock::time_point last = Clock::now();
    bool heard = !pending_.isEmpty();
    pending_.clear();
    while (Clock::now() < until) {
        if (StopAsked()) return Stopped();
        const auto left = std::chrono::duration_cast<milliseconds>(until - Clock::now());
        if (QString failed = link_.Transfer({}, pending_, std::clamp(left, milliseconds::zero(), kStopLook));
            !failed.isEmpty())
            return Fault::Of(Fault::Kind::Lost, failed);
        if (!pending_.isEmpty()) {
            heard = true;
            last = Clock::now();
            pending_.clear();
        } else if (heard && Clock::now() - last >= quiet) {
            break;
        }
    }
    pending_.clear();
    return {};
}

Fault Wire::Discard() {
    if (QString failed = link_.Transfer({}, pending_, milliseconds::zero()); !failed.isEmpty())
        return Fault::Of(Fault::Kind::Lost, failed);
    pending_.clear();
    return {};
}

Fault Wire::ExpectQuiet(milliseconds span) {
    const Clock::time_point until = Clock::now() + span;
    Fault failed = Await(1, until, false);
    if (failed.kind == Fault::Kind::Silent) return {};
    if (failed.failed()) return failed;
    return Unasked(std::exchange(pending_, {}), QStringLiteral("after the last answer"));
}

}  // namespace tarvik::devices
