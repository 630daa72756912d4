#include "query.h"

#include <algorithm>
#include <array>
#include <vector>

namespace aerovell::scores {
namespace {

constexpr size_t kMaxItems = 8;  // the longest query has three

// Whether `items` are exactly `wanted`, in any order, each once.
template <size_t N>
bool SameItems(std::vector<std::string_view> items, std::array<std::string_view, N> wanted) {
  if (items.size() != N) return false;
  std::sort(items.begin(), items.end());
  std::sort(wanted.begin(), wanted.end());
  return std::equal(items.begin(), items.end(), wanted.begin());
}

Query Of(QueryKind kind, std::string letters = {}) {
  Query query;
  query.kind = kind;
  query.letters = std::move(letters);
  return query;
}

}  // namespace

Query ReadTarget(std::string_view target) {
  const size_t mark = target.find('?');
  if (mark == std::string_view::npos || target.substr(0, mark) != kScriptPath) return {};
  std::string_view rest = target.substr(mark + 1);

  std::vector<std::string_view> items;
  std::string_view letters, p, id;
  bool has_letters = false, has_p = false, has_id = false;
  while (true) {
    if (items.size() == kMaxItems) return {};
    const size_t amp = rest.find('&');
    std::string_view item = rest.substr(0, amp);
    if (item.substr(0, 4) == "inf=") {
      if (has_letters) return {};
      has_letters = true;
      letters = item.substr(4);
      item = "inf=";
    } else if (item.substr(0, 2) == "p=") {
      if (has_p) return {};
      has_p = true;
      p = item.substr(2);
      item = "p=";
    } else if (item.substr(0, 3) == "id=") {
      if (has_id) return {};
      has_id = true;
      id = item.substr(3);
      item = "id=";
    }
    items.push_back(item);
    if (amp == std::string_view::npos) break;
    rest.remove_prefix(amp + 1);
  }

  using Items = std::array<std::string_view, 2>;
  using Items3 = std::array<std::string_view, 3>;
  if (SameItems(items, Items{"version", "prg=Aerovell"})) return Of(QueryKind::kVersion);
  if (SameItems(items, Items3{"hs", "prg=Aerovell", "inf="})) return Of(QueryKind::kScore, std::string(letters));
  using Items4 = std::array<std::string_view, 4>;
  if (SameItems(items, Items3{"prg=Aerovell", "show", "type=0"})) return Of(QueryKind::kTable);
  if (SameItems(items, Items4{"prg=Aerovell", "show", "type=0", "verified"})) {
    Query query = Of(QueryKind::kTable);
    query.verified_only = true;
    return query;
  }
  if (SameItems(items, Items3{"rp", "prg=Aerovell", "p="})) {
    Query query = Of(QueryKind::kReplay);
    query.p = std::string(p);
    return query;
  }
  if (SameItems(items, Items3{"rpfile", "prg=Aerovell", "id="})) {
    // Plain decimal digits, no sign, no leading zero: one spelling per record.
    if (id.empty() || id.size() > 18 || id[0] == '0' ||
        !std::all_of(id.begin(), id.end(), [](char c) { return c >= '0' && c <= '9'; }))
      return {};
    Query query = Of(QueryKind::kReplayFile);
    query.id = std::stoll(std::string(id));
    return query;
  }
  return {};
}

const char* KindName(QueryKind kind) {
  switch (kind) {
    case QueryKind::kVersion: return "version";
    case QueryKind::kScore: return "score";
    case QueryKind::kTable: return "table";
    case QueryKind::kReplay: return "replay";
    case QueryKind::kReplayFile: return "replay-file";
    case QueryKind::kUnknown: break;
  }
  return "unknown";
}

}  // namespace aerovell::scores
