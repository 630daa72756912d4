#pragma once

#include <string>

namespace aerovell {

// Every text the menus draw, in the game's code page, converted once.
struct TMenuTexts {
  std::string Options, Mode, Music, Sound, Country, HotKey, Windowed, SlashFullScreen, WindowedSlash, FullScreen, On,
      SlashOff, OnSlash, Off, Back, Place, Name, Points, ViewOnline, ClearRecords, Previous, Next, ReallyWant,
      ClearRecordsQuestion, PressKey;
  std::string HelpTitles[5];
};

const TMenuTexts& MenuTexts();

}  // namespace aerovell
