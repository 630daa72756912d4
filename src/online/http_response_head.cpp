#include "online/http_response_head.h"

#include "online/http_error.h"
#include "platform/ascii_case.h"

namespace aerovell {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A length as written, without the leading zeros that do not change it.
std::string_view WithoutLeadingZeros(std::string_view value) {
  while (value.size() > 1 && value.front() == '0' && IsDigit(value[1])) value.remove_prefix(1);
  return value;
}

}  // namespace

void THTTPResponseHead::TakeLine(std::string_view line) {
  bytes_ += line.size();
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.size() > kMaxLineLength) throw EHTTPError("Max line length exceeded.");
  if (bytes_ > kMaxBytes) throw EHTTPError("Response header too large.");
  if (complete_) return;
  if (expect_status_) {
    TakeStatusLine(line);
  } else if (line.empty()) {
    if (code_ == 100) {
      expect_status_ = true;
    } else {
      complete_ = true;
    }
  } else {
    TakeHeaderLine(line);
  }
}

void THTTPResponseHead::TakeStatusLine(std::string_view line) {
  expect_status_ = false;
  has_location_ = false;
  connection_close_ = false;
  content_length_.reset();
  status_line_ = line;
  code_ = -1;
  status_text_.clear();
  const size_t space = line.find(' ');
  if (space == std::string_view::npos) return;
  std::string_view rest = line.substr(space + 1);
  size_t digits = 0;
  while (digits < rest.size() && IsDigit(rest[digits])) ++digits;
  // Nine digits fit an int; a longer run is no status code at all.
  if (digits > 0 && digits <= 9) {
    code_ = 0;
    for (size_t i = 0; i < digits; ++i) code_ = code_ * 10 + (rest[i] - '0');
    rest.remove_prefix(digits);
  } else if (digits > 9) {
    rest.remove_prefix(digits);
  }
  status_text_ = TrimBlanks(rest);
}

void THTTPResponseHead::TakeHeaderLine(std::string_view line) {
  // A line starting with white space continues the previous header; none of
  // the headers read here is worth putting together again.
  if (line.front() == ' ' || line.front() == '\t') return;
  const size_t colon = line.find(':');
  if (colon == std::string_view::npos) return;
  const std::string_view name = line.substr(0, colon);
  const std::string_view value = TrimBlanks(line.substr(colon + 1));
  if (EqualsIgnoringAsciiCase(name, "Location")) {
    has_location_ = true;
  } else if (EqualsIgnoringAsciiCase(name, "Connection") || EqualsIgnoringAsciiCase(name, "Proxy-Connection")) {
    if (EqualsIgnoringAsciiCase(value, "close")) connection_close_ = true;
  } else if (EqualsIgnoringAsciiCase(name, "Set-cookie") || EqualsIgnoringAsciiCase(name, "Set-cookie2")) {
    set_cookies_.emplace_back(value);
  } else if (EqualsIgnoringAsciiCase(name, "Content-Length")) {
    TakeContentLength(value);
  }
}

// The same length given again (in another header or in a list, "5, 5") is
// the same answer; a different one is a malformed answer.
void THTTPResponseHead::TakeContentLength(std::string_view value) {
  while (true) {
    const size_t comma = value.find(',');
    const std::string_view one = WithoutLeadingZeros(TrimBlanks(value.substr(0, comma)));
    if (!content_length_) content_length_ = one;
    else if (one != *content_length_) throw EHTTPError("Malformed answer: two different Content-Length values.");
    if (comma == std::string_view::npos) return;
    value.remove_prefix(comma + 1);
  }
}

}  // namespace aerovell
