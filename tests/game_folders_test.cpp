#include "settings/game_folders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/game_path.h"
#include "test_support.h"

namespace aerovell {
namespace {

using testing::TempDir;

void MakeGameData(const std::filesystem::path& folder, const char* menu_name = "data/menu.dxg") {
  std::filesystem::create_directories((folder / menu_name).parent_path());
  testing::WriteBytes(folder / menu_name, {1});
}

class GameFoldersTest : public ::testing::Test {
 protected:
  FolderClues Clues() const {
    FolderClues clues;
    clues.working_dir = dir / "cwd";
    clues.install_data_dirs = {dir / "moved/share/aerovell", dir / "usr/share/aerovell"};
    clues.home = (dir / "home").string();
    return clues;
  }
  TempDir dir;
  void SetUp() override { std::filesystem::create_directories(dir / "cwd"); }
};

// Started where the data is, the game works in that folder as it always has:
// the data, config.dat and the companions relative to the working directory.
TEST_F(GameFoldersTest, AWorkingFolderWithTheDataKeepsEverythingThere) {
  MakeGameData(dir / "cwd", "Sound/GAMESOUND.dxw");  // any one file; names match without regard to case
  MakeGameData(dir / "usr/share/aerovell");
  std::string problem;
  const GameFolders folders = ChooseGameFolders(Clues(), problem);
  EXPECT_FALSE(folders.installed);
  EXPECT_EQ(folders.data, ".");
  EXPECT_EQ(folders.ConfigPath(), "config.dat");
  EXPECT_TRUE(problem.empty());
}

TEST_F(GameFoldersTest, AnInstalledGameReadsItsDataThereAndWritesInThePlayersFolder) {
  struct Case {
    const char* name;
    std::vector<const char*> installed;  // install folders holding data
    std::optional<std::string> xdg;
    std::filesystem::path data;
    std::filesystem::path user;
  };
  const std::filesystem::path home_data = dir / "home/.local/share/aerovell";
  const Case cases[] = {
      {"the built-in folder", {"usr/share/aerovell"}, std::nullopt, dir / "usr/share/aerovell", home_data},
      {"beside the program first",
       {"moved/share/aerovell", "usr/share/aerovell"},
       std::nullopt,
       dir / "moved/share/aerovell",
       home_data},
      {"XDG_DATA_HOME",
       {"usr/share/aerovell"},
       (dir / "xdg").string(),
       dir / "usr/share/aerovell",
       dir / "xdg/aerovell"},
      {"an empty XDG_DATA_HOME", {"usr/share/aerovell"}, "", dir / "usr/share/aerovell", home_data},
      {"a relative XDG_DATA_HOME", {"usr/share/aerovell"}, "rel/data", dir / "usr/share/aerovell", home_data},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(dir / "moved");
    std::filesystem::remove_all(dir / "usr");
    for (const char* folder : c.installed) MakeGameData(dir / folder);
    FolderClues clues = Clues();
    clues.xdg_data_home = c.xdg;
    std::string problem;
    const GameFolders folders = ChooseGameFolders(clues, problem);
    EXPECT_TRUE(folders.installed);
    EXPECT_EQ(folders.data, c.data);
    EXPECT_EQ(folders.ConfigPath(), c.user / "config.dat");
    EXPECT_TRUE(problem.empty()) << problem;
  }
}

TEST_F(GameFoldersTest, WithoutAnyHomeTheInstalledGameSaysSoAndUsesTheWorkingFolder) {
  MakeGameData(dir / "usr/share/aerovell");
  FolderClues clues = Clues();
  clues.home = "";
  clues.xdg_data_home = "relative";
  std::string problem;
  const GameFolders folders = ChooseGameFolders(clues, problem);
  EXPECT_TRUE(folders.installed);
  EXPECT_EQ(folders.ConfigPath(), "config.dat");
  EXPECT_NE(problem.find("no folder for the player's files"), std::string::npos) << problem;
}

// No data anywhere: as before, in the working folder, where loading then names
// the missing file.
TEST_F(GameFoldersTest, NoDataAnywhereMeansTheWorkingFolder) {
  std::filesystem::create_directories(dir / "usr/share/aerovell/data");  // a folder, but no file
  std::string problem;
  const GameFolders folders = ChooseGameFolders(Clues(), problem);
  EXPECT_FALSE(folders.installed);
  EXPECT_EQ(folders.data, ".");
  EXPECT_EQ(folders.ConfigPath(), "config.dat");
}

TEST_F(GameFoldersTest, ThePlayersFolderIsMadePrivateWithItsParents) {
  const std::filesystem::path folder = dir / "home/.local/share/aerovell";
  std::string reason;
  ASSERT_TRUE(MakePrivateFolder(folder, reason)) << reason;
  for (const auto& made : {folder, folder.parent_path(), folder.parent_path().parent_path()}) {
    struct stat st {};
    ASSERT_EQ(::stat(made.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u) << made;
  }
  // An existing folder stays as it is.
  std::filesystem::permissions(folder, std::filesystem::perms::owner_all | std::filesystem::perms::group_read);
  EXPECT_TRUE(MakePrivateFolder(folder, reason)) << reason;
  struct stat st {};
  ASSERT_EQ(::stat(folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0740u);
}

TEST_F(GameFoldersTest, AFolderThatCannotBeMadeIsReportedWithTheReason) {
  testing::WriteBytes(dir / "file", {1});
  std::string reason;
  EXPECT_FALSE(MakePrivateFolder(dir / "file/aerovell", reason));
  EXPECT_NE(reason.find("cannot create " + (dir / "file/aerovell").string() + ": Not a directory"), std::string::npos)
      << reason;
}

// The game folder moves the base of every one of the game's own names.
TEST(GameFolder, TheGamesNamesStartAtTheChosenFolder) {
  TempDir dir;
  MakeGameData(dir.Path(), "DATA/Menu.dxg");
  EXPECT_EQ(GameFolder(), ".");
  SetGameFolder(dir.Path());
  EXPECT_EQ(GamePath("data\\menu.dxg"), dir / "DATA/Menu.dxg");
  EXPECT_FALSE(GameFileExists("play.url"));
  testing::WriteBytes(dir / "play.url", {1});
  EXPECT_TRUE(GameFileExists("play.url"));
  SetGameFolder(".");
  EXPECT_EQ(GamePath("data\\menu.dxg"), "data/menu.dxg");
}

}  // namespace
}  // namespace aerovell
