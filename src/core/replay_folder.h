#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "replay/replay.h"

namespace aerovell {

// The folder of the player's replays: every game the game plays is kept there
// as "YYYY-MM-DD_HH-MM-SS_SCORE.avr" (local time of its end), the last 50 of
// them and those of the games in the records table, the others removed.
inline constexpr size_t kReplaysKept = 50;
inline constexpr const char* kReplayExtension = ".avr";

std::string ReplayFileName(const std::tm& local_time, uint16_t score);

// The score a replay's name gives; nullopt for a name that is not one of ours
// (such files are left alone).
std::optional<uint16_t> ScoreOfReplayName(const std::string& name);

// Of the names in the folder, those to remove: all of ours but the `keep_last`
// newest and, for each score in the table, as many of the newest with that
// score as the table holds it.
std::vector<std::string> ReplaysToRemove(std::vector<std::string> names, std::span<const uint16_t> table_scores,
                                         size_t keep_last = kReplaysKept);

// Writes the replay (atomically) into the folder, made when missing, then
// prunes it. Returns the file written; throws EInOutError or EReplayError.
std::filesystem::path StoreReplay(const std::filesystem::path& folder, const replay::TReplay& replay,
                                  std::span<const uint16_t> table_scores, std::time_t when);

}  // namespace aerovell
