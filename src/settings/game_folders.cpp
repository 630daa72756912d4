#include "settings/game_folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "platform/game_path.h"

namespace aerovell {
namespace {

// Any one of the game's files makes a folder the game's: one with a file
// missing is still the game's folder, where loading then names what is missing.
bool HoldsGameData(const std::filesystem::path& folder) {
  for (const char* name :
       {"data\\menu.dxg", "data\\gamegraphic.dxg", "sound\\gamesound.dxw", kMenuMusic, kPlayMusic}) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(GamePath(name, folder), ec)) return true;
  }
  return false;
}

std::optional<std::string> Environment(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

}  // namespace

FolderClues StartupClues(const std::filesystem::path& install_data_dir,
                         const std::filesystem::path& data_dir_from_bin) {
  FolderClues clues;
  std::error_code ec;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec && !data_dir_from_bin.empty()) clues.install_data_dirs.push_back(program.parent_path() / data_dir_from_bin);
  if (!install_data_dir.empty()) clues.install_data_dirs.push_back(install_data_dir);
  clues.xdg_data_home = Environment("XDG_DATA_HOME");
  clues.home = Environment("HOME");
  if (!clues.home || clues.home->empty()) {
    // A session without HOME (a service, su without a login) still has a home
    // in the password database.
    if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr)
      clues.home = std::string(entry->pw_dir);
  }
  return clues;
}

std::optional<std::filesystem::path> PlayerDataFolder(const FolderClues& clues) {
  // Relative values are to be ignored, by the same rules every desktop program follows.
  if (clues.xdg_data_home && !clues.xdg_data_home->empty() && clues.xdg_data_home->front() == '/')
    return std::filesystem::path(*clues.xdg_data_home) / "aerovell";
  if (clues.home && !clues.home->empty() && clues.home->front() == '/')
    return std::filesystem::path(*clues.home) / ".local" / "share" / "aerovell";
  return std::nullopt;
}

GameFolders ChooseGameFolders(const FolderClues& clues, std::string& problem) {
  problem.clear();
  GameFolders folders;
  if (HoldsGameData(clues.working_dir)) return folders;
  for (const std::filesystem::path& candidate : clues.install_data_dirs) {
    if (!HoldsGameData(candidate)) continue;
    folders.data = candidate.lexically_normal();
    folders.installed = true;
    if (const auto user = PlayerDataFolder(clues)) folders.user = *user;
    else
      problem =
          "no folder for the player's files (neither XDG_DATA_HOME nor HOME is an absolute path); using the working "
          "directory";
    return folders;
  }
  return folders;
}

bool MakePrivateFolder(const std::filesystem::path& folder, std::string& reason) {
  reason.clear();
  std::filesystem::path path;
  for (const auto& part : folder) {
    path /= part;
    if (part == "/" || part.empty()) continue;
    if (::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST) continue;
    reason = "cannot create " + path.string() + ": " + std::strerror(errno);
    return false;
  }
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) {
    reason = "cannot create " + folder.string() + ": " + std::strerror(ENOTDIR);
    return false;
  }
  return true;
}

}  // namespace aerovell
