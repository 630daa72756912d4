#pragma once

#include <string>
#include <string_view>

namespace aerovell {

// The score service, "host" or "host:port", a setting of the build. The records
// screen opens its table there and finished games send their records to it.
std::string ScoreServiceHost();
// The address of the service's one script with a query: "http://HOST/cgi/version.pl?QUERY".
std::string ScoreServiceUrl(const std::string& host, std::string_view query);

}  // namespace aerovell
