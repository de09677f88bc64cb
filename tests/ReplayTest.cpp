// Games recorded by the real game and played again by it: a scripted player
// plays through vesbrik-script, then `vesbrik --replay ... --verify` must
// come out with the same score, rows and level, or refuse a file it cannot
// play exactly. A recording made when one random stream served the rules and
// the scenery is kept in tests/recordings/ and must go on checking out.
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "game/Recording.h"
#include "tests/ScriptRunner.h"

namespace {

struct GameRun {
    int status = -1;
    std::string output;
    std::string errors;
};

// The game binary in the folder, with no display at all: a check must not need one.
GameRun runGameIn(const CScriptFolder& folder, const std::string& arguments)
{
    const std::string command = "cd '" + folder.path().string() +
                                "' && env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER timeout 120 '" VESBRIK_GAME
                                "' " + arguments + " > out.txt 2> errors.txt";
    const int raw = std::system(command.c_str());
    GameRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.output = folder.read("out.txt");
    run.errors = folder.read("errors.txt");
    return run;
}

GameRun verify(const CScriptFolder& folder, const std::string& file = "replays/last.vrp")
{
    return runGameIn(folder, "--replay " + file + " --verify");
}

// A game with rows cleared, debris flying and a level up by the key and by
// rows, left with Escape, which saves it as the last game.
const char* const PlayedGame = R"(frames 1
press Return
autoplay 3000
expect rows 14
expect debris 40
press F11
expect level 2
autoplay 1200
expect level 3
press Escape
frames 1
)";

// A game recorded by the game as it was when one random stream served the
// rules, the sounds, the debris and the light (format 3): rows, debris, a
// level up by key and by rows, the light moved.
const char* const OneStreamRecording = VESBRIK_SOURCE_DIR "/tests/recordings/one-stream-format3.vrp";

std::string fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The lines of a state dump that say how the game stands: the rules' part.
std::string gameLines(const std::string& dump)
{
    std::istringstream lines(dump);
    std::string kept;
    for (std::string line; std::getline(lines, line);) {
        const std::string name = line.substr(0, line.find(' '));
        for (const char* wanted : {"state", "running", "score", "level", "rows", "piece", "current", "next", "grid"})
            if (name == wanted)
                kept += line + "\n";
    }
    return kept;
}

Recording readLast(const CScriptFolder& folder)
{
    std::string error;
    std::optional<Recording> recording = readRecordingFile((folder.path() / "replays/last.vrp").string(), &error);
    EXPECT_TRUE(recording) << error;
    return recording.value_or(Recording{});
}

} // namespace

TEST(Replay, APlayedGameWithRowsDebrisAndLevelsComesOutTheSame)
{
    CScriptFolder folder;
    const ScriptResult played = folder.run(PlayedGame);
    ASSERT_EQ(played.status, 0) << played.errors;

    const Recording recording = readLast(folder);
    EXPECT_EQ(recording.result, (RecordedResult{2950, 23, 3}));
    // Every frame of the game, the Return that started it not among them.
    EXPECT_EQ(recording.frames.size(), 4200u);

    const GameRun check = verify(folder);
    EXPECT_EQ(check.status, 0) << check.errors;
    EXPECT_NE(check.output.find("score 2950 rows 23 level 3"), std::string::npos) << check.output;
}

TEST(Replay, WatchingPlaysTheSameGameAtAnySpeedAndEscapeEndsIt)
{
    CScriptFolder folder;
    ASSERT_EQ(folder.run(PlayedGame).status, 0);
    const std::string recorded = folder.read("replays/last.vrp");

    const ScriptResult watched = folder.run(R"(frames 30
expect state 1
expect hud.banner Replay x1
press Left
press Left
press Left
expect hud.banner Replay x0.25
frames 30
press Right
press Right
press Right
press Right
press Right
press Right
expect hud.banner Replay x8
press P
expect hud.banner Replay x8 paused
dump paused.txt
frames 60
dump later.txt
press Pause
frames 600
expect hud.banner Replay over - Escape
expect score 2950
expect rows 23
expect level 3
press PageUp
press Escape
frames 1
)",
                                            "--replay replays/last.vrp");
    // Escape ends the replay and the game with it, before the last line.
    EXPECT_EQ(watched.status, 1);
    EXPECT_NE(watched.errors.find("the game quit before line 29\n"), std::string::npos) << watched.errors;
    // Nothing moved while paused, and watching recorded nothing.
    EXPECT_EQ(folder.read("paused.txt"), folder.read("later.txt"));
    EXPECT_EQ(folder.read("replays/last.vrp"), recorded);
}

TEST(Replay, ASecondGameIsExactThoughTheFirstLeftDebrisAndAnOddFrameTime)
{
    // The first game's bricks are still tumbling when the second starts, at
    // a frame time that leaves a part of a step over from frame to frame.
    CScriptFolder folder;
    const ScriptResult played = folder.run("frames 1\npress Return\nautoplay 2000\nexpect debris 40\npress Escape\n"
                                           "frames 1\npress Return\nautoplay 1500\npress Space\nautoplay 300\n"
                                           "press Escape\nframes 1\n",
                                           "--dt 0.013 --seed 7");
    ASSERT_EQ(played.status, 0) << played.errors;
    EXPECT_GT(readLast(folder).result.rows, 0);
    const GameRun check = verify(folder);
    EXPECT_EQ(check.status, 0) << check.output << check.errors;
}

TEST(ReplayScenery, SoundsDebrisAndTheLightNeverMoveTheGame)
{
    // One game played twice: once as it is, once with the light moved again
    // and again and no sound set at all, so that the scenery draws other
    // numbers. The game comes out the same.
    CScriptFolder folder;
    CScriptFolder busy;
    std::string lightMoves;
    for (int i = 0; i < 10; ++i)
        lightMoves += "press Space\nautoplay 100\n";
    const std::string end = "dump game.txt\npress Escape\nframes 1\n";
    ASSERT_EQ(folder.run("frames 1\npress Return\nautoplay 1000\n" + end).status, 0);
    std::filesystem::remove(busy.path() / "media/sound.xml");
    ASSERT_EQ(busy.run("frames 1\npress Return\n" + lightMoves + end).status, 0);
    EXPECT_NE(gameLines(folder.read("game.txt")).find("grid "), std::string::npos);
    EXPECT_EQ(gameLines(busy.read("game.txt")), gameLines(folder.read("game.txt")));

    // Its recording checks with a sound variant fewer, and with no sound set.
    std::string sounds = folder.read("media/sound.xml");
    const std::string variant = "<variant file=\"media/hitfloor4.wav\"/>";
    ASSERT_NE(sounds.find(variant), std::string::npos);
    folder.write("media/sound.xml", sounds.erase(sounds.find(variant), variant.size()));
    GameRun check = verify(folder);
    EXPECT_EQ(check.status, 0) << check.output << check.errors;
    // A game from when one stream served all draws still needs its own sound set.
    folder.write("one-stream.vrp", fileBytes(OneStreamRecording));
    check = verify(folder, "one-stream.vrp");
    EXPECT_EQ(check.status, 2);
    EXPECT_NE(check.errors.find("other sound media"), std::string::npos) << check.errors;

    std::filesystem::remove(folder.path() / "media/sound.xml");
    check = verify(folder);
    EXPECT_EQ(check.status, 0) << check.output << check.errors;
}

TEST(Replay, ATamperedEndIsReportedAsAMismatch)
{
    CScriptFolder folder;
    ASSERT_EQ(folder.run("frames 1\npress Return\nautoplay 600\npress Escape\nframes 1\n").status, 0);
    Recording recording = readLast(folder);
    recording.result.score += 1;
    folder.write("replays/other.vrp", encodeRecording(recording));
    const GameRun check = verify(folder, "replays/other.vrp");
    EXPECT_EQ(check.status, 1);
    EXPECT_NE(check.output.find("the recording ended with score"), std::string::npos) << check.output;
}

TEST(Replay, CutShortOrFromAnotherVersionIsRefusedWithAClearMessage)
{
    CScriptFolder folder;
    ASSERT_EQ(folder.run("frames 1\npress Return\nautoplay 300\npress Escape\nframes 1\n").status, 0);
    const std::string bytes = folder.read("replays/last.vrp");

    folder.write("cut.vrp", bytes.substr(0, bytes.size() / 2));
    GameRun check = verify(folder, "cut.vrp");
    EXPECT_EQ(check.status, 2);
    EXPECT_NE(check.errors.find("vesbrik: cut.vrp is not a recording this game can play: "), std::string::npos)
        << check.errors;

    Recording recording = readLast(folder);
    recording.version = "vesbrik-0";
    folder.write("old.vrp", encodeRecording(recording));
    check = verify(folder, "old.vrp");
    EXPECT_EQ(check.status, 2);
    EXPECT_NE(check.errors.find("recorded by game version \"vesbrik-0\""), std::string::npos) << check.errors;

    check = verify(folder, "missing.vrp");
    EXPECT_EQ(check.status, 2);
    EXPECT_NE(check.errors.find("cannot open missing.vrp"), std::string::npos) << check.errors;
}

TEST(Replay, OldRecordingsStillPlayAndDamagedOrOddFilesAreRefusedAtOnce)
{
    CScriptFolder folder;
    ASSERT_EQ(folder.run("frames 1\npress Return\nautoplay 300\npress Escape\nframes 1\n").status, 0);
    ASSERT_EQ(readLast(folder).format, RecordingFormat);

    // Recordings made before the checksum came (format 1), before the mark
    // of a game cut short (format 2) and before the scenery drew from a
    // stream of its own (format 3) still play and check.
    std::string error;
    std::optional<Recording> old = readRecordingFile(OneStreamRecording, &error);
    ASSERT_TRUE(old) << error;
    ASSERT_EQ(old->format, 3u);
    GameRun check;
    for (const uint32_t format : {1u, 2u, 3u}) {
        old->format = format;
        folder.write("old-format.vrp", encodeRecording(*old));
        check = verify(folder, "old-format.vrp");
        EXPECT_EQ(check.status, 0) << format << check.output << check.errors;
    }
    EXPECT_NE(check.output.find("score 2100 rows 16 level 3"), std::string::npos) << check.output;

    // A flipped bit in a time step plays a different game that may well end
    // the same: the checksum refuses it.
    std::string bytes = folder.read("replays/last.vrp");
    bytes[bytes.size() / 2] ^= 0x10;
    folder.write("flipped.vrp", bytes);
    check = verify(folder, "flipped.vrp");
    EXPECT_EQ(check.status, 2);
    EXPECT_NE(check.errors.find("flipped.vrp is not a recording this game can play: "), std::string::npos)
        << check.errors;

    // Nothing that is not a file is opened: a pipe is not waited on.
    ASSERT_EQ(mkfifo((folder.path() / "pipe.vrp").c_str(), 0600), 0);
    check = verify(folder, "pipe.vrp");
    EXPECT_EQ(check.status, 2);
    EXPECT_EQ(check.errors, "vesbrik: pipe.vrp is a named pipe, not a recording file\n");
    check = verify(folder, "replays");
    EXPECT_EQ(check.status, 2);
    EXPECT_EQ(check.errors, "vesbrik: replays is a folder, not a recording\n");

    // A name that would clear the player's terminal is shown escaped.
    check = verify(folder, "\"$(printf '\\033[2J\\033]0;owned\\007.vrp')\"");
    EXPECT_EQ(check.status, 2);
    EXPECT_EQ(check.errors.find('\x1b'), std::string::npos) << check.errors;
    EXPECT_NE(check.errors.find("\\x1b[2J\\x1b]0;owned\\x07.vrp"), std::string::npos) << check.errors;
}

TEST(Replay, AGameTheProgramsEndCutShortKeepsItsRecordingMarkedAsSuch)
{
    CScriptFolder folder;
    // The script ends in the middle of the game, as a closed window does.
    ASSERT_EQ(folder.run("frames 1\npress Return\nautoplay 300\n").status, 0);
    const Recording recording = readLast(folder);
    EXPECT_EQ(recording.end, RecordedEnd::CutShort);
    EXPECT_EQ(recording.frames.size(), 300u);

    // What was played checks, but nothing confirms how it would have ended.
    const GameRun check = verify(folder);
    EXPECT_EQ(check.status, 3) << check.output << check.errors;
    EXPECT_NE(check.output.find("the game was cut short"), std::string::npos) << check.output;

    // A game left by the player, or over, ends as it was played.
    ASSERT_EQ(folder.run("frames 1\npress Return\nautoplay 300\npress Escape\nframes 1\n").status, 0);
    EXPECT_EQ(readLast(folder).end, RecordedEnd::Played);
    EXPECT_EQ(verify(folder).status, 0);
}

TEST(Replay, AHighScoreKeepsItsGameAndTheListPlaysIt)
{
    CScriptFolder folder;
    // Dropping every piece straight down ends the game soon with some points.
    const ScriptResult played = folder.run(R"(frames 1
press Return
hold Down 4000
expect state 0
type Ann
press Return
frames 2
press 1
press Return
frames 120
expect state 1
expect hud.banner Replay x1
press Right
press Right
frames 1
expect hud.banner Replay x4
press P
expect hud.banner Replay x4 paused
press P
frames 3000
expect hud.banner Replay over - Escape
expect score 100
expect running 0
expect menu.paused 0
expect menu.gameOver
press Escape
frames 1
expect state 0
expect hud.banner
expect menu.showScores 1
)");
    ASSERT_EQ(played.status, 0) << played.errors;

    const std::string table = folder.read("media/hiscore.xml");
    const size_t at = table.find("replay=\"");
    ASSERT_NE(at, std::string::npos) << table;
    const std::string name = table.substr(at + 8, table.find('"', at + 8) - at - 8);
    EXPECT_NE(table.find("name=\"Ann\""), std::string::npos);

    // The kept game and the last game are the same game, and it checks out.
    EXPECT_EQ(folder.read("replays/" + name), folder.read("replays/last.vrp"));
    const GameRun check = verify(folder, "replays/" + name);
    EXPECT_EQ(check.status, 0) << check.output << check.errors;
}

TEST(Replay, EnterOnExitStillQuitsWithAnEntryPicked)
{
    CScriptFolder folder;
    // The list shown and an entry picked, or the list hidden again: Exit, and
    // only Exit, quits the game, before the frame that follows it.
    const std::pair<const char*, const char*> cases[] = {
        {"press Right\npress Return\npress 1\npress Right\npress Right\n", "line 8"},
        {"press Right\npress Return\npress 1\npress Return\npress Right\npress Right\n", "line 9"},
    };
    for (const auto& [toExit, line] : cases) {
        const ScriptResult run = folder.run(std::string("frames 1\n") + toExit + "press Return\nframes 1\n");
        EXPECT_EQ(run.status, 1) << toExit;
        EXPECT_NE(run.errors.find(std::string("the game quit before ") + line + "\n"), std::string::npos)
            << run.errors;
    }
}

TEST(Replay, AKeptRecordingThatCannotPlayLeavesTheListAsItIs)
{
    CScriptFolder folder;
    ASSERT_EQ(folder.run("frames 1\npress Return\nhold Down 4000\ntype Bo\npress Return\nframes 1\n").status, 0);
    const std::string table = folder.read("media/hiscore.xml");
    const size_t at = table.find("replay=\"");
    ASSERT_NE(at, std::string::npos) << table;
    const std::string name = table.substr(at + 8, table.find('"', at + 8) - at - 8);

    // Enter on the first entry, with the list shown: nothing starts, the list
    // stays and says why under it (the window's title is unseen in full
    // screen), until the next key.
    const char* const watchFirst = "frames 1\npress Right\npress Return\npress 1\npress Return\nframes 5\n"
                                   "expect state 0\nexpect menu.showScores 1\nexpect menu.chosenScore 0\n"
                                   "expect menu.scoresNotice That game's recording cannot be played\n"
                                   "press 1\nexpect menu.scoresNotice\n";
    folder.write("replays/" + name, "VRPLAY broken");
    ScriptResult run = folder.run(watchFirst);
    EXPECT_EQ(run.status, 0) << run.errors;

    // The file gone altogether.
    std::filesystem::remove(folder.path() / "replays" / name);
    run = folder.run(watchFirst);
    EXPECT_EQ(run.status, 0) << run.errors;

    // A hand-edited table naming a file outside the replays folder.
    std::string edited = table;
    edited.replace(at + 8, name.size(), "../settings.xml");
    folder.write("media/hiscore.xml", edited);
    run = folder.run(watchFirst);
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_NE(folder.read("settings.xml"), "");
}

TEST(Replay, PausedByPTheHelpOrTheLostKeyboardComesOutTheSame)
{
    // The help and another window taking the keyboard hold the game as Pause
    // does, and the key that hides the help moves nothing: a replay must
    // stand still and go on where the game did.
    CScriptFolder folder;
    const ScriptResult played =
        folder.run("frames 1\npress Return\nautoplay 400\npress P\nframes 90\npress P\nautoplay 300\n"
                   "press F1\nframes 120\npress Left\nautoplay 400\nblur\nframes 120\nexpect running 0\n"
                   "press P\nautoplay 300\npress Escape\nframes 1\n",
                   "--seed 5");
    ASSERT_EQ(played.status, 0) << played.errors;
    const GameRun check = verify(folder);
    EXPECT_EQ(check.status, 0) << check.output << check.errors;
}

// Keys chosen in settings.xml drive the game and the keys they replaced do
// nothing; the recording keeps the moves, not the keys, so it checks out
// with the chosen keys and with the default ones alike.
TEST(Replay, AGamePlayedOnChosenKeysPlaysTheSameOnAnyKeys)
{
    CScriptFolder folder;
    const std::string defaults = folder.read("settings.xml");
    folder.write("settings.xml", "<settings>\n  <keys left=\"A\" right=\"D\" down=\"S\" turnright=\"W\" turnleft=\"E\" "
                                 "pause=\"X\" menu=\"Q\"/>\n</settings>\n");
    const ScriptResult played = folder.run(R"(frames 1
press Return
frames 2
press W
press Up
expect piece 5 1.16 1
hold Left 20
expect piece 5 2.48 1
hold A 20
expect piece 2 3.8 1
press Escape
press Pause
expect state 1
expect running 1
press X
frames 10
expect running 0
press X
hold S 60
press E
hold D 30
frames 200
press Q
expect state 0
)");
    ASSERT_EQ(played.status, 0) << played.errors;
    EXPECT_EQ(played.errors.find("settings.xml"), std::string::npos) << played.errors;
    const Recording recording = readLast(folder);
    GameRun check = verify(folder);
    EXPECT_EQ(check.status, 0) << check.errors;
    folder.write("settings.xml", defaults);
    const GameRun withDefaults = verify(folder);
    EXPECT_EQ(withDefaults.status, 0) << withDefaults.errors;
    EXPECT_EQ(withDefaults.output, check.output);
    EXPECT_GT(recording.frames.size(), 300u);
}

// Every press of Left or Right is a column, however quickly they follow each
// other; a replay carries each out where the game did, to the same cells.
TEST(Replay, QuickPressesPlayBackInTheirPlace)
{
    CScriptFolder folder;
    std::string presses = "frames 1\npress Return\nframes 1\n";
    for (const int gap : {2, 5, 9}) {
        const std::string frames = "frames " + std::to_string(gap) + "\n";
        presses += "press Left\n" + frames + "press Left\n" + frames + "press Left\nframes 40\nhold Down 120\n";
    }
    ASSERT_EQ(folder.run(presses + "dump played.txt\npress Escape\nframes 1\n", "--dt 0.01").status, 0);
    const std::string played = folder.read("played.txt");
    const size_t at = played.find("grid ");
    ASSERT_NE(at, std::string::npos) << played;
    const std::string grid = played.substr(at, played.find('\n', at) - at);

    const ScriptResult watched =
        folder.run("frames 1500\nexpect hud.banner Replay over - Escape\nexpect " + grid + "\n",
                   "--dt 0.01 --replay replays/last.vrp");
    EXPECT_EQ(watched.status, 0) << watched.errors;
    EXPECT_EQ(verify(folder).status, 0);
}

// A recording made when a press counted as the key held for one step (quick
// presses during a slide changed nothing) still plays by that rule; by
// today's rule the same presses would make another game.
TEST(Replay, RecordingsFromBeforeEveryPressCountedPlayByTheirOwnRule)
{
    CScriptFolder folder;
    std::filesystem::copy_file(std::filesystem::path(VESBRIK_SOURCE_DIR) / "tests/recordings/quick-taps-held-one-step.vrp",
                               folder.path() / "old.vrp");
    const std::string old = folder.read("old.vrp");
    GameRun check = verify(folder, "old.vrp");
    EXPECT_EQ(check.status, 0) << check.output << check.errors;

    std::string error;
    std::optional<Recording> recording = decodeRecording(old, &error);
    ASSERT_TRUE(recording) << error;
    EXPECT_EQ(recording->version, HeldTapsVersion);
    recording->version = std::string(GameVersion);
    folder.write("relabelled.vrp", encodeRecording(*recording));
    check = verify(folder, "relabelled.vrp");
    EXPECT_EQ(check.status, 1) << check.output << check.errors;
}
