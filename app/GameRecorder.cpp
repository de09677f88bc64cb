#include "app/GameRecorder.h"

#include <algorithm>
#include <chrono>
#include <set>
#include <system_error>

#include "audio/SoundBank.h"
#include "files/AtomicFile.h"
#include "game/GameBoard.h"
#include "game/HighScoreTable.h"
#include "game/Random.h"
#include "platform/VirtualKeys.h"

namespace {

// A replays folder holds a dozen files; a stranger one is not searched through.
constexpr int MaxFilesLookedAt = 10000;

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

uint8_t heldArrows(const CInputSource& input)
{
    return static_cast<uint8_t>((input.isHeld(vk::Left) ? HeldLeft : 0) | (input.isHeld(vk::Right) ? HeldRight : 0) |
                                (input.isHeld(vk::Down) ? HeldDown : 0));
}

std::vector<uint8_t> mediaFingerprint(const CSoundBank& sounds)
{
    std::vector<uint8_t> counts;
    for (int i = 0; i < SoundCount; ++i)
        counts.push_back(static_cast<uint8_t>(sounds.group(static_cast<Sound>(i)).count()));
    return counts;
}

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
    // A game that runs past what a recording may hold stops recording rather
    // than growing on; so does a time step no file could hold.
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
