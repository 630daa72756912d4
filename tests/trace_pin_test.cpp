// The game as it plays today, pinned: whole runs of aerovell-play from the input
// scripts in tests/traces (every menu screen; games by keys and by the mouse to
// their end; pauses of every kind and the focus lost; the exit question; the
// name entry; a record sent and refused, and sent and taken), each trace kept
// as its SHA-256. A single pixel of a single frame, or a single counter, that
// comes out differently changes a digest.
//
// When a change is meant to alter what the game does or shows, run the tests
// with AEROVELL_UPDATE_TRACES=1: each run prints its new digest to copy here,
// in a commit of its own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "play_online_script.h"
#include "run_tool.h"
#include "scripted_http_server.h"
#include "test_support.h"

namespace aerovell {
namespace {

using testing::RunTool;
using testing::ToolResult;

enum class TScoreService { Refusing, Accepting };

struct TPinnedRun {
  const char* name;
  uint32_t seed;
  const char* script;  // under the source tree; empty for the sending script of play_online_script.h
  int frames;          // the frames played: the last one leaves the game, or the run stops there
  TScoreService service;
  const char* sha256;
};

void PrintTo(const TPinnedRun& run, std::ostream* out) { *out << run.name; }

const TPinnedRun kRuns[] = {
    {"menus", 1, "tests/traces/menus.txt", 910, TScoreService::Refusing,
     "1e49ee3bbd0018dc7577464f0c230a7e8146a2b8189eec23dba2ebc0acb03a71"},
    {"level_up", 7, "tests/traces/level_up.txt", 3750, TScoreService::Refusing,
     "c3a728f23fa2762f5317d85ee54564eb6d13d669f016a9465273d42a38fa9595"},
    {"pause_and_send", 3, "tests/traces/pause_and_send.txt", 2358, TScoreService::Refusing,
     "09a427aa062a1658053b2931bff8303d18e521f7bd4c92893746d302d623bad8"},
    {"mouse", 2, "tests/traces/mouse.txt", 1935, TScoreService::Refusing,
     "c90d76e77abc7c2945aa86f2a155fd630d955cf5258aadaf0c30299246c6a51e"},
    {"long_game", 5, "bench/play_input.txt", 8600, TScoreService::Refusing,
     "83eda243532598973ebf6aa7cc52604ade8d8f5fdf89d6e197012335c896ab0d"},
    {"send_taken", testing::kAScoreForTheTableSeed, "", 1260, TScoreService::Accepting,
     "6b35a37b1cb32771b39dd376bc20fa8d13b8492b91aea6e65e523562de78f245"},
};

int Lines(const std::string& text) {
  int n = 0;
  for (char c : text) n += c == '\n';
  return n;
}

class PinnedTrace : public ::testing::TestWithParam<TPinnedRun> {};

TEST_P(PinnedTrace, PlaysAsItDid) {
  const TPinnedRun& run = GetParam();
  testing::TempDir dir;
  std::string script = run.script;
  if (script.empty()) {
    script = (dir / "input.txt").string();
    testing::WriteBytes(script, testing::AScoreForTheTableScript());
  } else {
    script = std::string(AEROVELL_SOURCE_DIR) + "/" + script;
  }
  // The service answers the version request and takes the record, or refuses
  // every connection: both the same on every machine and every run.
  std::optional<testing::TScriptedHttpServer> server;
  std::optional<testing::TRefusingPort> refusing;
  std::string host;
  if (run.service == TScoreService::Accepting) {
    auto ok = [](const std::string& body) {
      return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    };
    server.emplace(std::vector<testing::TScriptedReply>{{ok("OK|Aerovell|1|now|QWERTY|")}, {ok("OK")}});
    host = server->HostPort();
  } else {
    refusing.emplace();
    host = "127.0.0.1:" + std::to_string(refusing->Port());
  }
  const ToolResult r = RunTool(AEROVELL_PLAY,
                               {"--seed", std::to_string(run.seed), "--frames", std::to_string(run.frames), "--input",
                                script, "--trace", "--score-host", host},
                               false);
  ASSERT_EQ(r.code, 0);
  EXPECT_EQ(Lines(r.out), run.frames) << "frames traced";

  // The trace is kept beside the build, to compare with one made before a change.
  const std::filesystem::path kept = std::filesystem::path(AEROVELL_TRACE_DIR) / (std::string(run.name) + ".trace");
  std::filesystem::create_directories(kept.parent_path());
  testing::WriteBytes(kept, {r.out.begin(), r.out.end()});
  const ToolResult sum = RunTool("sha256sum", {kept.string()});
  ASSERT_EQ(sum.code, 0) << sum.out;
  const std::string digest = sum.out.substr(0, 64);
  if (std::getenv("AEROVELL_UPDATE_TRACES")) std::printf("%s %s\n", run.name, digest.c_str());
  EXPECT_EQ(digest, run.sha256) << "the trace of \"" << run.name << "\" changed; it is in " << kept.string();
}

INSTANTIATE_TEST_SUITE_P(Runs, PinnedTrace, ::testing::ValuesIn(kRuns),
                         [](const ::testing::TestParamInfo<TPinnedRun>& info) { return info.param.name; });

}  // namespace
}  // namespace aerovell
