// The command lines of the game and its tools: --help (and -h) prints the
// usage, one line per option, on standard output and ends with status 0.
#include <gtest/gtest.h>

#include <algorithm>

#include "run_tool.h"

namespace aerovell {
namespace {

using testing::RunTool;
using testing::ToolResult;

TEST(CommandLine, EveryProgramExplainsItselfOnHelp) {
  const struct {
    const char* binary;
    const char* program;
  } cases[] = {
      {AEROVELL_GAME, "aerovell"},
      {AEROVELL_PLAY, "aerovell-play"},
      {AEROVELL_HTTP_GET, "aerovell-http-get"},
      {AEROVELL_DXG, "aerovell-dxg"},
      {AEROVELL_LONG_REPLAY, "aerovell-long-replay"},
  };
  for (const auto& c : cases) {
    for (const char* flag : {"--help", "-h"}) {
      SCOPED_TRACE(std::string(c.program) + " " + flag);
      const ToolResult r = RunTool(c.binary, {flag}, false);
      EXPECT_EQ(r.code, 0);
      EXPECT_EQ(testing::UsageProblem(r.out, c.program), "") << r.out;
    }
  }
}

TEST(CommandLine, TheGameTellsItsVersion) {
  // Answered before any display is opened, so it works anywhere.
  const ToolResult r = RunTool(AEROVELL_GAME, {"--version"}, false);
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out.rfind("Aerovell ", 0), 0u) << r.out;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
}

}  // namespace
}  // namespace aerovell
