// SPDX-License-Identifier: GPL-3.0-or-later
// Timing of the editor as a tuner meets it: the real main window with the
// real 3-D graph on a real (virtual) display. Run it under xvfb-run; see
// docs/performance.md for the one command that builds and runs it.
//
//   tarvik_bench_editor [--edits N] [--opens N] [--startup-runs N] [--live-cells N]
//
// Figures: keystroke -> data handed to the graph, keystroke -> the graph's
// frame rendered, Open -> first frame, process start -> splash painted,
// splash tick -> main window painted, peak resident memory and its growth
// while editing; with the live link to a simulated emulator, field left ->
// its bytes in the emulator's RAM, and keystroke -> frame with the link on. The same program, started with
// --startup-child, is the process whose start-up is timed.
#include <Q3DSurface>
#include <QAbstract3DGraph>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "app/command_line.h"
#include "app/run_editor.h"
#include "bench/bench_stats.h"
#include "bench/event_clock.h"
#include "bench/proc_info.h"
#include "devices/device_list.h"
#include "devices/qt_serial_ports.h"
#include "editor/field_edit.h"
#include "editor/frmMain.h"
#include "editor/live_link.h"
#include "graph/modPlot.h"
#include "graph/surface_graph.h"
#include "image/codec.h"
#include "platform/platform.h"
#include "platform/qt_platform.h"
#include "tests/support/simulated_emulator.h"

extern char** environ;

namespace tarvik::bench {
namespace {

// The spawning process's clock reading when it started the child, in
// nanoseconds of the monotonic clock that steady_clock reads.
constexpr const char* kSpawnTimeVariable = "TARVIK_BENCH_SPAWN_NS";
constexpr int kWaitMilliseconds = 5000;

struct Options {
    int edits = 1000;
    int opens = 20;
    int startupRuns = 5;
    int liveCells = 50;
    bool startupChild = false;
};

[[noreturn]] void Fail(const std::string& why) {
    std::fprintf(stderr, "tarvik_bench_editor: %s\n", why.c_str());
    std::fflush(stderr);
    std::_Exit(1);
}

[[nodiscard]] Options ParseOptions(const QStringList& args) {
    Options options;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        auto number = [&](int minimum) {
            bool ok = false;
            const int value = i + 1 < args.size() ? args[++i].toInt(&ok) : 0;
            if (!ok || value < minimum)
                Fail(a.toStdString() + " needs a number of at least " + std::to_string(minimum));
            return value;
        };
        if (a == QLatin1String("--edits")) {
            options.edits = number(200);
        } else if (a == QLatin1String("--opens")) {
            options.opens = number(1);
        } else if (a == QLatin1String("--startup-runs")) {
            options.startupRuns = number(0);
        } else if (a == QLatin1String("--live-cells")) {
            options.liveCells = number(10);
        } else if (a == QLatin1String("--startup-child")) {
            options.startupChild = true;
        } else {
            Fail("unknown argument " + a.toStdString());
        }
    }
    return options;
}

// A file dialog that answers at once with a fixed path and notes when.
class BenchFileDialog final : public FileDialog {
public:
    QString path;
    Clock::time_point returnedAt{};

    QString GetOpenFileName(const FileDialogOptions&) override {
        returnedAt = Clock::now();
        return path;
    }
    QString GetSaveFileName(const FileDialogOptions&) override { return {}; }
};

// Any message means the run went wrong (a refused file, an I/O error).
class BenchMessageBox final : public MessageBox {
public:
    void Show(const QString& text, const QString&, MessageIcon) override {
        Fail("the editor showed a message: " + text.toStdString());
    }
};

// The renderer behind the graph, as the GL context names it.
[[nodiscard]] std::string GlRendererName() {
    QOpenGLContext context;
    if (!context.create()) return "no OpenGL context";
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!context.makeCurrent(&surface)) return "no current OpenGL context";
    QOpenGLFunctions* gl = context.functions();
    std::string name = reinterpret_cast<const char*>(gl->glGetString(GL_RENDERER));
    name += " | OpenGL ";
    name += reinterpret_cast<const char*>(gl->glGetString(GL_VERSION));
    context.doneCurrent();
    return name;
}

// Printed at the end: making a GL context of its own would otherwise add
// to the memory figures.
void PrintMachine() {
    std::printf("machine: %u cores, %s\n", std::thread::hardware_concurrency(),
                CpuModel(ReadTextFile("/proc/cpuinfo")).c_str());
    std::printf("renderer: %s (Qt platform %s)\n", GlRendererName().c_str(),
                QGuiApplication::platformName().toStdString().c_str());
}

// ---------------------------------------------------------------------------
// Start-up: a fresh process per run.

struct StartupRun {
    double splashPaintedMs = 0;  // process start -> splash painted
    double mainPaintedMs = 0;    // splash tick -> main window painted
    double graphFrameMs = 0;     // splash tick -> the graph's first frame
    double mainEnteredMs = 0;    // process start -> main() entered
};

// In the child: runs the real start-up and prints one line of figures.
int RunStartupChild(EventClock& app, Clock::time_point mainEntered) {
    const char* spawned = std::getenv(kSpawnTimeVariable);
    if (spawned == nullptr) Fail("--startup-child is started by the benchmark itself");
    const Clock::time_point start{std::chrono::nanoseconds(std::strtoll(spawned, nullptr, 10))};

    const QString splash = QStringLiteral("frmSplash");
    const QString main = QStringLiteral("frmMain");
    const QString timer = QStringLiteral("timerSplash");
    app.WatchWindow(splash);
    app.WatchWindow(main);
    app.WatchTimer(timer);
    std::optional<Clock::time_point> graphFrame;
    app.onRecord = [&] {
        const auto tick = app.firstTimerEvent(timer);
        if (!tick) return;
        if (!graphFrame && app.graphFrames() > 0 && app.lastGraphFrame().begin > *tick) {
            graphFrame = app.lastGraphFrame().end;
        }
        if (graphFrame && app.firstPainted(main)) {
            QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
        }
    };
    QTimer::singleShot(30000, &app, [] { Fail("start-up did not finish within 30 s"); });

    const int code = RunEditor(app, {});
    if (code != 0) Fail("the editor's event loop ended with " + std::to_string(code));
    const auto splashPainted = app.firstPainted(splash);
    const auto tick = app.firstTimerEvent(timer);
    const auto mainPainted = app.firstPainted(main);
    if (!splashPainted || !tick || !mainPainted || !graphFrame) Fail("a start-up moment was not seen");
    std::printf("%.3f %.3f %.3f %.3f\n", Milliseconds(*splashPainted - start), Milliseconds(*mainPainted - *tick),
                Milliseconds(*graphFrame - *tick), Milliseconds(mainEntered - start));
    return 0;
}

// In the parent: starts this program as a start-up child and reads its line.
[[nodiscard]] StartupRun SpawnStartupChild() {
    int out[2];
    if (pipe(out) != 0) Fail("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);

    std::vector<std::string> environment;
    for (char** e = environ; *e != nullptr; ++e) {
        if (std::strncmp(*e, kSpawnTimeVariable, std::strlen(kSpawnTimeVariable)) != 0) environment.emplace_back(*e);
    }
    std::string self = QCoreApplication::applicationFilePath().toStdString();
    std::string flag = "--startup-child";
    std::vector<char*> argv{self.data(), flag.data(), nullptr};

    // The clock is read last, right before the process is made.
    const Clock::time_point now = Clock::now();
    environment.push_back(
        std::string(kSpawnTimeVariable) + "=" +
        std::to_string(std::chrono::duration_cast<std::chrono::nanoseconds>(now.time_since_epoch()).count()));
    std::vector<char*> envp;
    for (std::string& e : environment) envp.push_back(e.data());
    envp.push_back(nullptr);

    pid_t pid = 0;
    const int spawnError = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawnError != 0) Fail(std::string("posix_spawn failed: ") + std::strerror(spawnError));

    std::string text;
    char buffer[256];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) Fail("a start-up child failed");

    StartupRun run;
    if (std::sscanf(text.c_str(), "%lf %lf %lf %lf", &run.splashPaintedMs, &run.mainPaintedMs, &run.graphFrameMs,
                    &run.mainEnteredMs) != 4) {
        Fail("a start-up child printed no figures: " + text);
    }
    return run;
}

// ---------------------------------------------------------------------------
// The running editor: Open and keystrokes.

// The texts the 310 fields must hold after `image` was opened.
[[nodiscard]] FieldTexts Expected(const QByteArray& bytes) {
    ImageBytes image{};
    std::copy(bytes.cbegin(), bytes.cend(), image.begin());
    FieldTexts texts;
    LoadFieldsFromImage(image, texts);
    return texts;
}

void CheckFields(const frmMain& window, const FieldTexts& expected) {
    for (const TableLayout& table : kStoreOrder) {
        for (int i = 0; i < table.count; ++i) {
            if (window.field(table.family, i).text().toStdString() != expected.At(table.family, i)) {
                Fail("after Open a field of the " + std::string(table.name) + " table holds the wrong text");
            }
        }
    }
}

// The fuel value the surface shows for field k.
[[nodiscard]] double SurfaceValue(const SurfaceGraph& graph, int k) {
    const QList<QVector3D> points = graph.SurfacePoints();
    if (points.size() != 256) Fail("the surface does not hold 256 points");
    return points[LoadIndex(k) * 16 + RpmIndex(k)].y();
}

class EditorBench {
public:
    EditorBench(EventClock& app, const Options& options) : app_(app), options_(options) {}

    void Run();

private:
    void Start();
    // Opens `path`; times from the dialog's answer to the command's end
    // and to the end of the first frame.
    struct OpenTiming {
        double handledMs = 0;
        double frameMs = 0;
        double renderMs = 0;
    };
    [[nodiscard]] OpenTiming Open(const QString& path, const FieldTexts& expected);
    void WaitForFrameAfter(long framesBefore, Clock::time_point notBefore, const char* what);
    struct EditTimes {
        std::vector<double> handedMs;
        std::vector<double> frameMs;
        std::vector<double> renderMs;
    };
    // `count` keystrokes into the fuel map; memory noted when asked.
    void Edits(int count, EditTimes& times, bool noteMemory);
    void Live();
    void Report() const;

    EventClock& app_;
    Options options_;
    QTemporaryDir files_;
    QString imageA_;
    QString imageB_;
    FieldTexts expectedA_;
    FieldTexts expectedB_;

    BenchFileDialog dialog_;
    BenchMessageBox messages_;
    QtBusyCursor cursor_;
    QtFileSystem fileSystem_;
    QtModalShow modal_;
    std::unique_ptr<SurfaceGraph> view_;  // before the window, which borrows it
    std::unique_ptr<frmMain> window_;
    SurfaceGraph* graph_ = nullptr;

    Clock::time_point handedAt_{};  // latest fuel-map change fully handled
    EditTimes edits_;
    EditTimes liveEdits_;
    std::vector<double> leftToEmulatorMs_;
    OpenTiming firstOpen_;
    std::vector<OpenTiming> opens_;
    Memory at100_;
    Memory atEnd_;
    std::vector<std::pair<std::string, Memory>> stages_;
    std::vector<StartupRun> startup_;
};

void EditorBench::Start() {
    // Two images that differ in every fuel-map cell, so that each Open
    // changes all 256 texts: the demo image and a variant of it.
    QFile demo(QStringLiteral(TARVIK_DEMO_IMAGE));
    if (!demo.open(QIODevice::ReadOnly)) Fail("cannot read the demo image " TARVIK_DEMO_IMAGE);
    const QByteArray a = demo.readAll();
    if (a.size() != static_cast<qsizetype>(kImageSize)) Fail("the demo image is not 4096 bytes long");
    QByteArray b = a;
    for (std::size_t i = 0; i < static_cast<std::size_t>(kFuelCells); ++i) {
        b[static_cast<qsizetype>(kFuelLowOffset + i)] =
            static_cast<char>(a[static_cast<qsizetype>(kFuelLowOffset + i)] ^ 0x5A);
    }
    if (!files_.isValid()) Fail("no temporary folder");
    imageA_ = files_.filePath(QStringLiteral("a.bin"));
    imageB_ = files_.filePath(QStringLiteral("b.bin"));
    for (const auto& [path, data] : {std::pair{imageA_, a}, std::pair{imageB_, b}}) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size()) Fail("cannot write a test image");
    }
    expectedA_ = Expected(a);
    expectedB_ = Expected(b);

    // The real start-up: the splash stands its 2.5 s, then the main window.
    stages_.emplace_back("application made", CurrentMemory());
    view_ = std::make_unique<SurfaceGraph>();
    window_ = std::make_unique<frmMain>(Platform{dialog_, messages_, cursor_, fileSystem_, modal_}, *view_);
    stages_.emplace_back("main window made", CurrentMemory());
    window_->Form_Load();
    window_->show();
    if (!QTest::qWaitForWindowExposed(window_.get())) Fail("the main window was not exposed");
    window_->activateWindow();
    if (!QTest::qWaitForWindowActive(window_.get())) Fail("the main window did not become active");
    graph_ = view_.get();
    if (graph_ == nullptr || !graph_->HasOpenGL()) Fail("the 3-D graph has no OpenGL here");
    if (!QTest::qWaitFor([&] { return app_.graphFrames() > 0; }, kWaitMilliseconds)) {
        Fail("the graph drew no first frame");
    }
    stages_.emplace_back("start-up done, first frame drawn", CurrentMemory());
    std::printf("graph window: %dx%d, %d samples per pixel\n\n", graph_->Graph3D()->width(),
                graph_->Graph3D()->height(), graph_->Graph3D()->format().samples());

    // Connected after the window's own handler, so this runs once
    // PlotFuelMap and PlotCursor have returned.
    for (int k = 0; k < kFuelCells; ++k) {
        QObject::connect(&window_->field(Family::Data, k), &QLineEdit::textChanged, &app_,
                         [this] { handedAt_ = Clock::now(); });
    }
}

void EditorBench::WaitForFrameAfter(long framesBefore, Clock::time_point notBefore, const char* what) {
    if (!QTest::qWaitFor([&] { return app_.graphFrames() > framesBefore; }, kWaitMilliseconds)) {
        Fail(std::string("no frame of the graph followed ") + what);
    }
    if (app_.lastGraphFrame().begin < notBefore) Fail(std::string("a frame began before ") + what + " was handled");
}

EditorBench::OpenTiming EditorBench::Open(const QString& path, const FieldTexts& expected) {
    dialog_.path = path;
    const long framesBefore = app_.graphFrames();
    window_->smnuOpen_Click();
    const Clock::time_point handled = Clock::now();
    WaitForFrameAfter(framesBefore, handled, "Open");
    const EventClock::Frame frame = app_.lastGraphFrame();
    const OpenTiming timing{Milliseconds(handled - dialog_.returnedAt), Milliseconds(frame.end - dialog_.returnedAt),
                            Milliseconds(frame.end - frame.begin)};
    CheckFields(*window_, expected);
    const int probe = 37;
    if (SurfaceValue(*graph_, probe) != ParseLeadingNumber(expected.At(Family::Data, probe))) {
        Fail("after Open the surface does not show the opened map");
    }
    return timing;
}

void EditorBench::Edits(int count, EditTimes& times, bool noteMemory) {
    // Each visited cell gets four keystrokes, each of which changes its
    // text: 7, 73, 739, 73. The cells are visited 37 apart, so that the
    // edits spread over the whole map.
    struct Key {
        char typed;  // 0: Backspace
        const char* after;
    };
    constexpr Key kKeys[] = {{'7', "7"}, {'3', "73"}, {'9', "739"}, {0, "73"}};
    constexpr int kKeysPerCell = 4;

    times.handedMs.reserve(static_cast<std::size_t>(count));
    times.frameMs.reserve(static_cast<std::size_t>(count));
    times.renderMs.reserve(static_cast<std::size_t>(count));
    FieldEdit* field = nullptr;
    int k = 0;
    for (int e = 0; e < count; ++e) {
        const Key& key = kKeys[e % kKeysPerCell];
        if (e % kKeysPerCell == 0) {
            k = (e / kKeysPerCell * 37) % kFuelCells;
            field = &window_->field(Family::Data, k);
            // As Tab would: the field takes the focus with its text selected,
            // and the first digit replaces it.
            field->setFocus(Qt::TabFocusReason);
            if (QApplication::focusWidget() != field || field->selectedText() != field->text()) {
                Fail("a fuel-map field did not take the focus with its text selected");
            }
        }
        const long framesBefore = app_.graphFrames();
        const Clock::time_point handedBefore = handedAt_;
        if (key.typed != 0) {
            QTest::keyClick(field, key.typed);
        } else {
            QTest::keyClick(field, Qt::Key_Backspace);
        }
        if (field->text() != QLatin1String(key.after)) Fail("a keystroke did not give the expected text");
        if (handedAt_ == handedBefore) Fail("a keystroke did not reach the graph");
        const Clock::time_point pressed = app_.lastKeyPress();
        WaitForFrameAfter(framesBefore, handedAt_, "a keystroke");
        const EventClock::Frame frame = app_.lastGraphFrame();
        times.handedMs.push_back(Milliseconds(handedAt_ - pressed));
        times.frameMs.push_back(Milliseconds(frame.end - pressed));
        times.renderMs.push_back(Milliseconds(frame.end - frame.begin));
        if (SurfaceValue(*graph_, k) != std::atof(key.after)) Fail("the surface does not show the typed value");
        if (noteMemory && e + 1 == 100) at100_ = CurrentMemory();
    }
    if (!noteMemory) return;
    atEnd_ = CurrentMemory();
    stages_.emplace_back("edit 100", at100_);
    stages_.emplace_back("edit " + std::to_string(count), atEnd_);
}

void EditorBench::Live() {
    // An Ostrich on a pseudo-terminal of this process, answering at once: the
    // figures are the editor's and the line's share, without the device's.
    testing::SimulatedEmulator emulator(std::make_unique<testing::OstrichModel>());
    std::atomic<Clock::rep> lastWrite{0};
    emulator.With<testing::OstrichModel>([&](testing::OstrichModel& model) {
        model.written = [&](int, int, QByteArrayView) { lastWrite = Clock::now().time_since_epoch().count(); };
    });
    // What the bank the engine runs holds at `offset`, in every slot alike;
    // -1 while the slots differ.
    const auto held = [&](std::size_t offset) {
        int value = -1;
        emulator.With<testing::OstrichModel>([&](testing::OstrichModel& model) {
            const QByteArray& bank = model.banks[static_cast<std::size_t>(model.emulated)];
            value = static_cast<std::uint8_t>(bank[static_cast<qsizetype>(offset)]);
            for (std::size_t slot = 1; slot < 16; ++slot) {
                if (static_cast<std::uint8_t>(bank[static_cast<qsizetype>(slot * kImageSize + offset)]) != value)
                    value = -1;
            }
        });
        return value;
    };
    LiveLink link(std::make_unique<devices::QtSerialPorts>(), devices::DefaultDevice(), emulator.Port(), std::nullopt);
    QObject::connect(&link, &LiveLink::Lost,
                     [](const QString& why) { Fail("the live link lost the emulator: " + why.toStdString()); });
    window_->SetCellWatcher(&link);
    link.Start();
    (void)Open(imageA_, expectedA_);
    const std::size_t probe = kFuelLowOffset + 37;
    const int probeLow = static_cast<int>(ParseLeadingNumber(expectedA_.At(Family::Data, 37))) & 255;
    if (!QTest::qWaitFor([&] { return held(probe) == probeLow; }, kWaitMilliseconds))
        Fail("the opened image did not reach the emulator");

    // Field left -> its bytes in every slot of the bank the engine runs.
    for (int i = 0; i < options_.liveCells; ++i) {
        const int k = (i * 53) % kFuelCells;
        FieldEdit& field = window_->field(Family::Data, k);
        field.setFocus(Qt::TabFocusReason);
        const int value = (static_cast<int>(ParseLeadingNumber(field.text().toStdString())) + 1) % 1000;
        field.setText(QString::number(value));
        const std::size_t low = kFuelLowOffset + static_cast<std::size_t>(k);
        const Clock::time_point left = Clock::now();
        QTest::keyClick(&field, Qt::Key_Return);
        if (!QTest::qWaitFor([&] { return held(low) == (value & 255); }, kWaitMilliseconds))
            Fail("a field left did not reach the emulator");
        leftToEmulatorMs_.push_back(Milliseconds(Clock::time_point(Clock::duration(lastWrite.load())) - left));
    }
    // Keystrokes with the link on: every cell left on the way is written.
    Edits(std::max(200, options_.edits / 5), liveEdits_, false);
    window_->SetCellWatcher(nullptr);
    link.Finish(kWaitMilliseconds);
}

void EditorBench::Run() {
    // Start-up first, while this process has no window of its own.
    for (int i = 0; i < options_.startupRuns; ++i) startup_.push_back(SpawnStartupChild());

    Start();
    firstOpen_ = Open(imageA_, expectedA_);
    stages_.emplace_back("first Open", CurrentMemory());
    Edits(options_.edits, edits_, true);
    for (int i = 0; i < options_.opens; ++i) {
        const bool b = i % 2 == 0;
        opens_.push_back(Open(b ? imageB_ : imageA_, b ? expectedB_ : expectedA_));
    }
    Live();
    Report();
}

void PrintSummary(const char* name, const std::vector<double>& ms) {
    const Summary s = Summarise(ms);
    std::printf("  %-44s n=%-5zu median %8.3f  p95 %8.3f  min %8.3f  max %8.3f ms\n", name, s.count, s.median, s.p95,
                s.min, s.max);
}

struct Budget {
    std::string figure;
    double value;
    double budget;
    const char* unit;
};

void EditorBench::Report() const {
    std::printf("keystrokes into fuel-map fields: %d\n", options_.edits);
    PrintSummary("key press -> data handed to the graph", edits_.handedMs);
    PrintSummary("key press -> graph frame rendered", edits_.frameMs);
    PrintSummary("graph frame: render and swap alone", edits_.renderMs);
    std::printf("  %-44s %8.3f ms (the marker is made then)\n", "first keystroke -> frame rendered",
                edits_.frameMs.front());
    std::printf("\nlive link to a simulated Ostrich 2.0 (answering at once):\n");
    PrintSummary("field left -> its bytes in every slot", leftToEmulatorMs_);
    PrintSummary("key press -> graph frame rendered, link on", liveEdits_.frameMs);
    std::printf("\nOpen (file dialog answered -> fields set and first frame rendered):\n");
    std::printf("  first Open after start-up: command done %.3f ms, frame rendered %.3f ms (render alone %.3f ms)\n",
                firstOpen_.handledMs, firstOpen_.frameMs, firstOpen_.renderMs);
    std::vector<double> handled, rendered, render;
    for (const OpenTiming& t : opens_) {
        handled.push_back(t.handledMs);
        rendered.push_back(t.frameMs);
        render.push_back(t.renderMs);
    }
    PrintSummary("later Opens: command done", handled);
    PrintSummary("later Opens: frame rendered", rendered);
    PrintSummary("later Opens: render alone", render);

    std::vector<double> splash, main, graph, entered;
    for (const StartupRun& r : startup_) {
        splash.push_back(r.splashPaintedMs);
        main.push_back(r.mainPaintedMs);
        graph.push_back(r.graphFrameMs);
        entered.push_back(r.mainEnteredMs);
    }
    std::printf("\nstart-up, %zu fresh processes:\n", startup_.size());
    PrintSummary("process start -> main() entered", entered);
    PrintSummary("process start -> splash painted", splash);
    PrintSummary("splash tick -> main window painted", main);
    PrintSummary("splash tick -> graph's first frame", graph);

    std::printf("\nmemory (MiB)             VmRSS   VmHWM\n");
    for (const auto& [stage, m] : stages_) {
        std::printf("  %-34s %7.1f %7.1f\n", stage.c_str(), m.rssKiB / 1024.0, m.peakKiB / 1024.0);
    }
    std::printf("  largest resident mappings at the end:\n");
    const std::vector<MappingRss> mappings = RssByMapping(ReadTextFile("/proc/self/smaps"));
    for (std::size_t i = 0; i < mappings.size() && i < 8; ++i) {
        std::printf("    %7.1f  %s\n", mappings[i].rssKiB / 1024.0, mappings[i].name.c_str());
    }
    const double peakMiB = atEnd_.peakKiB / 1024.0;
    const double growthMiB = (atEnd_.rssKiB - at100_.rssKiB) / 1024.0;
    std::printf("\nmemory: VmRSS %.1f MiB after edit 100, %.1f MiB after edit %d; VmHWM %.1f MiB\n",
                at100_.rssKiB / 1024.0, atEnd_.rssKiB / 1024.0, options_.edits, peakMiB);

    const Summary frame = Summarise(edits_.frameMs);
    std::vector<Budget> budgets{
        {"key press -> data handed, median", Median(edits_.handedMs), 0.2, "ms"},
        {"key press -> frame rendered, median", frame.median, 16.7, "ms"},
        {"key press -> frame rendered, p95", frame.p95, 33.0, "ms"},
        {"Open -> first frame (first Open)", firstOpen_.frameMs, 50.0, "ms"},
        {"Open -> first frame (later Opens, median)", Median(rendered), 50.0, "ms"},
        {"Open -> first frame (later Opens, max)", Summarise(rendered).max, 50.0, "ms"},
        {"peak RSS", peakMiB, 150.0, "MiB"},
        {"RSS growth, edit 100 -> " + std::to_string(options_.edits), growthMiB, 1.0, "MiB"},
        {"field left -> bytes in the emulator, median", Median(leftToEmulatorMs_), 20.0, "ms"},
        {"key press -> frame rendered with the link on, median", Median(liveEdits_.frameMs), 8.3, "ms"},
    };
    if (!startup_.empty()) {
        budgets.push_back({"process start -> splash painted, median", Median(splash), 300.0, "ms"});
        budgets.push_back({"splash tick -> main window painted, median", Median(main), 300.0, "ms"});
    }
    std::printf("\n| figure | measured | budget | |\n|---|---|---|---|\n");
    for (const Budget& b : budgets) {
        std::printf("| %s | %.3f %s | <= %g %s | %s |\n", b.figure.c_str(), b.value, b.unit, b.budget, b.unit,
                    b.value <= b.budget ? "met" : "MISSED");
    }
    std::printf("\nload average at end: %s\n", LoadAverages().c_str());
    PrintMachine();
}

}  // namespace
}  // namespace tarvik::bench

int main(int argc, char* argv[]) {
    using namespace tarvik::bench;
    const Clock::time_point entered = Clock::now();
    EventClock app(argc, argv);
    const Options options = ParseOptions(QCoreApplication::arguments());
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        Fail("needs a real X display (run it under xvfb-run), not the " +
             QGuiApplication::platformName().toStdString() + " platform");
    }
    if (options.startupChild) return RunStartupChild(app, entered);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::printf("load average at start: %s\n", LoadAverages().c_str());
    EditorBench bench(app, options);
    bench.Run();
    return 0;
}
