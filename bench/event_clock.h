// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>
#include <QPointer>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

namespace tarvik::bench {

using Clock = std::chrono::steady_clock;

[[nodiscard]] inline double Milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// The application object of the benchmark. Every event of the program passes
// its notify(), which takes the time of the few moments the figures are made
// of, without touching the program itself:
//  - a frame of the 3-D graph: an update request or expose event handled by
//    the graph's own window while that window is on screen (the graph draws
//    and swaps its buffers inside that handler);
//  - the delivery of a key press (from the shortcut check that precedes it);
//  - a watched top-level window painted: the end of the window event (expose
//    or update request) during which the widget got its paint, by which time
//    the picture has been flushed to the screen;
//  - the first timer event of a watched object (the splash timer's tick).
class EventClock final : public QApplication {
public:
    struct Frame {
        Clock::time_point begin{};
        Clock::time_point end{};
    };

    EventClock(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Frames the graph has finished since start, and the latest of them.
    [[nodiscard]] long graphFrames() const { return graphFrames_; }
    [[nodiscard]] Frame lastGraphFrame() const { return lastGraphFrame_; }

    // When the latest key press was delivered: the shortcut check that comes
    // first, or the press itself when there was none.
    [[nodiscard]] Clock::time_point lastKeyPress() const { return lastKeyPress_; }

    // Watch the top-level widget of this object name for its first paint.
    void WatchWindow(const QString& objectName);
    [[nodiscard]] std::optional<Clock::time_point> firstPainted(const QString& objectName) const;

    // Watch the object of this name for its first timer event.
    void WatchTimer(const QString& objectName);
    [[nodiscard]] std::optional<Clock::time_point> firstTimerEvent(const QString& objectName) const;

    // Runs after each recorded frame, paint and tick.
    std::function<void()> onRecord;

private:
    struct WatchedWindow {
        QString name;
        QPointer<QWidget> widget;  // known once it has been painted
        std::optional<Clock::time_point> firstPainted;
    };
    struct WatchedTimer {
        QString name;
        std::optional<Clock::time_point> firstEvent;
    };

    void WindowEventHandled(QObject* window, Clock::time_point begin);
    void Recorded() const;

    long graphFrames_ = 0;
    Frame lastGraphFrame_;
    Clock::time_point lastKeyPress_{};
    // The shortcut check of a key press not yet delivered.
    struct PendingOverride {
        Clock::time_point at{};
        int key = 0;
        quint64 timestamp = 0;
    };
    std::optional<PendingOverride> override_;
    std::vector<WatchedWindow> windows_;
    std::vector<WatchedTimer> timers_;
};

}  // namespace tarvik::bench
