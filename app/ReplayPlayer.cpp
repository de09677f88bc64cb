#include "app/ReplayPlayer.h"

#include <algorithm>
#include <cstdio>

#include "app/FixedStep.h"
#include "app/GameFlow.h"
#include "app/GameRecorder.h"
#include "game/GameBoard.h"
#include "game/Random.h"
#include "files/FileProblems.h"
#include "platform/VirtualKeys.h"
#include "view/Hud.h"

namespace {

constexpr int letterKey(char letter) { return vk::LetterA + (letter - 'A'); }

std::string speedText(double speed)
{
    char text[16];
    std::snprintf(text, sizeof text, "x%g", speed);
    return text;
}

} // namespace

bool keyOnlyChangesTheView(int key)
{
    switch (key) {
    case vk::PageUp:
    case vk::PageDown:
    case vk::F2:
    case vk::F3:
    case vk::F4:
    case vk::F6:
    case letterKey('B'):
    case letterKey('F'):
    case letterKey('L'):
    case letterKey('M'):
        return true;
    default:
        return false;
    }
}

bool CRecordedHeldKeys::isHeld(int virtualKey) const
{
    switch (virtualKey) {
    case vk::Left:
        return held & HeldLeft;
    case vk::Right:
        return held & HeldRight;
    case vk::Down:
        return held & HeldDown;
    default:
        return false;
    }
}

void playRecordedFrame(CGameFlow& flow, float& stepAccumulator, const RecordedFrame& frame)
{
    for (uint16_t key : frame.keys)
        flow.onKeyDown(key);
    const CRecordedHeldKeys held(frame.held);
    advanceFixedSteps(stepAccumulator, frame.dt, [&](float dt) { flow.step(dt, held); });
}

void startRecordedGame(const Recording& recording, CGameFlow& flow, CGameBoard& board, float& stepAccumulator)
{
    flow.replaying = true;
    seedRandom(recording.randomState);
    board.slideVelocity = recording.slideVelocity;
    board.fallSpeed = recording.fallSpeed;
    stepAccumulator = recording.carriedStepTime;
    flow.startGame();
}

CReplayPlayer::CReplayPlayer(Recording recording, CGameFlow& flow, CGameBoard& board, CHud& hud)
    : game(std::move(recording)), flow(flow), board(board), hud(hud)
{
}

void CReplayPlayer::start(float& stepAccumulator)
{
    startRecordedGame(game, flow, board, stepAccumulator);
    showBanner();
}

void CReplayPlayer::advance(double elapsed, float& stepAccumulator)
{
    if (isPaused || finished())
        return;
    due += elapsed * playSpeed;
    for (int fed = 0; !finished() && fed < MaxFramesPerCall; ++fed) {
        const double wait = std::min(game.frames[next].dt, LongestWait);
        if (due < wait)
            break;
        due -= wait;
        playRecordedFrame(flow, stepAccumulator, game.frames[next++]);
    }
    // Time that could not be fed in one go is not made up later in a rush.
    due = std::min(due, 1.0);
    if (finished())
        showBanner();
}

bool CReplayPlayer::onMessage(const InputMessage& message)
{
    if (message.type == InputMessage::MouseMove) {
        flow.onMouseMove(message.x & 0xFFFF, message.y & 0xFFFF, message.buttons);
        return true;
    }
    if (message.type != InputMessage::KeyDown)
        return true;
    const int key = message.key & 0xFFFF;
    if (key == vk::Escape)
        return false;
    if (key == vk::Pause || key == letterKey('P'))
        isPaused = !isPaused;
    else if (key == vk::Right)
        playSpeed = std::min(playSpeed * 2.0, FastestSpeed);
    else if (key == vk::Left)
        playSpeed = std::max(playSpeed / 2.0, SlowestSpeed);
    else if (keyOnlyChangesTheView(key))
        flow.onKeyDown(key);
    showBanner();
    return true;
}

std::string CReplayPlayer::banner() const
{
    if (finished())
        return "Replay over - Escape";
    return "Replay " + speedText(playSpeed) + (isPaused ? " paused" : "");
}

void CReplayPlayer::showBanner()
{
    hud.banner = banner();
    // Nothing steps once the recording is over: the score stops where it ends.
    if (finished())
        hud.displayedScore = static_cast<float>(hud.targetScore);
}

std::optional<ReplayRequest> readReplayArguments(const std::vector<std::string>& arguments, std::string* error)
{
    std::optional<ReplayRequest> request;
    bool verify = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--verify") {
            verify = true;
        } else if (arguments[i] == "--replay" && i + 1 < arguments.size() && !request) {
            request = ReplayRequest{arguments[++i], false};
        } else {
            *error = arguments[i] == "--replay" ? "--replay needs one recording file"
                                                 : "unknown argument \"" + arguments[i] + "\" (usage: vesbrik [--replay FILE [--verify]])";
            return std::nullopt;
        }
    }
    if (verify && !request) {
        *error = "--verify needs --replay FILE";
        return std::nullopt;
    }
    if (request)
        request->verify = verify;
    return request;
}

std::optional<Recording> loadPlayableRecording(const std::string& path, const CSoundBank& sounds, std::string* error)
{
    std::optional<Recording> recording = readRecordingFile(path, error);
    if (!recording)
        return std::nullopt;
    return playableRecording(std::move(*recording), path, sounds, error);
}

std::optional<Recording> playableRecording(Recording recording, const std::string& path, const CSoundBank& sounds,
                                           std::string* error)
{
    const std::string problem = compatibilityProblem(recording, GameVersion, mediaFingerprint(sounds));
    if (!problem.empty()) {
        *error = printableText(path, 120) + " cannot be played exactly: " + problem;
        return std::nullopt;
    }
    return recording;
}

int verifyRecording(const Recording& recording, CGameFlow& flow, CGameBoard& board)
{
    float stepAccumulator = 0.0f;
    startRecordedGame(recording, flow, board, stepAccumulator);
    for (const RecordedFrame& frame : recording.frames)
        playRecordedFrame(flow, stepAccumulator, frame);
    const RecordedResult result{board.score, board.rows, board.level};
    std::printf("score %d rows %d level %d\n", result.score, result.rows, result.level);
    if (result == recording.result) {
        std::printf("matches the recording\n");
        return 0;
    }
    std::printf("the recording ended with score %d rows %d level %d\n", recording.result.score,
                recording.result.rows, recording.result.level);
    return 1;
}
