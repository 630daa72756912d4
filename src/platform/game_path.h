#pragma once

#include <filesystem>
#include <string_view>

namespace aerovell {

// The game names its files the way it always has ("data\menu.dxg", "Sound\1.xm").
// This turns such a name into a path below `base`: "\" separates components and
// each component matches an existing entry without regard to ASCII case; a
// component with no match is kept as written (for files about to be created).
std::filesystem::path GamePath(std::string_view game_name, const std::filesystem::path& base);
// The same below the game's folder.
std::filesystem::path GamePath(std::string_view game_name);

// Whether a file of the game's (a companion, "moregames.url") is there, a regular file.
bool GameFileExists(std::string_view game_name);

// The folder the game's own names start from: "." (the working directory)
// unless start-up found the game installed elsewhere. Set once, before the
// main window is made.
void SetGameFolder(std::filesystem::path folder);
const std::filesystem::path& GameFolder();

}  // namespace aerovell
