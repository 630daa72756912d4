#include "online/http_client.h"

#include <curl/curl.h>

#include <algorithm>
#include <exception>
#include <vector>

#include "online/http_response_head.h"
#include "online/http_url.h"

namespace aerovell {

namespace {

// libcurl's process-wide set-up, done once before the first handle and undone
// at exit.
struct CurlGlobal {
  CurlGlobal() : ok(curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK) {}
  ~CurlGlobal() {
    if (ok) curl_global_cleanup();
  }
  bool ok;
};

void EnsureCurlGlobal() {
  static const CurlGlobal global;
  if (!global.ok) throw EHTTPError("Cannot initialise the HTTP library");
}

struct SlistFree {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using Slist = std::unique_ptr<curl_slist, SlistFree>;

void Append(Slist& list, const std::string& line) {
  curl_slist* grown = curl_slist_append(list.get(), line.c_str());
  if (!grown) throw std::bad_alloc();
  list.release();
  list.reset(grown);
}

// One request's answer as it arrives through libcurl's callbacks. Exceptions
// cannot cross libcurl, so a callback that must stop the transfer keeps its
// reason here and returns a short count.
struct Exchange {
  THTTPResponseHead head;
  std::string body;
  std::exception_ptr failure;
};

size_t OnHeaderLine(char* data, size_t size, size_t count, void* user) {
  Exchange& x = *static_cast<Exchange*>(user);
  const size_t n = size * count;
  try {
    x.head.TakeLine(std::string_view(data, n));
  } catch (...) {
    x.failure = std::current_exception();
    return 0;
  }
  // libcurl passes informational answers other than 100 by (or treats 101 as
  // final); the game takes neither, so stop here and fail on its status.
  if (x.head.Complete() && x.head.Code() >= 100 && x.head.Code() <= 199) return 0;
  return n;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  Exchange& x = *static_cast<Exchange*>(user);
  const size_t n = size * count;
  if (x.body.size() + n > THTTPClient::kMaxBodyBytes) {
    x.body.append(data, THTTPClient::kMaxBodyBytes - x.body.size());
    x.failure = std::make_exception_ptr(EHTTPError("Response body too large."));
    return 0;
  }
  try {
    x.body.append(data, n);
  } catch (...) {
    x.failure = std::current_exception();
    return 0;
  }
  return n;
}

}  // namespace

struct THTTPClient::Curl {
  struct HandleFree {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
  };
  std::unique_ptr<CURL, HandleFree> handle;
  char error[CURL_ERROR_SIZE] = {};
};

THTTPClient::THTTPClient(std::chrono::milliseconds connect_timeout, std::chrono::milliseconds request_timeout)
    : connect_timeout_(connect_timeout), request_timeout_(request_timeout) {
  EnsureCurlGlobal();
  Open();
}

THTTPClient::~THTTPClient() = default;

// A fresh handle, which closes the connection the previous one kept.
void THTTPClient::Open() {
  auto curl = std::make_unique<Curl>();
  curl->handle.reset(curl_easy_init());
  if (!curl->handle) throw EHTTPError("Cannot initialise the HTTP library");
  CURL* h = curl->handle.get();
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, curl->error);
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  // Plain HTTP straight to the host: no proxy from the environment, no other
  // protocol, no redirects, no credentials, no cookie engine of libcurl's.
  curl_easy_setopt(h, CURLOPT_PROXY, "");
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http");
  curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http");
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(h, CURLOPT_HTTP_CONTENT_DECODING, 0L);
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connect_timeout_.count()));
  // A declared length beyond the bound fails before any of the body is read.
  curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxBodyBytes));
  // The game talks to one service: one kept connection is all it needs.
  curl_easy_setopt(h, CURLOPT_MAXCONNECTS, 1L);
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, OnHeaderLine);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, OnBody);
  curl_ = std::move(curl);
}

std::string THTTPClient::Get(const std::string& url) { return Get(url, Deadline::max()); }

std::string THTTPClient::Get(const std::string& url, Deadline deadline) {
  const THTTPUrl split = SplitUrl(url);
  if (offline_) throw EHTTPError("Couldn't connect to server (offline)");
  std::chrono::milliseconds limit = request_timeout_;
  if (deadline != Deadline::max()) {
    // Rounded up, so that a deadline not yet reached never asks for no time at all.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) throw EHTTPError("Timeout was reached");
    limit = std::min(limit, left);
  }

  // The game's request, header for header. libcurl writes Host first, right
  // after the request line, and adds nothing of its own when each of these
  // is given.
  Slist headers;
  Append(headers, "Content-Type: text/html");
  Append(headers, "Host: " + split.HostHeader());
  Append(headers, "Accept: text/html, */*");
  Append(headers, "User-Agent: Mozilla/3.0 (compatible; Aerovell)");
  if (const std::string cookies = cookies_.CookieHeader(split.host); !cookies.empty())
    Append(headers, "Cookie: " + cookies);

  Exchange x;
  CURL* h = curl_->handle.get();
  curl_->error[0] = '\0';
  curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(limit.count()));
  curl_easy_setopt(h, CURLOPT_URL, split.ConnectUrl().c_str());
  curl_easy_setopt(h, CURLOPT_REQUEST_TARGET, split.target.c_str());
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(h, CURLOPT_HEADERDATA, &x);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &x);
  const CURLcode result = curl_easy_perform(h);
  long curl_code = 0;
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &curl_code);
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, nullptr);
  curl_easy_setopt(h, CURLOPT_HEADERDATA, nullptr);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, nullptr);
  const std::string curl_message = curl_->error[0] ? curl_->error : curl_easy_strerror(result);

  // Cookies count whatever became of the rest of the answer.
  for (const std::string& value : x.head.SetCookies()) cookies_.Store(split.host, value);
  // libcurl honours "Connection: close" itself; "Proxy-Connection" only when it
  // talks to a proxy, so a new handle drops the connection.
  if (x.head.ConnectionClose()) Open();

  const THTTPResponseHead& head = x.head;
  if (head.Complete()) {
    const bool success = head.Code() >= 200 && head.Code() <= 299 && !head.HasLocation() && head.Code() == curl_code;
    // A failing status is the answer, even when its body broke off.
    if (!success) throw EHTTPProtocolError(head.Code(), head.StatusLine(), head.StatusText(), std::move(x.body));
  }
  if (x.failure) std::rethrow_exception(x.failure);
  if (result == CURLE_FILESIZE_EXCEEDED) throw EHTTPError("Response body too large.");
  // libcurl refuses a single header line beyond its own limit (far above ours)
  // with an out-of-memory code before handing it over.
  if (result == CURLE_OUT_OF_MEMORY && !head.Complete()) throw EHTTPError("Max line length exceeded.");
  if (result != CURLE_OK) throw EHTTPError(curl_message);
  if (!head.Complete()) throw EHTTPError("Incomplete response header");
  return std::move(x.body);
}

}  // namespace aerovell
