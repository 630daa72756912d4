#pragma once

#include <string>

namespace aerovell {

// Every text of the play frame and the game's end dialogs, in the game's code
// page, converted once.
struct TPlayTexts {
  std::string Level, GameOver, Paused;
  std::string YourScore, EnterName, CountryLabel, CountryPrefix, Ok, Cancel;
  std::string SendScore, ToRecordsPage, PleaseWait, CannotConnect, ToServer;
};

const TPlayTexts& PlayTexts();

}  // namespace aerovell
