#pragma once
// An input script plays the part of the player: one action a line.
//
//   frames N             make N frames
//   press KEY            one key press (Left, Return, Escape, F2, Pause, a...)
//   hold KEY N           press KEY and keep it held for N frames
//   type TEXT            type the text (UTF-8), one character at a time
//   mouse X Y [BUTTONS]  move the mouse; BUTTONS any of L, R, M (e.g. LR)
//   click X Y [BUTTON]   press a mouse button (L, R or M; L when not named)
//   blur                 the window loses the keyboard to another window
//   shot FILE.png        save a picture of the game as it stands as a PNG
//   dump FILE            write the game's state as "name value" lines (tests)
//   expect NAME VALUE    the game's state has this value (all lines of that
//                        name joined by ", "); a mismatch fails the script
//   cells ROW PATTERN    set up a row of the well: ten characters, '.' empty,
//                        1..7 that piece kind's colour, anything else a grey
//                        cell (tests build boards this way)
//   piece KIND X Y ROT   make the falling piece a kind (1..7) at a place
//   autoplay N           let a simple player play the next N frames
//   window CHANGE        the window changes as the desktop or the player
//                        changes it: size W H (a resize from outside),
//                        fullscreen, windowed (as Alt+Enter), maximise or
//                        restore; the line ends when its size has settled
//   windowshot FILE.png  once the window's size has settled, draw and present
//                        a frame and save what the display shows of the
//                        window (an X11 display only)
//
// The state a dump or an expect reads lists the sounds played since the last
// look at the state; a run of expect lines reads one snapshot.
// Blank lines and lines starting with # are ignored. When the script ends,
// the game quits.
#include <cstdint>
#include <deque>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "Autoplayer.h"
#include "platform/InputSource.h"

struct ScriptAction {
    enum Kind {
        Frames, Press, Hold, Type, Mouse, Click, Blur, Shot, Dump, Expect, Cells, Piece, Autoplay, Window, WindowShot
    };
    Kind kind;
    int key = 0;
    int count = 0;
    int x = 0, y = 0;
    unsigned buttons = 0;
    std::u32string text;
    std::string file;
    std::string name, value; // Expect; Cells: the pattern in value; Window: the change in name
    float px = 0.0f, py = 0.0f; // Piece
    int line = 0;
};

// Parses a whole script. On the first bad line returns false with a message
// naming the line in error.
bool parseInputScript(const std::string& text, std::vector<ScriptAction>& actions, std::string& error);

class CInputScript : public CInputSource {
public:
    // Writes a shot; false when the file was not written.
    using FileWriter = std::function<bool(const std::string& file)>;
    // The game's state now, as "name value" lines.
    using StateReader = std::function<std::vector<std::string>()>;
    // Carries out a cells or piece line on the board.
    using BoardEditor = std::function<void(const ScriptAction& action)>;
    // The simple player's keys for the coming frame.
    using Autoplayer = std::function<AutoplayMove()>;
    // Carries out a window or windowshot line; false when it could not.
    // `settled`: the line just before was a window line, which waited for
    // the window to settle, and nothing has happened since.
    using WindowActor = std::function<bool(const ScriptAction& action, bool settled)>;

    CInputScript(std::vector<ScriptAction> actions, CInputSource* window, FileWriter writeShot,
                 StateReader readState, BoardEditor editBoard, Autoplayer autoplay = {},
                 WindowActor windowActor = {});

    bool poll(InputMessage& message) override;
    bool isHeld(int virtualKey) const override { return held.count(virtualKey) > 0; }
    bool isActive() const override { return true; }
    void frameDone() override;

    // False once a shot or dump could not be written.
    bool succeeded() const { return ok; }
    // The line the script had come to, 0 once every line was played: a game
    // that quits on its own before its script ends skips what follows.
    int unfinishedLine() const;
    // Every expect line that did not hold, one message each.
    const std::vector<std::string>& failedExpectations() const { return failures; }

private:
    void startNextAction();
    void expect(const ScriptAction& action);
    void decideAutoplayFrame();

    std::vector<ScriptAction> actions;
    size_t next = 0;
    CInputSource* window;
    FileWriter writeShot;
    StateReader readState;
    BoardEditor editBoard;
    Autoplayer autoplay;
    WindowActor windowActor;
    int autoplayLeft = 0;
    bool autoplayDecided = false;
    std::vector<std::string> snapshot; // the state a run of expect lines reads
    bool snapshotTaken = false;
    std::vector<std::string> failures;
    std::deque<InputMessage> queued;
    std::set<int> held;
    int framesLeft = 0;
    bool ok = true;
};
