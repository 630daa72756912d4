// The game's end in the table and online: the name entry, the submit question
// and the two requests of a submission, against a scripted server on 127.0.0.1.
#include <gtest/gtest.h>

#include <chrono>
#include <set>

#include "online/score_codec.h"
#include "play_fixture.h"
#include "scripted_http_server.h"

namespace aerovell::testing {
namespace {

std::string Ok(const std::string& body) {
  return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// The letters of a score request, as the server received them.
std::string LettersOf(const std::string& request) {
  const std::string marker = "inf=";
  const size_t at = request.find(marker), end = request.find(" HTTP/1.1");
  return at == std::string::npos ? "" : request.substr(at + marker.size(), end - at - marker.size());
}

class Submission : public PlayTest {
 protected:
  // A finished game whose score enters the table: the name entry is open.
  void ReachNameEntry(uint16_t score, const std::string& score_host = "127.0.0.1:1") {
    if (!game) Boot(1, score_host);
    StartPlaying();
    QuietField();
    G().Score = score;
    G().Lives = 1;
    Hero().Health = 0;
    while (G().GameState != gsNameEntry) {
      Frame();
      ASSERT_NE(G().GameState, gsMenu);
    }
  }
  void Type(const std::string& utf8) {
    play::TScriptEvent e;
    e.kind = play::TScriptEvent::Kind::kType;
    e.text = utf8;
    Frame({e});
  }
  // The name typed and confirmed with Enter, as a player does.
  void EnterName(const std::string& utf8) {
    Type(utf8);
    Tap(vk::kReturn);
    ASSERT_EQ(G().GameState, gsSubmitQuestion);
  }
  std::string Name(int place) { return Cp1251ToUtf8(Form().Config.HighScores[place - 1].Name.Text()); }
};

TEST_F(Submission, TheNameEntryDialogAndItsTexts) {
  ReachNameEntry(1234);
  Form().Config.Country.Assign(Utf8ToCp1251("Россия"));
  Type("Иван");
  EXPECT_EQ(Cp1251ToUtf8(G().PlayerName.Text()), "Иван");
  EXPECT_EQ(TextAt(305, 190), "Ваши очки: 1234");
  EXPECT_EQ(TextAt(290, 230), "Введите свое имя:");
  const auto* name = texts.empty() ? nullptr : [&] {
    for (const auto& t : texts)
      if (t.y == 260) return &t;
    return static_cast<const TDirectDrawSurfaceCanvas::TWrittenText*>(nullptr);
  }();
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->color, 0x0000FFu) << "the selected field is red";
  // The cursor blinks: 16 frames with the bar, 16 without, and the name never moves.
  std::set<int> xs;
  int with_bar = 0;
  for (int i = 0; i < 32; ++i) {
    Frame();
    for (const auto& t : texts)
      if (t.y == 260) {
        xs.insert(t.x);
        with_bar += Cp1251ToUtf8(t.text) == "Иван|";
      }
  }
  EXPECT_EQ(with_bar, 16);
  EXPECT_EQ(xs.size(), 1u);
  // The country line is centred on x 400 as one text.
  const auto* label = Written("Ваша Страна:");
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->y, 320);
  TDirectDrawSurfaceCanvas& canvas = Form().DXDraw.SurfaceCanvas();
  canvas.Font.Size = 14;
  EXPECT_EQ(label->x, 400 - canvas.MeasureText(Utf8ToCp1251("Ваша Страна: Россия")) / 2);
  EXPECT_EQ(TextAt(325, 360), "OK");
  EXPECT_EQ(TextAt(410, 360), "Отмена");
}

TEST_F(Submission, TypingIntoTheNameAndTheCountry) {
  ReachNameEntry(500);
  Type("Пётр 12 ab!");  // "ё" and "!" are refused
  EXPECT_EQ(Cp1251ToUtf8(G().PlayerName.Text()), "Птр 12 ab");
  Type("cdef");
  EXPECT_EQ(Cp1251ToUtf8(G().PlayerName.Text()), "Птр 12 abc") << "ten at most";
  Tap(vk::kBack);
  EXPECT_EQ(Cp1251ToUtf8(G().PlayerName.Text()), "Птр 12 ab");
  Tap(vk::kDown);  // the country: the editing goes on there
  EXPECT_TRUE(Cursor().NameEditing);
  Type("Русь");
  EXPECT_EQ(Cp1251ToUtf8(Form().Config.Country.Text()), "Русь");
  Tap(vk::kDown);  // "OK": moving to it ends the editing
  EXPECT_FALSE(Cursor().NameEditing);
  Type("x");
  EXPECT_EQ(Cp1251ToUtf8(Form().Config.Country.Text()), "Русь");
}

// The dialogs draw no exit question over themselves, so a close request there
// does nothing, as during the game-over caption: no unseen question to answer.
TEST_F(Submission, TheCloseBoxDoesNothingDuringTheDialogs) {
  ReachNameEntry(800);
  Type("Ян");
  Event close;
  close.type = EventType::kCloseRequest;
  Form().HandleEvent(close);
  EXPECT_EQ(G().GameState, gsNameEntry);
  EXPECT_EQ(Cursor().MenuScreen, msNameEntry);
  EnterName("");
  Form().HandleEvent(close);
  EXPECT_EQ(Cursor().MenuScreen, msSubmitQuestion);
  Tap(vk::kReturn);  // "Да": the record goes (and fails here), the window stays
  EXPECT_FALSE(Form().Closed());
  EXPECT_EQ(G().GameState, gsSubmitFailed);
  Form().HandleEvent(close);
  EXPECT_EQ(G().GameState, gsSubmitFailed);
}

TEST_F(Submission, OkInsertsTheEntryAndStoresItWithTheCountry) {
  ReachNameEntry(101);
  Form().Config.Country.Assign(Utf8ToCp1251("Чехия"));
  EnterName("Мария");
  EXPECT_EQ(Cursor().MenuScreen, msSubmitQuestion);
  EXPECT_EQ(Cursor().MenuItem, 1);
  EXPECT_EQ(Form().Config.HighScores[9].Score, 101) << "place 10; the old 100 is gone";
  EXPECT_EQ(Name(10), "Мария");
  TConfig stored;
  ConfigFile(dir / "config.dat").ReadOrCreate(stored);
  EXPECT_EQ(stored.HighScores[9].Score, 101);
  EXPECT_EQ(Cp1251ToUtf8(stored.Country.Text()), "Чехия");
  Frame();
  EXPECT_EQ(TextAt(310, 240), "Отправить очки");
  EXPECT_EQ(TextAt(270, 280), "на страницу рекордов?");
  Tap(vk::kRight);
  Tap(vk::kReturn);  // "Нет"
  EXPECT_EQ(G().GameState, gsMenu);
  // The next game offers the name again.
  ReachNameEntry(2000);
  EXPECT_EQ(Cp1251ToUtf8(G().PlayerName.Text()), "Мария");
}

TEST_F(Submission, CancelLeavesTheTableAsItWas) {
  ReachNameEntry(5000);
  Type("Ян");
  for (int i = 0; i < 3; ++i) Tap(vk::kDown);
  ASSERT_EQ(Cursor().MenuItem, 4);
  Tap(vk::kReturn);  // "Отмена"
  EXPECT_EQ(G().GameState, gsMenu);
  EXPECT_EQ(Cursor().MenuItem, 1);
  EXPECT_EQ(Form().Config.HighScores[0].Score, 1000);
}

TEST_F(Submission, TheDialogsByMouse) {
  ReachNameEntry(700);
  Frame({MoveTo(420, 365)});  // over "Отмена" (410..510); "OK" is 325..355
  EXPECT_EQ(Cursor().MenuItem, 4);
  Frame({MoveTo(340, 368)});
  EXPECT_EQ(Cursor().MenuItem, 3);
  EXPECT_FALSE(Cursor().NameEditing);
  play::TScriptEvent click;
  click.kind = play::TScriptEvent::Kind::kClick;
  Frame({click});
  EXPECT_EQ(G().GameState, gsSubmitQuestion);
  Frame({MoveTo(415, 325), click});  // "Нет"
  EXPECT_EQ(G().GameState, gsMenu);
}

TEST_F(Submission, YesSendsTheRecordAndGoesBackToTheMenus) {
  TScriptedHttpServer server({{Ok("OK|Aerovell scores|1|now|7|")}, {Ok("OK")}});
  ReachNameEntry(1500, server.HostPort());
  Form().Config.Country.Assign(Utf8ToCp1251("Россия"));
  EnterName("Иван");
  Tap(vk::kReturn);  // "Да"
  EXPECT_EQ(G().GameState, gsMenu);
  EXPECT_TRUE(Form().DXTimer1.Running());
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].rfind("GET /cgi/version.pl?version&prg=Aerovell HTTP/1.1\r\n", 0), 0u) << requests[0];
  EXPECT_EQ(requests[1].rfind("GET /cgi/version.pl?hs&prg=Aerovell&inf=", 0), 0u) << requests[1];
  const std::string letters = LettersOf(requests[1]);
  EXPECT_EQ(letters.size(), 88u);
  const auto info = DecodeScoreLetters(letters);
  ASSERT_TRUE(info) << info.error;
  EXPECT_EQ(Cp1251ToUtf8(*info.value), "type=0|name=Иван|score=1500|key=X|p=7|add=Россия|z=0000");
  // The replay's request waits for the recorder's game, addressed by the same
  // value; a failed submission leaves none (below).
  ASSERT_TRUE(Form().Game.PendingReplay.has_value());
  EXPECT_EQ(Form().Game.PendingReplay->url, "http://" + server.HostPort() + "/cgi/version.pl?rp&prg=Aerovell&p=7");
}

TEST_F(Submission, AnyFailureShowsTheMessageFor1500MsAndAsksAgain) {
  TRefusingPort refused;
  const struct {
    const char* what;
    std::vector<TScriptedReply> replies;  // empty: nobody listens
    size_t requests;                      // what the server saw
  } cases[] = {
      {"no service", {}, 0},
      {"a version answer in lower case", {{Ok("ok|a|b|c|d|")}}, 1},
      {"a 404 whose body starts with OK", {{"HTTP/1.1 404 Not Found\r\nContent-Length: 2\r\n\r\nOK"}}, 1},
      {"the record refused", {{Ok("OK|a|b|c|d|")}, {"HTTP/1.1 400 Bad Request\r\nContent-Length: 5\r\n\r\nERROR"}}, 2},
      {"a record answer without OK", {{Ok("OK|a|b|c|d|")}, {Ok("Thanks")}}, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::unique_ptr<TScriptedHttpServer> server;
    if (!c.replies.empty()) server = std::make_unique<TScriptedHttpServer>(c.replies);
    ReachNameEntry(900, server ? server->HostPort() : "127.0.0.1:" + std::to_string(refused.Port()));
    EnterName("Ли");
    Tap(vk::kReturn);  // "Да"
    ASSERT_EQ(G().GameState, gsSubmitFailed);
    EXPECT_FALSE(Form().Game.PendingReplay.has_value()) << "no replay for a record not stored";
    if (server) {
      EXPECT_EQ(server->Requests().size(), c.requests);
    }
    Frame();
    EXPECT_EQ(TextAt(270, 240), "Не могу подключиться");
    EXPECT_EQ(TextAt(270, 275), "     к серверу");
    Frames(91);  // 94 frames in all, the one of the answer included
    EXPECT_EQ(G().GameState, gsSubmitFailed);
    Frame();
    EXPECT_EQ(G().GameState, gsSubmitQuestion) << "after 1500 ms the question again";
    EXPECT_EQ(Cursor().MenuItem, 1) << "with its previous selection";
    game.reset();
  }
}

// Nothing is drawn while the record goes, so the two requests share one bound
// (the client's 10 s): a service that answers the version late and the record
// never holds the game that long in all, not 10 s more.
TEST_F(Submission, BothRequestsTogetherEndWithinOneBound) {
  using namespace std::chrono;
  const milliseconds bound = THTTPClient::kDefaultRequestTimeout;
  const milliseconds late = bound * 6 / 10;
  TScriptedHttpServer server({{Ok("OK|a|b|c|d|"), false, false, 0, late}, {"", false, true}});
  ReachNameEntry(900, server.HostPort());
  EnterName("Ли");
  const auto start = steady_clock::now();
  Tap(vk::kReturn);  // "Да"
  const auto end = steady_clock::now();
  EXPECT_EQ(G().GameState, gsSubmitFailed);
  const auto times = server.RequestTimes();
  ASSERT_EQ(times.size(), 2u) << "the record's request went after the late answer";
  // Generous margins for a busy machine; one bound is still far from two.
  EXPECT_LT(end - start, bound + 5s);
  EXPECT_LT(end - times[1], bound - late + 2s) << "the record's request got only what was left";
}

TEST_F(Submission, TheEchoValueComesFromTheVersionAnswer) {
  const struct {
    const char* version_answer;
    const char* p;
  } cases[] = {{"OK|a|b|c|d|e", "d"}, {"OK|a|b|c|d", ""}, {"OK", ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.version_answer);
    TScriptedHttpServer server({{Ok(c.version_answer)}, {Ok("OK")}});
    ReachNameEntry(300, server.HostPort());
    EnterName("");
    Tap(vk::kReturn);
    EXPECT_EQ(G().GameState, gsMenu);
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u) << "the record goes even with an empty echo value";
    const auto info = DecodeScoreLetters(LettersOf(requests[1]));
    ASSERT_TRUE(info);
    EXPECT_EQ(info.value->substr(0, info.value->find("|z=")),
              "type=0|name=|score=300|key=X|p=" + std::string(c.p) + "|add=")
        << "an empty name and country are sent as they are";
    game.reset();
    std::filesystem::remove(dir / "config.dat");
  }
}

}  // namespace
}  // namespace aerovell::testing
