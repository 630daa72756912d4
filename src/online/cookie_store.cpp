#include "online/cookie_store.h"

#include <algorithm>

#include "platform/ascii_case.h"

namespace aerovell {

namespace {

// True when the attributes after the cookie hold a Max-Age of 0 or less: the
// server's way of taking the cookie back.
bool ExpiresNow(std::string_view attributes) {
  while (!attributes.empty()) {
    const size_t end = attributes.find(';');
    const std::string_view attribute = TrimBlanks(attributes.substr(0, end));
    attributes = end == std::string_view::npos ? std::string_view() : attributes.substr(end + 1);
    const size_t eq = attribute.find('=');
    if (eq == std::string_view::npos || !EqualsIgnoringAsciiCase(TrimBlanks(attribute.substr(0, eq)), "max-age"))
      continue;
    const std::string_view value = TrimBlanks(attribute.substr(eq + 1));
    if (value.empty()) continue;
    if (value.front() == '-') return true;
    return std::all_of(value.begin(), value.end(), [](char c) { return c == '0'; });
  }
  return false;
}

}  // namespace

TCookieStore::Host* TCookieStore::Find(std::string_view host) {
  for (Host& h : hosts_)
    if (EqualsIgnoringAsciiCase(h.name, host)) return &h;
  return nullptr;
}

const TCookieStore::Host* TCookieStore::Find(std::string_view host) const {
  return const_cast<TCookieStore*>(this)->Find(host);
}

void TCookieStore::Store(std::string_view host, std::string_view set_cookie) {
  const size_t semicolon = set_cookie.find(';');
  const std::string_view pair = TrimBlanks(set_cookie.substr(0, semicolon));
  const std::string_view attributes =
      semicolon == std::string_view::npos ? std::string_view() : set_cookie.substr(semicolon + 1);
  // A cookie goes back into a header line of ours: no control bytes, no
  // monsters.
  if (pair.empty() || pair.size() > kMaxCookieLength ||
      std::any_of(pair.begin(), pair.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }))
    return;
  const std::string_view name = TrimBlanks(pair.substr(0, pair.find('=')));
  const bool expired = ExpiresNow(attributes);

  Host* h = Find(host);
  if (!h) {
    if (expired) return;
    if (hosts_.size() == kMaxHosts) hosts_.erase(hosts_.begin());
    hosts_.push_back({LowerAscii(host), {}});
    h = &hosts_.back();
  }
  auto& cookies = h->cookies;
  const auto same = std::find_if(cookies.begin(), cookies.end(), [&](const Cookie& c) { return c.name == name; });
  if (expired) {
    if (same != cookies.end()) cookies.erase(same);
    return;
  }
  if (same != cookies.end()) {
    same->pair = pair;
    return;
  }
  if (cookies.size() == kMaxCookiesPerHost) cookies.erase(cookies.begin());
  cookies.push_back({std::string(name), std::string(pair)});
}

std::string TCookieStore::CookieHeader(std::string_view host) const {
  std::string out;
  if (const Host* h = Find(host)) {
    for (const Cookie& c : h->cookies) {
      if (!out.empty()) out += "; ";
      out += c.pair;
    }
  }
  return out;
}

}  // namespace aerovell
