#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace aerovell {

// The game's music by its own names: the menus' song and the song of play.
inline constexpr const char* kMenuMusic = "sound\\1.xm";
inline constexpr const char* kPlayMusic = "sound\\2.xm";

// Where a run of the game reads its data and keeps what it writes.
//
// Started in a folder that holds the game's data (any of its five files: the
// build's game folder, or any copy of it), everything stays in that working
// directory, as it always has: the data, config.dat, the companion files. Otherwise the game looks for
// an installed copy of its data, first relative to its own program (an install
// that was moved, or one below DESTDIR), then in the folder it was built to be
// installed in. An installed game reads its data there and keeps config.dat in
// the player's data folder, $XDG_DATA_HOME/aerovell (~/.local/share/aerovell by
// default). With no data anywhere it behaves as in the working directory, where
// the missing file is then reported by name.
struct GameFolders {
  std::filesystem::path data = ".";  // the game's own names start here
  std::filesystem::path user;        // config.dat lives here; empty: the working directory
  bool installed = false;

  std::filesystem::path ConfigPath() const { return user / "config.dat"; }
};

// What the choice looks at, gathered by StartupClues() or set by tests.
struct FolderClues {
  std::filesystem::path working_dir = ".";
  std::vector<std::filesystem::path> install_data_dirs;  // in the order to try
  std::optional<std::string> xdg_data_home;
  std::optional<std::string> home;
};

// The clues of this process: its environment, its program's path and the
// install folder compiled into the game (`data_dir_from_bin` is the data
// folder's path relative to the folder of the program).
FolderClues StartupClues(const std::filesystem::path& install_data_dir, const std::filesystem::path& data_dir_from_bin);

// Chooses the folders; `problem` tells why an installed game has no folder of
// the player's (no HOME), and the working directory is used instead.
GameFolders ChooseGameFolders(const FolderClues& clues, std::string& problem);

// The player's data folder: $XDG_DATA_HOME/aerovell when XDG_DATA_HOME is an
// absolute path, else $HOME/.local/share/aerovell; nullopt without either.
std::optional<std::filesystem::path> PlayerDataFolder(const FolderClues& clues);

// Makes `folder` and any missing parents, private to the player (mode 0700)
// as the desktop's rules for these folders ask. False with `reason` set when
// that fails; an existing folder is left as it is.
bool MakePrivateFolder(const std::filesystem::path& folder, std::string& reason);

}  // namespace aerovell
