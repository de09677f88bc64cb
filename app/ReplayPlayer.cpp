#include "app/ReplayPlayer.h"

#include <algorithm>
#include <cstdio>

#include "app/FixedStep.h"
#include "app/GameFlow.h"
#include "app/GameRecorder.h"
#include "game/GameBoard.h"
#include "files/FileProblems.h"
#include "game/RecordedInput.h"
#include "view/Hud.h"

namespace {

std::string speedText(double speed)
{
    char text[16];
    std::snprintf(text, sizeof text, "x%g", speed);
    return text;
}

} // namespace

void playRecordedFrame(CGameFlow& flow, float& stepAccumulator, const RecordedFrame& frame)
{
    for (uint16_t code : frame.keys) {
        if (const std::optional<Action> move = recordedAction(code))
            flow.onAction(*move);
    }
    const HeldKeys held = heldFromRecording(frame.held);
    advanceFixedSteps(stepAccumulator, frame.dt, [&](float dt) { flow.step(dt, held); });
}

void startRecordedGame(const Recording& recording, CGameFlow& flow, CGameBoard& board, float& stepAccumulator)
{
    board.seedRandom(recording.randomState);
    board.carryMotion({recording.slideVelocity, recording.fallSpeed});
    stepAccumulator = recording.carriedStepTime;
    flow.startReplayedGame(sharesOneRandomStream(recording),
                           recording.version == HeldTapsVersion ? TapRule::HeldOneStep : TapRule::EveryPress);
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

void CReplayPlayer::onMouseMove(int x, int y, unsigned buttons) { flow.onMouseMove(x, y, buttons); }

bool CReplayPlayer::onAction(Action action)
{
    switch (action) {
    case Action::EndReplay: return false;
    case Action::PauseReplay: isPaused = !isPaused; break;
    case Action::FasterReplay: playSpeed = std::min(playSpeed * 2.0, FastestSpeed); break;
    case Action::SlowerReplay: playSpeed = std::max(playSpeed / 2.0, SlowestSpeed); break;
    // The rest only moves the camera or switches parts of the picture.
    default: flow.onAction(action); break;
    }
    showBanner();
    return true;
}

std::string CReplayPlayer::banner() const
{
    if (finished())
        return game.end == RecordedEnd::CutShort ? "Replay cut short - Escape" : "Replay over - Escape";
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
    const RecordedResult result{board.score(), board.rows(), board.level()};
    std::printf("score %d rows %d level %d\n", result.score, result.rows, result.level);
    if (result != recording.result) {
        std::printf("the recording ended with score %d rows %d level %d\n", recording.result.score,
                    recording.result.rows, recording.result.level);
        return VerifyMismatch;
    }
    // The game of a cut-short recording has no end to compare: what played
    // matches, but nobody saw how it would have come out.
    if (recording.end == RecordedEnd::CutShort) {
        std::printf("matches the recording as far as it goes, but the game was cut short: the program ended "
                    "before the game did\n");
        return VerifyCutShort;
    }
    std::printf("matches the recording\n");
    return VerifyMatch;
}
