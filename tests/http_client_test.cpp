#include "online/http_client.h"

#include <gtest/gtest.h>

#include <optional>

#include "scripted_http_server.h"

namespace aerovell {
namespace {

using namespace std::chrono_literals;
using testing::TScriptedHttpServer;
using testing::TScriptedReply;

std::string RequestHead(const std::string& target, const std::string& host_port, const std::string& cookie = "") {
  return "GET " + target + " HTTP/1.1\r\nHost: " + host_port +
         "\r\nContent-Type: text/html\r\nAccept: text/html, */*\r\n"
         "User-Agent: Mozilla/3.0 (compatible; Aerovell)\r\n" +
         (cookie.empty() ? "" : "Cookie: " + cookie + "\r\n") + "\r\n";
}

TScriptedReply Ok(const std::string& body, const std::string& headers = "") {
  return {"HTTP/1.1 200 OK\r\n" + headers + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body};
}

std::string Repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

// What a Get ended with: the body, or the error's message (and, for a
// protocol error, its code, text and body).
struct Outcome {
  std::optional<std::string> body;
  std::string message;
  bool protocol = false;
  int code = 0;
  std::string status_text;
  std::string error_body;
};

Outcome Fetch(THTTPClient& client, const std::string& url,
              THTTPClient::Deadline deadline = THTTPClient::Deadline::max()) {
  Outcome out;
  try {
    out.body = client.Get(url, deadline);
  } catch (const EHTTPProtocolError& e) {
    out.message = e.what();
    out.protocol = true;
    out.code = e.Code();
    out.status_text = e.StatusText();
    out.error_body = e.Body();
  } catch (const EHTTPError& e) {
    out.message = e.what();
  }
  return out;
}

TEST(HttpClient, PutsExactlyTheGamesRequestOnTheWire) {
  const struct {
    const char* target;  // appended to the server's address
    const char* sent;
  } cases[] = {
      {"/cgi/version.pl?version&prg=Aerovell", "/cgi/version.pl?version&prg=Aerovell"},
      {"/cgi/version.pl?hs&prg=Aerovell&inf=abcdefgh", "/cgi/version.pl?hs&prg=Aerovell&inf=abcdefgh"},
      // Spaces, Cyrillic in UTF-8 and in Windows-1251, a percent sign: all unencoded.
      {"/a b/\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82?name=\xC8\xE2\xE0\xED &x=%41",
       "/a b/\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82?name=\xC8\xE2\xE0\xED &x=%41"},
      {"\\cgi\\version.pl?a\\b", "/cgi/version.pl?a/b"},
      {"", "/"},
      {"?only=query", "/?only=query"},
  };
  std::vector<TScriptedReply> replies;
  for (size_t i = 0; i < std::size(cases); ++i) replies.push_back(Ok("OK"));
  TScriptedHttpServer server(replies);
  THTTPClient client;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.target);
    EXPECT_EQ(client.Get("http://" + server.HostPort() + c.target), "OK");
  }
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(requests[i], RequestHead(cases[i].sent, server.HostPort()));
  // A URL without a scheme is plain HTTP all the same.
  TScriptedHttpServer second({Ok("OK")});
  EXPECT_EQ(client.Get(second.HostPort() + "/x"), "OK");
  EXPECT_EQ(second.Requests().at(0), RequestHead("/x", second.HostPort()));
}

// The replay's POST: its body as given, no 100-continue round trip, and the
// handle back to the game's exact GET for the next request.
TEST(HttpClient, PostsABodyAndThenGetsAsBefore) {
  TScriptedReply closing = Ok("OK");
  closing.close = true;  // the body is not read by this server: a fresh connection after it
  TScriptedHttpServer server({closing, Ok("OK")});
  THTTPClient client;
  const std::string body("AVRP\0\x01\xff binary", 15);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  EXPECT_EQ(client.Post(server.Url("/cgi/version.pl?rp&prg=Aerovell&p=ABC"), body, deadline), "OK");
  EXPECT_EQ(client.Get(server.Url("/cgi/version.pl?version&prg=Aerovell")), "OK");
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  const std::string& post = requests[0];
  EXPECT_EQ(post.rfind("POST /cgi/version.pl?rp&prg=Aerovell&p=ABC HTTP/1.1\r\n", 0), 0u) << post;
  EXPECT_NE(post.find("\r\nContent-Length: 15\r\n"), std::string::npos) << post;
  EXPECT_NE(post.find("\r\nContent-Type: application/octet-stream\r\n"), std::string::npos) << post;
  EXPECT_EQ(post.find("Expect"), std::string::npos) << post;
  EXPECT_EQ(requests[1], RequestHead("/cgi/version.pl?version&prg=Aerovell", server.HostPort()));
}

TEST(HttpClient, ReadsTheBodiesOfSuccessfulAnswers) {
  const std::string mib(THTTPClient::kMaxBodyBytes, 'm');
  const struct {
    const char* name;
    TScriptedReply reply;
    std::string body;
  } cases[] = {
      {"length", {"HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nOK|a|b|c|"}, "OK|a|b|c|"},
      {"length, binary bytes",
       {std::string("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\n\0\r\n\xFF", 42)},
       std::string("\0\r\n\xFF", 4)},
      {"HTTP/1.0 to the close", {"HTTP/1.0 200 OK\r\n\r\nOK|read|to|the|close", true}, "OK|read|to|the|close"},
      {"HTTP/1.1 to the close", {"HTTP/1.1 200 OK\r\nServer: x\r\n\r\nOK-closed", true}, "OK-closed"},
      {"chunked", {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nOK|\r\n0\r\n\r\n"}, "OK|"},
      {"chunked in pieces with a trailer",
       {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nOK\r\nA; "
        "ext=1\r\n|012345678\r\n0\r\n"
        "X-Trailer: 1\r\n\r\n"},
       "OK|012345678"},
      {"no content", {"HTTP/1.1 204 No Content\r\n\r\n"}, ""},
      {"zero length", {"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"}, ""},
      {"another 2xx", {"HTTP/1.1 203 Non-Authoritative\r\nContent-Length: 2\r\n\r\nOK"}, "OK"},
      {"after 100 Continue", {"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nOK"}, "OK"},
      {"after two 100s",
       {"HTTP/1.1 100 Continue\r\nX: 1\r\n\r\nHTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\n"
        "Content-Length: 3\r\n\r\nOK2"},
       "OK2"},
      {"bare line ends", {"HTTP/1.1 200 OK\nContent-Length: 2\n\nOK"}, "OK"},
      {"slow but in time", {"HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nslow", false, false, 0, 150ms}, "slow"},
      {"exactly the largest body", Ok(mib), mib},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TScriptedHttpServer server({c.reply});
    THTTPClient client(1000ms, 3000ms);
    const Outcome out = Fetch(client, server.Url("/cgi/version.pl?version&prg=Aerovell"));
    ASSERT_TRUE(out.body) << out.message;
    EXPECT_EQ(*out.body, c.body);
  }
}

TEST(HttpClient, FailsOnEveryOtherStatusWithItsCodeTextAndBody) {
  const struct {
    const char* name;
    std::string reply;
    int code;
    const char* text;
    const char* body;
  } cases[] = {
      {"not found, body starting OK", "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nOK|a|b|c|", 404, "Not Found",
       "OK|a|b|c|"},
      {"server error, chunked",
       "HTTP/1.1 500 Internal Server Error\r\nTransfer-Encoding: "
       "chunked\r\n\r\n2\r\nOK\r\n0\r\n\r\n",
       500, "Internal Server Error", "OK"},
      {"redirect", "HTTP/1.1 302 Found\r\nLocation: /cgi/other.pl\r\nContent-Length: 5\r\n\r\nmoved", 302, "Found",
       "moved"},
      {"3xx without Location", "HTTP/1.1 301 Moved\r\nContent-Length: 0\r\n\r\n", 301, "Moved", ""},
      {"2xx with Location", "HTTP/1.1 200 OK\r\nLocation: http://127.0.0.1:1/\r\nContent-Length: 2\r\n\r\nOK", 200,
       "OK", "OK"},
      {"not modified", "HTTP/1.1 304 Not Modified\r\n\r\n", 304, "Not Modified", ""},
      {"unauthorised", "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic\r\nContent-Length: 2\r\n\r\nno", 401,
       "Unauthorized", "no"},
      {"proxy credentials", "HTTP/1.1 407 Proxy Authentication Required\r\nContent-Length: 0\r\n\r\n", 407,
       "Proxy Authentication Required", ""},
      {"informational",
       "HTTP/1.1 103 Early Hints\r\nLink: </a>\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: "
       "2\r\n\r\nOK",
       103, "Early Hints", ""},
      {"switching protocols", "HTTP/1.1 101 Switching Protocols\r\nUpgrade: x\r\n\r\nOK", 101, "Switching Protocols",
       ""},
      {"100 then not found", "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 404 Not Found\r\nContent-Length: 2\r\n\r\nOK", 404,
       "Not Found", "OK"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TScriptedHttpServer server({{c.reply}, Ok("second")});
    THTTPClient client(1000ms, 3000ms);
    const Outcome out = Fetch(client, server.Url("/cgi/version.pl"));
    ASSERT_FALSE(out.body) << *out.body;
    EXPECT_TRUE(out.protocol) << out.message;
    EXPECT_EQ(out.code, c.code);
    EXPECT_EQ(out.status_text, c.text);
    EXPECT_EQ(out.error_body, c.body);
    EXPECT_EQ(out.message, "HTTP/1.1 " + std::to_string(c.code) + " " + c.text);
    // Nothing was followed: the one request is all the server saw.
    EXPECT_EQ(server.Requests().size(), 1u);
  }
}

TEST(HttpClient, FailsOnBrokenAndBoundlessAnswers) {
  const struct {
    const char* name;
    TScriptedReply reply;
    const char* message;  // nullptr: any message
  } cases[] = {
      {"status line of 20000 characters",
       {"HTTP/1.1 200 " + std::string(20000, 'x') + "\r\n\r\n"},
       "Max line length exceeded."},
      {"status line beyond libcurl's own limit",
       {"HTTP/1.1 200 " + std::string(200000, 'x') + "\r\n\r\n"},
       "Max line length exceeded."},
      {"header line of 20000 characters",
       {"HTTP/1.1 200 OK\r\nX-Long: " + std::string(20000, 'x') + "\r\nContent-Length: 2\r\n\r\nOK"},
       "Max line length exceeded."},
      {"header block beyond 64 KiB",
       {"HTTP/1.1 200 OK\r\n" + Repeat("X-Filler: " + std::string(90, 'f') + "\r\n", 700) +
        "Content-Length: 2\r\n\r\nOK"},
       "Response header too large."},
      {"endless 100 Continue", {Repeat("HTTP/1.1 100 Continue\r\n\r\n", 4000)}, "Response header too large."},
      {"declared body beyond 1 MiB",
       {"HTTP/1.1 200 OK\r\nContent-Length: 1048577\r\n\r\nOK"},
       "Response body too large."},
      {"body without end", {"HTTP/1.1 200 OK\r\n\r\nOK", false, false, 8 * 1024 * 1024}, "Response body too large."},
      {"chunked body without end",
       {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n800000\r\n", false, false, 8 * 1024 * 1024},
       "Response body too large."},
      {"body one byte short", {"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nOK|short", true}, nullptr},
      {"chunked, closed before the end",
       {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nOK|\r\n", true},
       nullptr},
      {"closed inside the header", {"HTTP/1.1 200 OK\r\nContent-Len", true}, nullptr},
      {"closed without a word", {"", true}, nullptr},
      {"no HTTP at all", {"OK|a|b|c|d|\r\n\r\n", true}, nullptr},
      {"a code of four digits", {"HTTP/1.1 2000 OK\r\nContent-Length: 2\r\n\r\nOK"}, nullptr},
      {"status line without a number", {"HTTP/1.1 OK\r\nContent-Length: 2\r\n\r\nOK"}, nullptr},
      {"bad chunk size", {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nOK\r\n0\r\n\r\n"}, nullptr},
      {"two different lengths",
       {"HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Length: 9\r\n\r\nOK|a|b|c|"},
       "Malformed answer: two different Content-Length values."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TScriptedHttpServer server({c.reply, Ok("after")});
    THTTPClient client(1000ms, 3000ms);
    const Outcome out = Fetch(client, server.Url("/"));
    ASSERT_FALSE(out.body) << *out.body;
    EXPECT_FALSE(out.protocol) << out.message;
    if (c.message) {
      EXPECT_EQ(out.message, c.message);
    }
    EXPECT_FALSE(out.message.empty());
    // The client is fit for the next request, on a fresh connection.
    const Outcome after = Fetch(client, server.Url("/next"));
    EXPECT_EQ(after.body.value_or(after.message), "after");
    EXPECT_EQ(server.Connections(), 2);
  }
}

TEST(HttpClient, SendsCookiesBackToTheHostThatSetThem) {
  TScriptedHttpServer server({Ok("OK", "Set-Cookie: session=s1; Path=/; HttpOnly\r\nSET-COOKIE2: lang=ru\r\n"),
                              Ok("OK", "Set-cookie: session=s2\r\n"), Ok("OK"), Ok("OK")});
  TScriptedHttpServer other_port({Ok("OK")});
  THTTPClient client;
  client.Get(server.Url("/cgi/version.pl?version&prg=Aerovell"));
  client.Get(server.Url("/cgi/version.pl?hs&prg=Aerovell&inf=x"));
  client.Get(server.Url("/third"));
  // Filed under the host: another port of the same host gets them, another
  // name for the same machine does not.
  client.Get(other_port.Url("/other"));
  client.Get("http://localhost:" + std::to_string(server.Port()) + "/by-name");
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[0], RequestHead("/cgi/version.pl?version&prg=Aerovell", server.HostPort()));
  EXPECT_EQ(requests[1],
            RequestHead("/cgi/version.pl?hs&prg=Aerovell&inf=x", server.HostPort(), "session=s1; lang=ru"));
  EXPECT_EQ(requests[2], RequestHead("/third", server.HostPort(), "session=s2; lang=ru"));
  EXPECT_EQ(requests[3], RequestHead("/by-name", "localhost:" + std::to_string(server.Port())));
  EXPECT_EQ(other_port.Requests().at(0), RequestHead("/other", other_port.HostPort(), "session=s2; lang=ru"));
}

TEST(HttpClient, CookiesOfFailedAnswersCountToo) {
  TScriptedHttpServer server({{"HTTP/1.1 404 Not Found\r\nSet-Cookie: seen=1\r\nContent-Length: 0\r\n\r\n"},
                              {"HTTP/1.1 100 Continue\r\nSet-Cookie: early=2\r\n\r\nHTTP/1.1 200 OK\r\n"
                               "Content-Length: 2\r\n\r\nOK"},
                              Ok("OK")});
  THTTPClient client;
  EXPECT_THROW(client.Get(server.Url("/a")), EHTTPProtocolError);
  EXPECT_EQ(client.Get(server.Url("/b")), "OK");
  EXPECT_EQ(client.Get(server.Url("/c")), "OK");
  EXPECT_EQ(server.Requests().at(1), RequestHead("/b", server.HostPort(), "seen=1"));
  EXPECT_EQ(server.Requests().at(2), RequestHead("/c", server.HostPort(), "seen=1; early=2"));
}

TEST(HttpClient, KeepsTheConnectionUnlessTheAnswerOrTheServerCloses) {
  const struct {
    const char* name;
    TScriptedReply first;
    int connections;
  } cases[] = {
      {"kept", Ok("OK"), 1},
      {"kept after an error status", {"HTTP/1.1 404 Not Found\r\nContent-Length: 2\r\n\r\nOK"}, 1},
      {"kept after chunks", {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nOK\r\n0\r\n\r\n"}, 1},
      {"Connection: close", Ok("OK", "Connection: close\r\n"), 2},
      {"connection: CLOSE", Ok("OK", "connection:  CLOSE \r\n"), 2},
      {"Proxy-Connection: close", Ok("OK", "Proxy-Connection: close\r\n"), 2},
      {"HTTP/1.0", {"HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nOK"}, 2},
      {"the server closes", {"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nOK", true}, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TScriptedHttpServer server({c.first, Ok("second"), Ok("third")});
    THTTPClient client;
    Fetch(client, server.Url("/1"));
    EXPECT_EQ(client.Get(server.Url("/2")), "second");
    EXPECT_EQ(server.Connections(), c.connections);
    // The connection of the second answer is kept for the third.
    EXPECT_EQ(client.Get(server.Url("/3")), "third");
    EXPECT_EQ(server.Connections(), c.connections);
  }
}

TEST(HttpClient, GivesUpOnAServerThatNeverAnswers) {
  const struct {
    const char* name;
    TScriptedReply reply;
  } cases[] = {
      {"silent", {"", false, true}},
      {"too slow", {"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nOK", false, false, 0, 2000ms}},
      {"stalls inside the body", {"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nOK|", false, false}},
      {"stalls inside an error body", {"HTTP/1.1 404 Not Found\r\nContent-Length: 100\r\n\r\nOK|", false, false}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TScriptedHttpServer server({c.reply});
    THTTPClient client(1000ms, 300ms);
    const Outcome out = Fetch(client, server.Url("/"));
    ASSERT_FALSE(out.body);
    if (c.reply.bytes.find(" 404 ") != std::string::npos) {
      // The status is known; the error carries what arrived of its body.
      EXPECT_TRUE(out.protocol);
      EXPECT_EQ(out.code, 404);
      EXPECT_EQ(out.error_body, "OK|");
    } else {
      EXPECT_FALSE(out.protocol);
      EXPECT_NE(out.message.find("timed out"), std::string::npos) << out.message;
    }
  }
}

// Requests that must end together share a deadline: one that comes first
// bounds the request, and one already past sends nothing at all.
TEST(HttpClient, ASharedDeadlineBoundsTheRequest) {
  TScriptedHttpServer server({{"", false, true}});
  THTTPClient client(1000ms, 20000ms);
  const auto deadline = std::chrono::steady_clock::now() + 300ms;
  const Outcome out = Fetch(client, server.Url("/first"), deadline);
  ASSERT_FALSE(out.body);
  EXPECT_NE(out.message.find("timed out"), std::string::npos) << out.message;
  EXPECT_THROW(client.Get(server.Url("/second"), deadline), EHTTPError);
  EXPECT_EQ(server.Requests().size(), 1u) << "nothing is sent past the deadline";
}

TEST(HttpClient, GivesUpConnectingAfterTheConnectTimeout) {
  testing::TUnansweredPort unanswered;
  THTTPClient client(200ms, 5000ms);
  const Outcome out = Fetch(client, "http://127.0.0.1:" + std::to_string(unanswered.Port()) + "/");
  ASSERT_FALSE(out.body);
  EXPECT_FALSE(out.protocol);
  // libcurl's words for the connect time-out, not for the request's.
  EXPECT_EQ(out.message.rfind("Failed to connect", 0), 0u) << out.message;
  EXPECT_NE(out.message.find("Timeout was reached"), std::string::npos) << out.message;
}

TEST(HttpClient, FailsWhenNothingListens) {
  testing::TRefusingPort refusing;
  THTTPClient client(1000ms, 3000ms);
  const Outcome out = Fetch(client, "http://127.0.0.1:" + std::to_string(refusing.Port()) + "/cgi/version.pl");
  ASSERT_FALSE(out.body);
  EXPECT_FALSE(out.protocol);
  EXPECT_NE(out.message.find("onnect"), std::string::npos) << out.message;
  // And a URL the client cannot send fails before anything is sent.
  EXPECT_THROW(client.Get("https://127.0.0.1/"), EHTTPError);
}

}  // namespace
}  // namespace aerovell
