// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/scripted_link.h"

#include <thread>

namespace tarvik::testing {

std::unique_ptr<devices::SerialLink> ScriptedPorts::Open(const QString& /*port*/, int /*baud*/, QString& error) {
    if (unplugged) {
        error = QStringLiteral("There is no such port.");
        return nullptr;
    }
    ++opened;
    auto link = std::make_unique<ScriptedLink>(*this, script_);
    return link;
}

ScriptedLink::ScriptedLink(ScriptedPorts& ports, const LinkScript& script) : ports_(ports), script_(script) {
    const std::lock_guard lock(ports_.mutex_);
    Queue(ports_.model_.Opened());
}

void ScriptedLink::Queue(const QByteArray& bytes) {
    Clock::time_point at = queue_.empty() ? Clock::now() : queue_.back().at;
    for (const char byte : bytes) {
        at += script_.byteEvery;
        queue_.push_back({byte, at});
    }
}

QString ScriptedLink::Transfer(QByteArrayView out, QByteArray& in, std::chrono::milliseconds wait) {
    const QString closed = QStringLiteral("the emulator's port closed");
    if (ports_.unplugged) return closed;
    if (!out.isEmpty()) {
        QByteArray answer;
        {
            const std::lock_guard lock(ports_.mutex_);
            answer = ports_.model_.Take(out);
        }
        QByteArray sent = script_.echo ? out.toByteArray() : QByteArray();
        if (!answer.isEmpty()) {
            ++answers_;
            if (answers_ == script_.cutIn) {
                answer.truncate(answer.size() / 2);
                cut_ = true;
            } else {
                answer += script_.afterEvery;
                if (answers_ == script_.strayAfter) answer += 'O';
                endless_ = endless_ || answers_ == script_.endlessAfter;
            }
        }
        Queue(sent + answer);
    }
    const Clock::time_point until = Clock::now() + wait;
    for (;;) {
        const qsizetype before = in.size();
        while (!queue_.empty() && queue_.front().at <= Clock::now()) {
            in += queue_.front().byte;
            queue_.pop_front();
        }
        if (endless_) in += QByteArray(16, 'U');  // a line that never falls silent
        if (cut_ && queue_.empty()) {
            ports_.unplugged = true;
            return closed;
        }
        if (in.size() > before || Clock::now() >= until) return {};
        const Clock::time_point next = queue_.empty() ? until : std::min(until, queue_.front().at);
        std::this_thread::sleep_until(next);
    }
}

}  // namespace tarvik::testing
