#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "score_store.h"

namespace aerovell::scores {

// How many records the online table shows.
inline constexpr int kTableRows = 100;

// Text made safe for HTML content and attribute values.
std::string HtmlEscape(std::string_view text);

// The online table as a page of its own (UTF-8, no script, fits a phone and a
// desktop): place, name, country, score and date of each record, in the
// order given, and for a verified record a mark and a link to its replay.
// The head links to the other list: every record or verified ones only.
std::string RenderTablePage(const std::vector<ScoreRecord>& rows, bool verified_only = false);

// "YYYY-MM-DD" of a time in seconds since 1970, UTC.
std::string DateText(int64_t seconds);

}  // namespace aerovell::scores
