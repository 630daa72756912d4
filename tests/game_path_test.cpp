#include "platform/game_path.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace aerovell {
namespace {

TEST(GamePath, MatchesComponentsWithoutRegardToCase) {
  testing::TempDir dir;
  std::filesystem::create_directories(dir / "sound");
  testing::WriteBytes(dir / "sound" / "1.xm", {1});
  std::filesystem::create_directories(dir / "data");
  testing::WriteBytes(dir / "data" / "Menu.DXG", {1});

  EXPECT_EQ(GamePath("Sound\\1.xm", dir.Path()), dir / "sound/1.xm");
  EXPECT_EQ(GamePath("data\\menu.dxg", dir.Path()), dir / "data/Menu.DXG");
  EXPECT_EQ(GamePath("data/menu.dxg", dir.Path()), dir / "data/Menu.DXG");
  // Names with no match are kept as written, for files about to be made.
  EXPECT_EQ(GamePath("Config.dat", dir.Path()), dir / "Config.dat");
  EXPECT_EQ(GamePath("nothere\\x.bin", dir.Path()), dir / "nothere/x.bin");
}

}  // namespace
}  // namespace aerovell
