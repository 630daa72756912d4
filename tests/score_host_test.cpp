#include <gtest/gtest.h>

#include "settings/score_service.h"

namespace aerovell {
namespace {

// The run-time address goes into request lines and into a link the desktop
// opens, so only plain host:port values pass.
TEST(ScoreHost, OnlyPlainHostAndPortPass) {
  struct Case {
    std::string value;
    const char* reason;  // nullptr: accepted
  };
  const Case cases[] = {
      {"scores.example.org:8642", nullptr},
      {"localhost:80", nullptr},
      {"127.0.0.1:8642", nullptr},
      {"[::1]:8642", nullptr},
      {"a-b.c1:65535", nullptr},
      {"scores.example.org", "no port"},
      {"[::1]", "no port"},
      {"", "no port"},
      {":8642", "the host may hold only"},
      {"bad host:80", "the host may hold only"},
      {"a/b:80", "the host may hold only"},
      {"user@host:80", "the host may hold only"},
      {"host?x=1:80", "the host may hold only"},
      {"-host:80", "the host may hold only"},
      {"host..org:80", "the host may hold only"},
      {"h\r\nX: y:80", "the host may hold only"},
      {"[::1%eth0]:80", "the host may hold only"},
      {"[]:80", "the host may hold only"},
      {"host:0", "the port must be"},
      {"host:65536", "the port must be"},
      {"host:", "the port must be"},
      {"host:8a", "the port must be"},
      {"host:-1", "the port must be"},
      {"host:99999999999999999999", "the port must be"},
      {std::string(253, 'h') + ":80", "longer than 255"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    std::string reason;
    const auto host = CheckScoreHost(c.value, reason);
    if (c.reason == nullptr) {
      ASSERT_TRUE(host) << reason;
      EXPECT_EQ(*host, c.value);
    } else {
      EXPECT_FALSE(host);
      EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
    }
  }
  std::string reason;
  EXPECT_TRUE(CheckScoreHost(std::string(252, 'h') + ":80", reason)) << reason;  // 255 exactly
}

}  // namespace
}  // namespace aerovell
