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

}  // namespace

Query ReadTarget(std::string_view target) {
  const size_t mark = target.find('?');
  if (mark == std::string_view::npos || target.substr(0, mark) != kScriptPath) return {};
  std::string_view rest = target.substr(mark + 1);

  std::vector<std::string_view> items;
  std::string_view letters;
  bool has_letters = false;
  while (true) {
    if (items.size() == kMaxItems) return {};
    const size_t amp = rest.find('&');
    std::string_view item = rest.substr(0, amp);
    if (item.substr(0, 4) == "inf=") {
      if (has_letters) return {};
      has_letters = true;
      letters = item.substr(4);
      item = "inf=";
    }
    items.push_back(item);
    if (amp == std::string_view::npos) break;
    rest.remove_prefix(amp + 1);
  }

  using Items = std::array<std::string_view, 2>;
  using Items3 = std::array<std::string_view, 3>;
  if (SameItems(items, Items{"version", "prg=Aerovell"})) return {QueryKind::kVersion, {}};
  if (SameItems(items, Items3{"hs", "prg=Aerovell", "inf="})) return {QueryKind::kScore, std::string(letters)};
  if (SameItems(items, Items3{"prg=Aerovell", "show", "type=0"})) return {QueryKind::kTable, {}};
  return {};
}

const char* KindName(QueryKind kind) {
  switch (kind) {
    case QueryKind::kVersion: return "version";
    case QueryKind::kScore: return "score";
    case QueryKind::kTable: return "table";
    case QueryKind::kUnknown: break;
  }
  return "unknown";
}

}  // namespace aerovell::scores
