#include "play/input_script.h"

#include <algorithm>
#include <charconv>

#include "platform/ascii_case.h"

namespace aerovell::play {
namespace {

constexpr size_t kMaxLineLength = 4096;
constexpr size_t kMaxEvents = 10'000'000;

// The next space-separated word; empty at the end.
std::string_view NextWord(std::string_view& rest) {
  rest = TrimBlanks(rest);
  const size_t end = std::min(rest.find_first_of(" \t"), rest.size());
  std::string_view word = rest.substr(0, end);
  rest.remove_prefix(end);
  return word;
}

bool ParseInt(std::string_view word, int& value, int min, int max) {
  int base = 10;
  if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
    word.remove_prefix(2);
    base = 16;
  }
  if (word.empty()) return false;
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value, base);
  return ec == std::errc() && end == word.data() + word.size() && value >= min && value <= max;
}

[[noreturn]] void Fail(int line, const std::string& what) {
  throw EScriptError("line " + std::to_string(line) + ": " + what);
}

}  // namespace

std::vector<TScriptEvent> ParseInputScript(std::string_view text) {
  std::vector<TScriptEvent> events;
  int line_number = 0;
  while (!text.empty()) {
    ++line_number;
    const size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (line.size() > kMaxLineLength) Fail(line_number, "line too long");
    line = TrimBlanks(line);
    if (line.empty() || line.front() == '#') continue;
    if (events.size() >= kMaxEvents) Fail(line_number, "too many events");

    TScriptEvent e;
    std::string_view rest = line;
    if (!ParseInt(NextWord(rest), e.frame, 1, 1'000'000'000)) Fail(line_number, "expected a frame number from 1");
    const std::string_view verb = NextWord(rest);
    auto arguments_end = [&] {
      if (!TrimBlanks(rest).empty()) Fail(line_number, "unexpected \"" + std::string(TrimBlanks(rest)) + "\"");
    };
    if (verb == "down" || verb == "up") {
      e.kind = verb == "down" ? TScriptEvent::Kind::kKeyDown : TScriptEvent::Kind::kKeyUp;
      if (!ParseInt(NextWord(rest), e.key, 1, 255)) Fail(line_number, "expected a virtual-key code 1 to 255");
      arguments_end();
    } else if (verb == "move") {
      e.kind = TScriptEvent::Kind::kMove;
      if (!ParseInt(NextWord(rest), e.x, -100000, 100000) || !ParseInt(NextWord(rest), e.y, -100000, 100000))
        Fail(line_number, "expected move X Y");
      arguments_end();
    } else if (verb == "press" || verb == "release") {
      e.kind = verb == "press" ? TScriptEvent::Kind::kPress : TScriptEvent::Kind::kRelease;
      const std::string_view button = NextWord(rest);
      if (button == "left") e.button = 1;
      else if (button == "right") e.button = 2;
      else Fail(line_number, "expected left or right");
      arguments_end();
    } else if (verb == "click") {
      e.kind = TScriptEvent::Kind::kClick;
      arguments_end();
    } else if (verb == "type") {
      e.kind = TScriptEvent::Kind::kType;
      // The text is the rest of the line after one separating space, as written.
      const size_t at = line.find("type") + 4;
      std::string_view typed = line.substr(at);
      if (!typed.empty() && (typed.front() == ' ' || typed.front() == '\t')) typed.remove_prefix(1);
      if (typed.empty()) Fail(line_number, "expected the text to type");
      e.text = std::string(typed);
    } else if (verb == "focus") {
      e.kind = TScriptEvent::Kind::kFocus;
      const std::string_view state = NextWord(rest);
      if (state == "on") e.on = true;
      else if (state == "off") e.on = false;
      else Fail(line_number, "expected focus on or off");
      arguments_end();
    } else {
      Fail(line_number, verb.empty() ? "expected an event" : "unknown event \"" + std::string(verb) + "\"");
    }
    events.push_back(std::move(e));
  }
  std::stable_sort(events.begin(), events.end(),
                   [](const TScriptEvent& a, const TScriptEvent& b) { return a.frame < b.frame; });
  return events;
}

}  // namespace aerovell::play
