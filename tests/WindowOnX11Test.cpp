// The real game in a real X11 window (a virtual X server driven by xdotool):
// keys held while another window has the keyboard do nothing when the
// keyboard comes back; a game ended by closing its window keeps its
// recording, marked as cut short; an option changed on a screen still open
// is on disk when the window is closed from outside, or the game is sent
// SIGHUP. Skipped where Xvfb or xdotool is missing.
#include <sys/wait.h>

#include <csignal>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "game/Recording.h"
#include "tests/ScriptRunner.h"

namespace {

bool installed(const char* program)
{
    const std::string command = std::string("command -v ") + program + " > /dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

// Starts a virtual X server and the game in it three times, plays the steps
// against its window, and ends both; every wait is bounded. The script writes
// "alive" to alive.txt when the game still ran after the held key, and the
// game's exit status to status.txt; then it lowers the music in the options
// twice, ending the game once by closing its window (the settings then kept
// as settings-closed.xml) and once by SIGHUP (its status in status-hup.txt).
const char* const HeldEscapeCloseAndHangUp = R"steps(
set -u
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3> display.txt 2> xvfb.txt &
xvfb=$!
for i in $(seq 50); do [ -s display.txt ] && break; sleep 0.1; done
export DISPLAY=":$(cat display.txt)"
# The game must open its window on this server, not off screen or elsewhere.
unset SDL_VIDEODRIVER WAYLAND_DISPLAY
start_game() {
    ALSOFT_DRIVERS=null LIBGL_ALWAYS_SOFTWARE=1 timeout 60 "$GAME" > out.txt 2>> errors.txt &
    game=$!
    window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Vesbrik$' | tail -1)
    # The pointer stays off the window, so that the keys go where the focus is.
    xdotool mousemove 1 1
    timeout 10 xdotool windowfocus --sync "$window"; sleep 0.5
}
# Options (the third item), the Sound page, the music row, one step down.
lower_music() {
    xdotool key --window "$window" --delay 50 Right Right Return Right Right Down Left; sleep 0.3
}
start_game
root=$(xwininfo -root | awk '/Window id/ { print $4 }')
xdotool key --window "$window" Return; sleep 1.5
# Escape and Left go down while the root window has the keyboard and are
# held, the server repeating them, after the game's window has it back.
timeout 10 xdotool windowfocus --sync "$root"; sleep 0.5
xdotool keydown Escape Left; sleep 0.8
timeout 10 xdotool windowfocus --sync "$window"; sleep 1.5
xdotool keyup Escape Left; sleep 0.5
kill -0 "$game" 2> /dev/null && echo alive > alive.txt
xdotool windowclose "$window"
wait "$game"; echo $? > status.txt
start_game; lower_music
xdotool windowclose "$window"
wait "$game"; cp settings.xml settings-closed.xml
# The game itself, not the timeout watching it, hears the hang-up.
start_game; lower_music
kill -HUP "$(pgrep -P "$game")"
{ wait "$game"; } 2> /dev/null; echo $? > status-hup.txt
kill "$xvfb"; wait "$xvfb"
)steps";

} // namespace

TEST(WindowOnX11, KeysHeldAsTheKeyboardReturnsWaitAndClosingOrHangingUpKeepsTheGameAndTheSettings)
{
    if (!installed("Xvfb") || !installed("xdotool") || !installed("xwininfo"))
        GTEST_SKIP() << "needs Xvfb, xdotool and xwininfo";
    CScriptFolder folder;
    folder.write("steps.sh", HeldEscapeCloseAndHangUp);
    const std::string command = "cd '" + folder.path().string() + "' && GAME='" VESBRIK_GAME "' timeout 100 bash steps.sh";
    ASSERT_EQ(std::system(command.c_str()), 0) << folder.read("errors.txt") << folder.read("xvfb.txt");

    // Escape in play would have left the game, and its repeats in the menu
    // would have quit: the game played on.
    EXPECT_EQ(folder.read("alive.txt"), "alive\n") << folder.read("errors.txt");
    EXPECT_EQ(folder.read("status.txt"), "0\n") << folder.read("errors.txt");
    std::string error;
    const std::optional<Recording> kept = readRecordingFile((folder.path() / "replays/last.vrp").string(), &error);
    ASSERT_TRUE(kept) << error;
    EXPECT_EQ(kept->end, RecordedEnd::CutShort);
    // The held arrow never slid the piece: no frame of the game holds it.
    for (const RecordedFrame& frame : kept->frames)
        ASSERT_EQ(frame.held & HeldLeft, 0) << "a frame of " << kept->frames.size() << " holds Left";

    // Closing is leaving: the music the player lowered is the file's, and so
    // it is after a hang-up, which ends the game by that signal.
    EXPECT_NE(folder.read("settings-closed.xml").find("musicvolume=\"9\""), std::string::npos)
        << folder.read("settings-closed.xml") << folder.read("errors.txt");
    EXPECT_NE(folder.read("settings.xml").find("musicvolume=\"8\""), std::string::npos)
        << folder.read("settings.xml") << folder.read("errors.txt");
    EXPECT_EQ(folder.read("status-hup.txt"), std::to_string(128 + SIGHUP) + "\n");
}
