#include "app/GameRecorder.h"

#include <algorithm>
#include <chrono>
#include <system_error>

#include "audio/SoundBank.h"
#include "files/AtomicFile.h"
#include "files/FileProblems.h"
#include "game/GameBoard.h"
#include "game/KeptRecordings.h"
#include "game/RecordedInput.h"

std::vector<uint8_t> mediaFingerprint(const CSoundBank& sounds)
{
    return sounds.variantCounts();
}

CGameRecorder::CGameRecorder(std::filesystem::path folder) : replayFolder(std::move(folder)) {}

void CGameRecorder::begin(const CGameBoard& board)
{
    game = Recording{};
    game.randomState = board.random().state();
    game.slideVelocity = board.motion().slideVelocity;
    game.fallSpeed = board.motion().fallSpeed;
    game.frames.reserve(60 * 60 * 5);
    pendingKeys.clear();
    recording = true;
    firstFrame = true;
}

void CGameRecorder::record(Action action)
{
    const std::optional<uint16_t> code = recordedCode(action);
    if (recording && code && pendingKeys.size() < MaxKeysPerFrame)
        pendingKeys.push_back(*code);
}

void CGameRecorder::frame(double dt, const HeldKeys& held, float carriedStepTime)
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
    game.frames.push_back(RecordedFrame{dt, recordedHeld(held), std::move(pendingKeys)});
    pendingKeys.clear();
}

std::string CGameRecorder::end(const CGameBoard& board, bool keep, RecordedEnd how)
{
    if (!recording)
        return {};
    recording = false;
    game.result = {board.score(), board.rows(), board.level()};
    game.end = how;

    // The kept file first: the table names it only once it is on disk.
    std::string kept;
    if (keep) {
        const auto seconds =
            std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
        std::error_code ignored;
        kept = keptRecordingName(seconds, board.score(), 1);
        for (int n = 2; std::filesystem::exists(replayFolder / kept, ignored) && n < 100; ++n)
            kept = keptRecordingName(seconds, board.score(), n);
        if (!save(kept))
            kept.clear();
    }
    save(LastGameFile);
    return kept;
}

bool CGameRecorder::save(const std::string& name)
{
    std::error_code ignored;
    std::filesystem::create_directories(replayFolder, ignored);
    const std::string file = (replayFolder / name).string();
    std::string whyNot;
    if (replaceFileAtomically(file, encodeRecording(game), &whyNot))
        return true;
    // What stops one save (a full disk, a read-only folder, something in the
    // way) usually stops them all: one line says so, not one per game.
    if (!saveFailureSaid)
        reportFileProblem(file, "the game's recording cannot be saved: " + whyNot,
                          "the game plays on unrecorded, and later recordings that fail are not reported again");
    saveFailureSaid = true;
    return false;
}

void CGameRecorder::keepOnly(const CHighScoreTable& table) const { removeUnnamedRecordings(replayFolder, table); }

bool isRecorderFileName(const std::string& name)
{
    return name == CGameRecorder::LastGameFile || isKeptRecordingName(name);
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
