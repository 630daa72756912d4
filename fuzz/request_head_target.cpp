#include <string_view>

#include "client_address.h"
#include "fuzz_targets.h"
#include "request_head.h"

namespace aerovell::fuzz {

namespace {

constexpr size_t kMaxLines = 256;

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  return text;
}

}  // namespace

// The input is a head as text: "METHOD TARGET VERSION", then "name: value"
// lines, as the library splits them; its size is the size on the wire.
void RequestHead(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  scores::RequestHead head;
  head.wire_bytes = size;
  size_t start = 0;
  for (size_t line = 0; line < kMaxLines && start <= input.size(); ++line) {
    size_t end = input.find('\n', start);
    if (end == std::string_view::npos) end = input.size();
    const std::string_view text = Trimmed(input.substr(start, end - start));
    start = end + 1;
    if (line == 0) {
      const size_t first = text.find(' '), last = text.rfind(' ');
      head.method = text.substr(0, first);
      if (first != std::string_view::npos && last > first) {
        head.target = text.substr(first + 1, last - first - 1);
        head.version = text.substr(last + 1);
      }
      continue;
    }
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos) continue;
    head.headers.emplace_back(text.substr(0, colon), Trimmed(text.substr(colon + 1)));
  }

  // Whatever is taken is a plain GET without a body, its bytes accounted for.
  if (!scores::CheckHead(head)) {
    if (head.method != "GET" || (head.version != "HTTP/1.1" && head.version != "HTTP/1.0")) __builtin_trap();
    if (!scores::JoinedHeader(head, "Transfer-Encoding").empty()) __builtin_trap();
    const std::string length = scores::JoinedHeader(head, "Content-Length");
    if (!length.empty() && length.find_first_not_of('0') != std::string::npos) __builtin_trap();
  }
  (void)scores::CheckHead(head, {"POST", 1000});

  const auto client = scores::ForwardedClient(scores::JoinedHeader(head, "X-Forwarded-For"));
  if (client && scores::NormalAddress(*client) != client) __builtin_trap();  // the normal form is a fixed point
  for (const auto& [name, value] : head.headers) (void)scores::ClientKey(value);
}

}  // namespace aerovell::fuzz
