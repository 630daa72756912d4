#pragma once

#include <string>
#include <string_view>

namespace aerovell {

// A URL taken apart the way the client sends it. The target (path, document
// and parameters) is kept exactly as written: no percent-encoding, so spaces
// and Cyrillic bytes go on the wire as they stand.
struct THTTPUrl {
  std::string host;  // as written; an IPv6 literal keeps its brackets
  int port = 80;
  std::string target;  // starts with "/"

  // "host", with ":port" when the port is not 80.
  std::string HostHeader() const;
  // Where to connect: scheme, host and port only.
  std::string ConnectUrl() const;
};

// Splits "[http://]host[:port][/path/document][?parameters]", backslashes read
// as "/". Throws EHTTPError for anything the client cannot send: another
// scheme, an empty or odd host, a bad port, control bytes in the target.
THTTPUrl SplitUrl(std::string_view url);

}  // namespace aerovell
