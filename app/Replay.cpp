#include "app/Replay.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <set>
#include <system_error>

#include "app/FixedStep.h"
#include "app/GameFlow.h"
#include "audio/SoundBank.h"
#include "game/GameBoard.h"
#include "game/HighScoreTable.h"
#include "game/Random.h"
#include "platform/AtomicFile.h"
#include "platform/VirtualKeys.h"
#include "view/Hud.h"

namespace {

// A replays folder holds a dozen files; a stranger one is not searched through.
constexpr int MaxFilesLookedAt = 10000;

constexpr int letterKey(char letter) { return vk::LetterA + (letter - 'A'); }

std::string speedText(double speed)
{
    char text[16];
    std::snprintf(text, sizeof text, "x%g", speed);
    return text;
}

} // namespace

bool keyChangesTheGame(int key)
{
    switch (key) {
    // The arrows' presses are kept too, beside their held state: a tap
    // shorter than a frame may count for the board.
    case vk::Left:
    case vk::Right:
    case vk::Down:
    case vk::Up:
    case vk::Shift:
    case vk::Pause:
    case vk::F11:
    case vk::Space:
        return true;
    default:
        return false;
    }
}

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

uint8_t heldArrows(const CInputSource& input)
{
    return static_cast<uint8_t>((input.isHeld(vk::Left) ? HeldLeft : 0) | (input.isHeld(vk::Right) ? HeldRight : 0) |
                                (input.isHeld(vk::Down) ? HeldDown : 0));
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

std::vector<uint8_t> mediaFingerprint(const CSoundBank& sounds)
{
    std::vector<uint8_t> counts;
    for (int i = 0; i < SoundCount; ++i)
        counts.push_back(static_cast<uint8_t>(sounds.group(static_cast<Sound>(i)).count()));
    return counts;
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

// ---- recording -----------------------------------------------------------------

CGameRecorder::CGameRecorder(std::filesystem::path folder, std::vector<uint8_t> fingerprint)
    : replayFolder(std::move(folder)), fingerprint(std::move(fingerprint))
{
}

void CGameRecorder::begin(const CGameBoard& board)
{
    game = Recording{};
    game.mediaFingerprint = fingerprint;
    game.randomState = randomState();
    game.slideVelocity = board.slideVelocity;
    game.fallSpeed = board.fallSpeed;
    game.frames.reserve(60 * 60 * 5);
    pendingKeys.clear();
    recording = true;
    firstFrame = true;
}

void CGameRecorder::keyDown(int key)
{
    if (recording && keyChangesTheGame(key) && pendingKeys.size() < MaxKeysPerFrame)
        pendingKeys.push_back(static_cast<uint16_t>(key));
}

void CGameRecorder::frame(double dt, uint8_t held, float carriedStepTime)
{
    if (!recording)
        return;
    // A game left running for a day stops recording rather than growing on.
    if (game.frames.size() >= MaxRecordedFrames || !(dt >= 0.0 && dt <= MaxFrameTime) ||
        !(carriedStepTime >= 0.0f && carriedStepTime <= MaxFrameTime)) {
        recording = false;
        return;
    }
    if (firstFrame)
        game.carriedStepTime = carriedStepTime;
    firstFrame = false;
    game.frames.push_back(RecordedFrame{dt, held, std::move(pendingKeys)});
    pendingKeys.clear();
}

std::string CGameRecorder::end(const CGameBoard& board, bool keep)
{
    if (!recording)
        return {};
    recording = false;
    game.result = {board.score, board.rows, board.level};

    // The kept file first: the table names it only once it is on disk.
    std::string kept;
    if (keep) {
        const auto seconds =
            std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
        const std::string stem = "game-" + std::to_string(seconds) + "-" + std::to_string(board.score);
        std::error_code ignored;
        kept = stem + ".vrp";
        for (int n = 2; std::filesystem::exists(replayFolder / kept, ignored) && n < 100; ++n)
            kept = stem + "-" + std::to_string(n) + ".vrp";
        if (!save(kept))
            kept.clear();
    }
    save(LastGameFile);
    return kept;
}

bool CGameRecorder::save(const std::string& name) const
{
    std::error_code ignored;
    std::filesystem::create_directories(replayFolder, ignored);
    return replaceFileAtomically((replayFolder / name).string(), encodeRecording(game));
}

void CGameRecorder::keepOnly(const CHighScoreTable& table) const
{
    std::set<std::string> wanted{LastGameFile};
    for (const HighScoreEntry& entry : table.allEntries())
        wanted.insert(entry.replay);
    std::error_code error;
    std::vector<std::filesystem::path> unwanted;
    int looked = 0;
    for (auto it = std::filesystem::directory_iterator(replayFolder, error);
         !error && it != std::filesystem::directory_iterator() && looked < MaxFilesLookedAt; it.increment(error), ++looked) {
        const std::filesystem::path& file = it->path();
        if (file.extension() == ".vrp" && !wanted.contains(file.filename().string()))
            unwanted.push_back(file);
    }
    for (const std::filesystem::path& file : unwanted)
        std::filesystem::remove(file, error);
}

bool isPlainRecordingName(const std::string& name)
{
    if (name.empty() || name.size() > 200 || name.front() == '.')
        return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
               c == '.';
    });
}

// ---- playing -------------------------------------------------------------------

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
    const std::string problem = compatibilityProblem(*recording, GameVersion, mediaFingerprint(sounds));
    if (!problem.empty()) {
        *error = path + " cannot be played exactly: " + problem;
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
