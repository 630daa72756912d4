#include "platform/game_path.h"

#include <string>
#include <system_error>

#include "platform/ascii_case.h"

namespace aerovell {
namespace {

std::filesystem::path& Folder() {
  static std::filesystem::path folder = ".";
  return folder;
}

std::filesystem::path MatchComponent(const std::filesystem::path& dir, const std::string& name) {
  std::error_code ec;
  if (std::filesystem::exists(dir / name, ec)) return dir / name;
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string entry = it->path().filename().string();
    if (EqualsIgnoringAsciiCase(entry, name)) return it->path();
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

std::filesystem::path GamePath(std::string_view game_name) { return GamePath(game_name, Folder()); }

void SetGameFolder(std::filesystem::path folder) { Folder() = std::move(folder); }

const std::filesystem::path& GameFolder() { return Folder(); }

bool GameFileExists(std::string_view game_name) {
  std::error_code ec;
  return std::filesystem::is_regular_file(GamePath(game_name), ec);
}

}  // namespace aerovell
