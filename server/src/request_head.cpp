#include "request_head.h"

#include <algorithm>

namespace aerovell::scores {
namespace {

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

bool HasControl(std::string_view text, bool tab_allowed) {
  return std::any_of(text.begin(), text.end(),
                     [&](char c) { return IsControl(static_cast<unsigned char>(c)) && !(tab_allowed && c == '\t'); });
}

// The characters of a method or a header name.
bool IsToken(std::string_view text) {
  static constexpr std::string_view kMarks = "!#$%&'*+-.^_`|~";
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') ||
           kMarks.find(c) != std::string_view::npos;
  });
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return (x >= 'A' && x <= 'Z' ? x + 32 : x) == (y >= 'A' && y <= 'Z' ? y + 32 : y);
         });
}

// The size of the head written the usual way: "NAME: value" and CR LF.
size_t UsualSize(const RequestHead& head) {
  size_t size = head.method.size() + 1 + head.target.size() + 1 + head.version.size() + 2 + 2;
  for (const auto& [name, value] : head.headers) size += name.size() + 2 + value.size() + 2;
  return size;
}

std::optional<HeadRefusal> CheckBody(const RequestHead& head, const RouteRules& route) {
  const std::string no_body = route.max_body == 0 ? "request bodies are refused" : "";
  size_t lengths = 0, encodings = 0;
  std::string_view length;
  for (const auto& [name, value] : head.headers) {
    if (SameName(name, "Content-Length")) ++lengths, length = value;
    if (SameName(name, "Transfer-Encoding")) ++encodings;
  }
  if (lengths > 1) return HeadRefusal{400, "two Content-Length headers"};
  if (encodings > 1) return HeadRefusal{400, "two Transfer-Encoding headers"};
  if (encodings == 1) return HeadRefusal{400, route.max_body == 0 ? no_body : "a body must come with a Content-Length"};
  if (lengths == 0) return std::nullopt;
  if (length.empty() || length.size() > 12 ||
      !std::all_of(length.begin(), length.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return HeadRefusal{400, "unreadable Content-Length"};
  const size_t bytes = std::stoull(std::string(length));
  if (bytes == 0) return std::nullopt;
  if (route.max_body == 0) return HeadRefusal{400, no_body};
  if (bytes > route.max_body) return HeadRefusal{413, "request body larger than " + std::to_string(route.max_body)};
  return std::nullopt;
}

}  // namespace

std::optional<HeadRefusal> CheckHead(const RequestHead& head, const RouteRules& route, const HeadLimits& limits) {
  if (head.target.size() > limits.target_bytes)
    return HeadRefusal{414, "request target longer than " + std::to_string(limits.target_bytes) + " bytes"};
  if (head.wire_bytes > limits.head_bytes)
    return HeadRefusal{431, "request head larger than " + std::to_string(limits.head_bytes) + " bytes"};
  if (head.headers.size() > limits.header_lines)
    return HeadRefusal{431, "more than " + std::to_string(limits.header_lines) + " header lines"};

  bool control = HasControl(head.method, false) || HasControl(head.target, false) || HasControl(head.version, false);
  for (const auto& [name, value] : head.headers)
    control = control || HasControl(name, false) || HasControl(value, true);
  if (control) return HeadRefusal{400, "control bytes in the request head"};
  if (!IsToken(head.method)) return HeadRefusal{400, "malformed method"};
  for (const auto& header : head.headers)
    if (!IsToken(header.first)) return HeadRefusal{400, "malformed header name"};
  // The library cuts a line at a NUL and shows us only what came before, so
  // a head longer than its lines written out holds bytes nobody checked.
  // Extra blanks around a value count the same way; short forms (no blank
  // after the colon, LF alone) are within the usual size.
  if (head.wire_bytes > UsualSize(head)) return HeadRefusal{400, "a NUL or stray bytes in the request head"};

  if (head.version != "HTTP/1.1" && head.version != "HTTP/1.0") return HeadRefusal{505, "HTTP version not supported"};
  if (auto refusal = CheckBody(head, route)) return refusal;
  if (head.method != route.method) return HeadRefusal{405, "only " + std::string(route.method) + " is served"};
  return std::nullopt;
}

std::string JoinedHeader(const RequestHead& head, std::string_view name) {
  std::string joined;
  for (const auto& [n, value] : head.headers) {
    if (!SameName(n, name)) continue;
    if (!joined.empty()) joined += ',';
    joined += value;
  }
  return joined;
}

}  // namespace aerovell::scores
