#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "online/http_client.h"
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

// What a finished game does, through the game's own HTTP client (one
// connection for both): a version request, then the score request with its
// echo value. The answer ("OK"), or what went wrong.
inline std::string SubmitAsTheGame(int port, std::string_view name, uint16_t score, std::string_view country) {
  const std::string base = "http://127.0.0.1:" + std::to_string(port);
  try {
    THTTPClient client(std::chrono::seconds(2), std::chrono::seconds(10));
    const std::string version = client.Get(base + kVersionTarget);
    if (version.substr(0, 2) != "OK") return "no version: " + version;
    return client.Get(base + ScoreTarget(name, score, EchoValue(version), country));
  } catch (const EHTTPError& e) {
    return std::string("ERROR ") + e.what();
  }
}

}  // namespace aerovell::scores::testing
