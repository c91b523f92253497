// SPDX-License-Identifier: GPL-3.0-or-later
// The built editor, started as a user starts it and driven only through
// what a user has: its windows, real keys and clicks, the X clipboard, and
// the files it writes. The expected bytes are computed here from the image
// layout, never by the program's own code.
// GoogleTest first: Xlib's None, Bool and Status are macros.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <random>
#include <span>

#include "x_session.h"

#include <X11/Xutil.h>

namespace tarvik::e2e {
namespace {

std::filesystem::path g_program;
std::filesystem::path g_scratch;
std::filesystem::path g_emulator;  // the simulated emulator program

constexpr const char* kMainTitle = "Tarvik for Saabs";

// ---- The image as the control unit reads it -------------------------------

constexpr std::size_t kImageSize = 4096;
using Image = std::array<std::uint8_t, kImageSize>;

enum class Family { Data, RL, WE, FLE, AE, IS, CC };
struct Field {
    Family family;
    int index = 0;
};

// Where a family's bytes lie and where its fields stand: the page, and in
// twips the frame's corner on the page and the first field's corner in it
// (further fields 300 twips lower). The fuel map is laid out on its own.
struct FamilyInfo {
    const char* name;
    int count;
    std::size_t offset;
    int page, frameLeft, frameTop, fieldLeft, fieldTop, fieldWidth;
};
constexpr std::array<FamilyInfo, 7> kFamilies{{
    {"txtData", 256, 768, 0, 0, 0, 0, 0, 450},
    {"txtRL", 1, 1438, 1, 4500, 4140, 1080, 300, 735},
    {"txtWE", 17, 2050, 1, 2460, 660, 870, 420, 400},
    {"txtFLE", 17, 2086, 1, 420, 660, 900, 420, 400},
    {"txtAE", 9, 2103, 1, 4500, 660, 855, 420, 400},
    {"txtIS", 9, 2178, 1, 6840, 660, 855, 420, 400},
    {"txtCC", 1, 3235, 1, 6840, 4140, 1080, 300, 735},
}};
constexpr std::size_t kFuelHighBits = 2304;  // two bits per cell, four cells a byte

[[nodiscard]] const FamilyInfo& Info(Family f) { return kFamilies[static_cast<std::size_t>(f)]; }
[[nodiscard]] std::string NameOf(Field f) {
    return std::string(Info(f.family).name) + "(" + std::to_string(f.index) + ")";
}

// A fuel-map cell's ten bits; any other field's byte (the control constant's
// raw byte, 128 to the unit).
[[nodiscard]] int Value(const Image& image, Field f) {
    const auto i = static_cast<std::size_t>(f.index);
    if (f.family != Family::Data) return image[Info(f.family).offset + i];
    const int high = (image[kFuelHighBits + i / 4] >> (6 - 2 * (f.index % 4))) & 3;
    return 256 * high + image[768 + i];
}

void SetValue(Image& image, Field f, int value) {
    const auto i = static_cast<std::size_t>(f.index);
    if (f.family != Family::Data) {
        image[Info(f.family).offset + i] = static_cast<std::uint8_t>(value);
        return;
    }
    image[768 + i] = static_cast<std::uint8_t>(value & 255);
    const int shift = 6 - 2 * (f.index % 4);
    std::uint8_t& packed = image[kFuelHighBits + i / 4];
    packed = static_cast<std::uint8_t>((packed & ~(3 << shift)) | ((value >> 8) << shift));
}

[[nodiscard]] bool IsTableByte(std::size_t offset) {
    if (offset >= kFuelHighBits && offset < kFuelHighBits + 64) return true;
    for (const FamilyInfo& f : kFamilies) {
        if (offset >= f.offset && offset < f.offset + static_cast<std::size_t>(f.count)) return true;
    }
    return false;
}

// Random bytes, so that a byte moved or dropped anywhere shows.
[[nodiscard]] Image RandomImage() {
    std::mt19937 random(2204);
    Image image{};
    for (std::uint8_t& b : image) b = static_cast<std::uint8_t>(random() & 255);
    return image;
}

void WriteImage(const std::filesystem::path& file, const Image& image) {
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(image.data()), kImageSize);
}

[[nodiscard]] Image ReadImage(const std::filesystem::path& file) {
    Image image{};
    std::ifstream(file, std::ios::binary).read(reinterpret_cast<char*>(image.data()), kImageSize);
    return image;
}

// ---- Ink in a field: what the user can read ---------------------------------

// What the inside of a field shows of a number, told without knowing the
// font: digits are counted as runs of dark columns in the upper half of the
// text, where even narrowed digits stand apart and the point leaves no ink
// (lower down, the feet of a "1" and the point run together). A text that
// scrolled or was cut short shows fewer digits, or a glyph cut at an edge.
struct Ink {
    int digits = 0;
    bool cutAtEdge = true;
    std::string columns;  // '#' dark in the upper half, '.' not: printed when a check fails
    [[nodiscard]] bool Whole(std::string_view text) const {
        const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
        return !cutAtEdge && digits == std::count_if(text.begin(), text.end(), isDigit);
    }
};

[[nodiscard]] Ink InkOf(const Gray& inside) {
    constexpr int kDark = 128;
    const auto darkIn = [&](int x, int top, int bottom) {
        for (int y = top; y <= bottom; ++y) {
            if (inside.at(x, y) < kDark) return true;
        }
        return false;
    };
    int top = -1, bottom = -1;
    for (int y = 0; y < inside.height; ++y) {
        for (int x = 0; x < inside.width; ++x) {
            if (inside.at(x, y) < kDark) {
                if (top < 0) top = y;
                bottom = y;
            }
        }
    }
    Ink ink;
    if (top < 0) return ink;
    for (int x = 0; x < inside.width; ++x) {
        const bool dark = darkIn(x, top, top + (bottom - top) / 2);
        if (dark && (ink.columns.empty() || ink.columns.back() == '.')) ++ink.digits;
        ink.columns += dark ? '#' : '.';
    }
    ink.cutAtEdge = darkIn(0, 0, inside.height - 1) || darkIn(inside.width - 1, 0, inside.height - 1);
    return ink;
}

// ---- The editor under test ----------------------------------------------------

[[nodiscard]] constexpr int Px(int twips) { return (twips + 7) / 15; }
constexpr std::array<int, 16> kRowTops{660,  930,  1200, 1455, 1725, 1980, 2235, 2505,
                                       2760, 3015, 3285, 3540, 3795, 4065, 4320, 4575};
constexpr int kClientHeight = 796;
constexpr int kTabLeft = 24, kTabTop = 16;           // the tab control in the client area
constexpr std::array<int, 2> kTabCaptionX{33, 122};  // a point on each page's tab

using ::testing::AssertionFailure;
using ::testing::AssertionResult;
using ::testing::AssertionSuccess;

class Editor : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::filesystem::create_directories(g_scratch);
        xvfb_ = std::make_unique<Xvfb>(g_scratch / "xvfb.log");
        x_ = std::make_unique<XSession>(xvfb_->display());
    }
    static void TearDownTestSuite() {
        x_.reset();
        xvfb_.reset();
    }

    void SetUp() override {
        ASSERT_NE(x_, nullptr) << "no X server of our own; see " << (g_scratch / "xvfb.log");
        dir_ = g_scratch / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        if (StartsAtOnce()) Start({});
    }

    // Whether the editor is started, without arguments, before the test.
    [[nodiscard]] virtual bool StartsAtOnce() const { return true; }

    void Start(const std::vector<std::string>& arguments) {
        std::vector<std::string> argv{g_program.string()};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        program_ = std::make_unique<Process>(
            argv,
            std::vector<std::string>{"DISPLAY=" + xvfb_->display(), "QT_QPA_PLATFORM=xcb", "WAYLAND_DISPLAY",
                                     "LIBGL_ALWAYS_SOFTWARE=1", "XDG_CONFIG_HOME=" + (dir_ / "config").string()},
            dir_ / "tarvik.log");
    }

    void TearDown() override {
        if (HasFailure()) x_->WritePpm(DefaultRootWindow(x_->display()), dir_ / "screen-at-failure.ppm");
        clipboard_.reset();
        program_.reset();
        // Gone before the next test looks for a main window of its own.
        if (main_ != None) (void)x_->WaitGone(main_, 5s);
    }

    void AdoptMain(Window w) {
        main_ = w;
        clientTop_ = x_->Geometry(w).value_or(Rect{0, 0, 0, kClientHeight}).height - kClientHeight;
    }

    [[nodiscard]] AssertionResult WaitMain(const std::string& title = kMainTitle) {
        const std::optional<Window> w = x_->WaitViewable(title, 30s);
        if (!w) return AssertionFailure() << "no main window within 30 s; see " << (dir_ / "tarvik.log");
        AdoptMain(*w);
        return AssertionSuccess();
    }

    [[nodiscard]] std::optional<Window> ShowDialog(const char* shortcut, const char* title) {
        x_->Focus(main_);
        x_->Keys(shortcut);
        return x_->WaitViewable(title, 10s);
    }

    // Presses `key` in a message or dialog and waits until it is gone.
    [[nodiscard]] bool Dismiss(Window w, const char* key = "\n") {
        x_->Focus(w);
        x_->Keys(key);
        return x_->WaitGone(w, 5s);
    }

    // Puts `text` into the dialog's file name and presses `key` (Return or
    // Escape) until `done`. The text is pasted in one piece: typed key by key,
    // every prefix of a path opens, moves or closes the completion list, each
    // time taking the keyboard grab. While the list stands, the key only
    // closes it and the next one reaches the dialog; the list also comes and
    // goes as the dialog reads folders in the background, so the key is
    // pressed again when nothing came of it.
    [[nodiscard]] AssertionResult Submit(Window dialog, const std::string& text, const std::function<bool()>& done,
                                         const char* key = "\n") {
        if (!text.empty()) {
            if (AssertionResult r = SetClipboard(text); !r) return r;
            x_->Focus(dialog);
            x_->Keys("{C-a}{C-v}");
        }
        for (int attempt = 0; attempt < 3; ++attempt) {
            x_->Focus(dialog);
            x_->Keys(key);
            if (WaitUntil(done, 4s)) return AssertionSuccess();
        }
        return AssertionFailure() << "nothing came of " << key << " in the dialog";
    }

    // Enters `path` into the file dialog that `shortcut` opens.
    [[nodiscard]] AssertionResult RunFileDialog(const char* shortcut, const char* title,
                                                const std::filesystem::path& path) {
        const std::optional<Window> dialog = ShowDialog(shortcut, title);
        if (!dialog) return AssertionFailure() << "no \"" << title << "\" dialog after " << shortcut;
        if (!Submit(*dialog, path.string(), [&] { return !x_->Viewable(*dialog); })) {
            return AssertionFailure() << "\"" << title << "\" stayed open for " << path;
        }
        // While a completion list stands it takes every click.
        if (!WaitUntil([&] { return !x_->PopupShown(); }, 5s)) return AssertionFailure() << "a popup stayed open";
        return AssertionSuccess();
    }

    [[nodiscard]] AssertionResult Open(const std::filesystem::path& file) {
        return RunFileDialog("{C-o}", "Open file", file);
    }

    [[nodiscard]] AssertionResult SaveAs(const std::filesystem::path& file) {
        if (AssertionResult r = RunFileDialog("{C-s}", "Save file", file); !r) return r;
        const bool written = WaitUntil(
            [&] {
                std::error_code e;
                return std::filesystem::file_size(file, e) == kImageSize;
            },
            10s);
        return written ? AssertionSuccess() : AssertionFailure() << "no 4096-byte file at " << file;
    }

    // Starts the editor's session on `image`, as in.bin of this test's folder.
    [[nodiscard]] AssertionResult OpenFresh(const Image& image) {
        if (AssertionResult r = WaitMain(); !r) return r;
        WriteImage(dir_ / "in.bin", image);
        return Open(dir_ / "in.bin");
    }

    // A field's rectangle in the main window, in pixels.
    [[nodiscard]] Rect FieldRect(Field f) const {
        const FamilyInfo& info = Info(f.family);
        int x = 0, y = 0, left = 0, top = 0;
        if (f.family == Family::Data) {
            left = 1200 + 435 * (15 - f.index % 16);
            top = kRowTops[static_cast<std::size_t>(f.index / 16)];
        } else {
            x = Px(info.frameLeft);
            y = Px(info.frameTop);
            left = info.fieldLeft;
            top = info.fieldTop + 300 * f.index;
        }
        return {kTabLeft + x + Px(left), clientTop_ + kTabTop + y + Px(top), Px(left + info.fieldWidth) - Px(left),
                Px(top + 285) - Px(top)};
    }

    // Brings a page to the front. The 3-D view on the first page is a window
    // of its own at the X server, which routes each click by the windows
    // mapped at that moment: until the editor has hidden the view, a click on
    // a second-page field in its place would reach the view.
    [[nodiscard]] AssertionResult ShowPage(int page) {
        x_->Click(main_, kTabLeft + kTabCaptionX[static_cast<std::size_t>(page)], clientTop_ + kTabTop + 11);
        const Rect graph{kTabLeft + Px(1320), clientTop_ + kTabTop + Px(5220), Px(1320 + 6195) - Px(1320),
                         Px(5220 + 5475) - Px(5220)};
        for (const Window child : x_->Children(main_)) {
            const std::optional<Rect> g = x_->Geometry(child);
            const std::optional<Rect> m = x_->Geometry(main_);
            if (!g || !m || g->x - m->x != graph.x || g->y - m->y != graph.y || g->width != graph.width) continue;
            if (!WaitUntil([&] { return x_->Viewable(child) == (page == 0); }, 5s)) {
                return AssertionFailure() << "page " << page << " did not come to the front";
            }
        }
        return AssertionSuccess();
    }

    // Clicks into the field, on its page, and waits until the field is drawn
    // focused (its frame in the focus colour): by then the editor has handled
    // every earlier key and click, and the next keys land in this field.
    [[nodiscard]] AssertionResult ClickInto(Field f) {
        x_->Focus(main_);
        if (AssertionResult shown = ShowPage(Info(f.family).page); !shown) return shown;
        const Rect r = FieldRect(f);
        x_->Click(main_, r.x + r.width / 2, r.y + r.height / 2);
        const auto focused = [&] {
            const std::vector<Rgb> top = x_->GrabColours(main_, {r.x + 3, r.y, r.width - 6, 1});
            return !top.empty() && std::all_of(top.begin(), top.end(), [](Rgb c) { return c.b > c.r + 50; });
        };
        if (WaitUntil(focused, 5s)) return AssertionSuccess();
        return AssertionFailure() << NameOf(f) << " was clicked but is not drawn focused";
    }

    [[nodiscard]] AssertionResult Edit(Field f, std::string_view keys) {
        if (AssertionResult r = ClickInto(f); !r) return r;
        x_->Keys(keys);
        return AssertionSuccess();
    }

    // Puts `text` on the X clipboard, owned by xclip until the test ends.
    [[nodiscard]] AssertionResult SetClipboard(const std::string& text) {
        const std::filesystem::path file = dir_ / "clipboard.txt";
        std::ofstream(file) << text;
        const Window before = x_->ClipboardOwner();
        auto owner = std::make_unique<Process>(
            std::vector<std::string>{"xclip", "-selection", "clipboard", "-quiet", file.string()},
            std::vector<std::string>{"DISPLAY=" + xvfb_->display()}, dir_ / "xclip.log");
        if (!WaitUntil([&] { return x_->ClipboardOwner() != before && x_->ClipboardOwner() != None; }, 5s)) {
            return AssertionFailure() << "xclip did not take the clipboard";
        }
        clipboard_ = std::move(owner);
        return AssertionSuccess();
    }

    // The inside of a field as drawn (its frame and the frame's inner light
    // line left out), awaited until it shows `text` whole or 2 s pass; the
    // pointer is moved off the window so that no hover frame is drawn.
    [[nodiscard]] AssertionResult ShowsWhole(Field f, std::string_view text) {
        x_->MovePointer(1270, 1010);
        const Rect r = FieldRect(f);
        Ink ink;
        const auto whole = [&] {
            ink = InkOf(x_->Grab(main_, {r.x + 1, r.y + 2, r.width - 2, r.height - 4}));
            return ink.Whole(text);
        };
        if (WaitUntil(whole, 2s)) return AssertionSuccess();
        return AssertionFailure() << NameOf(f) << " should show \"" << text << "\" whole; seen: " << ink.digits
                                  << " digits, " << (ink.cutAtEdge ? "cut at an edge" : "none cut") << ", columns "
                                  << ink.columns;
    }

    [[nodiscard]] bool NothingButInputIn(const std::filesystem::path& folder) const {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
            if (entry.path().filename().string().starts_with("out")) return false;
        }
        return true;
    }

    inline static std::unique_ptr<Xvfb> xvfb_;
    inline static std::unique_ptr<XSession> x_;
    std::filesystem::path dir_;
    std::unique_ptr<Process> program_;
    std::unique_ptr<Process> clipboard_;
    Window main_ = None;
    int clientTop_ = 0;
};

// One edit: the field's value in the opened image, the clipboard if the keys
// paste, the keys typed after clicking into the field (or into `from`, when
// the keys move on to `field`), the value saved.
struct EditCase {
    const char* what;
    Field field;
    int before;
    const char* clipboard;
    const char* keys;
    int after;
    std::optional<Field> from = std::nullopt;
};

// Opens an image holding each case's value, applies every case in turn,
// saves under a new name and checks all 4096 bytes: each case's field, every
// other field unchanged, every byte outside the tables unchanged.
class EditorCases : public Editor {
protected:
    void Run(std::span<const EditCase> cases) {
        Image image = RandomImage();
        for (const EditCase& c : cases) SetValue(image, c.field, c.before);
        ASSERT_TRUE(OpenFresh(image));
        for (const EditCase& c : cases) {
            // The clipboard changes only once the field has the focus, when
            // the editor has pasted any earlier case's text.
            ASSERT_TRUE(ClickInto(c.from.value_or(c.field))) << c.what;
            if (c.clipboard != nullptr) {
                ASSERT_TRUE(SetClipboard(c.clipboard));
            }
            x_->Keys(c.keys);
        }
        ASSERT_TRUE(SaveAs(dir_ / "out.bin"));
        const Image saved = ReadImage(dir_ / "out.bin");
        for (const EditCase& c : cases) {
            EXPECT_EQ(Value(saved, c.field), c.after) << c.what << ": " << NameOf(c.field) << ", keys " << c.keys;
        }
        for (std::size_t family = 0; family < kFamilies.size(); ++family) {
            for (int i = 0; i < kFamilies[family].count; ++i) {
                const Field f{static_cast<Family>(family), i};
                const bool edited = std::any_of(cases.begin(), cases.end(), [&](const EditCase& c) {
                    return c.field.family == f.family && c.field.index == i;
                });
                if (!edited) {
                    EXPECT_EQ(Value(saved, f), Value(image, f)) << NameOf(f) << " changed without an edit";
                }
            }
        }
        for (std::size_t offset = 0; offset < kImageSize; ++offset) {
            if (!IsTableByte(offset)) {
                EXPECT_EQ(saved[offset], image[offset]) << "byte " << offset << " outside the tables";
            }
        }
    }
};

TEST_F(Editor, ShowsTheMainWindowAfterTheSplashWithTheLaidOutFields) {
    const auto started = Clock::now();
    std::optional<Window> splash;
    Clock::time_point splashAt{}, mainAt{};
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (const Window w : x_->TopLevels()) {
                if (!x_->Viewable(w)) continue;
                if (x_->Name(w) == kMainTitle) {
                    mainAt = Clock::now();
                    AdoptMain(w);
                    return true;
                }
                if (!splash) {
                    splash = w;
                    splashAt = Clock::now();
                }
            }
            return false;
        },
        30s))
        << "no main window within 30 s";
    ASSERT_TRUE(splash.has_value()) << "the main window came without a splash before it";
    EXPECT_TRUE(x_->WaitGone(*splash, 5s)) << "the splash stayed after the main window appeared";
    EXPECT_GE(mainAt - splashAt, 2000ms) << "the splash stands about 2.5 s";
    std::cout << "[   info   ] splash after " << std::chrono::duration<double>(splashAt - started).count()
              << " s, main window after " << std::chrono::duration<double>(mainAt - started).count() << " s\n";

    // Every later check finds fields by this layout: each field's frame line
    // is where the layout says, with the blank inside next to it.
    for (const Field f : {Field{Family::Data, 15}, Field{Family::Data, 240}, Field{Family::Data, 100},
                          Field{Family::FLE, 0}, Field{Family::IS, 8}, Field{Family::RL}, Field{Family::CC}}) {
        ASSERT_TRUE(ShowPage(Info(f.family).page));
        x_->MovePointer(1270, 1010);
        const Rect r = FieldRect(f);
        const auto framed = [&] {
            const Gray g = x_->Grab(main_, {r.x, r.y, r.width, r.height});
            return g.width > 0 && g.at(0, r.height / 2) < 215 && g.at(2, r.height / 2) > 240 && g.at(4, 0) < 215 &&
                   g.at(4, 2) > 240 && g.at(4, r.height - 1) < 215 && g.at(4, r.height - 3) > 240;
        };
        EXPECT_TRUE(WaitUntil(framed, 2s)) << NameOf(f) << " is not framed at " << r.x << "," << r.y;
    }
}

TEST_F(Editor, WindowMayShrinkBelowItsFirstSize) {
    ASSERT_TRUE(WaitMain());
    const std::optional<Rect> g = x_->Geometry(main_);
    ASSERT_TRUE(g.has_value());
    EXPECT_EQ(g->width, 675);
    EXPECT_GT(clientTop_, 0) << "the menu bar stands above the 796-pixel client area";
    EXPECT_LT(clientTop_, 60) << "the window is 796 pixels plus the menu bar high";
    XSizeHints hints{};
    long supplied = 0;
    ASSERT_TRUE(XGetWMNormalHints(x_->display(), main_, &hints, &supplied));
    if (hints.flags & PMinSize) {
        EXPECT_LE(hints.min_width, 200) << "minimum width holds the window at " << hints.min_width;
        EXPECT_LE(hints.min_height, 200) << "minimum height holds the window at " << hints.min_height;
    }
}

// A screen whose free area, between a panel above and a task bar below, is
// lower than the window's layout.
class EditorOnALowScreen : public Editor {
protected:
    static constexpr Rect kArea{0, 40, 1280, 660};
    void SetUp() override {
        ASSERT_NE(x_, nullptr);
        x_->SetWorkArea(kArea);
        Editor::SetUp();
    }
    void TearDown() override {
        Editor::TearDown();
        x_->SetWorkArea(std::nullopt);
    }
};

TEST_F(EditorOnALowScreen, WindowOpensWithinTheFreeArea) {
    ASSERT_TRUE(WaitMain());
    Rect g{};
    const bool within = WaitUntil(
        [&] {
            g = x_->Geometry(main_).value_or(Rect{});
            return g.y >= kArea.y && g.y + g.height <= kArea.y + kArea.height;
        },
        5s);
    EXPECT_TRUE(within) << "the window stands from y " << g.y << " to " << g.y + g.height;
    EXPECT_EQ(g.height, kArea.height) << "a window clipped more than the free area needs";
    EXPECT_EQ(g.width, 675);
}

TEST_F(EditorCases, RealKeysEditEveryFamilyAndTheSaveHoldsExactlyTheEdits) {
    constexpr std::array<EditCase, 16> kCases{{
        {"typing over Ctrl+A", {Family::Data, 0}, 945, nullptr, "{C-a}517", 517},
        {"Backspace, then a digit", {Family::Data, 17}, 945, nullptr, "{End}{BackSpace}3", 943},
        {"Shift+Left selection typed over", {Family::Data, 34}, 945, nullptr, "{End}{S-Left}{S-Left}12", 912},
        {"Shift+Right selection typed over", {Family::Data, 51}, 945, nullptr, "{Home}{S-Right}8", 845},
        {"paste from the clipboard", {Family::Data, 68}, 945, "678", "{C-a}{C-v}", 678},
        {"letters, minus and comma refused", {Family::Data, 85}, 945, nullptr, "{C-a}a-,7", 7},
        {"three typed characters at most", {Family::Data, 102}, 945, nullptr, "{C-a}1023", 102},
        {"a space is taken and read past", {Family::Data, 119}, 945, nullptr, "{C-a}1 2", 12},
        {"a cell of 1023 kept", {Family::Data, 255}, 1023, nullptr, "{End}", 1023},
        {"digits over a selection", {Family::WE, 3}, 157, nullptr, "{C-a}200", 200},
        {"Backspace", {Family::FLE, 16}, 99, nullptr, "{End}{BackSpace}", 9},
        {"paste into a byte field", {Family::AE, 8}, 50, "17", "{C-a}{C-v}", 17},
        {"point, letter and plus refused outside the constant", {Family::IS, 0}, 80, nullptr, "{Home}x+.1", 180},
        {"a new rev limit", {Family::RL}, 100, nullptr, "{C-a}9", 9},
        {"half a step rounds to even", {Family::CC}, 255, "1.00390625", "{C-a}{C-v}", 128},
        {"typing over a selection, Shift+Home", {Family::IS, 8}, 13, nullptr, "{End}{S-Home}255", 255},
    }};
    Run(kCases);
}

TEST_F(EditorCases, DeleteKeyDeletesInEveryKindOfField) {
    constexpr std::array<EditCase, 9> kCases{{
        {"Ctrl+A, Delete empties the cell", {Family::Data, 0}, 945, nullptr, "{C-a}{Delete}", 0},
        {"Home, Delete takes the first digit", {Family::Data, 17}, 945, nullptr, "{Home}{Delete}", 45},
        {"a Shift+Left selection deleted", {Family::Data, 34}, 945, nullptr, "{End}{S-Left}{S-Left}{Delete}", 9},
        {"Delete twice in the middle", {Family::Data, 51}, 945, nullptr, "{Home}{Right}{Delete}{Delete}", 9},
        {"Delete frees room under the typing limit", {Family::Data, 68}, 945, nullptr, "{Home}{Delete}7", 745},
        {"the constant's first digit deleted", {Family::CC}, 255, nullptr, "{Home}{Delete}", 127},
        {"the rev limit's first digit deleted", {Family::RL}, 123, nullptr, "{Home}{Delete}", 23},
        {"a selected last digit deleted", {Family::WE, 3}, 157, nullptr, "{End}{S-Left}{Delete}", 15},
        {"Ctrl+A, Delete empties a byte field", {Family::IS, 8}, 200, nullptr, "{C-a}{Delete}", 0},
    }};
    Run(kCases);
}

TEST_F(EditorCases, TabFollowsTheFixedOrderAndBringsThePageToTheFront) {
    // Each case clicks into `from` and tabs on: what it types lands in the
    // next field of the order, with that field's page in front; `from`, only
    // tabbed out of, keeps its value.
    struct TabCase {
        const char* what;
        Field from, to;
        const char* keys;
        int after;
    };
    constexpr std::array<TabCase, 6> kTabs{{
        {"the last cell tabs to the first full load field", {Family::Data, 240}, {Family::FLE, 0}, "{Tab}5", 5},
        {"a row's right end tabs to the next row's left", {Family::Data, 0}, {Family::Data, 31}, "{Tab}321", 321},
        {"full load ends, warm-up begins", {Family::FLE, 16}, {Family::WE, 0}, "{Tab}77", 77},
        {"warm-up ends, acceleration begins", {Family::WE, 16}, {Family::AE, 0}, "{Tab}60", 60},
        {"idle speed ends, the rev limit follows", {Family::IS, 8}, {Family::RL}, "{Tab}250", 250},
        {"Shift+Tab twice wraps over the tab bar to the constant; ',' and 'x' refused",
         {Family::Data, 15},
         {Family::CC},
         "{S-Tab}{S-Tab}0,.5x",
         64},
    }};
    std::vector<EditCase> cases;
    for (const TabCase& t : kTabs) cases.push_back({t.what, t.to, 11, nullptr, t.keys, t.after, t.from});
    Run(cases);
}

TEST_F(Editor, IllegalValueIsRefusedWithAMessageAndNothingSaved) {
    struct IllegalCase {
        Field field;
        const char* illegal;
    };
    constexpr std::array<IllegalCase, 4> kCases{{
        {{Family::RL}, "{C-a}256"},
        {{Family::FLE, 5}, "{C-a}999"},
        {{Family::AE, 2}, "{C-a}300"},
        {{Family::CC}, "{C-a}2"},  // 256 to the unit
    }};
    Image image = RandomImage();
    SetValue(image, {Family::CC}, 128);
    ASSERT_TRUE(OpenFresh(image));
    for (const IllegalCase& c : kCases) {
        SCOPED_TRACE(NameOf(c.field));
        ASSERT_TRUE(Edit(c.field, c.illegal));
        x_->Keys("{C-s}");
        const std::optional<Window> box = x_->WaitViewable("Input Error", 5s);
        ASSERT_TRUE(box.has_value()) << "no \"Input Error\" message";
        EXPECT_EQ(x_->TransientFor(*box), main_) << "the message belongs over the main window";
        EXPECT_FALSE(x_->FindViewable("Save file")) << "a Save dialog came with an illegal value";
        ASSERT_TRUE(Dismiss(*box));
        ASSERT_TRUE(Edit(c.field, "{C-a}1"));  // legal again, so that the next case's family is the one refused
    }
    // The editor handles keys in order: once Ctrl+O has opened its dialog,
    // any Save dialog of the refused saves would be open too.
    const std::optional<Window> open = ShowDialog("{C-o}", "Open file");
    ASSERT_TRUE(open.has_value());
    EXPECT_FALSE(x_->FindViewable("Save file"));
    ASSERT_TRUE(Dismiss(*open, "{Escape}"));
    EXPECT_TRUE(NothingButInputIn(dir_)) << "a refused save wrote a file";
}

TEST_F(Editor, WrongSizeMessageStandsOverTheMainWindow) {
    ASSERT_TRUE(WaitMain());
    const std::filesystem::path file = dir_ / "short.bin";
    std::ofstream(file, std::ios::binary) << std::string(kImageSize - 1, 'x');
    ASSERT_TRUE(Open(file));
    const std::optional<Window> box = x_->WaitViewable("Error", 5s);
    ASSERT_TRUE(box.has_value()) << "no \"Error\" message for a file of 4095 bytes";
    EXPECT_EQ(x_->TransientFor(*box), main_) << "the message belongs over the main window";
    ASSERT_TRUE(Dismiss(*box));
}

TEST_F(Editor, WholeTextOfAFieldIsVisibleWhenNotFocused) {
    struct ShownCase {
        int byte;
        const char* text;
    };
    constexpr std::array<ShownCase, 5> kConstants{{
        {255, "1.9921875"},
        {1, "0.0078125"},
        {70, "0.546875"},
        {128, "1.00"},
        {64, "0.5"},
    }};
    ASSERT_TRUE(WaitMain());
    for (const ShownCase& c : kConstants) {
        Image image = RandomImage();
        SetValue(image, {Family::CC}, c.byte);
        SetValue(image, {Family::Data, 100}, 1023);
        const std::filesystem::path file = dir_ / ("cc" + std::to_string(c.byte) + ".bin");
        WriteImage(file, image);
        ASSERT_TRUE(Open(file));
        ASSERT_TRUE(ClickInto({Family::RL}));  // the focus elsewhere: the constant shows as it rests
        EXPECT_TRUE(ShowsWhole({Family::CC}, c.text));
    }
    ASSERT_TRUE(ClickInto({Family::Data, 15}));
    EXPECT_TRUE(ShowsWhole({Family::Data, 100}, "1023"));
}

TEST_F(Editor, SaveIntoAMissingFolderSaysSoAndKeepsTheDialogOpen) {
    const Image image = RandomImage();
    ASSERT_TRUE(OpenFresh(image));
    const std::optional<Window> dialog = ShowDialog("{C-s}", "Save file");
    ASSERT_TRUE(dialog.has_value());

    // Two missing folders, the second's name 200 characters longer: the
    // message names the folder, so its box grows with the name (a line's
    // worth at least, however the box wraps).
    const std::array<std::filesystem::path, 2> missing{dir_ / "missing" / "abc",
                                                       dir_ / ("missing-" + std::string(200, 'x')) / "abc"};
    std::array<Rect, 2> boxSize{};
    for (std::size_t i = 0; i < missing.size(); ++i) {
        SCOPED_TRACE(missing[i].string());
        std::optional<Window> box;
        const auto message = [&] {
            for (const Window w : x_->TopLevels()) {
                if (w != *dialog && w != main_ && x_->Viewable(w) &&
                    (x_->TransientFor(w) == *dialog || x_->Name(w) == "Save file")) {
                    box = w;
                }
            }
            return box.has_value() || !x_->Viewable(*dialog);
        };
        const bool shown = Submit(*dialog, (missing[i] / "out.bin").string(), message) && box.has_value();
        ASSERT_TRUE(shown) << "no message over the Save dialog; the dialog is "
                           << (x_->Viewable(*dialog) ? "still open" : "gone");
        EXPECT_EQ(x_->Name(*box), "Save file");
        EXPECT_EQ(x_->TransientFor(*box), *dialog) << "the message belongs over the Save dialog";
        EXPECT_TRUE(x_->Viewable(*dialog));
        boxSize[i] = x_->Geometry(*box).value_or(Rect{});
        ASSERT_TRUE(Dismiss(*box)) << "Return did not close the message";
        ASSERT_TRUE(x_->Viewable(*dialog)) << "the Save dialog closed with the message";
    }
    EXPECT_GT(boxSize[1].width * boxSize[1].height, boxSize[0].width * boxSize[0].height)
        << "the message does not grow with the missing folder's name";

    EXPECT_TRUE(Submit(
        *dialog, "", [&] { return !x_->Viewable(*dialog); }, "{Escape}"))
        << "Escape did not close the Save dialog";
    EXPECT_TRUE(x_->Viewable(main_));
    for (const auto& folder : missing) EXPECT_FALSE(std::filesystem::exists(folder.parent_path())) << folder;
    EXPECT_TRUE(NothingButInputIn(dir_));

    // And the editor goes on: a save to a real folder writes the image.
    ASSERT_TRUE(SaveAs(dir_ / "out.bin"));
    EXPECT_EQ(ReadImage(dir_ / "out.bin"), image);
}

// The editor started with arguments, beside a simulated emulator whose RAM,
// writes and port openings the test reads from the files it keeps.
class EditorWithArguments : public Editor {
protected:
    [[nodiscard]] bool StartsAtOnce() const override { return false; }

    void SetUp() override {
        Editor::SetUp();
        state_ = dir_ / "emulator";
        std::filesystem::create_directories(state_);
        emulator_ = std::make_unique<Process>(std::vector<std::string>{g_emulator.string(), "--state", state_.string()},
                                              std::vector<std::string>{}, dir_ / "emulator.log");
        ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(state_ / "port"); }, 10s));
        std::ifstream(state_ / "port") >> port_;
    }
    void TearDown() override {
        Editor::TearDown();
        emulator_.reset();
    }

    // The emulator's RAM as it is now: the bank the engine runs, and how
    // often the port was opened.
    struct Emulator {
        Image running{};
        bool sameInEverySlot = false;
        int opens = 0;
    };
    [[nodiscard]] Emulator Look() {
        const auto count = [&] {
            int n = 0;
            std::ifstream(state_ / "dumps") >> n;
            return n;
        };
        const int before = count();
        emulator_->Signal(SIGUSR1);
        EXPECT_TRUE(WaitUntil([&] { return count() > before; }, 5s)) << "the emulator did not say what it holds";
        int bank = 0;
        Emulator now;
        std::ifstream(state_ / "emulated") >> bank;
        std::ifstream(state_ / "opens") >> now.opens;
        std::ifstream file(state_ / ("bank-" + std::to_string(bank) + ".bin"), std::ios::binary);
        std::vector<std::uint8_t> bytes(65536);
        file.read(reinterpret_cast<char*>(bytes.data()), 65536);
        std::copy_n(bytes.begin(), kImageSize, now.running.begin());
        now.sameInEverySlot = true;
        for (std::size_t slot = 1; slot < 16; ++slot)
            now.sameInEverySlot =
                now.sameInEverySlot && std::equal(now.running.begin(), now.running.end(),
                                                  bytes.begin() + static_cast<long>(slot * kImageSize));
        return now;
    }
    [[nodiscard]] AssertionResult EngineRuns(const Image& image) {
        Emulator now;
        if (WaitUntil(
                [&] {
                    now = Look();
                    return now.sameInEverySlot && now.running == image;
                },
                10s))
            return AssertionSuccess();
        std::size_t differ = 0;
        for (std::size_t i = 0; i < kImageSize; ++i) differ += now.running[i] != image[i] ? 1 : 0;
        return AssertionFailure() << "the engine's bank differs from the image in " << differ << " bytes"
                                  << (now.sameInEverySlot ? "" : ", and its slots differ");
    }
    // Every byte value written at an offset of the image, in any slot and bank.
    [[nodiscard]] std::vector<int> WrittenAt(std::size_t offset) const {
        std::vector<int> values;
        std::ifstream log(state_ / "writes.log");
        int bank = 0;
        std::size_t address = 0;
        std::string hex;
        while (log >> bank >> address >> hex) {
            for (std::size_t i = 0; i < hex.size() / 2; ++i) {
                if ((address + i) % kImageSize == offset)
                    values.push_back(std::stoi(hex.substr(2 * i, 2), nullptr, 16));
            }
        }
        return values;
    }

    std::filesystem::path state_;
    std::unique_ptr<Process> emulator_;
    std::string port_;
};

// With --emulator, the image on the command line is in the bank the engine
// runs; a field left with a legal value is written there, in every slot, as
// Save As would store it and never a keystroke before; an illegal value is
// not; a pulled cable is said once, and every change made meanwhile goes
// with the whole image when the emulator answers again.
TEST_F(EditorWithArguments, LiveLinkWritesEveryLeftFieldIntoTheRunningEngine) {
    Image image = RandomImage();
    const Field cell{Family::Data, 37};
    SetValue(image, cell, 150);
    WriteImage(dir_ / "in.bin", image);
    Start({"--emulator", port_, (dir_ / "in.bin").string()});
    ASSERT_TRUE(WaitMain(std::string(kMainTitle) + " \u2014 Ostrich 2.0 on " + port_));
    ASSERT_TRUE(EngineRuns(image));

    ASSERT_TRUE(Edit(cell, "{C-a}300{Tab}"));
    SetValue(image, cell, 300);
    ASSERT_TRUE(EngineRuns(image));
    std::vector<int> lowBytes(16, 150);  // the upload, slot by slot
    lowBytes.resize(32, 300 & 255);      // the cell left, in every slot
    EXPECT_EQ(WrittenAt(768 + 37), lowBytes) << "the cell's low byte went to the emulator other than as 150, then 300";

    // 999 is no rev limit: only the warm-up cell left after it arrives.
    ASSERT_TRUE(Edit({Family::RL}, "{C-a}999{Tab}"));
    ASSERT_TRUE(Edit({Family::WE, 3}, "{C-a}77{Return}"));
    SetValue(image, {Family::WE, 3}, 77);
    ASSERT_TRUE(EngineRuns(image));
    EXPECT_EQ(WrittenAt(1438).size(), 16u) << "the illegal rev limit was written";

    emulator_->Signal(SIGUSR2);  // the cable pulled, with nothing to write
    const std::optional<Window> box = x_->WaitViewable("Emulator", 10s);
    ASSERT_TRUE(box.has_value()) << "no message that the emulator does not answer";
    EXPECT_EQ(x_->TransientFor(*box), main_);
    ASSERT_TRUE(Dismiss(*box));
    ASSERT_TRUE(Edit({Family::WE, 4}, "{C-a}55{Return}"));
    SetValue(image, {Family::WE, 4}, 55);
    ASSERT_TRUE(Edit({Family::WE, 5}, "{C-a}66{Return}"));
    SetValue(image, {Family::WE, 5}, 66);
    emulator_->Signal(SIGUSR2);  // and back
    EXPECT_TRUE(EngineRuns(image));
    EXPECT_FALSE(x_->FindViewable("Emulator").has_value()) << "a second message";
}

// An image on the command line opens as Open opens it, a wrong-sized one
// with Open's message; without --emulator no port is ever opened.
TEST_F(EditorWithArguments, ImageOnTheCommandLine) {
    const Image image = RandomImage();
    WriteImage(dir_ / "in.bin", image);
    Start({(dir_ / "in.bin").string()});
    ASSERT_TRUE(WaitMain());
    ASSERT_TRUE(SaveAs(dir_ / "out.bin"));
    EXPECT_EQ(ReadImage(dir_ / "out.bin"), image);
    program_.reset();
    ASSERT_TRUE(x_->WaitGone(main_, 5s));

    std::ofstream(dir_ / "short.bin") << std::string(100, 'x');
    Start({(dir_ / "short.bin").string()});
    ASSERT_TRUE(WaitMain());
    const std::optional<Window> box = x_->WaitViewable("Error", 10s);
    ASSERT_TRUE(box.has_value()) << "no size message for a short image";
    EXPECT_EQ(x_->TransientFor(*box), main_);
    ASSERT_TRUE(Dismiss(*box));
    EXPECT_EQ(Look().opens, 0) << "a port was opened without --emulator";
}

}  // namespace
}  // namespace tarvik::e2e

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != 4) {
        std::cerr << "usage: tarvik_e2e_test <tarvik program> <scratch folder> <simulated emulator>\n";
        return 2;
    }
    tarvik::e2e::g_program = argv[1];
    tarvik::e2e::g_scratch = argv[2];
    tarvik::e2e::g_emulator = argv[3];
    return RUN_ALL_TESTS();
}
