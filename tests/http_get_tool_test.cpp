#include <gtest/gtest.h>

#include <string>

#include "run_tool.h"
#include "scripted_http_server.h"

namespace aerovell {
namespace {

using testing::TScriptedHttpServer;

using testing::ToolResult;

ToolResult RunTool(const std::vector<std::string>& args) { return testing::RunTool(AEROVELL_HTTP_GET, args, false); }

std::string Head(const std::string& target, const std::string& host_port, const std::string& cookie = "") {
  return "GET " + target + " HTTP/1.1\r\nHost: " + host_port +
         "\r\nContent-Type: text/html\r\nAccept: text/html, */*\r\n"
         "User-Agent: Mozilla/3.0 (compatible; Aerovell)\r\n" +
         (cookie.empty() ? "" : "Cookie: " + cookie + "\r\n") + "\r\n";
}

TEST(HttpGetTool, FetchesEachUrlThroughOneClient) {
  TScriptedHttpServer server({{"HTTP/1.1 200 OK\r\nSet-Cookie: id=42\r\nContent-Length: 11\r\n\r\nOK|a|b|c|d|"},
                              {"HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\nOK\nnew"}});
  const ToolResult r = RunTool(
      {server.Url("/cgi/version.pl?version&prg=Aerovell"), server.Url("/cgi/version.pl?hs&prg=Aerovell&inf=a b")});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "OK 11\nOK|a|b|c|d|\nOK 6\nOK\nnew\n");
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0], Head("/cgi/version.pl?version&prg=Aerovell", server.HostPort()));
  EXPECT_EQ(requests[1], Head("/cgi/version.pl?hs&prg=Aerovell&inf=a b", server.HostPort(), "id=42"));
  EXPECT_EQ(server.Connections(), 1);
}

TEST(HttpGetTool, ReportsEachFailureOnItsLineAndGoesOn) {
  TScriptedHttpServer server(
      {{"HTTP/1.1 404 Not Found\r\nContent-Length: 2\r\n\r\nOK"}, {"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"}});
  const ToolResult r = RunTool({server.Url("/missing"), "ftp://127.0.0.1/", server.Url("/empty")});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "ERROR HTTP/1.1 404 Not Found\nERROR Unsupported URL scheme: ftp\nOK 0\n\n");
}

TEST(HttpGetTool, WithoutUrlsOrWithAnUnknownOptionShowsItsUsage) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"--verbose", "http://127.0.0.1:1/"}}) {
    EXPECT_EQ(RunTool(args).code, 2);
    EXPECT_EQ(RunTool(args).out, "") << "the usage goes to standard error, nothing is fetched";
  }
}

}  // namespace
}  // namespace aerovell
