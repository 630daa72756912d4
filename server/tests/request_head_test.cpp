#include "request_head.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "fuzz_targets.h"
#include "test_support.h"

namespace aerovell::scores {
namespace {

using Headers = std::vector<std::pair<std::string_view, std::string_view>>;

// The game's own head: Content-Type on a GET without a body, no Connection.
const Headers kGameHeaders = {{"Content-Type", "text/html"},
                              {"Host", "scores.example:8642"},
                              {"Accept", "text/html, */*"},
                              {"User-Agent", "Mozilla/3.0 (compatible; Aerovell)"}};

// A head with the size it has written the usual way, plus `extra` bytes.
RequestHead Head(std::string_view method, std::string_view target, Headers headers = kGameHeaders,
                 std::string_view version = "HTTP/1.1", long extra = 0) {
  RequestHead head{method, target, version, std::move(headers), 0};
  head.wire_bytes = method.size() + 1 + target.size() + 1 + version.size() + 4;
  for (const auto& [n, v] : head.headers) head.wire_bytes += n.size() + v.size() + 4;
  head.wire_bytes = static_cast<size_t>(static_cast<long>(head.wire_bytes) + extra);
  return head;
}

TEST(CheckHead, TakesWhatTheGameAndBrowsersSend) {
  const std::string long_target = "/cgi/version.pl?hs&prg=Aerovell&inf=" + std::string(8192 - 36, 'Q');
  const RequestHead heads[] = {
      Head("GET", "/cgi/version.pl?version&prg=Aerovell"),
      Head("GET", "/cgi/version.pl?prg=Aerovell&show&type=0", {{"Host", "x"}, {"Content-Length", "0"}}),
      Head("GET", "/", {{"Host", "x"}, {"X-Empty", ""}}, "HTTP/1.0"),
      Head("GET", "/", {{"Host", "x"}, {"Cookie", "a=\xD0\x98"}, {"X-Tab", "a\tb"}}),
      Head("GET", "/", {{"Host", "x"}}, "HTTP/1.1", -3),  // LF alone ends its lines
      Head("GET", long_target),
  };
  for (const auto& head : heads) EXPECT_FALSE(CheckHead(head)) << head.target.substr(0, 60);
}

TEST(CheckHead, RefusesEachBadHeadWithItsReason) {
  const std::string too_long = "/" + std::string(8192, 'a');
  Headers many;
  for (int i = 0; i < 65; ++i) many.emplace_back("X-A", "b");
  const struct {
    const char* what;
    RequestHead head;
    int status;
    const char* reason;
  } cases[] = {
      {"a long target", Head("GET", too_long), 414, "request target longer than 8192 bytes"},
      {"a big head", Head("GET", "/", {{"X-Big", std::string_view(too_long).substr(0, 8000)}}, "HTTP/1.1", 9000), 431,
       "request head larger than 16384 bytes"},
      {"many header lines", Head("GET", "/", many), 431, "more than 64 header lines"},
      {"a control byte in a value", Head("GET", "/", {{"X-A", "a\x01z"}}), 400, "control bytes in the request head"},
      {"a bare CR in a value", Head("GET", "/", {{"Host", "x\rY: z"}}), 400, "control bytes in the request head"},
      {"DEL in the target", Head("GET", "/a\x7f"), 400, "control bytes in the request head"},
      {"a line break in the target", Head("GET", "/a\nb"), 400, "control bytes in the request head"},
      {"a blank in a header name", Head("GET", "/", {{"Host Folded: y", "x"}}), 400, "malformed header name"},
      {"an empty header name", Head("GET", "/", {{"", "x"}}), 400, "malformed header name"},
      {"a strange method", Head("G(T", "/"), 400, "malformed method"},
      // The library shows a value only up to a NUL: the rest is on the wire alone.
      {"a NUL in a value", Head("GET", "/", {{"X-N", "ab"}}, "HTTP/1.1", 3), 400,
       "a NUL or stray bytes in the request head"},
      {"a NUL in the target", Head("GET", "/cgi/version.pl?version&prg=Aerovell", kGameHeaders, "HTTP/1.1", 5), 400,
       "a NUL or stray bytes in the request head"},
      {"HTTP/1.2", Head("GET", "/", {}, "HTTP/1.2"), 505, "HTTP version not supported"},
      {"HTTP/2.0", Head("GET", "/", {}, "HTTP/2.0"), 505, "HTTP version not supported"},
      {"a body", Head("GET", "/", {{"Content-Length", "5"}}), 400, "request bodies are refused"},
      {"a chunked body", Head("GET", "/", {{"Transfer-Encoding", "chunked"}}), 400, "request bodies are refused"},
      {"two lengths, 0 first", Head("GET", "/", {{"Content-Length", "0"}, {"Content-Length", "66"}}), 400,
       "two Content-Length headers"},
      {"two lengths, 66 first", Head("GET", "/", {{"content-length", "66"}, {"Content-Length", "0"}}), 400,
       "two Content-Length headers"},
      {"two equal lengths", Head("GET", "/", {{"Content-Length", "0"}, {"Content-Length", "0"}}), 400,
       "two Content-Length headers"},
      {"two encodings", Head("GET", "/", {{"Transfer-Encoding", "gzip"}, {"TRANSFER-ENCODING", "chunked"}}), 400,
       "two Transfer-Encoding headers"},
      {"a length that is no number", Head("GET", "/", {{"Content-Length", "+5"}}), 400, "unreadable Content-Length"},
      {"HEAD", Head("HEAD", "/cgi/version.pl?version&prg=Aerovell"), 405, "only GET is served"},
      {"POST without a body", Head("POST", "/cgi/version.pl?version&prg=Aerovell"), 405, "only GET is served"},
      {"POST with a body", Head("POST", "/", {{"Content-Length", "3"}}), 400, "request bodies are refused"},
  };
  for (const auto& c : cases) {
    const auto refusal = CheckHead(c.head);
    ASSERT_TRUE(refusal) << c.what;
    EXPECT_EQ(refusal->status, c.status) << c.what;
    EXPECT_EQ(refusal->reason, c.reason) << c.what;
  }
}

TEST(CheckHead, ARouteThatTakesABodyTakesOnlyWhatItNames) {
  const RouteRules upload{"POST", 256 * 1024};
  EXPECT_FALSE(CheckHead(Head("POST", "/r", {{"Content-Length", "262144"}}), upload));
  EXPECT_FALSE(CheckHead(Head("POST", "/r", {}), upload));
  const auto big = CheckHead(Head("POST", "/r", {{"Content-Length", "262145"}}), upload);
  ASSERT_TRUE(big);
  EXPECT_EQ(big->status, 413);
  const auto chunked = CheckHead(Head("POST", "/r", {{"Transfer-Encoding", "chunked"}}), upload);
  ASSERT_TRUE(chunked);
  EXPECT_EQ(chunked->reason, "a body must come with a Content-Length");
  EXPECT_EQ(CheckHead(Head("GET", "/r"), upload)->status, 405);
}

TEST(CheckHead, JoinsTheValuesOfOneHeader) {
  const RequestHead head =
      Head("GET", "/", {{"X-Forwarded-For", "1.1.1.1"}, {"Host", "x"}, {"x-forwarded-for", "2.2.2.2"}});
  EXPECT_EQ(JoinedHeader(head, "X-Forwarded-For"), "1.1.1.1,2.2.2.2");
  EXPECT_EQ(JoinedHeader(head, "Accept"), "");
}

// Every seed of the fuzz target (and every input it found worth keeping).
TEST(CheckHead, TheFuzzCorpusReplaysCleanly) {
  int files = 0;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::filesystem::path(AEROVELL_FUZZ_CORPUS_DIR) / "request_head")) {
    const auto bytes = aerovell::testing::ReadBytes(entry.path());
    fuzz::RequestHead(bytes.data(), bytes.size());
    ++files;
  }
  EXPECT_GT(files, 0);
}

}  // namespace
}  // namespace aerovell::scores
