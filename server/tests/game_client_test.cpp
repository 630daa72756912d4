// The service as the game itself reaches it: through the game's own HTTP
// client, and through aerovell-http-get, which prints what that client got.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cstdio>

#include "echo_values.h"
#include "online/http_client.h"
#include "score_test_support.h"
#include "service_process.h"
#include "test_support.h"

namespace aerovell::scores {
namespace {

using aerovell::testing::TempDir;

class GameClientTest : public ::testing::Test {
 protected:
  GameClientTest()
      : service_(dir_.Path(), {"--db", "scores.sqlite", "--max-per-minute", "0"}),
        base_("http://127.0.0.1:" + std::to_string(service_.Port())) {}

  TempDir dir_;
  testing::ServiceProcess service_;
  std::string base_;
};

TEST_F(GameClientTest, TheGamesClientSubmitsARecordOverOneConnection) {
  ASSERT_GT(service_.Port(), 0) << service_.Log();
  THTTPClient client;
  // What a finished game does: the version request, then the record with the echo value.
  const std::string version = client.Get(base_ + testing::kVersionTarget);
  ASSERT_EQ(version.substr(0, 2), "OK");
  const std::string p = EchoValue(version);
  ASSERT_EQ(p.size(), EchoValues::kLetters) << version;
  const std::string target = testing::ScoreTarget("Иван", 1500, p, "Россия");
  EXPECT_EQ(client.Get(base_ + target), "OK");

  // The replay is refused with an error status, which the game takes as a failure.
  try {
    client.Get(base_ + target);
    ADD_FAILURE() << "a replayed record was taken";
  } catch (const EHTTPProtocolError& e) {
    EXPECT_EQ(e.Code(), 400);
    EXPECT_EQ(e.Body().substr(0, 6), "ERROR ") << e.Body();
  }
  const std::string page = client.Get(base_ + testing::kTableTarget);
  EXPECT_NE(page.find("<td>Иван</td><td>Россия</td><td class=\"n\">1500</td>"), std::string::npos);
  EXPECT_EQ(service_.Stop(SIGTERM), 0);
  EXPECT_NE(service_.Log().find("stopped with 1 records"), std::string::npos) << service_.Log();
}

TEST_F(GameClientTest, TheToolPrintsEachAnswerInOrder) {
  ASSERT_GT(service_.Port(), 0) << service_.Log();
  const std::string command = std::string(AEROVELL_HTTP_GET) + " '" + base_ + testing::kVersionTarget + "' '" + base_ +
                              "/cgi/version.pl?version&prg=Other' '" + base_ + testing::kTableTarget + "'";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0 && out.size() < (1 << 20)) out.append(buffer, n);
  const int status = pclose(pipe);
  EXPECT_EQ(WEXITSTATUS(status), 1) << "one of the three failed";

  const size_t first_line = out.find('\n');
  ASSERT_NE(first_line, std::string::npos) << out;
  EXPECT_EQ(out.substr(0, 3), "OK ");
  const size_t length = std::stoul(out.substr(3, first_line - 3));
  const std::string version = out.substr(first_line + 1, length);
  EXPECT_EQ(version.substr(0, 19), "OK|aerovell-scores|");
  EXPECT_EQ(EchoValue(version).size(), EchoValues::kLetters);
  const std::string rest = out.substr(first_line + 1 + length + 1);
  EXPECT_EQ(rest.substr(0, 6), "ERROR ") << rest.substr(0, 80);
  EXPECT_NE(rest.find("\nOK "), std::string::npos);
  EXPECT_NE(rest.find("<!DOCTYPE html>"), std::string::npos);
}

}  // namespace
}  // namespace aerovell::scores
