#include "core/replay_folder.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "settings/atomic_file.h"
#include "settings/game_folders.h"

namespace aerovell {
namespace {

constexpr size_t kStampLength = 19;  // YYYY-MM-DD_HH-MM-SS

bool Digits(const std::string& s, size_t from, size_t count) {
  for (size_t i = from; i < from + count; ++i)
    if (i >= s.size() || s[i] < '0' || s[i] > '9') return false;
  return true;
}

}  // namespace

std::string ReplayFileName(const std::tm& t, uint16_t score) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d_%02d-%02d-%02d_%05u%s", t.tm_year + 1900, t.tm_mon + 1,
                t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, static_cast<unsigned>(score), kReplayExtension);
  return buffer;
}

std::optional<uint16_t> ScoreOfReplayName(const std::string& name) {
  // The stamp, "_", five digits, an optional "-N" telling apart games of the
  // same second, the extension.
  const std::string ext = kReplayExtension;
  if (name.size() < kStampLength + 6 + ext.size() || name.compare(name.size() - ext.size(), ext.size(), ext) != 0)
    return std::nullopt;
  for (size_t i : {4u, 7u, 13u, 16u})
    if (name[i] != '-') return std::nullopt;
  if (name[10] != '_' || name[kStampLength] != '_') return std::nullopt;
  if (!Digits(name, 0, 4) || !Digits(name, 5, 2) || !Digits(name, 8, 2) || !Digits(name, 11, 2) ||
      !Digits(name, 14, 2) || !Digits(name, 17, 2) || !Digits(name, kStampLength + 1, 5))
    return std::nullopt;
  const size_t rest = kStampLength + 6;
  const size_t stem = name.size() - ext.size();
  if (rest != stem && !(name[rest] == '-' && stem - rest >= 2 && stem - rest <= 4 && Digits(name, rest + 1, stem - rest - 1)))
    return std::nullopt;
  const unsigned score = static_cast<unsigned>(std::stoul(name.substr(kStampLength + 1, 5)));
  if (score > 65535) return std::nullopt;
  return static_cast<uint16_t>(score);
}

std::vector<std::string> ReplaysToRemove(std::vector<std::string> names, std::span<const uint16_t> table_scores,
                                         size_t keep_last) {
  std::erase_if(names, [](const std::string& n) { return !ScoreOfReplayName(n); });
  // The stamps sort as the times do; newest first. A "-N" sorts after the
  // plain name of the same second, as it was made after it.
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const std::string sa = a.substr(0, a.size() - 4), sb = b.substr(0, b.size() - 4);
    return sa > sb;
  });
  std::map<uint16_t, int> table_places;
  for (uint16_t s : table_scores)
    if (s != 0) ++table_places[s];
  std::vector<std::string> remove;
  for (size_t i = 0; i < names.size(); ++i) {
    const uint16_t score = *ScoreOfReplayName(names[i]);
    auto place = table_places.find(score);
    const bool in_table = place != table_places.end() && place->second > 0;
    if (in_table) --place->second;
    if (i >= keep_last && !in_table) remove.push_back(names[i]);
  }
  return remove;
}

std::filesystem::path StoreReplay(const std::filesystem::path& folder, const replay::TReplay& replay,
                                  std::span<const uint16_t> table_scores, std::time_t when) {
  const std::vector<uint8_t> bytes = replay::EncodeReplay(replay);
  std::string reason;
  if (!MakePrivateFolder(folder, reason)) throw EInOutError(reason);
  std::tm local{};
  localtime_r(&when, &local);
  std::string name = ReplayFileName(local, replay.summary.score);
  std::error_code ec;
  for (int n = 2; std::filesystem::exists(folder / name, ec) && n < 1000; ++n) {
    std::string base = ReplayFileName(local, replay.summary.score);
    name = base.substr(0, base.size() - 4) + "-" + std::to_string(n) + kReplayExtension;
  }
  const std::filesystem::path path = folder / name;
  WriteFileAtomically(path, bytes);
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) names.push_back(entry.path().filename());
  for (const std::string& old : ReplaysToRemove(std::move(names), table_scores))
    std::filesystem::remove(folder / old, ec);  // one that cannot go stays; the next game tries again
  return path;
}

}  // namespace aerovell
