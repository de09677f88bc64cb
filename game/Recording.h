#pragma once
// A recorded game (a .vrp file): everything needed to play a game again bit
// for bit on the same build. Only the rules' random stream chooses what the
// game does, so its state at the start, the board's leftovers from the game
// before, the frames' time steps, the keys that change the game and the held
// arrows the board polls are the whole story; the final score, rows and level
// let a replay check that it came out the same. The scenery's stream is seeded
// from the rules' start, so a replay also sounds and tumbles as the game did.
//
// Recordings before format 4 were made when one stream served the rules and
// the scenery (sound variants, debris, the light): they keep the number of
// variants of each sound group, and play through that one stream, only with
// the same sound media.
//
// The file is little-endian binary:
//   "VRPLAY" 0x1A 0x00, format number (u32), game version (u8 length, bytes),
//   (formats 1 to 3) media fingerprint (u8 count, that many u8 variant counts),
//   random state (u32), slide velocity, fall speed, carried step time (f32 each),
//   frame count (u32), then per frame: time step (f64), held keys (u8: bit 0
//   left, bit 1 right, bit 2 down), key count (u8), keys (u16 each),
//   and at the end: score, rows, level (i32 each), (format 3 on) how the
//   game ended (u8: 0 played to its end, 1 cut short), "END!",
//   then (format 2 on) the CRC-32 of every byte before it (u32).
// Reading checks every count and value against the bytes that remain, so a
// cut, corrupted or hostile file is refused with a reason, never trusted; the
// checksum catches the damage that still reads as a game, such as a changed
// time step or header field. Files of format 1, which have no checksum, are
// still read, so games recorded before it came still play; so are files of
// format 2, which do not say how the game ended (it was played to its end:
// nothing else kept a recording then).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Changes whenever a change to the game would make old recordings play
// differently (the rules, the order of the rules' random draws, the step);
// a recording from another version is refused, but for the versions this
// game still plays by their own rules.
inline constexpr std::string_view GameVersion = "vesbrik-2";
// Recordings made before every press of Left or Right moved the piece a
// column (of any format): a press counted as the key held for one step.
// They still play, by that rule.
inline constexpr std::string_view HeldTapsVersion = "vesbrik-1";
// The format new recordings are written in, and the oldest still read.
inline constexpr uint32_t RecordingFormat = 4;
inline constexpr uint32_t OldestRecordingFormat = 1;
// The first format whose games drew the scenery from a stream of its own.
inline constexpr uint32_t SeparateStreamsFormat = 4;

// Bounds every recording is held to. Four hours of frames at 250 a second
// (the loop makes at most about a thousand a second, and a game of an hour
// at that rate still fits); a frame's time step above an hour is nonsense.
inline constexpr uint32_t MaxRecordedFrames = 4u * 3600u * 250u;
inline constexpr double MaxFrameTime = 3600.0;
inline constexpr size_t MaxRecordingBytes = 64u * 1024u * 1024u;
inline constexpr size_t MaxKeysPerFrame = 255;
inline constexpr size_t MaxFingerprint = 64;

struct RecordedFrame {
    double dt = 0.0;
    uint8_t held = 0; // HeldLeft | HeldRight | HeldDown
    std::vector<uint16_t> keys;

    bool operator==(const RecordedFrame&) const = default;
};

inline constexpr uint8_t HeldLeft = 1;
inline constexpr uint8_t HeldRight = 2;
inline constexpr uint8_t HeldDown = 4;

// How the game stood when it ended.
struct RecordedResult {
    int32_t score = 0;
    int32_t rows = 0;
    int32_t level = 0;

    bool operator==(const RecordedResult&) const = default;
};

// How the recorded game ended. Played: the game was over, or the player
// left it. CutShort: the program was ended in the middle of it (the window
// closed, a stop signal), so its end is only where the recording stops.
enum class RecordedEnd : uint8_t { Played = 0, CutShort = 1 };

struct Recording {
    // The file format it was read from, and is written in.
    uint32_t format = RecordingFormat;
    std::string version{GameVersion};
    // Before SeparateStreamsFormat: the number of variants of each sound
    // group, in the sound bank's order, whose sounds then drew their variants
    // from the one random stream. Empty from that format on.
    std::vector<uint8_t> mediaFingerprint;
    // The rules' random stream at the game's start.
    uint32_t randomState = 0;
    // The board carries these from one game into the next.
    float slideVelocity = 0.0f;
    float fallSpeed = 0.0f;
    // The time the loop carried into the game's first frame: a part of a
    // step, or the backlog of steps after the window was minimised.
    float carriedStepTime = 0.0f;
    std::vector<RecordedFrame> frames;
    RecordedResult result;
    RecordedEnd end = RecordedEnd::Played;

    bool operator==(const Recording&) const = default;
};

// The file's bytes.
std::string encodeRecording(const Recording& recording);

// The recording in bytes, or nothing with the reason in *error.
std::optional<Recording> decodeRecording(std::string_view bytes, std::string* error);

// Reads a file of at most MaxRecordingBytes and decodes it; the reason names
// the file (shown safely) when it cannot be read. Only a regular file is
// opened for reading: a folder, a named pipe or a device is refused at once,
// by what it is, and never waited on.
std::optional<Recording> readRecordingFile(const std::string& path, std::string* error);

// Whether the recorded game drew its scenery from the rules' stream.
inline bool sharesOneRandomStream(const Recording& recording) { return recording.format < SeparateStreamsFormat; }

// Empty when a recording made with `recorded` can play on a game that has
// `current` (same version; for one shared stream, the same media); otherwise
// why not, in words for the player.
std::string compatibilityProblem(const Recording& recorded, std::string_view currentVersion,
                                 const std::vector<uint8_t>& currentFingerprint);
