#include <gtest/gtest.h>

#include <functional>

#include "front_end_fixture.h"
#include "platform/cp1251.h"
#include "golden_image.h"

namespace aerovell {
namespace {

// Each screen of the front end against its picture in tests/golden. A small
// tolerance absorbs font rasteriser changes; `make golden` rewrites the pictures
// (look at them before committing).
class Golden : public testing::FrontEnd {
 protected:
  void Expect(const std::string& name) {
    Frame();
    testing::ExpectGolden(platform.last_frame, name);
  }
  void Open(int main_item) {
    form->Cursor.MenuItem = static_cast<uint8_t>(main_item);
    Key(vk::kReturn);
  }
};

TEST_F(Golden, MainMenuWithEachItemLit) {
  Start();
  for (int k = 1; k <= 6; ++k) {
    form->Cursor.MenuItem = static_cast<uint8_t>(k);
    form->Menus.UpdateMenuHighlight();
    Expect("main_" + std::to_string(k));
  }
}

TEST_F(Golden, OptionsInEveryState) {
  TmainForm& f = Start();
  Open(2);
  Expect("options");
  Key(vk::kReturn);  // full screen
  Expect("options_full_screen");
  Key(vk::kReturn);
  Key(vk::kDown);
  Key(vk::kReturn);  // music off
  Expect("options_music_off");
  Key(vk::kReturn);
  Key(vk::kDown);
  Key(vk::kReturn);  // sound off
  Expect("options_sound_off");
  Key(vk::kDown);
  Key(vk::kReturn);
  Type("Россия");
  f.Cursor.BlinkCounter = 20;  // the bar is shown
  Expect("options_country_editing");
  Key(vk::kReturn);
  Key(vk::kDown);
  Key(vk::kDown);
  Expect("options_back_selected");
}

TEST_F(Golden, RecordsHelpAndQuestions) {
  TmainForm& f = Start();
  f.Config.HighScores[0].Name.Assign(Utf8ToCp1251("Пилот"));
  f.Config.HighScores[0].Score = 4321;
  Open(3);
  Expect("records");
  Key(vk::kDown);
  Key(vk::kDown);
  Key(vk::kReturn);
  Expect("question_clear_records");
  Key(vk::kEscape);
  Key(vk::kEscape);
  Open(4);
  Key(vk::kRight);
  Key(vk::kRight);
  for (int page = 1; page <= 5; ++page) {
    Expect("help_" + std::to_string(page));
    Key(vk::kReturn);
  }
  Key(vk::kEscape);
  Open(2);
  f.Cursor.MenuItem = 5;
  Key(vk::kReturn);
  Expect("question_hot_key");
  Key(vk::kF1);
  Key(vk::kEscape);
  Key(vk::kEscape);
  Expect("question_exit");
}

}  // namespace
}  // namespace aerovell
