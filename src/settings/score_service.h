#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace aerovell {

// The score service, "host" or "host:port", a setting of the build. The records
// screen opens its table there and finished games send their records to it.
std::string ScoreServiceHost();
// The address of the service's one script with a query: "http://HOST/cgi/version.pl?QUERY".
std::string ScoreServiceUrl(const std::string& host, std::string_view query);

// The variable an installed game is pointed elsewhere with, "host:port".
inline constexpr const char* kScoreHostVariable = "AEROVELL_SCORE_HOST";

// Checks a score service address given at run time: a host name (letters,
// digits, '-' and '.'), an IPv4 address or an IPv6 address in brackets, then
// ':' and a port from 1 to 65535; at most 255 characters. The value goes into
// request lines and a link the desktop opens, so anything else is refused.
// Returns the address, or nullopt with `reason` saying what is wrong.
std::optional<std::string> CheckScoreHost(std::string_view value, std::string& reason);

}  // namespace aerovell
