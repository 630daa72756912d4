#pragma once

#include <string>

namespace aerovell {

// The score service, "host" or "host:port", a setting of the build. The records
// screen opens its table there and finished games send their records to it.
std::string ScoreServiceHost();

}  // namespace aerovell
