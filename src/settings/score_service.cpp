#include "settings/score_service.h"

#ifndef AEROVELL_SCORE_HOST
#define AEROVELL_SCORE_HOST "localhost:8642"
#endif

namespace aerovell {

std::string ScoreServiceHost() { return AEROVELL_SCORE_HOST; }

std::string ScoreServiceUrl(const std::string& host, std::string_view query) {
  return "http://" + host + "/cgi/version.pl?" + std::string(query);
}

}  // namespace aerovell
