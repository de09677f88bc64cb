#pragma once
// A replay script plays the part of the player: one action a line.
//
//   frames N             make N frames
//   press KEY            one key press (Left, Return, Escape, F2, Pause, a...)
//   hold KEY N           press KEY and keep it held for N frames
//   type TEXT            type the text (UTF-8), one character at a time
//   mouse X Y [BUTTONS]  move the mouse; BUTTONS any of L, R, M (e.g. LR)
//   shot FILE.png        save the last presented frame as a PNG
//   dump FILE            write the game's state as "name value" lines (tests)
//
// Blank lines and lines starting with # are ignored. When the script ends,
// the game quits.
#include <cstdint>
#include <deque>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/InputSource.h"

struct ScriptAction {
    enum Kind { Frames, Press, Hold, Type, Mouse, Shot, Dump };
    Kind kind;
    int key = 0;
    int count = 0;
    int x = 0, y = 0;
    unsigned buttons = 0;
    std::u32string text;
    std::string file;
    int line = 0;
};

// Parses a whole script. On the first bad line returns false with a message
// naming the line in error.
bool parseInputScript(const std::string& text, std::vector<ScriptAction>& actions, std::string& error);

class CInputScript : public CInputSource {
public:
    // Writers for shots and state dumps; false when the file was not written.
    using FileWriter = std::function<bool(const std::string& file)>;

    CInputScript(std::vector<ScriptAction> actions, CInputSource* window, FileWriter writeShot,
                 FileWriter writeDump);

    bool poll(InputMessage& message) override;
    bool isHeld(int virtualKey) const override { return held.count(virtualKey) > 0; }
    bool isActive() const override { return true; }
    void frameDone() override;

    // False once a shot or dump could not be written.
    bool succeeded() const { return ok; }

private:
    void startNextAction();

    std::vector<ScriptAction> actions;
    size_t next = 0;
    CInputSource* window;
    FileWriter writeShot;
    FileWriter writeDump;
    std::deque<InputMessage> queued;
    std::set<int> held;
    int framesLeft = 0;
    bool ok = true;
};
