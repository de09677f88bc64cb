#include "InputScript.h"

#include <fstream>
#include <sstream>

#include "platform/Utf8.h"
#include "platform/VirtualKeys.h"

namespace {

bool parseCount(std::istringstream& in, int& value)
{
    long long v;
    if (!(in >> v) || v < 0 || v > 100000000)
        return false;
    value = static_cast<int>(v);
    return true;
}

bool parseButtons(const std::string& word, unsigned& buttons)
{
    buttons = 0;
    for (char c : word) {
        switch (c) {
        case 'L': case 'l': buttons |= MouseLeft; break;
        case 'R': case 'r': buttons |= MouseRight; break;
        case 'M': case 'm': buttons |= MouseMiddle; break;
        default: return false;
        }
    }
    return true;
}

bool parseLine(const std::string& line, ScriptAction& action)
{
    std::istringstream in(line);
    std::string verb;
    in >> verb;
    std::string word;
    if (verb == "frames") {
        action.kind = ScriptAction::Frames;
        if (!parseCount(in, action.count))
            return false;
    } else if (verb == "press" || verb == "hold") {
        action.kind = verb == "press" ? ScriptAction::Press : ScriptAction::Hold;
        if (!(in >> word) || (action.key = virtualKeyFromName(word)) == 0)
            return false;
        if (action.kind == ScriptAction::Hold && !parseCount(in, action.count))
            return false;
    } else if (verb == "type") {
        action.kind = ScriptAction::Type;
        const size_t start = line.find("type") + 4;
        std::string text = start < line.size() ? line.substr(start + 1) : "";
        action.text = decodeUtf8(text);
        return true;
    } else if (verb == "mouse") {
        action.kind = ScriptAction::Mouse;
        if (!(in >> action.x >> action.y))
            return false;
        if (in >> word && !parseButtons(word, action.buttons))
            return false;
    } else if (verb == "click") {
        // One button goes down where the mouse is; the left one unless named.
        action.kind = ScriptAction::Click;
        if (!(in >> action.x >> action.y))
            return false;
        action.buttons = MouseLeft;
        if (in >> word && (!parseButtons(word, action.buttons) || word.size() != 1))
            return false;
    } else if (verb == "blur") {
        action.kind = ScriptAction::Blur;
    } else if (verb == "expect") {
        action.kind = ScriptAction::Expect;
        if (!(in >> action.name))
            return false;
        std::getline(in >> std::ws, action.value);
        return true;
    } else if (verb == "cells") {
        action.kind = ScriptAction::Cells;
        if (!(in >> action.count >> action.value) || action.count < 0 || action.count >= 20 || action.value.size() != 10)
            return false;
    } else if (verb == "piece") {
        action.kind = ScriptAction::Piece;
        if (!(in >> action.key >> action.px >> action.py >> action.count) || action.key < 1 || action.key > 7)
            return false;
    } else if (verb == "autoplay") {
        action.kind = ScriptAction::Autoplay;
        if (!parseCount(in, action.count))
            return false;
    } else if (verb == "window") {
        action.kind = ScriptAction::Window;
        if (!(in >> action.name))
            return false;
        if (action.name == "size")
            return (in >> action.x >> action.y) && action.x > 0 && action.y > 0 && action.x <= 16384 &&
                   action.y <= 16384 && !(in >> word);
        if (action.name != "fullscreen" && action.name != "windowed" && action.name != "maximise" &&
            action.name != "restore")
            return false;
    } else if (verb == "windowshot") {
        action.kind = ScriptAction::WindowShot;
        if (!(in >> action.file))
            return false;
    } else if (verb == "shot" || verb == "dump") {
        action.kind = verb == "shot" ? ScriptAction::Shot : ScriptAction::Dump;
        if (!(in >> action.file))
            return false;
    } else {
        return false;
    }
    return !(in >> word); // nothing may follow
}

} // namespace

bool parseInputScript(const std::string& text, std::vector<ScriptAction>& actions, std::string& error)
{
    std::istringstream in(text);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#')
            continue;
        ScriptAction action;
        action.line = number;
        if (!parseLine(line.substr(first), action)) {
            error = "line " + std::to_string(number) + ": cannot understand '" + line + "'";
            return false;
        }
        actions.push_back(std::move(action));
    }
    return true;
}

CInputScript::CInputScript(std::vector<ScriptAction> actions, CInputSource* window, FileWriter writeShot,
                           StateReader readState, BoardEditor editBoard, Autoplayer autoplay,
                           WindowActor windowActor)
    : actions(std::move(actions)), window(window), writeShot(std::move(writeShot)), readState(std::move(readState)),
      editBoard(std::move(editBoard)), autoplay(std::move(autoplay)), windowActor(std::move(windowActor))
{
}

namespace {

// All values of the lines called `name`, joined by ", "; none gives "".
std::string valueOf(const std::vector<std::string>& state, const std::string& name)
{
    std::string joined;
    for (const std::string& line : state) {
        if (line.compare(0, name.size(), name) != 0 || line.size() <= name.size() || line[name.size()] != ' ')
            continue;
        if (!joined.empty())
            joined += ", ";
        joined += line.substr(name.size() + 1);
    }
    return joined;
}

bool writeLines(const std::string& file, const std::vector<std::string>& lines)
{
    std::ofstream out(file);
    for (const std::string& line : lines)
        out << line << "\n";
    return static_cast<bool>(out);
}

} // namespace

void CInputScript::expect(const ScriptAction& action)
{
    if (!snapshotTaken) {
        snapshot = readState();
        snapshotTaken = true;
    }
    const std::string actual = valueOf(snapshot, action.name);
    if (actual != action.value)
        failures.push_back("line " + std::to_string(action.line) + ": expected " + action.name + " '" + action.value +
                           "', found '" + actual + "'");
}

bool CInputScript::poll(InputMessage& message)
{
    // The window's own events are drained and ignored: only the script plays.
    InputMessage ignored;
    while (window && window->poll(ignored)) {
    }
    while (queued.empty() && framesLeft == 0) {
        if (next >= actions.size()) {
            message = {};
            message.type = InputMessage::Quit;
            return true;
        }
        startNextAction();
    }
    decideAutoplayFrame();
    if (!queued.empty()) {
        message = queued.front();
        queued.pop_front();
        return true;
    }
    return false; // frames are due
}

void CInputScript::startNextAction()
{
    const ScriptAction& action = actions[next++];
    if (action.kind != ScriptAction::Expect)
        snapshotTaken = false;
    InputMessage message;
    switch (action.kind) {
    case ScriptAction::Frames:
        framesLeft = action.count;
        break;
    case ScriptAction::Press:
    case ScriptAction::Hold:
        message.type = InputMessage::KeyDown;
        message.key = action.key;
        queued.push_back(message);
        if (action.kind == ScriptAction::Hold && action.count > 0) {
            held.insert(action.key);
            framesLeft = action.count;
        }
        break;
    case ScriptAction::Blur:
        message.type = InputMessage::FocusLost;
        queued.push_back(message);
        break;
    case ScriptAction::Type:
        for (char32_t c : action.text) {
            message.type = InputMessage::Character;
            message.character = c;
            queued.push_back(message);
        }
        break;
    case ScriptAction::Mouse:
    case ScriptAction::Click:
        message.type = action.kind == ScriptAction::Mouse ? InputMessage::MouseMove : InputMessage::MouseDown;
        message.x = action.x;
        message.y = action.y;
        message.buttons = action.buttons;
        queued.push_back(message);
        break;
    case ScriptAction::Shot:
        if (!writeShot(action.file))
            ok = false;
        break;
    case ScriptAction::Dump:
        if (!writeLines(action.file, readState()))
            ok = false;
        break;
    case ScriptAction::Window:
    case ScriptAction::WindowShot:
        if (!windowActor || !windowActor(action))
            ok = false;
        break;
    case ScriptAction::Expect:
        expect(action);
        break;
    case ScriptAction::Cells:
    case ScriptAction::Piece:
        editBoard(action);
        break;
    case ScriptAction::Autoplay:
        autoplayLeft = action.count;
        framesLeft = action.count;
        autoplayDecided = false;
        break;
    }
}

// Once before each frame of an autoplay line: the turn goes in as a key
// press, the arrows are held for the frame.
void CInputScript::decideAutoplayFrame()
{
    if (autoplayLeft == 0 || autoplayDecided || !autoplay || !queued.empty())
        return;
    autoplayDecided = true;
    const AutoplayMove move = autoplay();
    held.clear();
    if (move.left)
        held.insert(vk::Left);
    if (move.right)
        held.insert(vk::Right);
    if (move.down)
        held.insert(vk::Down);
    if (move.turn) {
        InputMessage message;
        message.type = InputMessage::KeyDown;
        message.key = vk::Up;
        queued.push_back(message);
    }
}

int CInputScript::unfinishedLine() const
{
    if (next < actions.size())
        return actions[next].line;
    return framesLeft > 0 || !queued.empty() ? actions.back().line : 0;
}

void CInputScript::frameDone()
{
    if (autoplayLeft > 0) {
        --autoplayLeft;
        autoplayDecided = false;
    }
    if (framesLeft > 0 && --framesLeft == 0)
        held.clear();
}
