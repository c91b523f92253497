// SPDX-License-Identifier: GPL-3.0-or-later
// The instruments of the benchmarks: if these are wrong, every figure is.
#include <Q3DSurface>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <sys/mman.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <vector>

#include "bench/bench_stats.h"
#include "bench/event_clock.h"
#include "bench/proc_info.h"
#include "graph/modPlot.h"
#include "graph/surface_graph.h"
#include "tests/support/surface_graph_checks.h"

namespace tarvik::testing {
namespace {

using namespace bench;

[[nodiscard]] std::vector<double> Ramp(int n) {
    std::vector<double> v(static_cast<std::size_t>(n));
    std::iota(v.begin(), v.end(), 1.0);
    return v;
}

struct PercentileCase {
    const char* name;
    std::vector<double> samples;
    double p;
    double expected;
};

TEST(Percentile, IsTheNearestRankSampleWhateverTheOrder) {
    const PercentileCase cases[] = {
        {"p95 of 1..10 is the largest", Ramp(10), 95, 10},
        {"p90 of 1..10", Ramp(10), 90, 9},
        {"p50 of 1..10 is the lower middle", Ramp(10), 50, 5},
        {"p10 of 1..10 is the smallest", Ramp(10), 10, 1},
        {"p95 of 1..20 is rank 19, not 20", Ramp(20), 95, 19},
        {"p95 of 1..100", Ramp(100), 95, 95},
        {"p95 of 1..1000", Ramp(1000), 95, 950},
        {"p100 is the largest", Ramp(7), 100, 7},
        {"unsorted input", {9, 1, 8, 2, 7, 3, 6, 4, 5, 10}, 90, 9},
        {"one sample", {4.25}, 95, 4.25},
        {"ties", {2, 2, 2, 2, 30}, 80, 2},
        {"an outlier in 20 stays out of p95", {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 500}, 95, 1},
    };
    for (const PercentileCase& c : cases) EXPECT_EQ(Percentile(c.samples, c.p), c.expected) << c.name;
}

TEST(Percentile, HasNoValueForNoSamplesOrAPercentOutOfRange) {
    EXPECT_TRUE(std::isnan(Percentile({}, 95)));
    EXPECT_TRUE(std::isnan(Percentile(Ramp(5), 0)));
    EXPECT_TRUE(std::isnan(Percentile(Ramp(5), 100.5)));
    EXPECT_TRUE(std::isnan(Median({})));
}

TEST(Median, IsTheMiddleOrTheMeanOfTheTwoMiddleSamples) {
    const struct {
        std::vector<double> samples;
        double expected;
    } cases[] = {
        {{3, 1, 2}, 2}, {{4, 1, 3, 2}, 2.5}, {{10}, 10}, {{5, 5, 1, 100}, 5}, {{0.25, 0.75}, 0.5},
    };
    for (const auto& c : cases) EXPECT_EQ(Median(c.samples), c.expected);
}

TEST(Summarise, GathersCountExtremesMedianAndP95) {
    std::vector<double> samples = Ramp(40);
    std::swap(samples.front(), samples.back());
    const Summary s = Summarise(samples);
    EXPECT_EQ(s.count, 40u);
    EXPECT_EQ(s.min, 1);
    EXPECT_EQ(s.max, 40);
    EXPECT_EQ(s.median, 20.5);
    EXPECT_EQ(s.p95, 38);
}

constexpr const char* kStatus =
    "Name:\ttarvik_bench_ed\n"
    "VmPeak:\t  812345 kB\n"
    "VmHWM:\t  120344 kB\n"
    "VmRSS:\t   98765 kB\n"
    "RssAnon:\t   50000 kB\n"
    "VmSwap:\t       0 kB\n"
    "Broken:\t  12ab kB\n"
    "Pages:\t  12\n"
    "Threads:\t7\n";

TEST(StatusKiB, ReadsTheNamedLineOnly) {
    const struct {
        const char* key;
        std::optional<long> expected;
    } cases[] = {
        {"VmRSS", 98765},          {"VmHWM", 120344},        {"VmPeak", 812345}, {"VmSwap", 0},
        {"RssAnon", 50000},        {"Vm", std::nullopt},      // a prefix of several keys is no key
        {"VmRSSx", std::nullopt},                             // nor is a longer name
        {"Missing", std::nullopt}, {"Broken", std::nullopt},  // digits followed by rubbish
        {"Pages", std::nullopt},                              // a number without its kB
        {"Threads", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(StatusKiB(kStatus, c.key), c.expected) << c.key;
    EXPECT_EQ(StatusKiB("", "VmRSS"), std::nullopt);
    EXPECT_EQ(StatusKiB("VmRSS: 12 kB", "VmRSS"), 12) << "no line feed at the end";
}

TEST(CpuModel, IsTheFirstProcessorsModelName) {
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"processor\t: 0\nvendor_id\t: AuthenticAMD\nmodel name\t: AMD EPYC 7B13\n\nprocessor\t: 1\nmodel name\t: "
         "Other\n",
         "AMD EPYC 7B13"},
        {"model\t\t: 1\nmodel name\t: Intel(R) Xeon(R) CPU @ 2.20GHz\n", "Intel(R) Xeon(R) CPU @ 2.20GHz"},
        {"processor\t: 0\n", ""},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(CpuModel(c.text), c.expected);
}

constexpr const char* kSmaps =
    "55d0c0a00000-55d0c0a21000 r--p 00000000 fd:01 1234                       /usr/bin/prog\n"
    "Size:                132 kB\n"
    "Rss:                 120 kB\n"
    "Pss:                 120 kB\n"
    "55d0c0a21000-55d0c0b00000 r-xp 00021000 fd:01 1234                       /usr/bin/prog\n"
    "Rss:                 300 kB\n"
    "55d0c1000000-55d0c3000000 rw-p 00000000 00:00 0                          [heap]\n"
    "Rss:                2048 kB\n"
    "7f0000000000-7f0000100000 rw-p 00000000 00:00 0 \n"
    "Rss:                 512 kB\n"
    "7f0000100000-7f0000200000 rw-p 00000000 00:00 0\n"
    "Rss:                  64 kB\n"
    "7f0000200000-7f0000300000 r--p 00000000 fd:01 99    /tmp/a file with spaces.so (deleted)\n"
    "Rss:                   8 kB\n"
    "Rss2:                 999 kB\n";

TEST(RssByMapping, SumsEachMappedObjectLargestFirst) {
    const std::vector<MappingRss> totals = RssByMapping(kSmaps);
    const std::vector<std::pair<std::string, long>> expected{
        {"[heap]", 2048},
        {"[anonymous]", 576},    // two nameless mappings
        {"/usr/bin/prog", 420},  // two mappings of one file
        {"/tmp/a file with spaces.so (deleted)", 8},
    };
    ASSERT_EQ(totals.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(totals[i].name, expected[i].first) << i;
        EXPECT_EQ(totals[i].rssKiB, expected[i].second) << i;
    }
    EXPECT_TRUE(RssByMapping("").empty());
}

TEST(CurrentMemory, TellsThePeakFromWhatIsResidentNow) {
    const Memory before = CurrentMemory();
    ASSERT_GT(before.rssKiB, 0);
    ASSERT_GE(before.peakKiB, before.rssKiB);
    constexpr std::size_t kBlock = 64u << 20;
    {
        // Mapped and unmapped directly, so that no allocator (nor a
        // sanitizer's quarantine) keeps it resident after use.
        void* block = mmap(nullptr, kBlock, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        ASSERT_NE(block, MAP_FAILED);
        std::memset(block, 1, kBlock);
        EXPECT_GE(CurrentMemory().rssKiB, before.rssKiB + 60 * 1024);
        ASSERT_EQ(munmap(block, kBlock), 0);
    }
    const Memory after = CurrentMemory();
    EXPECT_GE(after.peakKiB, before.rssKiB + 60 * 1024) << "the peak remembers the block";
    EXPECT_LT(after.rssKiB, after.peakKiB - 60 * 1024) << "the block is no longer resident";
}

[[nodiscard]] EventClock& App() { return *static_cast<EventClock*>(QCoreApplication::instance()); }

[[nodiscard]] FuelMatrix Flat(double value) {
    FuelMatrix z{};
    for (auto& row : z) row.fill(value);
    return z;
}

TEST(EventClock, CountsOneGraphFrameForEachHandOverAndNoneWhileHidden) {
    const auto graph = ShownGraph();
    ASSERT_TRUE(graph->HasOpenGL());
    QWindow* window = graph->Graph3D();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->isExposed(); }));
    // Let the frames of the first showing pass.
    QCoreApplication::processEvents();

    for (double value : {100.0, 500.0, 900.0}) {
        const long before = App().graphFrames();
        const Clock::time_point handed = Clock::now();
        graph->ReplaceSurface(RpmBreakpoints(), LoadBreakpoints(), Flat(value));
        graph->ReplaceCursor(2362, 248, value + 10);
        ASSERT_TRUE(QTest::qWaitFor([&] { return App().graphFrames() > before; })) << value;
        EXPECT_EQ(App().graphFrames(), before + 1) << "both hand-overs make one frame";
        const EventClock::Frame frame = App().lastGraphFrame();
        EXPECT_GE(frame.begin, handed);
        EXPECT_GE(frame.end, frame.begin);
    }

    graph->hide();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isExposed(); }));
    const long hidden = App().graphFrames();
    graph->ReplaceSurface(RpmBreakpoints(), LoadBreakpoints(), Flat(300));
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(App().graphFrames(), hidden) << "a graph off screen draws nothing";
}

TEST(EventClock, TimesTheDeliveryOfAKeyPress) {
    QWidget window;
    auto* edit = new QLineEdit(&window);
    int shortcuts = 0;
    auto* action = new QAction(&window);
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    QObject::connect(action, &QAction::triggered, [&] { ++shortcuts; });
    window.addAction(action);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    edit->setFocus();
    // Notes when the field sees the shortcut check of each typed key.
    struct OverrideSeen final : QObject {
        Clock::time_point at{};
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::ShortcutOverride) at = Clock::now();
            return false;
        }
    } seen;
    edit->installEventFilter(&seen);

    // Between the typed keys, a shortcut takes a key before it becomes a
    // press: its moment must not stand for the next key.
    for (const char typed : {'1', '\0', '2', '\0', '\0', '3'}) {  // '\0': the shortcut
        const Clock::time_point before = Clock::now();
        if (typed == '\0') {
            QTest::keyClick(edit, Qt::Key_K, Qt::ControlModifier);
            continue;
        }
        QTest::keyClick(edit, typed);
        const Clock::time_point after = Clock::now();
        EXPECT_GE(App().lastKeyPress(), before) << typed;
        EXPECT_LE(App().lastKeyPress(), after) << typed;
        EXPECT_LE(App().lastKeyPress(), seen.at) << typed << ": timed from the shortcut check, not the press";
    }
    EXPECT_EQ(edit->text(), QStringLiteral("123"));
    EXPECT_EQ(shortcuts, 3);
}

TEST(EventClock, NotesTheFirstPaintOfWatchedWindowsOnly) {
    App().WatchWindow(QStringLiteral("watchedShown"));
    App().WatchWindow(QStringLiteral("watchedHidden"));
    int recorded = 0;
    App().onRecord = [&] { ++recorded; };
    QWidget shown;
    shown.setObjectName(QStringLiteral("watchedShown"));
    shown.resize(120, 80);
    QWidget hidden;
    hidden.setObjectName(QStringLiteral("watchedHidden"));
    QWidget other;
    other.setObjectName(QStringLiteral("notWatched"));
    const Clock::time_point before = Clock::now();
    shown.show();
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&shown));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    ASSERT_TRUE(QTest::qWaitFor([&] { return App().firstPainted(QStringLiteral("watchedShown")).has_value(); }));
    const Clock::time_point first = *App().firstPainted(QStringLiteral("watchedShown"));
    EXPECT_GE(first, before);
    EXPECT_FALSE(App().firstPainted(QStringLiteral("watchedHidden")).has_value());
    EXPECT_FALSE(App().firstPainted(QStringLiteral("notWatched")).has_value());
    EXPECT_GE(recorded, 1);

    shown.repaint();
    shown.update();
    QCoreApplication::processEvents();
    EXPECT_EQ(*App().firstPainted(QStringLiteral("watchedShown")), first) << "only the first paint counts";
    App().onRecord = nullptr;
}

TEST(EventClock, NotesTheFirstTimerEventOfAWatchedObject) {
    App().WatchTimer(QStringLiteral("watchedTimer"));
    QTimer watched;
    watched.setObjectName(QStringLiteral("watchedTimer"));
    watched.setInterval(1);
    QTimer other;
    other.setObjectName(QStringLiteral("otherTimer"));
    other.setInterval(1);
    int ticks = 0;
    QObject::connect(&watched, &QTimer::timeout, [&] { ++ticks; });
    EXPECT_FALSE(App().firstTimerEvent(QStringLiteral("watchedTimer")).has_value());
    const Clock::time_point before = Clock::now();
    other.start();
    watched.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks >= 3; }));
    const auto first = App().firstTimerEvent(QStringLiteral("watchedTimer"));
    ASSERT_TRUE(first.has_value());
    EXPECT_GE(*first, before);
    EXPECT_LT(*first, Clock::now());
    EXPECT_FALSE(App().firstTimerEvent(QStringLiteral("otherTimer")).has_value());
}

}  // namespace
}  // namespace tarvik::testing

int main(int argc, char* argv[]) {
    tarvik::bench::EventClock app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
