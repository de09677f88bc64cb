// The game in a real X window, on a virtual X server (Xvfb), with and
// without a window manager (openbox): resized from outside, maximised and
// restored, switched to and from full screen, and given a new size on the
// options screen. After every change the display shows the whole picture,
// pixel for pixel the game's back buffer, in the letterbox of the picture's
// shape, with black bars around it and nothing else: a picture drawn at a
// stale size, shifted, cut or scaled would differ. Closing the window from
// outside ends the game with status 0. Where Xvfb (or openbox) cannot be
// started the tests skip and say why.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stb_image.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ScriptRunner.h"
#include "SharedXDisplays.h"
#include "platform/Letterbox.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;

// The virtual screen: large enough that every window of the tests fits on it
// where it stands (X reads no pixels of a window partly off the screen).
constexpr int ScreenWidth = 1280;
constexpr int ScreenHeight = 1024;

// A program started by the test, stopped (and waited for) when it goes.
class CChildProcess {
public:
    CChildProcess() = default;
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;
    ~CChildProcess() { stop(); }

    // argv[0] is looked up on PATH; `environment` sets NAME=value pairs over
    // this process's own; output goes to the file (or nowhere). Descriptors
    // made without close-on-exec are inherited (Xvfb's -displayfd).
    bool start(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
               const std::string& output = "/dev/null")
    {
        auto nameOf = [](const std::string& entry) { return entry.substr(0, entry.find('=') + 1); };
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e;
            const bool overridden = std::any_of(environment.begin(), environment.end(),
                                                [&](const std::string& set) { return nameOf(set) == nameOf(entry); });
            if (!overridden)
                env.push_back(entry);
        }
        env.insert(env.end(), environment.begin(), environment.end());
        std::vector<char*> args, envp;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        for (const std::string& e : env)
            envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        const int failed = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (failed != 0)
            pid = -1;
        return pid > 0;
    }

    // The exit status once the program ended within the time, or none.
    std::optional<int> waitFor(std::chrono::milliseconds limit)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (pid > 0) {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            if (std::chrono::steady_clock::now() > end)
                return std::nullopt;
            std::this_thread::sleep_for(20ms);
        }
        return std::nullopt;
    }

    void stop()
    {
        if (pid <= 0)
            return;
        kill(pid, SIGTERM);
        if (!waitFor(3s)) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        pid = -1;
    }

private:
    pid_t pid = -1;
};

// Windows come and go while the game starts (and the test looks at them):
// an error about one that went is no reason to end the test program, as
// Xlib's own handler would.
int ignoreXError(Display*, XErrorEvent*) { return 0; }

// A top-level window whose name is "Vesbrik", searched below the root (a
// window manager puts its frame between the two); 0 for none.
Window findGameWindow(Display* display, Window parent)
{
    Window root = 0, parentOut = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, parent, &root, &parentOut, &children, &count))
        return 0;
    Window found = 0;
    for (unsigned i = 0; i < count && !found; ++i) {
        char* name = nullptr;
        if (XFetchName(display, children[i], &name) && name) {
            if (std::strcmp(name, "Vesbrik") == 0)
                found = children[i];
            XFree(name);
        }
        if (!found)
            found = findGameWindow(display, children[i]);
    }
    if (children)
        XFree(children);
    return found;
}

// The game's window once the display shows it (at most 20 s), or 0.
Window shownGameWindow(Display* x)
{
    Window window = 0;
    XWindowAttributes attributes{};
    for (int tries = 0; tries < 1000 && !(window && attributes.map_state == IsViewable); ++tries) {
        std::this_thread::sleep_for(20ms);
        window = findGameWindow(x, DefaultRootWindow(x));
        if (window && !XGetWindowAttributes(x, window, &attributes))
            attributes.map_state = IsUnmapped;
    }
    return attributes.map_state == IsViewable ? window : 0;
}

// Until the window shows a frame the game drew, not the black of a window
// just mapped (at most 20 s).
bool waitForDrawnFrame(Display* x, Window window)
{
    for (int tries = 0; tries < 1000; ++tries) {
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(x, window, &attributes) && attributes.width > 0 && attributes.height > 0) {
            XImage* image = XGetImage(x, window, 0, 0, static_cast<unsigned>(attributes.width),
                                      static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
            bool drawn = false;
            for (int y = 0; image && y < image->height && !drawn; y += 8)
                for (int px = 0; px < image->width && !drawn; px += 8)
                    drawn = (XGetPixel(image, px, y) & 0xffffff) != 0;
            if (image)
                XDestroyImage(image);
            if (drawn)
                return true;
        }
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

// What the window manager's close button sends.
void askToClose(Display* x, Window window)
{
    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = window;
    close.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = static_cast<long>(XInternAtom(x, "WM_DELETE_WINDOW", False));
    close.xclient.data.l[1] = CurrentTime;
    XSendEvent(x, window, False, NoEventMask, &close);
    XSync(x, False);
}

// The test's own connection to the display, with errors about vanished
// windows ignored.
struct XConnection {
    explicit XConnection(const std::string& display) : x(XOpenDisplay(display.c_str())) {}
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;
    ~XConnection()
    {
        if (x)
            XCloseDisplay(x);
        XSetErrorHandler(previousHandler);
    }
    XErrorHandler previousHandler = XSetErrorHandler(ignoreXError);
    Display* x;
};

// A virtual X server for a test, with a window manager if asked for: the one
// the CTest run shares (the tests on it run one after another), or one of
// the test's own.
class RealWindowTest : public ::testing::Test {
protected:
    void startDisplay(bool withWindowManager)
    {
        display = sharedXDisplay(withWindowManager ? "managed" : "bare");
        if (!display.empty())
            return;
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        const bool started = server.start({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                                           std::to_string(ScreenWidth) + "x" + std::to_string(ScreenHeight) + "x24",
                                           "-nolisten", "tcp"},
                                          {});
        close(fds[1]);
        std::string number;
        pollfd readable{fds[0], POLLIN, 0};
        char c = 0;
        while (started && poll(&readable, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        if (number.empty())
            GTEST_SKIP() << "no virtual X server: Xvfb (Debian package xvfb) cannot be started";
        display = ":" + number;
        if (!withWindowManager)
            return;
        if (!windowManager.start({"openbox", "--sm-disable"}, {"DISPLAY=" + display}) || !waitForWindowManager())
            GTEST_SKIP() << "no window manager: openbox (Debian package openbox) cannot be started";
    }

    // Until openbox names its check window on the root (at most 10 s).
    bool waitForWindowManager()
    {
        Display* x = XOpenDisplay(display.c_str());
        if (!x)
            return false;
        const Atom check = XInternAtom(x, "_NET_SUPPORTING_WM_CHECK", False);
        bool running = false;
        for (int tries = 0; tries < 500 && !running; ++tries) {
            Atom type = 0;
            int format = 0;
            unsigned long items = 0, after = 0;
            unsigned char* data = nullptr;
            running = XGetWindowProperty(x, DefaultRootWindow(x), check, 0, 1, False, XA_WINDOW, &type, &format,
                                         &items, &after, &data) == Success &&
                      items == 1;
            if (data)
                XFree(data);
            if (!running)
                std::this_thread::sleep_for(20ms);
        }
        XCloseDisplay(x);
        return running;
    }

    std::string environment() const { return "SDL_VIDEODRIVER=x11 DISPLAY=" + display + " ALSOFT_DRIVERS=null"; }

    // The game itself (not the script driver), running on its own clock in
    // the folder, its output into the file.
    bool startGame(CChildProcess& game, const CScriptFolder& folder, const std::filesystem::path& output) const
    {
        return game.start({"sh", "-c", "cd '" + folder.path().string() + "' && exec '" VESBRIK_GAME "'"},
                          {"SDL_VIDEODRIVER=x11", "DISPLAY=" + display, "ALSOFT_DRIVERS=null"}, output.string());
    }

    // The game started in a folder of its own, with the test's connection to
    // the display and the game's window once it shows.
    struct ShownGame {
        CScriptFolder folder;
        std::filesystem::path output = folder.path() / "output.txt";
        CChildProcess game;
        std::optional<XConnection> connection;
        Window window = 0;
        Display* x() const { return connection->x; }
    };
    void showGame(ShownGame& shown) const
    {
        ASSERT_TRUE(startGame(shown.game, shown.folder, shown.output));
        shown.connection.emplace(display);
        ASSERT_NE(shown.x(), nullptr);
        shown.window = shownGameWindow(shown.x());
        ASSERT_NE(shown.window, 0u) << "the game's window did not open";
    }

    CChildProcess server;
    CChildProcess windowManager;
    std::string display;
};

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;
    const uint8_t* at(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};

std::optional<Picture> loadPicture(const std::filesystem::path& file)
{
    Picture picture;
    int channels = 0;
    unsigned char* pixels = stbi_load(file.c_str(), &picture.width, &picture.height, &channels, 4);
    if (!pixels)
        return std::nullopt;
    picture.rgba.assign(pixels, pixels + static_cast<size_t>(picture.width) * picture.height * 4);
    stbi_image_free(pixels);
    return picture;
}

// "" when the window shows the back buffer whole, pixel for pixel, in the
// letterbox of a picture of shapeWidth x shapeHeight, and black around it;
// otherwise what is wrong.
std::string checkShown(const CScriptFolder& folder, const std::string& step, int shapeWidth, int shapeHeight)
{
    const std::optional<Picture> shown = loadPicture(folder.path() / (step + ".png"));
    const std::optional<Picture> back = loadPicture(folder.path() / (step + "-back.png"));
    if (!shown || !back)
        return step + ": no pictures";
    const PictureRect box = fitPicture(shapeWidth, shapeHeight, shown->width, shown->height);
    std::ostringstream problem;
    if (back->width != box.width || back->height != box.height) {
        problem << step << ": a " << shown->width << " x " << shown->height << " window shows a picture of "
                << shapeWidth << " x " << shapeHeight << " at " << box.width << " x " << box.height
                << ", but it was drawn at " << back->width << " x " << back->height;
        return problem.str();
    }
    int differing = 0, lit = 0;
    for (int y = 0; y < shown->height; ++y) {
        for (int x = 0; x < shown->width; ++x) {
            const uint8_t* s = shown->at(x, y);
            const bool inside = x >= box.x && y >= box.y && x < box.x + box.width && y < box.y + box.height;
            if (!inside) {
                lit += (s[0] | s[1] | s[2]) != 0;
                continue;
            }
            const uint8_t* b = back->at(x - box.x, y - box.y);
            differing += std::abs(s[0] - b[0]) > 2 || std::abs(s[1] - b[1]) > 2 || std::abs(s[2] - b[2]) > 2;
        }
    }
    if (differing != 0 || lit != 0)
        problem << step << ": " << differing << " pixels of the " << box.width << " x " << box.height
                << " picture at (" << box.x << ", " << box.y << ") differ from the drawn picture, and " << lit
                << " pixels of the bars are not black";
    return problem.str();
}

// The size the options screen shows for the window, from a dump.
std::optional<std::pair<int, int>> chosenWindowSize(const std::string& dump)
{
    const std::string label = "Window size = ";
    const size_t at = dump.find(label);
    if (at == std::string::npos)
        return std::nullopt;
    std::istringstream in(dump.substr(at + label.size()));
    int width = 0, height = 0;
    char times = 0;
    if (!(in >> width >> times >> height) || times != 'x')
        return std::nullopt;
    return std::make_pair(width, height);
}

// Each step changes the window, then saves what the display shows of it
// (STEP.png) and the picture the game drew (STEP-back.png).
std::string stepLines(const std::string& change, const std::string& step)
{
    return change + "\nwindowshot " + step + ".png\nshot " + step + "-back.png\n";
}

// Three suites, so that CTest can run them beside each other: on a shared
// display the bare suite holds the bare one, the managed suite the one with
// the window manager, and the closing suite both.
class RealWindowBare : public RealWindowTest {};
class RealWindowManaged : public RealWindowTest {};
class RealWindowClosing : public RealWindowTest {};

// A 16:9 picture, so that every window of another shape has bars.
const char* const WideSettings = R"(<settings width="960" height="540" fullscreen="0" renderscale="1"/>)";

// Opens the options, moves to the window size and takes the next size.
const char* const ChooseNextSize = "press Right\npress Right\npress Return\npress Down\npress Right\nframes 2";

} // namespace

TEST_F(RealWindowBare, ThePictureFillsItsLetterboxAtEverySwitch)
{
    startDisplay(false);
    if (IsSkipped())
        return;
    CScriptFolder folder;
    folder.write("settings.xml", WideSettings);
    const std::string script = "frames 10\n" + stepLines("", "opened") +
                               stepLines("window size 1000 800", "taller") +
                               stepLines("window fullscreen", "full") + stepLines("window windowed", "back") +
                               stepLines(ChooseNextSize, "chosen") + "dump state.txt\n";
    const ScriptResult result = folder.run(script, "", environment());
    ASSERT_EQ(result.status, 0) << result.errors;
    EXPECT_EQ(checkShown(folder, "opened", 960, 540), "");
    EXPECT_EQ(checkShown(folder, "taller", 960, 540), "");
    EXPECT_EQ(checkShown(folder, "full", 960, 540), "");
    EXPECT_EQ(checkShown(folder, "back", 960, 540), "");
    // A size chosen on the options screen is the picture's new shape at once.
    const std::optional<std::pair<int, int>> chosen = chosenWindowSize(folder.read("state.txt"));
    ASSERT_TRUE(chosen) << folder.read("state.txt");
    EXPECT_NE(*chosen, std::make_pair(960, 540));
    EXPECT_EQ(checkShown(folder, "chosen", chosen->first, chosen->second), "");
}

TEST_F(RealWindowManaged, ThePictureFillsItsLetterboxAtEverySwitch)
{
    startDisplay(true);
    if (IsSkipped())
        return;
    CScriptFolder folder;
    folder.write("settings.xml", WideSettings);
    const std::string script = "frames 10\n" + stepLines("", "opened") + stepLines("window maximise", "maximised") +
                               stepLines("window restore", "restored") + stepLines("window fullscreen", "full") +
                               stepLines("window windowed", "back") + stepLines("window size 700 700", "square") +
                               stepLines(ChooseNextSize, "chosen") + "dump state.txt\n";
    const ScriptResult result = folder.run(script, "", environment());
    ASSERT_EQ(result.status, 0) << result.errors;
    for (const char* step : {"opened", "maximised", "restored", "full", "back", "square"})
        EXPECT_EQ(checkShown(folder, step, 960, 540), "");
    const std::optional<std::pair<int, int>> chosen = chosenWindowSize(folder.read("state.txt"));
    ASSERT_TRUE(chosen) << folder.read("state.txt");
    EXPECT_EQ(checkShown(folder, "chosen", chosen->first, chosen->second), "");
}

// The window's size once a change has come (at most 3 s) and it has held
// for 300 ms.
std::pair<int, int> settledWindowSize(Display* x, Window window, std::pair<int, int> before)
{
    auto sizeNow = [&] {
        XWindowAttributes attributes{};
        XGetWindowAttributes(x, window, &attributes);
        return std::make_pair(attributes.width, attributes.height);
    };
    const auto giveUp = std::chrono::steady_clock::now() + 3s;
    std::pair<int, int> size = sizeNow();
    while (size == before && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(20ms);
        size = sizeNow();
    }
    for (auto steadySince = std::chrono::steady_clock::now();
         std::chrono::steady_clock::now() - steadySince < 300ms && std::chrono::steady_clock::now() < giveUp;) {
        std::this_thread::sleep_for(20ms);
        if (const std::pair<int, int> now = sizeNow(); now != size) {
            size = now;
            steadySince = std::chrono::steady_clock::now();
        }
    }
    return size;
}

// Below 320 x 240 the score bar and the menu no longer fit: the window
// manager is told so, and a window dragged or asked by another program
// down to 100 x 80 stays at 320 x 240.
TEST_F(RealWindowManaged, AWindowResizedBelowTheLeastSizeIsKeptAtIt)
{
    startDisplay(true);
    if (IsSkipped())
        return;
    ShownGame shown;
    ASSERT_NO_FATAL_FAILURE(showGame(shown));
    CScriptFolder& folder = shown.folder;
    CChildProcess& game = shown.game;
    Display* x = shown.x();
    const Window window = shown.window;
    // The game tells the window manager its least size once the window is
    // open (at most 10 s).
    XSizeHints hints{};
    long supplied = 0;
    for (int tries = 0; tries < 500 && !(hints.flags & PMinSize); ++tries) {
        std::this_thread::sleep_for(20ms);
        if (!XGetWMNormalHints(x, window, &hints, &supplied))
            hints.flags = 0;
    }
    ASSERT_TRUE(hints.flags & PMinSize) << "the window manager was told no least size";
    EXPECT_EQ(std::make_pair(hints.min_width, hints.min_height), std::make_pair(320, 240));

    XResizeWindow(x, window, 100, 80);
    XSync(x, False);
    EXPECT_EQ(settledWindowSize(x, window, {800, 600}), std::make_pair(320, 240));
    // It still grows as asked.
    XResizeWindow(x, window, 640, 400);
    XSync(x, False);
    EXPECT_EQ(settledWindowSize(x, window, {320, 240}), std::make_pair(640, 400));

    askToClose(x, window);
    const std::optional<int> status = game.waitFor(20s);
    ASSERT_TRUE(status) << "the game went on after its window was closed";
    EXPECT_EQ(*status, 0) << folder.read("output.txt");
}

// Another program destroys the window (no window manager), or the window
// manager asks it to close as its close button does: the game ends at once,
// with status 0 and no X error.
TEST_F(RealWindowClosing, FromOutsideTheGameEndsWithStatusZero)
{
    for (const bool withWindowManager : {false, true}) {
        SCOPED_TRACE(withWindowManager ? "closed by the window manager" : "destroyed by another program");
        windowManager.stop();
        server.stop();
        startDisplay(withWindowManager);
        if (IsSkipped())
            return;
        ShownGame shown;
        ASSERT_NO_FATAL_FAILURE(showGame(shown));
        CChildProcess& game = shown.game;
        const std::filesystem::path& output = shown.output;
        Display* x = shown.x();
        const Window window = shown.window;
        ASSERT_TRUE(waitForDrawnFrame(x, window)) << "the game's window shows no frame";
        if (withWindowManager) {
            askToClose(x, window);
        } else {
            XDestroyWindow(x, window);
        }
        XSync(x, False);
        const std::optional<int> status = game.waitFor(20s);
        ASSERT_TRUE(status) << "the game went on after its window was closed";
        std::ifstream said(output);
        const std::string text((std::istreambuf_iterator<char>(said)), std::istreambuf_iterator<char>());
        EXPECT_EQ(*status, 0) << text;
        EXPECT_EQ(text.find("X Error"), std::string::npos) << text;
    }
}
