#include "online/score_codec.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "fuzz_targets.h"
#include "platform/cp1251.h"
#include "test_support.h"

namespace aerovell {
namespace {

std::string W(std::string_view utf8) { return Utf8ToCp1251(utf8); }

TEST(ScoreCodec, BitTextGivesEightDigitsPerByteHighBitFirst) {
  const struct {
    std::string text, digits;
  } cases[] = {
      {"", ""},
      {"abc", "011000010110001001100011"},
      {std::string("\xFF\x00", 2), "1111111100000000"},
      {W("И"), "11001000"},
  };
  for (const auto& c : cases) EXPECT_EQ(BitText(c.text), c.digits) << c.digits;
}

TEST(ScoreCodec, FiveBitLettersPadsInFrontAndReadsGroupsOfFive) {
  const struct {
    std::string digits, letters;
  } cases[] = {
      {"", ""},
      {"00000", "Q"},
      {"11111", "9"},
      {"1", "W"},                             // "00001"
      {"000001", "QW"},                       // "0000000001"
      {"0111111000", "K2"},                   // 01111 11000: 15, 24
      {"011000010110001001100011", "UE2CR"},  // "abc" with one "0" in front
      {"22222", "9"},                         // any digit but "0" counts as 1
      {"a0a0a", "B"},                         // 10101 = 21
  };
  for (const auto& c : cases) EXPECT_EQ(FiveBitLetters(c.digits), c.letters) << c.digits;
}

TEST(ScoreCodec, ScoreInfoBuildsTheGamesTextPaddedToFiveBytes) {
  const struct {
    std::string name;
    uint16_t score;
    std::string p, country, info;
  } cases[] = {
      {W("Иван"), 1500, "7", W("Россия"), W("type=0|name=Иван|score=1500|key=X|p=7|add=Россия|z=0000")},
      {"", 0, "", "", "type=0|name=|score=0|key=X|p=|add=|z=000"},
      {"Bob", 65535, "QWERTYUPA", "UK", "type=0|name=Bob|score=65535|key=X|p=QWERTYUPA|add=UK|z="},
  };
  for (const auto& c : cases) {
    const std::string info = ScoreInfo(c.name, c.score, c.p, c.country);
    EXPECT_EQ(info, c.info);
    EXPECT_EQ(info.size() % 5, 0u);
    EXPECT_EQ(ScoreLettersOf(info).size(), info.size() / 5 * 8);
  }
  const std::string example = ScoreInfo(W("Иван"), 1500, "7", W("Россия"));
  EXPECT_EQ(example.size(), 55u);
  EXPECT_EQ(ScoreLettersOf(example),
            "JZ6MQ3S7UW8U62FHGV86Z2MQ7B8PU25KJSXC4GSBUQ2P245YKT8BL9RLPV5M22FTGL87W5MZ8PVK89R4PV2RQGWL");
}

TEST(ScoreCodec, EchoValueIsTheFifthFieldOfTheVersionAnswer) {
  const std::string long_field(300, 'a');
  const struct {
    std::string answer, p;
  } cases[] = {
      {"OK|a|b|c|d|e", "d"},
      {"OK|a|b|c|d|", "d"},
      {"OK|a|b|c|d", ""},
      {"OK", ""},
      {"", ""},
      {"OK||||", ""},
      {"OK|||||", ""},
      {"OK||||P7|", "P7"},
      {"OK|a|b|c|d|e|f|g", "d"},
      // Fields longer than 255 characters are split where their separators are.
      {"OK|" + long_field + "|b|c|PQ|", "PQ"},
      {"OK|a|b|c|" + long_field + "|", long_field},
      {std::string(254, 'x') + "|a|b|c|d|", "d"},
      {std::string(255, 'x') + "|a|b|c|d|", "d"},
      {std::string(256, 'x') + "|a|b|c|d|", "d"},
      {std::string(511, 'x') + "|a|b|c|d|", "d"},
  };
  for (const auto& c : cases) EXPECT_EQ(EchoValue(c.answer), c.p) << c.answer.substr(0, 40);
}

TEST(ScoreCodec, TypedTextBytesAreTheOnesTheGameAccepts) {
  std::string accepted;
  for (int b = 0; b < 256; ++b)
    if (IsTypedTextByte(static_cast<uint8_t>(b))) accepted += static_cast<char>(b);
  std::string expected = " 0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  for (int b = 0xC0; b <= 0xFF; ++b) expected += static_cast<char>(b);
  EXPECT_EQ(accepted, expected);
  EXPECT_FALSE(IsTypedTextByte(static_cast<uint8_t>(W("Ё")[0])));
  EXPECT_FALSE(IsTypedTextByte(static_cast<uint8_t>(W("ё")[0])));
  EXPECT_TRUE(IsTypedTextByte(static_cast<uint8_t>(W("ж")[0])));
}

TEST(ScoreCodec, DecodingRefusesForeignLettersAndPartialGroups) {
  const struct {
    std::string letters;
    bool ok;
  } cases[] = {
      {"", true},
      {"QQQQQQQQ", true},
      {"99999999", true},
      {"QQQQQQQ", false},    // 7
      {"QQQQQQQQQ", false},  // 9
      {"QQQQQQQO", false},   // O is not a letter of the alphabet
      {"QQQQQQQ1", false},   // nor 1
      {"QQQQQQQ0", false},   // nor 0
      {"QQQQQQQI", false},   // nor I
      {"qqqqqqqq", false},   // lower case
      {"QQQQ QQQ", false},
      {std::string("QQQQQQQ\0", 8), false},
      {"QQQQQQQ\xC8", false},
  };
  for (const auto& c : cases) {
    const auto decoded = DecodeScoreLetters(c.letters);
    EXPECT_EQ(static_cast<bool>(decoded), c.ok) << c.letters;
    if (!decoded) {
      EXPECT_FALSE(decoded.error.empty());
    }
  }
  EXPECT_EQ(*DecodeScoreLetters("QQQQQQQQ").value, std::string(5, '\0'));
  EXPECT_EQ(*DecodeScoreLetters("99999999").value, std::string(5, '\xFF'));
}

TEST(ScoreCodec, DecodingIsTheExactInverseOfTheEncoding) {
  std::mt19937 rng(20240611);
  for (int round = 0; round < 500; ++round) {
    const size_t length = 5 * std::uniform_int_distribution<size_t>(0, 40)(rng);
    std::string text(length, '\0');
    for (auto& c : text) c = static_cast<char>(std::uniform_int_distribution<int>(0, 255)(rng));
    const std::string letters = ScoreLettersOf(text);
    ASSERT_EQ(letters.size(), length / 5 * 8);
    const auto decoded = DecodeScoreLetters(letters);
    ASSERT_TRUE(decoded) << decoded.error;
    ASSERT_EQ(*decoded.value, text) << "round " << round;
  }
}

// A name or country of typed characters, 0 to 10 of them.
std::string RandomTypedText(std::mt19937& rng) {
  std::string alphabet;
  for (int b = 0; b < 256; ++b)
    if (IsTypedTextByte(static_cast<uint8_t>(b))) alphabet += static_cast<char>(b);
  std::string text(std::uniform_int_distribution<size_t>(0, kMaxTypedText)(rng), ' ');
  for (auto& c : text) c = alphabet[std::uniform_int_distribution<size_t>(0, alphabet.size() - 1)(rng)];
  return text;
}

TEST(ScoreCodec, EveryRecordTheGameCanSendComesBackField) {
  std::mt19937 rng(7);
  for (int round = 0; round < 500; ++round) {
    const std::string name = RandomTypedText(rng), country = RandomTypedText(rng);
    const auto score = static_cast<uint16_t>(std::uniform_int_distribution<int>(0, 65535)(rng));
    std::string p(std::uniform_int_distribution<size_t>(0, 20)(rng), 'Q');
    for (auto& c : p) c = kScoreLetters[std::uniform_int_distribution<size_t>(0, 31)(rng)];

    const std::string info = ScoreInfo(name, score, p, country);
    const auto decoded = DecodeScoreLetters(ScoreLettersOf(info));
    ASSERT_TRUE(decoded);
    ASSERT_EQ(*decoded.value, info);
    const auto fields = ParseScoreInfo(*decoded.value);
    ASSERT_TRUE(fields) << fields.error << " in " << Cp1251ToUtf8(info);
    EXPECT_EQ(fields.value->name, name);
    EXPECT_EQ(fields.value->score, score);
    EXPECT_EQ(fields.value->p, p);
    EXPECT_EQ(fields.value->country, country);
  }
}

TEST(ScoreCodec, ParsingTakesTheGamesTextAndRefusesEverythingElse) {
  const auto info = [](std::string_view name, std::string_view score, std::string_view p, std::string_view country) {
    std::string text = "type=0|name=" + std::string(name) + "|score=" + std::string(score) +
                       "|key=X|p=" + std::string(p) + "|add=" + std::string(country) + "|z=";
    while (text.size() % 5) text += '0';
    return text;
  };
  const struct {
    const char* what;
    std::string text;
    bool ok;
  } cases[] = {
      {"the example", W("type=0|name=Иван|score=1500|key=X|p=7|add=Россия|z=0000"), true},
      {"everything empty", "type=0|name=|score=0|key=X|p=|add=|z=000", true},
      {"ten characters", info("ABCDEFGHIJ", "1", "Q", W("жжжжжжжжжж")), true},
      {"top score", info("A", "65535", "Q", "B"), true},
      {"spaces and digits", info(" 1 2", "7", "Q", "9 9"), true},
      {"11-character name", info("ABCDEFGHIJK", "1", "Q", ""), false},
      {"11-character country", info("A", "1", "Q", "ABCDEFGHIJK"), false},
      {"name with <", info("<b>", "1", "Q", ""), false},
      {"name with &", info("A&B", "1", "Q", ""), false},
      {"country with \"", info("A", "1", "Q", "\"x\""), false},
      {"name with Ё", info(W("Ёж"), "1", "Q", ""), false},
      {"name with a control character", info("A\tB", "1", "Q", ""), false},
      {"name with a zero byte", info(std::string("A\0B", 3), "1", "Q", ""), false},
      {"score 65536", info("A", "65536", "Q", ""), false},
      {"score 99999", info("A", "99999", "Q", ""), false},
      {"score of six digits", info("A", "100000", "Q", ""), false},
      {"empty score", info("A", "", "Q", ""), false},
      {"leading zero", info("A", "0100", "Q", ""), false},
      {"negative score", info("A", "-1", "Q", ""), false},
      {"plus sign", info("A", "+1", "Q", ""), false},
      {"score with a space", info("A", " 1", "Q", ""), false},
      {"hexadecimal score", info("A", "0x10", "Q", ""), false},
      {"echo value outside the alphabet", info("A", "1", "QO", ""), false},
      {"echo value too long", info("A", "1", std::string(kMaxEchoValue + 1, 'Q'), ""), false},
      {"longest echo value", info("A", "1", std::string(kMaxEchoValue, 'Q'), ""), true},
      {"type 1", "type=1|name=|score=0|key=X|p=|add=|z=000", false},
      {"key Y", "type=0|name=|score=0|key=Y|p=|add=|z=000", false},
      {"missing type", "name=|score=0|key=X|p=|add=|z=0000000", false},
      {"missing score", "type=0|name=|key=X|p=|add=|z=0000000", false},
      {"missing padding field", "type=0|name=|score=0|key=X|p=|add=00", false},
      {"fields out of order", "type=0|score=0|name=|key=X|p=|add=|z=000", false},
      {"a field too many", "type=0|name=|score=0|key=X|p=|add=|z=|q=0000", false},
      {"padding short", "type=0|name=|score=0|key=X|p=|add=|z=", false},
      {"padding five too many", "type=0|name=|score=0|key=X|p=|add=|z=00000000", false},
      {"padding not zeros", "type=0|name=|score=0|key=X|p=|add=|z=00X", false},
      {"upper-case field name", "TYPE=0|name=|score=0|key=X|p=|add=|z=000", false},
      {"empty text", "", false},
  };
  for (const auto& c : cases) {
    const auto parsed = ParseScoreInfo(c.text);
    EXPECT_EQ(static_cast<bool>(parsed), c.ok) << c.what << ": " << parsed.error;
    if (!parsed) {
      EXPECT_FALSE(parsed.error.empty()) << c.what;
    }
  }
  const auto example = ParseScoreInfo(W("type=0|name=Иван|score=1500|key=X|p=7|add=Россия|z=0000"));
  ASSERT_TRUE(example);
  EXPECT_EQ(example.value->name, W("Иван"));
  EXPECT_EQ(example.value->score, 1500);
  EXPECT_EQ(example.value->p, "7");
  EXPECT_EQ(example.value->country, W("Россия"));
}

// Every seed of the fuzz target, and whatever it found worth keeping, runs here.
TEST(ScoreCodec, TheFuzzCorpusReplaysCleanly) {
  int files = 0;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::filesystem::path(AEROVELL_FUZZ_CORPUS_DIR) / "score_request")) {
    SCOPED_TRACE(entry.path().string());
    const auto bytes = testing::ReadBytes(entry.path());
    fuzz::ScoreRequest(bytes.data(), bytes.size());
    ++files;
  }
  EXPECT_GT(files, 0);
}

}  // namespace
}  // namespace aerovell
