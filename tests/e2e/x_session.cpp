// SPDX-License-Identifier: GPL-3.0-or-later
#include "x_session.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace tarvik::e2e {

bool WaitUntil(const std::function<bool()>& done, Clock::duration timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (done()) return true;
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(20ms);
    }
}

Process::Process(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                 const std::filesystem::path& log, int keepFd) {
    // Everything the child needs is built before fork: only async-signal-safe
    // calls may follow it.
    std::map<std::string, std::string> vars;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry(*e);
        vars[entry.substr(0, entry.find('='))] = entry;
    }
    for (const std::string& entry : env) {
        const auto eq = entry.find('=');
        if (eq == std::string::npos) {
            vars.erase(entry);
        } else {
            vars[entry.substr(0, eq)] = entry;
        }
    }
    std::vector<char*> envp, args;
    for (auto& [name, entry] : vars) envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::vector<std::string> argStrings = argv;
    for (std::string& s : argStrings) args.push_back(s.data());
    args.push_back(nullptr);
    const std::string logName = log.string();

    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(logName.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (in < 0 || out < 0) _exit(126);
        dup2(in, 0);
        dup2(out, 1);
        dup2(out, 2);
        if (keepFd >= 0) fcntl(keepFd, F_SETFD, 0);
        execvpe(args[0], args.data(), envp.data());
        _exit(127);
    }
}

bool Process::Running() {
    if (pid_ <= 0) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == 0) return true;
    pid_ = -1;
    return false;
}

void Process::Signal(int signal) const {
    if (pid_ > 0) kill(pid_, signal);
}

Process::~Process() {
    if (!Running()) return;
    kill(pid_, SIGTERM);
    if (!WaitUntil([this] { return !Running(); }, 5s)) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

Xvfb::Xvfb(const std::filesystem::path& log) {
    // The server picks a free display number itself and writes it to the
    // pipe once it accepts connections: no guessing, no race with others.
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    server_ = std::make_unique<Process>(
        std::vector<std::string>{"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1280x1024x24", "-dpi",
                                 "96", "-nolisten", "tcp", "-noreset"},
        std::vector<std::string>{}, log, fds[1]);
    close(fds[1]);
    std::string number;
    const auto deadline = Clock::now() + 20s;
    while (number.empty() || number.back() != '\n') {
        pollfd p{fds[0], POLLIN, 0};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        char c = 0;
        if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0 || read(fds[0], &c, 1) != 1) {
            close(fds[0]);
            throw std::runtime_error("Xvfb did not report a display; see " + log.string());
        }
        number += c;
    }
    close(fds[0]);
    number.pop_back();
    display_ = ":" + number;
}

namespace {
// Windows come and go while they are looked at; a request about one that
// has just gone is not an error of the test.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }
}  // namespace

XSession::XSession(const std::string& display) : display_(XOpenDisplay(display.c_str())) {
    if (!display_) throw std::runtime_error("cannot open display " + display);
    XSetErrorHandler(IgnoreXError);
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display_.get(), &event, &error, &major, &minor)) {
        throw std::runtime_error("the X server lacks XTest");
    }
    root_ = DefaultRootWindow(display_.get());
}

std::vector<Window> XSession::TopLevels() const { return Children(root_); }

std::vector<Window> XSession::Children(Window w) const {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    std::vector<Window> result;
    if (XQueryTree(display_.get(), w, &root, &parent, &children, &count) && children != nullptr) {
        result.assign(children, children + count);  // bottom to top
        XFree(children);
    }
    return result;
}

std::string XSession::Name(Window w) const {
    // The UTF-8 title where the window has one: WM_NAME holds a title
    // beyond Latin-1 as compound text.
    for (const Atom property : {XInternAtom(display_.get(), "_NET_WM_NAME", False), XA_WM_NAME}) {
        Atom type = None;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        std::string name;
        if (XGetWindowProperty(display_.get(), w, property, 0, 1024, False, AnyPropertyType, &type, &format, &items,
                               &after, &data) == Success &&
            data != nullptr) {
            if (format == 8) name.assign(reinterpret_cast<const char*>(data), items);
            XFree(data);
            return name;
        }
    }
    return {};
}

std::optional<XWindowAttributes> XSession::Attributes(Window w) const {
    XWindowAttributes a{};
    if (XGetWindowAttributes(display_.get(), w, &a) == 0) return std::nullopt;
    return a;
}

bool XSession::Viewable(Window w) const {
    const auto a = Attributes(w);
    return a && a->map_state == IsViewable;
}

Window XSession::TransientFor(Window w) const {
    Window owner = None;
    return XGetTransientForHint(display_.get(), w, &owner) ? owner : None;
}

void XSession::SetWorkArea(std::optional<Rect> area) {
    const Atom workArea = XInternAtom(display_.get(), "_NET_WORKAREA", False);
    if (area) {
        const long value[4] = {area->x, area->y, area->width, area->height};
        XChangeProperty(display_.get(), root_, workArea, XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(value), 4);
    } else {
        XDeleteProperty(display_.get(), root_, workArea);
    }
    XSync(display_.get(), False);
}

std::optional<Rect> XSession::Geometry(Window w) const {
    const auto a = Attributes(w);
    int x = 0, y = 0;
    Window child = None;
    if (!a || !XTranslateCoordinates(display_.get(), w, root_, 0, 0, &x, &y, &child)) return std::nullopt;
    return Rect{x, y, a->width, a->height};
}

std::optional<Window> XSession::FindViewable(std::string_view name) const {
    const std::vector<Window> windows = TopLevels();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        if (Viewable(*it) && Name(*it) == name) return *it;
    }
    return std::nullopt;
}

std::optional<Window> XSession::WaitViewable(std::string_view name, Clock::duration timeout) const {
    std::optional<Window> found;
    (void)WaitUntil([&] { return (found = FindViewable(name)).has_value(); }, timeout);
    return found;
}

bool XSession::WaitGone(Window w, Clock::duration timeout) const {
    return WaitUntil([&] { return !Viewable(w); }, timeout);
}

Window XSession::ClipboardOwner() const {
    return XGetSelectionOwner(display_.get(), XInternAtom(display_.get(), "CLIPBOARD", False));
}

bool XSession::PopupShown() const {
    const std::vector<Window> windows = TopLevels();
    return std::any_of(windows.begin(), windows.end(), [&](Window w) {
        const auto a = Attributes(w);
        return a && a->map_state == IsViewable && a->override_redirect;
    });
}

void XSession::Focus(Window w) {
    XRaiseWindow(display_.get(), w);
    XSetInputFocus(display_.get(), w, RevertToParent, CurrentTime);
    XSync(display_.get(), False);
}

void XSession::Stroke(KeySym sym, bool shift, bool control) {
    Display* d = display_.get();
    const KeyCode code = XKeysymToKeycode(d, sym);
    if (code == 0) throw std::runtime_error("no key for keysym " + std::to_string(sym));
    // A character on the key's second level (shifted) needs Shift held.
    shift = shift || (XkbKeycodeToKeysym(d, code, 0, 0) != sym && XkbKeycodeToKeysym(d, code, 0, 1) == sym);
    const KeyCode shiftCode = XKeysymToKeycode(d, XK_Shift_L);
    const KeyCode controlCode = XKeysymToKeycode(d, XK_Control_L);
    if (control) XTestFakeKeyEvent(d, controlCode, True, CurrentTime);
    if (shift) XTestFakeKeyEvent(d, shiftCode, True, CurrentTime);
    XTestFakeKeyEvent(d, code, True, CurrentTime);
    XTestFakeKeyEvent(d, code, False, CurrentTime);
    if (shift) XTestFakeKeyEvent(d, shiftCode, False, CurrentTime);
    if (control) XTestFakeKeyEvent(d, controlCode, False, CurrentTime);
    XSync(d, False);
}

void XSession::Keys(std::string_view script) {
    for (std::size_t i = 0; i < script.size(); ++i) {
        if (script[i] == '\n') {
            Stroke(XK_Return, false, false);
        } else if (script[i] != '{') {
            Stroke(static_cast<unsigned char>(script[i]), false, false);  // Latin-1 keysyms are the codes
        } else {
            const std::size_t close = script.find('}', i);
            std::string_view name = script.substr(i + 1, close - i - 1);
            i = close;
            bool shift = false, control = false;
            for (; name.starts_with("S-") || name.starts_with("C-"); name.remove_prefix(2)) {
                (name[0] == 'S' ? shift : control) = true;
            }
            const KeySym sym =
                name.size() == 1 ? static_cast<unsigned char>(name[0]) : XStringToKeysym(std::string(name).c_str());
            Stroke(sym, shift, control);
        }
    }
}

void XSession::MovePointer(int rootX, int rootY) {
    XTestFakeMotionEvent(display_.get(), -1, rootX, rootY, CurrentTime);
    XSync(display_.get(), False);
}

void XSession::Click(Window w, int x, int y) {
    const std::optional<Rect> g = Geometry(w);
    if (!g) throw std::runtime_error("click on a window that is gone");
    MovePointer(g->x + x, g->y + y);
    XTestFakeButtonEvent(display_.get(), 1, True, CurrentTime);
    XTestFakeButtonEvent(display_.get(), 1, False, CurrentTime);
    XSync(display_.get(), False);
}

namespace {
struct ImageDeleter {
    void operator()(XImage* image) const { XDestroyImage(image); }
};
using ImagePtr = std::unique_ptr<XImage, ImageDeleter>;

// What is on screen there, read from the root window: the pixels the user sees.
ImagePtr GrabRoot(Display* d, Window root, Rect r) {
    return ImagePtr(XGetImage(d, root, r.x, r.y, static_cast<unsigned>(r.width), static_cast<unsigned>(r.height),
                              AllPlanes, ZPixmap));
}

Rgb PixelAt(const XImage& image, int x, int y) {
    const unsigned long p = XGetPixel(const_cast<XImage*>(&image), x, y);
    return {static_cast<unsigned char>((p & image.red_mask) >> 16),
            static_cast<unsigned char>((p & image.green_mask) >> 8), static_cast<unsigned char>(p & image.blue_mask)};
}
}  // namespace

std::vector<Rgb> XSession::GrabColours(Window w, Rect area) const {
    const std::optional<Rect> g = Geometry(w);
    if (!g) return {};
    const ImagePtr image = GrabRoot(display_.get(), root_, {g->x + area.x, g->y + area.y, area.width, area.height});
    if (!image) return {};
    std::vector<Rgb> colours;
    for (int y = 0; y < area.height; ++y) {
        for (int x = 0; x < area.width; ++x) colours.push_back(PixelAt(*image, x, y));
    }
    return colours;
}

Gray XSession::Grab(Window w, Rect area) const {
    Gray gray{area.width, area.height, {}};
    for (const Rgb& c : GrabColours(w, area)) {
        gray.pixels.push_back(static_cast<unsigned char>((299 * c.r + 587 * c.g + 114 * c.b) / 1000));
    }
    if (gray.pixels.size() != static_cast<std::size_t>(area.width * area.height)) return {};
    return gray;
}

void XSession::WritePpm(Window w, const std::filesystem::path& file) const {
    const std::optional<Rect> g = Geometry(w);
    if (!g) return;
    std::ofstream out(file, std::ios::binary);
    out << "P6\n" << g->width << ' ' << g->height << "\n255\n";
    for (const Rgb& c : GrabColours(w, {0, 0, g->width, g->height})) {
        out.put(static_cast<char>(c.r)).put(static_cast<char>(c.g)).put(static_cast<char>(c.b));
    }
}

}  // namespace tarvik::e2e
