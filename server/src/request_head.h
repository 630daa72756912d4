#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace aerovell::scores {

// A request head as the HTTP library parsed it, and the size it had on the wire.
struct RequestHead {
  std::string_view method;
  std::string_view target;  // exactly as it arrived
  std::string_view version;
  std::vector<std::pair<std::string_view, std::string_view>> headers;  // name and value, in order
  size_t wire_bytes = 0;  // the whole head as it arrived: request line, header lines, empty line
};

// Our bounds on a head, well inside what the library itself would take.
struct HeadLimits {
  size_t target_bytes = 8 * 1024;
  size_t head_bytes = 16 * 1024;
  size_t header_lines = 64;
};

// What a route takes: every route today serves GET without a body; one that
// takes an upload names its method and largest body here.
struct RouteRules {
  std::string_view method = "GET";
  size_t max_body = 0;
};

struct HeadRefusal {
  int status;
  std::string reason;
};

// Checks a head before anything is done for it; a refusal ends the connection
// after its answer. In this order: our bounds (414, 431); control bytes
// anywhere, a header name that is no token, or bytes on the wire that the
// parsed lines do not account for (a NUL hides the rest of its line from the
// library) (400); a version other than HTTP/1.0 and 1.1 (505); a body the
// route does not take, and two Content-Length or Transfer-Encoding headers
// (400, so no body can be read as a request of its own); another method than
// the route's (405).
std::optional<HeadRefusal> CheckHead(const RequestHead& head, const RouteRules& route = {},
                                     const HeadLimits& limits = {});

// The values of every header called `name` (any case), joined by ",".
std::string JoinedHeader(const RequestHead& head, std::string_view name);

}  // namespace aerovell::scores
