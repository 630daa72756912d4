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

}  // namespace
}  // namespace aerovell::scores
