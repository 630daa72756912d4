#include "table_page.h"

#include <gtest/gtest.h>

namespace aerovell::scores {
namespace {

TEST(HtmlEscape, EscapesEveryCharacterWithAMeaningInHtml) {
  const struct {
    const char *text, *escaped;
  } cases[] = {
      {"", ""}, {"Иван", "Иван"}, {"<b>&", "&lt;b&gt;&amp;"}, {"\"'", "&quot;&#39;"}, {"&amp;", "&amp;amp;"},
  };
  for (const auto& c : cases) EXPECT_EQ(HtmlEscape(c.text), c.escaped) << c.text;
}

TEST(TablePage, ListsTheRowsWithPlaceNameCountryScoreAndDate) {
  const std::vector<ScoreRecord> rows = {
      {7, "Иван", "Россия", 1500, 1718064000},  // 2024-06-11
      {3, "<b>&", "\"x'", 900, 0, true},
  };
  const std::string page = RenderTablePage(rows);
  EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos);
  EXPECT_NE(page.find("name=\"viewport\""), std::string::npos);
  EXPECT_EQ(page.find("<script"), std::string::npos);
  EXPECT_NE(page.find("<tr><td class=\"n\">1</td><td>Иван</td><td>Россия</td><td class=\"n\">1500</td>"
                      "<td class=\"d\">2024-06-11</td><td class=\"v\"></td></tr>"),
            std::string::npos)
      << page;
  EXPECT_NE(page.find("<td class=\"n\">2</td><td>&lt;b&gt;&amp;</td><td>&quot;x&#39;</td>"), std::string::npos);
  EXPECT_EQ(page.find("<b>&"), std::string::npos);
  EXPECT_NE(page.find("1970-01-01"), std::string::npos);
  // Only the verified record is marked, with a link to its replay by its id.
  EXPECT_NE(page.find("<td class=\"v\">✓ <a href=\"/cgi/version.pl?rpfile&amp;prg=Aerovell&amp;id=3\" download>"),
            std::string::npos)
      << page;
  EXPECT_EQ(page.find("id=7"), std::string::npos);
  EXPECT_NE(page.find("show&amp;type=0&amp;verified\">Только проверенные</a>"), std::string::npos);
  const std::string verified = RenderTablePage({rows[1]}, true);
  EXPECT_NE(verified.find("show&amp;type=0\">Все рекорды</a>"), std::string::npos) << verified;
}

TEST(TablePage, SaysSoWhenThereAreNoRecords) {
  const std::string page = RenderTablePage({});
  EXPECT_NE(page.find("Рекордов пока нет."), std::string::npos);
  EXPECT_EQ(page.find("<table"), std::string::npos);
}

TEST(DateText, IsTheUtcDay) {
  EXPECT_EQ(DateText(0), "1970-01-01");
  EXPECT_EQ(DateText(1718064000 + 86399), "2024-06-11");
  EXPECT_EQ(DateText(1718064000 + 86400), "2024-06-12");
}

}  // namespace
}  // namespace aerovell::scores
