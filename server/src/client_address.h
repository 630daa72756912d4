#pragma once

#include <sys/socket.h>

#include <optional>
#include <string>
#include <string_view>

namespace aerovell::scores {

// An address as the service writes and compares it: IPv4 in dotted form (also
// when it reaches an IPv6 socket as ::ffff:a.b.c.d), IPv6 in its short form.
// Nothing when `text` is no address.
std::optional<std::string> NormalAddress(std::string_view text);

// The peer of a connection in the same form; "-" for a socket of another kind.
std::string PeerAddress(const sockaddr* address);

// The key a client is counted under: the address itself for IPv4, the /64
// network for IPv6, since one machine there holds a whole /64.
std::string ClientKey(std::string_view address);

// The client a trusted proxy names: the last entry of its X-Forwarded-For
// (the one the proxy itself added; earlier ones come from the client and
// prove nothing), in the normal form. Nothing when that entry is no address.
std::optional<std::string> ForwardedClient(std::string_view x_forwarded_for);

}  // namespace aerovell::scores
