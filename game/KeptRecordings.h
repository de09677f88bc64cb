#pragma once
// The recordings the game keeps for the high-score table, and when it may
// remove one. A game that enters the table keeps its recording under a name
// of the game's own, "game-SECONDS-SCORE.vrp" ("-2", "-3" ... added for a
// second game of that second and score), which its entry names. Such a file
// is removed only when no table names it any more: neither the table in use
// nor any copy of the table kept aside (hiscore.xml.unreadable-DATE, see
// files/FileProblems.h), so a kept copy never points at recordings that are
// gone. Every other file in the folder (last.vrp, a recording the player put
// there, anything else) is the player's and never removed.
#include <filesystem>
#include <string>
#include <string_view>

class CHighScoreTable;

// The name of a kept recording; copy 1 is the plain name, later copies add
// their number.
std::string keptRecordingName(long long seconds, int score, int copy);

// Whether name is one the game gives a kept recording: "game-", numbers
// joined by "-", ".vrp".
bool isKeptRecordingName(std::string_view name);

// Removes from folder the kept recordings that neither the table nor any
// copy of its file kept aside names. A copy is read as text, whole or cut
// in half, parsed or not: a kept name anywhere in it keeps that recording.
// A copy that cannot be read through (unopenable, too large) keeps every
// kept recording, as does a table folder that cannot be looked through.
// Only plain files are removed, never links or folders. Returns how many
// were removed.
int removeUnnamedRecordings(const std::filesystem::path& folder, const CHighScoreTable& table);
