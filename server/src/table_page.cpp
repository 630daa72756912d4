#include "table_page.h"

#include <ctime>

namespace aerovell::scores {
namespace {

constexpr std::string_view kHead = R"(<!DOCTYPE html>
<html lang="ru">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Aerovell — рекорды</title>
<style>
body { margin: 0; padding: 1rem; font: 16px/1.4 system-ui, sans-serif; background: #10243a; color: #f2f5f8; }
main { max-width: 44rem; margin: 0 auto; }
h1 { font-size: 1.6rem; margin: 0 0 1rem; color: #ffd23f; }
table { width: 100%; border-collapse: collapse; background: #17324f; }
th, td { padding: .45rem .6rem; text-align: left; border-bottom: 1px solid #2a4a6d; overflow-wrap: anywhere; }
th { background: #224466; color: #ffd23f; font-weight: 600; }
tr:nth-child(even) td { background: #1b3a5a; }
td.n, th.n { text-align: right; white-space: nowrap; font-variant-numeric: tabular-nums; }
td.d { white-space: nowrap; }
p.empty { padding: 1rem; background: #17324f; }
p.lists a, td.v a { color: #9fd3ff; }
td.v { white-space: nowrap; }
@media (max-width: 30rem) {
  body { padding: .5rem; font-size: 14px; }
  th, td { padding: .35rem .3rem; }
  .d { display: none; }
}
</style>
</head>
<body>
<main>
<h1>Aerovell — лучшие пилоты</h1>
)";

constexpr std::string_view kAllLink =
    "<p class=\"lists\"><a href=\"/cgi/version.pl?prg=Aerovell&amp;show&amp;type=0\">Все рекорды</a> · "
    "<b>Только проверенные</b></p>\n";
constexpr std::string_view kVerifiedLink =
    "<p class=\"lists\"><b>Все рекорды</b> · "
    "<a href=\"/cgi/version.pl?prg=Aerovell&amp;show&amp;type=0&amp;verified\">Только проверенные</a></p>\n";

constexpr std::string_view kTableHead = R"(<table>
<thead><tr><th class="n">Место</th><th>Имя</th><th>Страна</th><th class="n">Очки</th><th class="d">Дата</th><th class="v">Проверен</th></tr></thead>
<tbody>
)";

constexpr std::string_view kTail = "</main>\n</body>\n</html>\n";

}  // namespace

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string DateText(int64_t seconds) {
  const auto t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  if (!gmtime_r(&t, &tm)) return "?";
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d", &tm);
  return text;
}

std::string RenderTablePage(const std::vector<ScoreRecord>& rows, bool verified_only) {
  std::string page;
  page.reserve(kHead.size() + kTableHead.size() + rows.size() * 160 + 64);
  page += kHead;
  page += verified_only ? kAllLink : kVerifiedLink;
  if (rows.empty()) {
    page += "<p class=\"empty\">Рекордов пока нет.</p>\n";
  } else {
    page += kTableHead;
    int place = 0;
    for (const auto& row : rows) {
      page += "<tr><td class=\"n\">";
      page += std::to_string(++place);
      page += "</td><td>";
      page += HtmlEscape(row.name);
      page += "</td><td>";
      page += HtmlEscape(row.country);
      page += "</td><td class=\"n\">";
      page += std::to_string(row.score);
      page += "</td><td class=\"d\">";
      page += HtmlEscape(DateText(row.created));
      page += "</td><td class=\"v\">";
      if (row.verified) {
        // The replay, which anyone may watch with the game to see the score made.
        page += "✓ <a href=\"/cgi/version.pl?rpfile&amp;prg=Aerovell&amp;id=";
        page += std::to_string(row.id);
        page += "\" download>запись</a>";
      }
      page += "</td></tr>\n";
    }
    page += "</tbody>\n</table>\n";
  }
  page += kTail;
  return page;
}

}  // namespace aerovell::scores
