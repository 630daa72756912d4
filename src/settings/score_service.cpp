#include "settings/score_service.h"

#ifndef AEROVELL_SCORE_HOST
#define AEROVELL_SCORE_HOST "localhost:8642"
#endif

namespace aerovell {

std::string ScoreServiceHost() { return AEROVELL_SCORE_HOST; }

}  // namespace aerovell
