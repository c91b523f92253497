// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/event_clock.h"

#include <QAbstract3DGraph>
#include <QEvent>
#include <QKeyEvent>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace tarvik::bench {

EventClock::EventClock(int& argc, char** argv) : QApplication(argc, argv) {}

void EventClock::WatchWindow(const QString& objectName) { windows_.push_back({objectName, {}, std::nullopt}); }

void EventClock::WatchTimer(const QString& objectName) { timers_.push_back({objectName, std::nullopt}); }

std::optional<Clock::time_point> EventClock::firstPainted(const QString& objectName) const {
    const auto it =
        std::find_if(windows_.begin(), windows_.end(), [&](const WatchedWindow& w) { return w.name == objectName; });
    return it == windows_.end() ? std::nullopt : it->firstPainted;
}

std::optional<Clock::time_point> EventClock::firstTimerEvent(const QString& objectName) const {
    const auto it =
        std::find_if(timers_.begin(), timers_.end(), [&](const WatchedTimer& t) { return t.name == objectName; });
    return it == timers_.end() ? std::nullopt : it->firstEvent;
}

void EventClock::Recorded() const {
    if (onRecord) onRecord();
}

bool EventClock::notify(QObject* receiver, QEvent* event) {
    const Clock::time_point begin = Clock::now();
    switch (event->type()) {
        case QEvent::ShortcutOverride: {
            // Qt offers a key press to the shortcuts first; the key has been
            // delivered from here on, unless a shortcut takes it.
            const auto* key = static_cast<const QKeyEvent*>(event);
            override_ = PendingOverride{begin, key->key(), key->timestamp()};
            return QApplication::notify(receiver, event);
        }
        case QEvent::KeyPress: {
            const auto* key = static_cast<const QKeyEvent*>(event);
            const bool sameKey = override_ && override_->key == key->key() && override_->timestamp == key->timestamp();
            lastKeyPress_ = sameKey ? override_->at : begin;
            override_.reset();
            return QApplication::notify(receiver, event);
        }
        case QEvent::Timer: {
            if (timers_.empty()) return QApplication::notify(receiver, event);
            for (WatchedTimer& t : timers_) {
                if (!t.firstEvent && receiver->objectName() == t.name) {
                    t.firstEvent = begin;
                    Recorded();
                }
            }
            return QApplication::notify(receiver, event);
        }
        case QEvent::Paint: {
            if (!windows_.empty() && receiver->isWidgetType()) {
                auto* widget = static_cast<QWidget*>(receiver);
                if (widget->isWindow()) {
                    for (WatchedWindow& w : windows_) {
                        if (w.widget == nullptr && widget->objectName() == w.name) w.widget = widget;
                    }
                }
            }
            return QApplication::notify(receiver, event);
        }
        case QEvent::UpdateRequest:
        case QEvent::Expose: {
            if (!receiver->isWindowType()) return QApplication::notify(receiver, event);
            const bool result = QApplication::notify(receiver, event);
            WindowEventHandled(receiver, begin);
            return result;
        }
        default:
            return QApplication::notify(receiver, event);
    }
}

void EventClock::WindowEventHandled(QObject* window, Clock::time_point begin) {
    // The graph returns from these events without drawing while it is not
    // on screen; such a pass is no frame.
    if (auto* graph = qobject_cast<QAbstract3DGraph*>(window)) {
        if (!graph->isExposed()) return;
        ++graphFrames_;
        lastGraphFrame_ = {begin, Clock::now()};
        Recorded();
        return;
    }
    for (WatchedWindow& w : windows_) {
        if (!w.firstPainted && w.widget != nullptr && w.widget->windowHandle() == window) {
            w.firstPainted = Clock::now();
            Recorded();
        }
    }
}

}  // namespace tarvik::bench
