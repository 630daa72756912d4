#include "online/http_response_head.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "online/http_error.h"

namespace aerovell {
namespace {

THTTPResponseHead Take(std::initializer_list<std::string_view> lines) {
  THTTPResponseHead head;
  for (std::string_view line : lines) head.TakeLine(line);
  return head;
}

std::string ErrorOf(std::initializer_list<std::string_view> lines) {
  try {
    Take(lines);
  } catch (const EHTTPError& e) {
    return e.what();
  }
  return "no error";
}

TEST(HttpResponseHead, ReadsTheCodeAfterTheFirstSpaceAndTheTextAfterIt) {
  const struct {
    const char* line;
    int code;
    const char* text;
  } cases[] = {
      {"HTTP/1.1 200 OK\r\n", 200, "OK"},
      {"HTTP/1.0 404 Not Found\n", 404, "Not Found"},
      {"HTTP/1.1 204", 204, ""},
      {"HTTP/1.1 500  Internal  Error \r\n", 500, "Internal  Error"},
      {"HTTP/1.1 2000 OK\r\n", 2000, "OK"},
      {"HTTP/1.1 abc OK\r\n", -1, "abc OK"},
      {"HTTP/1.1  200 OK\r\n", -1, "200 OK"},
      {"HTTP/1.1\r\n", -1, ""},
      {"HTTP/1.1 9999999999 Big\r\n", -1, "Big"},
      {"\r\n", -1, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const THTTPResponseHead head = Take({c.line});
    EXPECT_EQ(head.Code(), c.code);
    EXPECT_EQ(head.StatusText(), c.text);
    EXPECT_FALSE(head.Complete());
  }
  EXPECT_EQ(Take({"HTTP/1.1 404 Not Found\r\n"}).StatusLine(), "HTTP/1.1 404 Not Found");
}

TEST(HttpResponseHead, SkipsContinueAnswersAndCompletesAtTheEmptyLine) {
  const THTTPResponseHead head =
      Take({"HTTP/1.1 100 Continue\r\n", "Location: /first\r\n", "Connection: close\r\n", "Set-Cookie: early=1\r\n",
            "\r\n", "HTTP/1.1 100 Continue\r\n", "\r\n", "HTTP/1.1 200 OK\r\n", "Content-Length: 2\r\n"});
  EXPECT_FALSE(head.Complete());
  EXPECT_EQ(head.Code(), 200);
  // The final answer's own headers decide; cookies of every block count.
  EXPECT_FALSE(head.HasLocation());
  EXPECT_FALSE(head.ConnectionClose());
  EXPECT_EQ(head.SetCookies(), std::vector<std::string>{"early=1"});

  THTTPResponseHead done = Take({"HTTP/1.1 200 OK\r\n", "\r\n"});
  EXPECT_TRUE(done.Complete());
  // Trailer lines of a chunked body change nothing but still count.
  done.TakeLine("Set-Cookie: late=1\r\n");
  done.TakeLine("HTTP/1.1 404 Not Found\r\n");
  EXPECT_EQ(done.Code(), 200);
  EXPECT_TRUE(done.SetCookies().empty());
  EXPECT_EQ(ErrorOf({"HTTP/1.1 200 OK\r\n", "\r\n", std::string(16385, 't')}), "Max line length exceeded.");

  EXPECT_TRUE(Take({"HTTP/1.1 103 Early Hints\r\n", "\r\n"}).Complete());
  EXPECT_TRUE(Take({"HTTP/1.1 404 Not Found\n", "\n"}).Complete());
}

TEST(HttpResponseHead, ReadsTheHeadersWithoutRegardToCase) {
  const struct {
    const char* header;
    bool location;
    bool close;
    const char* cookie;
  } cases[] = {
      {"Location: /elsewhere", true, false, nullptr},
      {"location:", true, false, nullptr},
      {"Connection: close", false, true, nullptr},
      {"CONNECTION:  Close \t", false, true, nullptr},
      {"Proxy-Connection: close", false, true, nullptr},
      {"Connection: keep-alive", false, false, nullptr},
      {"Connection: close, keep-alive", false, false, nullptr},
      {"Set-Cookie: a=1; Path=/", false, false, "a=1; Path=/"},
      {"set-cookie:b=2", false, false, "b=2"},
      {"SET-COOKIE2:  c=3 ", false, false, "c=3"},
      {"Set-Cookie3: d=4", false, false, nullptr},
      {"X-Location: /x", false, false, nullptr},
      // A continuation of the previous header, and a line that is no header.
      {" Location: /x", false, false, nullptr},
      {"\tSet-Cookie: e=5", false, false, nullptr},
      {"Location /x", false, false, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.header);
    const THTTPResponseHead head = Take({"HTTP/1.1 200 OK\r\n", std::string(c.header) + "\r\n", "\r\n"});
    EXPECT_TRUE(head.Complete());
    EXPECT_EQ(head.HasLocation(), c.location);
    EXPECT_EQ(head.ConnectionClose(), c.close);
    EXPECT_EQ(head.SetCookies(), c.cookie ? std::vector<std::string>{c.cookie} : std::vector<std::string>{});
  }
}

// One length, however often it is said, frames the body; two different ones
// would let the client and anything between it and the service read two
// different answers, so the answer is refused.
TEST(HttpResponseHead, RefusesTwoDifferentLengths) {
  const struct {
    std::vector<std::string> headers;
    bool refused;
  } cases[] = {
      {{"Content-Length: 2"}, false},
      {{"Content-Length: 2", "content-length:  2 "}, false},
      {{"Content-Length: 2, 2"}, false},
      {{"Content-Length: 02", "Content-Length: 2"}, false},
      {{"Content-Length: 2", "Content-Length: 9"}, true},
      {{"Content-Length: 9", "CONTENT-LENGTH: 2"}, true},
      {{"Content-Length: 2, 9"}, true},
      {{"Content-Length: 2", "X: y", "Content-Length: 20"}, true},
      {{"Content-Length: 2", "Content-Length:"}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.headers.back());
    THTTPResponseHead head;
    head.TakeLine("HTTP/1.1 200 OK\r\n");
    std::string error = "no error";
    try {
      for (const std::string& h : c.headers) head.TakeLine(h + "\r\n");
      head.TakeLine("\r\n");
    } catch (const EHTTPError& e) {
      error = e.what();
    }
    EXPECT_EQ(error, c.refused ? "Malformed answer: two different Content-Length values." : "no error");
  }
  // The length of a 100 Continue block is its own.
  EXPECT_EQ(ErrorOf({"HTTP/1.1 100 Continue\r\n", "Content-Length: 0\r\n", "\r\n", "HTTP/1.1 200 OK\r\n",
                     "Content-Length: 2\r\n", "\r\n"}),
            "no error");
}

TEST(HttpResponseHead, BoundsEachLineAndTheWholeBlock) {
  const std::string longest(THTTPResponseHead::kMaxLineLength, 'x');
  EXPECT_EQ(ErrorOf({"HTTP/1.1 200 " + longest.substr(13) + "\r\n", "X: " + longest.substr(3) + "\r\n"}), "no error");
  EXPECT_EQ(ErrorOf({"HTTP/1.1 200 " + longest.substr(12) + "\r\n"}), "Max line length exceeded.");
  EXPECT_EQ(ErrorOf({"HTTP/1.1 200 OK\r\n", "X: " + longest.substr(2) + "\n"}), "Max line length exceeded.");
  // The line ends do not count against the line, but against the block.
  const std::string line = "X: " + std::string(1021, 'y') + "\r\n";  // 1026 bytes
  THTTPResponseHead head;
  head.TakeLine("HTTP/1.1 200 OK\r\n");  // 17 bytes
  size_t bytes = 17;
  while (bytes + line.size() <= THTTPResponseHead::kMaxBytes) {
    head.TakeLine(line);
    bytes += line.size();
  }
  head.TakeLine(std::string(THTTPResponseHead::kMaxBytes - bytes, 'z'));
  EXPECT_THROW(
      {
        try {
          head.TakeLine("\n");
        } catch (const EHTTPError& e) {
          EXPECT_STREQ(e.what(), "Response header too large.");
          throw;
        }
      },
      EHTTPError);
}

}  // namespace
}  // namespace aerovell
