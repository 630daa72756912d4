#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "online/score_codec.h"
#include "platform/cp1251.h"

namespace aerovell::scores::testing {

inline constexpr const char* kVersionTarget = "/cgi/version.pl?version&prg=Aerovell";
inline constexpr const char* kTableTarget = "/cgi/version.pl?prg=Aerovell&show&type=0";
inline constexpr std::string_view kScorePrefix = "/cgi/version.pl?hs&prg=Aerovell&inf=";

// The score request the game makes for a record (name and country in UTF-8 here).
inline std::string ScoreTarget(std::string_view name, uint16_t score, std::string_view p, std::string_view country) {
  return std::string(kScorePrefix) + ScoreLettersOf(ScoreInfo(Utf8ToCp1251(name), score, p, Utf8ToCp1251(country)));
}

// The same with an info text of our own making, damaged as a test wants it.
inline std::string ScoreTargetOfInfo(std::string info) {
  while (info.size() % 5) info += '0';
  return std::string(kScorePrefix) + ScoreLettersOf(info);
}

}  // namespace aerovell::scores::testing
