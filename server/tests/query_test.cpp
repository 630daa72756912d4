#include "query.h"

#include <gtest/gtest.h>

namespace aerovell::scores {
namespace {

TEST(ReadTarget, KnowsTheThreeQueriesAsTheGameWritesThem) {
  const struct {
    std::string target;
    QueryKind kind;
    std::string letters;
  } cases[] = {
      {"/cgi/version.pl?version&prg=Aerovell", QueryKind::kVersion, ""},
      {"/cgi/version.pl?prg=Aerovell&version", QueryKind::kVersion, ""},
      {"/cgi/version.pl?hs&prg=Aerovell&inf=QWER2345", QueryKind::kScore, "QWER2345"},
      {"/cgi/version.pl?hs&prg=Aerovell&inf=", QueryKind::kScore, ""},
      {"/cgi/version.pl?hs&prg=Aerovell&inf=%51%51", QueryKind::kScore, "%51%51"},  // not decoded
      {"/cgi/version.pl?hs&prg=Aerovell&inf=a=b", QueryKind::kScore, "a=b"},
      {"/cgi/version.pl?prg=Aerovell&show&type=0", QueryKind::kTable, ""},
      // Anything else is unknown.
      {"/cgi/version.pl", QueryKind::kUnknown, ""},
      {"/cgi/version.pl?", QueryKind::kUnknown, ""},
      {"/", QueryKind::kUnknown, ""},
      {"/cgi/version.pl/?version&prg=Aerovell", QueryKind::kUnknown, ""},
      {"/cgi/version%2Epl?version&prg=Aerovell", QueryKind::kUnknown, ""},
      {"/CGI/version.pl?version&prg=Aerovell", QueryKind::kUnknown, ""},
      {"/cgi/version.pl?version&prg=aerovell", QueryKind::kUnknown, ""},
      {"/cgi/version.pl?version&prg=Other", QueryKind::kUnknown, ""},
      {"/cgi/version.pl?version", QueryKind::kUnknown, ""},
      {"/cgi/version.pl?version&prg=Aerovell&", QueryKind::kUnknown, ""},
      {"/cgi/version.pl?version&prg=Aerovell&x", QueryKind::kUnknown, ""},
      {"/cgi/version.pl?version&version&prg=Aerovell", QueryKind::kUnknown, ""},
      {"/cgi/version.pl?version&hs&prg=Aerovell", QueryKind::kUnknown, ""},
      {"/cgi/version.pl?hs&prg=Aerovell", QueryKind::kUnknown, ""},
      {"/cgi/version.pl?hs&prg=Aerovell&inf=QQ&inf=QQ", QueryKind::kUnknown, ""},
      {"/cgi/version.pl?prg=Aerovell&show&type=1", QueryKind::kUnknown, ""},
      {"/cgi/version.pl?prg=Aerovell&show", QueryKind::kUnknown, ""},
      {"/cgi/version.pl?prg%3DAerovell&show&type=0", QueryKind::kUnknown, ""},
      {"/cgi/version.pl?&&&&&&&&&&&&&&&&&&&&", QueryKind::kUnknown, ""},
      {"", QueryKind::kUnknown, ""},
  };
  for (const auto& c : cases) {
    const Query q = ReadTarget(c.target);
    EXPECT_EQ(q.kind, c.kind) << c.target;
    EXPECT_EQ(q.letters, c.letters) << c.target;
  }
}

TEST(ReadTarget, KnowsTheReplayQueriesAndTheVerifiedTable) {
  const struct {
    std::string target;
    QueryKind kind;
    std::string p;
    bool verified_only;
    int64_t id;
  } cases[] = {
      {"/cgi/version.pl?prg=Aerovell&show&type=0&verified", QueryKind::kTable, "", true, 0},
      {"/cgi/version.pl?verified&prg=Aerovell&show&type=0", QueryKind::kTable, "", true, 0},
      {"/cgi/version.pl?prg=Aerovell&show&type=0", QueryKind::kTable, "", false, 0},
      {"/cgi/version.pl?rp&prg=Aerovell&p=ABCDEFGH23456789", QueryKind::kReplay, "ABCDEFGH23456789", false, 0},
      {"/cgi/version.pl?p=AB&rp&prg=Aerovell", QueryKind::kReplay, "AB", false, 0},
      {"/cgi/version.pl?rp&prg=Aerovell&p=", QueryKind::kReplay, "", false, 0},  // the service refuses it
      {"/cgi/version.pl?rpfile&prg=Aerovell&id=42", QueryKind::kReplayFile, "", false, 42},
      // Anything else is unknown.
      {"/cgi/version.pl?rp&prg=Aerovell", QueryKind::kUnknown, "", false, 0},
      {"/cgi/version.pl?rp&prg=Aerovell&p=A&p=B", QueryKind::kUnknown, "", false, 0},
      {"/cgi/version.pl?rp&prg=Aerovell&p=A&id=1", QueryKind::kUnknown, "", false, 0},
      {"/cgi/version.pl?rpfile&prg=Aerovell&id=", QueryKind::kUnknown, "", false, 0},
      {"/cgi/version.pl?rpfile&prg=Aerovell&id=042", QueryKind::kUnknown, "", false, 0},
      {"/cgi/version.pl?rpfile&prg=Aerovell&id=-1", QueryKind::kUnknown, "", false, 0},
      {"/cgi/version.pl?rpfile&prg=Aerovell&id=1x", QueryKind::kUnknown, "", false, 0},
      {"/cgi/version.pl?rpfile&prg=Aerovell&id=9999999999999999999", QueryKind::kUnknown, "", false, 0},
      {"/cgi/version.pl?prg=Aerovell&show&type=0&verified&verified", QueryKind::kUnknown, "", false, 0},
  };
  for (const auto& c : cases) {
    const Query q = ReadTarget(c.target);
    EXPECT_EQ(q.kind, c.kind) << c.target;
    EXPECT_EQ(q.p, c.p) << c.target;
    EXPECT_EQ(q.verified_only, c.verified_only) << c.target;
    EXPECT_EQ(q.id, c.id) << c.target;
  }
}

}  // namespace
}  // namespace aerovell::scores
