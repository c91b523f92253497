// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Drives a program from outside, as a user would: its own virtual X server,
// real windows found by title, real key and mouse events through XTest and
// real pixels read back from the server.
#include <X11/Xlib.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvik::e2e {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Polls `done` every 20 ms until it holds or `timeout` has passed.
[[nodiscard]] bool WaitUntil(const std::function<bool()>& done, Clock::duration timeout);

// A child process, stopped (TERM, then KILL) when this object goes.
class Process {
public:
    // `env` entries "NAME=value" replace or extend the inherited ones; an
    // entry "NAME" alone removes it. `keepFd` stays open in the child.
    Process(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::filesystem::path& log,
            int keepFd = -1);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    [[nodiscard]] bool Running();
    void Signal(int signal) const;

private:
    int pid_ = -1;
};

// A virtual screen of its own, so that results depend neither on the
// display the tests were started under nor on its resolution.
class Xvfb {
public:
    explicit Xvfb(const std::filesystem::path& log);
    [[nodiscard]] const std::string& display() const { return display_; }

private:
    std::string display_;
    std::unique_ptr<Process> server_;
};

struct Rect {
    int x, y, width, height;
};

// Grey levels (0 black .. 255 white) of a screen area, row by row.
struct Gray {
    int width = 0, height = 0;
    std::vector<unsigned char> pixels;
    [[nodiscard]] int at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

struct Rgb {
    unsigned char r, g, b;
};

struct DisplayCloser {
    void operator()(Display* d) const { XCloseDisplay(d); }
};

class XSession {
public:
    explicit XSession(const std::string& display);

    [[nodiscard]] std::vector<Window> TopLevels() const;
    [[nodiscard]] std::vector<Window> Children(Window w) const;
    [[nodiscard]] std::string Name(Window w) const;
    [[nodiscard]] bool Viewable(Window w) const;
    [[nodiscard]] Window TransientFor(Window w) const;
    [[nodiscard]] std::optional<Rect> Geometry(Window w) const;  // in root coordinates
    // The topmost mapped top-level titled `name`.
    [[nodiscard]] std::optional<Window> FindViewable(std::string_view name) const;
    [[nodiscard]] std::optional<Window> WaitViewable(std::string_view name, Clock::duration timeout) const;
    [[nodiscard]] bool WaitGone(Window w, Clock::duration timeout) const;
    [[nodiscard]] Window ClipboardOwner() const;
    // A mapped override-redirect window: a menu or completion list, which
    // holds the pointer and keyboard grabbed while it stands.
    [[nodiscard]] bool PopupShown() const;
    [[nodiscard]] Display* display() const { return display_.get(); }
    // The screen's free area, as a window manager announces it once it has
    // set its task bars and panels aside; none: the whole screen.
    void SetWorkArea(std::optional<Rect> area);

    void Focus(Window w);
    // Plain characters are typed; "{Name}" presses the key of that keysym,
    // with "C-" and "S-" prefixes for Control and Shift: "{C-a}{Delete}7".
    void Keys(std::string_view script);
    void Click(Window w, int x, int y);
    void MovePointer(int rootX, int rootY);
    // What is on screen in `area` of the window, row by row.
    [[nodiscard]] std::vector<Rgb> GrabColours(Window w, Rect area) const;
    [[nodiscard]] Gray Grab(Window w, Rect area) const;
    void WritePpm(Window w, const std::filesystem::path& file) const;

private:
    [[nodiscard]] std::optional<XWindowAttributes> Attributes(Window w) const;
    void Stroke(KeySym sym, bool shift, bool control);

    std::unique_ptr<Display, DisplayCloser> display_;
    Window root_;
};

}  // namespace tarvik::e2e
