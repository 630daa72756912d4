#include "platform/game_path.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <system_error>

namespace aerovell {
namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::filesystem::path MatchComponent(const std::filesystem::path& dir, const std::string& name) {
  std::error_code ec;
  if (std::filesystem::exists(dir / name, ec)) return dir / name;
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string entry = it->path().filename().string();
    if (SameIgnoringCase(entry, name)) return it->path();
  }
  return dir / name;
}

}  // namespace

std::filesystem::path GamePath(std::string_view game_name, const std::filesystem::path& base) {
  std::filesystem::path result = base;
  std::string component;
  auto flush = [&] {
    if (!component.empty() && component != ".") result = MatchComponent(result, component);
    component.clear();
  };
  for (char c : game_name) {
    if (c == '\\' || c == '/') flush();
    else component += c;
  }
  flush();
  return result.lexically_normal();
}

}  // namespace aerovell
