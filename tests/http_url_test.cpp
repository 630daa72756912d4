#include "online/http_url.h"

#include <gtest/gtest.h>

#include "online/http_error.h"

namespace aerovell {
namespace {

TEST(HttpUrl, SplitsIntoHostPortAndTheTargetAsWritten) {
  const struct {
    const char* url;
    const char* host;
    int port;
    const char* target;
    const char* host_header;
  } cases[] = {
      {"http://score.example/cgi/version.pl?version&prg=Aerovell", "score.example", 80,
       "/cgi/version.pl?version&prg=Aerovell", "score.example"},
      {"HTTP://Score.Example:8642/cgi/version.pl", "Score.Example", 8642, "/cgi/version.pl", "Score.Example:8642"},
      // No scheme means plain HTTP.
      {"localhost:8642/cgi/version.pl?hs&inf=abc", "localhost", 8642, "/cgi/version.pl?hs&inf=abc", "localhost:8642"},
      {"localhost/", "localhost", 80, "/", "localhost"},
      // Port 80 written out still leaves the Host header bare.
      {"http://localhost:80/a", "localhost", 80, "/a", "localhost"},
      // Backslashes are slashes, in the query too.
      {"http:\\\\localhost\\cgi\\version.pl?a\\b", "localhost", 80, "/cgi/version.pl?a/b", "localhost"},
      // Nothing is encoded: spaces, Cyrillic bytes (UTF-8 and Windows-1251), percent signs.
      {"http://localhost/a b/\xD0\xB8\xD0\xBC\xD1\x8F?name=\xC8\xE2\xE0\xED %41", "localhost", 80,
       "/a b/\xD0\xB8\xD0\xBC\xD1\x8F?name=\xC8\xE2\xE0\xED %41", "localhost"},
      // An empty path is the root, also in front of a query.
      {"http://localhost", "localhost", 80, "/", "localhost"},
      {"http://localhost:81?x=1", "localhost", 81, "/?x=1", "localhost:81"},
      {"http://[::1]:8080/x", "[::1]", 8080, "/x", "[::1]:8080"},
      {"http://[::1]/x", "[::1]", 80, "/x", "[::1]"},
      {"http://127.0.0.1:65535/#frag", "127.0.0.1", 65535, "/#frag", "127.0.0.1:65535"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    const THTTPUrl url = SplitUrl(c.url);
    EXPECT_EQ(url.host, c.host);
    EXPECT_EQ(url.port, c.port);
    EXPECT_EQ(url.target, c.target);
    EXPECT_EQ(url.HostHeader(), c.host_header);
  }
  EXPECT_EQ(SplitUrl("http://localhost/a b?c").ConnectUrl(), "http://localhost:80/");
  EXPECT_EQ(SplitUrl("http://[::1]:81/").ConnectUrl(), "http://[::1]:81/");
}

TEST(HttpUrl, RefusesWhatCannotBeSentAsWritten) {
  const struct {
    const char* url;
    const char* message;
  } cases[] = {
      {"https://localhost/", "Unsupported URL scheme: https"},
      {"ftp://localhost/", "Unsupported URL scheme: ftp"},
      {"://localhost/", "Unsupported URL scheme: "},
      {"", "Invalid host in URL: "},
      {"http:///path", "Invalid host in URL: http:///path"},
      {"/path", "Invalid host in URL: /path"},
      {"http://user@localhost/", "Invalid host in URL: http://user@localhost/"},
      {"http://local host/", "Invalid host in URL: http://local host/"},
      {"http://[::1%eth0]/", "Invalid host in URL: http://[::1%eth0]/"},
      {"http://[]/", "Invalid host in URL: http://[]/"},
      {"http://localhost:/", "Invalid port in URL: http://localhost:/"},
      {"http://localhost:0/", "Invalid port in URL: http://localhost:0/"},
      {"http://localhost:65536/", "Invalid port in URL: http://localhost:65536/"},
      {"http://localhost:123456/", "Invalid port in URL: http://localhost:123456/"},
      {"http://localhost:8x/", "Invalid port in URL: http://localhost:8x/"},
      {"http://localhost/a\r\nX-Injected: 1", "Control character in URL"},
      {"http://localhost/a\tb", "Control character in URL"},
      {"http://localhost/a\x7F", "Control character in URL"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    try {
      SplitUrl(c.url);
      ADD_FAILURE() << "accepted";
    } catch (const EHTTPError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

}  // namespace
}  // namespace aerovell
