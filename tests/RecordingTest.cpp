// Recorded games: the file format and its reader, the recorder, the
// high-score table's link to a recording, and the command line of a replay.
#include "game/Recording.h"

#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ == 12
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "app/GameRecorder.h"
#include "app/ReplayPlayer.h"
#include "game/GameBoard.h"
#include "game/HighScoreTable.h"
#include "game/Action.h"
#include "platform/VirtualKeys.h"
#include "tests/DataTestFolder.h"
#include "xml/XmlDocument.h"

namespace {

constexpr int letterKeyForTest(char letter) { return vk::LetterA + (letter - 'A'); }

Recording sampleRecording()
{
    Recording recording;
    recording.randomState = 0xDEADBEEFu;
    recording.slideVelocity = -10.0f;
    recording.fallSpeed = 25.5f;
    recording.carriedStepTime = 12.5f; // a backlog after the window was minimised
    recording.frames = {
        {1.0 / 60.0, 0, {}},
        {0.0171234, HeldLeft | HeldDown, {vk::Up, vk::Space}},
        {0.0, HeldRight, {vk::F11}},
    };
    recording.result = {1234, 17, 2};
    return recording;
}

// The sample as a game of an older format, made when one random stream
// served the rules and the sounds, which kept the sound set's variant counts.
Recording oneStreamRecording(uint32_t format)
{
    Recording recording = sampleRecording();
    recording.format = format;
    recording.mediaFingerprint = {3, 1, 2, 4, 0, 1, 1, 1, 1, 2, 3};
    return recording;
}

std::string decodeError(const std::string& bytes)
{
    std::string error;
    EXPECT_FALSE(decodeRecording(bytes, &error).has_value());
    return error;
}

// The byte offset of the frame count in an encoded recording.
size_t frameCountOffset(const Recording& recording)
{
    const size_t fingerprint = sharesOneRandomStream(recording) ? 1 + recording.mediaFingerprint.size() : 0;
    return 8 + 4 + 1 + recording.version.size() + fingerprint + 4 + 3 * 4;
}

void putU32(std::string& bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>(value >> (8 * i));
}

} // namespace

// ---- the format --------------------------------------------------------------

TEST(RecordingFormat, RoundTripKeepsEveryBit)
{
    const Recording recording = sampleRecording();
    const std::optional<Recording> read = decodeRecording(encodeRecording(recording), nullptr);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(*read, recording);
    // The time steps come back as the same doubles, not rounded.
    EXPECT_EQ(std::memcmp(&read->frames[1].dt, &recording.frames[1].dt, sizeof(double)), 0);

    // A game the program's end cut short says so; an ending this game does
    // not know is refused, though its checksum holds.
    Recording cutShort = recording;
    cutShort.end = RecordedEnd::CutShort;
    const std::optional<Recording> readCut = decodeRecording(encodeRecording(cutShort), nullptr);
    ASSERT_TRUE(readCut.has_value());
    EXPECT_EQ(readCut->end, RecordedEnd::CutShort);
    Recording unknown = recording;
    unknown.end = static_cast<RecordedEnd>(7);
    EXPECT_EQ(decodeError(encodeRecording(unknown)), "it ends in a way this game does not know (7)");
}

TEST(RecordingFormat, EveryCutShortFileIsRefusedWithAReason)
{
    const std::string bytes = encodeRecording(sampleRecording());
    for (size_t length = 0; length < bytes.size(); ++length) {
        const std::string error = decodeError(bytes.substr(0, length));
        EXPECT_FALSE(error.empty()) << "cut at " << length;
    }
    EXPECT_NE(decodeError(bytes.substr(0, 10)).find("ends inside the header"), std::string::npos);
    // Frames cut off show first as a frame count larger than the file.
    EXPECT_NE(decodeError(bytes.substr(0, bytes.size() - 20)).find("cut short"), std::string::npos);
}

TEST(RecordingFormat, HostileCountsAndValuesAreRefused)
{
    const Recording recording = sampleRecording();
    const std::string good = encodeRecording(recording);
    const size_t countAt = frameCountOffset(recording);

    // A frame count far beyond the bytes: refused before anything is reserved.
    std::string huge = good;
    putU32(huge, countAt, 0xFFFFFFFFu);
    EXPECT_NE(decodeError(huge).find("frame count"), std::string::npos);

    // Fewer frames than the file holds leaves bytes where the end should be.
    std::string fewer = good;
    putU32(fewer, countAt, 2);
    EXPECT_FALSE(decodeError(fewer).empty());

    // A time step that is not a number, or negative, or held keys past the three.
    for (double dt : {std::numeric_limits<double>::quiet_NaN(), -0.01, 1.0e9}) {
        Recording bad = recording;
        bad.frames[0].dt = dt;
        EXPECT_NE(decodeError(encodeRecording(bad)).find("time step"), std::string::npos) << dt;
    }
    Recording held = recording;
    held.frames[0].held = 0x80;
    EXPECT_NE(decodeError(encodeRecording(held)).find("unknown keys"), std::string::npos);

    Recording carried = recording;
    carried.carriedStepTime = std::numeric_limits<float>::infinity();
    EXPECT_NE(decodeError(encodeRecording(carried)).find("impossible"), std::string::npos);

    EXPECT_NE(decodeError(good + "x").find("follow its end"), std::string::npos);
    std::string otherFile = good;
    otherFile[0] = 'X';
    EXPECT_NE(decodeError(otherFile).find("not a Vesbrik recording"), std::string::npos);
    std::string otherFormat = good;
    putU32(otherFormat, 8, RecordingFormat + 1);
    EXPECT_NE(decodeError(otherFormat).find("format"), std::string::npos);
}

TEST(RecordingFormat, EveryFlippedBitIsRefusedAndOldFilesStillRead)
{
    // Flips in a time step or a header field still read as a game; only the
    // checksum tells them from the real one.
    const std::string bytes = encodeRecording(sampleRecording());
    for (size_t at = 0; at < bytes.size(); ++at)
        for (int bit = 0; bit < 8; ++bit) {
            std::string flipped = bytes;
            flipped[at] = static_cast<char>(flipped[at] ^ (1 << bit));
            EXPECT_FALSE(decodeError(flipped).empty()) << "byte " << at << " bit " << bit;
        }
    std::string timeStep = bytes;
    timeStep[frameCountOffset(sampleRecording()) + 4 + 3] ^= 0x01;
    EXPECT_EQ(decodeError(timeStep), "it is damaged: its checksum does not match its content");

    // Recordings made before the checksum (format 1), before the mark of
    // how the game ended (format 2) and before the streams parted (format 3)
    // read as they always did, their sound counts and all; the first two
    // played to their end.
    for (const uint32_t format : {1u, 2u, 3u}) {
        const Recording old = oneStreamRecording(format);
        const std::string oldBytes = encodeRecording(old);
        const size_t lacking = format == 1 ? 5 : format == 2 ? 1 : 0;
        EXPECT_EQ(oldBytes.size() + lacking, bytes.size() + 1 + old.mediaFingerprint.size()) << format;
        const std::optional<Recording> read = decodeRecording(oldBytes, nullptr);
        ASSERT_TRUE(read.has_value()) << format;
        EXPECT_EQ(*read, old);
        EXPECT_EQ(encodeRecording(*read), oldBytes);
    }
    EXPECT_EQ(decodeRecording(encodeRecording(oneStreamRecording(2)), nullptr)->end, RecordedEnd::Played);
}

TEST(RecordingFormat, OnlyRegularFilesAreOpenedAndNamesAreShownSafely)
{
    CDataTestFolder folder;
    std::string error;
    const std::string pipe = folder.path("pipe.vrp");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    // Read as a file, a pipe with no writer would wait for ever.
    EXPECT_FALSE(readRecordingFile(pipe, &error));
    EXPECT_EQ(error, pipe + " is a named pipe, not a recording file");
    EXPECT_FALSE(readRecordingFile(folder.path(""), &error));
    EXPECT_NE(error.find("is a folder, not a recording"), std::string::npos) << error;
    EXPECT_FALSE(readRecordingFile("/dev/zero", &error));
    EXPECT_EQ(error, "/dev/zero is a device, not a recording file");

    const std::string hostile = folder.path("\x1b[2J\x1b]0;owned\x07" + std::string(5000, 'x') + ".vrp");
    EXPECT_FALSE(readRecordingFile(hostile, &error));
    EXPECT_EQ(error.find('\x1b'), std::string::npos) << error;
    EXPECT_NE(error.find("\\x1b[2J\\x1b]0;owned\\x07"), std::string::npos) << error;
    EXPECT_NE(error.find("xx...xx"), std::string::npos) << error;
    EXPECT_LT(error.size(), 300u);
}

TEST(RecordingFormat, FilesAreReadWithinBounds)
{
    CDataTestFolder folder;
    std::string error;
    EXPECT_FALSE(readRecordingFile(folder.path("missing.vrp"), &error));
    EXPECT_NE(error.find("cannot open"), std::string::npos);

    const std::string good = folder.write("good.vrp", encodeRecording(sampleRecording()));
    EXPECT_TRUE(readRecordingFile(good, &error));

    const std::string cut = folder.write("cut.vrp", encodeRecording(sampleRecording()).substr(0, 30));
    EXPECT_FALSE(readRecordingFile(cut, &error));
    EXPECT_NE(error.find("cut.vrp"), std::string::npos);

    // A folder opens as a stream on Linux but reads nothing.
    EXPECT_FALSE(readRecordingFile(folder.path(""), &error));
}

TEST(RecordingFormat, OtherVersionsAndOtherMediaOfOneSharedStreamAreNamedAsTheProblem)
{
    Recording recording = oneStreamRecording(3);
    EXPECT_EQ(compatibilityProblem(recording, GameVersion, recording.mediaFingerprint), "");

    recording.version = "vesbrik-0";
    EXPECT_NE(compatibilityProblem(recording, GameVersion, recording.mediaFingerprint).find("vesbrik-0"),
              std::string::npos);

    recording.version = std::string(GameVersion);
    std::vector<uint8_t> otherMedia = recording.mediaFingerprint;
    otherMedia[0] = 5;
    EXPECT_NE(compatibilityProblem(recording, GameVersion, otherMedia).find("sound"), std::string::npos);
    // A game whose sounds drew from a stream of their own plays with any.
    EXPECT_EQ(compatibilityProblem(sampleRecording(), GameVersion, otherMedia), "");
    EXPECT_EQ(compatibilityProblem(sampleRecording(), GameVersion, {}), "");
}

// ---- the recorder ------------------------------------------------------------

TEST(GameRecorder, KeepsTheStartTheGameKeysAndTheFrames)
{
    CDataTestFolder folder;
    CGameRecorder recorder(folder.path("replays"));
    CGameBoard board(77);
    board.carryMotion({10.0f, 6.0f});
    board.seedRandom(4242);

    recorder.record(Action::TurnClockwise); // no game yet: nothing to keep
    recorder.begin(board);
    EXPECT_TRUE(recorder.active());
    recorder.record(Action::CameraCloser); // only the view: not kept
    recorder.record(Action::TurnClockwise);
    recorder.record(Action::ToggleBloom);
    recorder.record(Action::LevelUp);
    recorder.record(Action::SlideLeft);
    recorder.frame(0.02, {true, false, false}, 0.004f);
    recorder.frame(0.015, {}, 0.009f); // only the first frame's carried time counts

    const Recording& game = recorder.current();
    EXPECT_EQ(game.randomState, 4242u);
    EXPECT_EQ(game.slideVelocity, 10.0f);
    EXPECT_EQ(game.fallSpeed, 6.0f);
    EXPECT_EQ(game.carriedStepTime, 0.004f);
    EXPECT_EQ(game.format, RecordingFormat);
    EXPECT_TRUE(game.mediaFingerprint.empty());
    ASSERT_EQ(game.frames.size(), 2u);
    EXPECT_EQ(game.frames[0], (RecordedFrame{0.02, HeldLeft, {vk::Up, vk::F11, vk::Left}}));
    EXPECT_EQ(game.frames[1], (RecordedFrame{0.015, 0, {}}));
}

TEST(GameRecorder, SavesTheLastGameAndKeepsTheTablesOwn)
{
    CDataTestFolder folder;
    const std::filesystem::path replays = folder.path("replays");
    CGameRecorder recorder(replays);
    // A board that ended with score 1110 (the first piece, four rows and the
    // empty well), 4 rows, level 2.
    CGameBoard board(1);
    board.newGame();
    board.levelUp();
    for (int row = 16; row < BoardRows; ++row)
        for (int column = 0; column < BoardColumns; ++column)
            board.setCell(column, row, 0xFF808080u);
    board.clearFullRows();

    EXPECT_EQ(recorder.end(board, true), ""); // never started: nothing saved
    EXPECT_FALSE(std::filesystem::exists(replays / "last.vrp"));

    recorder.begin(board);
    recorder.frame(0.01, {}, 0.0f);
    const std::string kept = recorder.end(board, true);
    EXPECT_FALSE(recorder.active());
    ASSERT_FALSE(kept.empty());
    EXPECT_TRUE(isPlainRecordingName(kept));
    for (const std::string& name : {std::string("last.vrp"), kept}) {
        std::string error;
        const std::optional<Recording> read = readRecordingFile((replays / name).string(), &error);
        ASSERT_TRUE(read) << error;
        EXPECT_EQ(read->result, (RecordedResult{1110, 4, 2}));
        EXPECT_EQ(read->frames.size(), 1u);
    }

    // A second kept game the same second gets a name of its own.
    recorder.begin(board);
    const std::string second = recorder.end(board, true);
    EXPECT_NE(second, kept);

    // Only what the table names survives, besides the last game and other files.
    folder.write("replays/notes.txt", "mine");
    CHighScoreTable table(folder.path("hiscore.xml"));
    table.insert(10, 1, 1)->replay = second;
    recorder.keepOnly(table);
    EXPECT_TRUE(std::filesystem::exists(replays / "last.vrp"));
    EXPECT_TRUE(std::filesystem::exists(replays / second));
    EXPECT_FALSE(std::filesystem::exists(replays / kept));
    EXPECT_TRUE(std::filesystem::exists(replays / "notes.txt"));
}

TEST(GameRecorder, AFrameTimeNoFileCouldHoldStopsTheRecording)
{
    CDataTestFolder folder;
    CGameRecorder recorder(folder.path("replays"));
    CGameBoard board(1);
    recorder.begin(board);
    recorder.frame(0.01, {}, 0.0f);
    recorder.frame(std::numeric_limits<double>::quiet_NaN(), {}, 0.0f);
    EXPECT_FALSE(recorder.active());
    EXPECT_EQ(recorder.end(board, true), "");
    EXPECT_FALSE(std::filesystem::exists(folder.path("replays/last.vrp")));
}

TEST(GameRecorder, AnUnwritableFolderKeepsNothingAndSaysSoOnce)
{
    CDataTestFolder folder;
    folder.write("replays", "a file where the folder should be");
    CGameRecorder recorder(folder.path("replays"));
    CGameBoard board(1);
    testing::internal::CaptureStderr();
    for (int game = 0; game < 3; ++game) {
        recorder.begin(board);
        recorder.frame(0.01, {}, 0.0f);
        EXPECT_EQ(recorder.end(board, true), "");
    }
    const std::string said = testing::internal::GetCapturedStderr();
    // One line for three games of two files each, naming what is in the way.
    EXPECT_EQ(said.find('\n'), said.size() - 1) << said;
    EXPECT_NE(said.find("the game's recording cannot be saved: " + folder.path("replays") +
                        " is in the way: a file where a folder should be"),
              std::string::npos)
        << said;
}

TEST(RecordingNames, OnlyPlainNamesInTheFolderArePlayedOrRemoved)
{
    EXPECT_TRUE(isPlainRecordingName("game-1765100000-1234.vrp"));
    for (const char* name : {"", "../hiscore.xml", "/etc/passwd", ".hidden.vrp", "a/b.vrp", "a b.vrp", ".."})
        EXPECT_FALSE(isPlainRecordingName(name)) << name;
}

// ---- the table's link --------------------------------------------------------

TEST(HighScoreReplay, TheRecordingsNameTravelsWithItsEntry)
{
    CDataTestFolder folder;
    const std::string file = folder.path("hiscore.xml");
    {
        CHighScoreTable table(file);
        table.insert(500, 2, 60)->replay = "game-1-500.vrp";
        table.insert(900, 3, 90); // pushes the first down, recording and all
        ASSERT_TRUE(table.save());
    }
    CHighScoreTable reread(file);
    EXPECT_EQ(reread.entry(0).replay, "");
    EXPECT_EQ(reread.entry(1).replay, "game-1-500.vrp");
    EXPECT_EQ(reread.entry(1).score, 500);
    // Entries without a recording carry no attribute at all.
    CXmlDocument document;
    ASSERT_TRUE(document.load(file));
    EXPECT_EQ(document.root().child(0).attribute("replay"), "");
    EXPECT_EQ(document.root().child(1).attribute("replay"), "game-1-500.vrp");
    std::ifstream in(file);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text.find("replay="), text.rfind("replay=")); // one entry, one attribute
}

// ---- the command line --------------------------------------------------------

TEST(ReplayArguments, ReadTheFileAndTheCheck)
{
    std::string error;
    EXPECT_FALSE(readReplayArguments({}, &error));
    EXPECT_EQ(error, "");

    std::optional<ReplayRequest> request = readReplayArguments({"--replay", "a.vrp"}, &error);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->file, "a.vrp");
    EXPECT_FALSE(request->verify);

    request = readReplayArguments({"--replay", "a.vrp", "--verify"}, &error);
    ASSERT_TRUE(request);
    EXPECT_TRUE(request->verify);
    EXPECT_EQ(readReplayArguments({"--verify", "--replay", "b.vrp"}, &error)->file, "b.vrp");

    for (const std::vector<std::string>& wrong :
         {std::vector<std::string>{"--replay"}, {"--verify"}, {"--fast"}, {"--replay", "a", "--replay", "b"}}) {
        error.clear();
        EXPECT_FALSE(readReplayArguments(wrong, &error));
        EXPECT_FALSE(error.empty()) << wrong.front();
    }
}
