#include "online/http_client.h"

#include <dlfcn.h>

// Only the types and constants: the functions are looked up when loaded.
#define CURL_DISABLE_TYPECHECK
#include <curl/curl.h>

#include <algorithm>
#include <exception>
#include <vector>

#include "online/http_response_head.h"
#include "online/http_url.h"

namespace aerovell {

namespace {

// libcurl, loaded the first time the game sends something rather than at
// every start: it brings some thirty libraries of its own (TLS, Kerberos,
// LDAP...) that a game never sending a record would load and map for nothing.
// Its process-wide set-up is done once, after loading, and undone at exit.
class CurlLibrary {
 public:
  CURLcode (*global_init)(long) = nullptr;
  void (*global_cleanup)() = nullptr;
  CURL* (*easy_init)() = nullptr;
  CURLcode (*easy_setopt)(CURL*, CURLoption, ...) = nullptr;
  CURLcode (*easy_perform)(CURL*) = nullptr;
  CURLcode (*easy_getinfo)(CURL*, CURLINFO, ...) = nullptr;
  void (*easy_cleanup)(CURL*) = nullptr;
  const char* (*easy_strerror)(CURLcode) = nullptr;
  curl_slist* (*slist_append)(curl_slist*, const char*) = nullptr;
  void (*slist_free_all)(curl_slist*) = nullptr;

  CurlLibrary() {
    // Kept loaded for the rest of the run: handles and the set-up live on.
    library_ = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!library_) {
      const char* why = dlerror();
      failure_ = std::string("Cannot load the HTTP library: ") + (why ? why : "libcurl.so.4");
      return;
    }
    const bool found = Find(global_init, "curl_global_init") && Find(global_cleanup, "curl_global_cleanup") &&
                       Find(easy_init, "curl_easy_init") && Find(easy_setopt, "curl_easy_setopt") &&
                       Find(easy_perform, "curl_easy_perform") && Find(easy_getinfo, "curl_easy_getinfo") &&
                       Find(easy_cleanup, "curl_easy_cleanup") && Find(easy_strerror, "curl_easy_strerror") &&
                       Find(slist_append, "curl_slist_append") && Find(slist_free_all, "curl_slist_free_all");
    if (!found) failure_ = "Cannot load the HTTP library: a function is missing";
    else if (global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) failure_ = "Cannot initialise the HTTP library";
    else initialised_ = true;
  }
  ~CurlLibrary() {
    if (initialised_) global_cleanup();
  }
  // Empty when the library is ready.
  const std::string& Failure() const { return failure_; }

 private:
  template <class F>
  bool Find(F& function, const char* name) {
    function = reinterpret_cast<F>(dlsym(library_, name));
    return function != nullptr;
  }

  void* library_ = nullptr;
  bool initialised_ = false;
  std::string failure_;
};

// Loads libcurl on first use; every later call finds it ready (or the same
// failure). Throws EHTTPError when it cannot be loaded or set up.
const CurlLibrary& Api() {
  static const CurlLibrary library;
  if (!library.Failure().empty()) throw EHTTPError(library.Failure());
  return library;
}

struct SlistFree {
  void operator()(curl_slist* list) const { Api().slist_free_all(list); }
};
using Slist = std::unique_ptr<curl_slist, SlistFree>;

void Append(Slist& list, const std::string& line) {
  curl_slist* grown = Api().slist_append(list.get(), line.c_str());
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
    void operator()(CURL* handle) const { Api().easy_cleanup(handle); }
  };
  std::unique_ptr<CURL, HandleFree> handle;
  char error[CURL_ERROR_SIZE] = {};
};

THTTPClient::THTTPClient(std::chrono::milliseconds connect_timeout, std::chrono::milliseconds request_timeout)
    : connect_timeout_(connect_timeout), request_timeout_(request_timeout) {}

THTTPClient::~THTTPClient() = default;

// A fresh handle, which closes the connection the previous one kept.
void THTTPClient::Open() {
  const CurlLibrary& api = Api();
  auto curl = std::make_unique<Curl>();
  curl->handle.reset(api.easy_init());
  if (!curl->handle) throw EHTTPError("Cannot initialise the HTTP library");
  CURL* h = curl->handle.get();
  api.easy_setopt(h, CURLOPT_ERRORBUFFER, curl->error);
  api.easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  // Plain HTTP straight to the host: no proxy from the environment, no other
  // protocol, no redirects, no credentials, no cookie engine of libcurl's.
  api.easy_setopt(h, CURLOPT_PROXY, "");
  api.easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http");
  api.easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http");
  api.easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
  api.easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  api.easy_setopt(h, CURLOPT_HTTPGET, 1L);
  api.easy_setopt(h, CURLOPT_HTTP_CONTENT_DECODING, 0L);
  api.easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connect_timeout_.count()));
  // A declared length beyond the bound fails before any of the body is read.
  api.easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxBodyBytes));
  // The game talks to one service: one kept connection is all it needs.
  api.easy_setopt(h, CURLOPT_MAXCONNECTS, 1L);
  api.easy_setopt(h, CURLOPT_HEADERFUNCTION, OnHeaderLine);
  api.easy_setopt(h, CURLOPT_WRITEFUNCTION, OnBody);
  curl_ = std::move(curl);
}

std::string THTTPClient::Get(const std::string& url) { return Get(url, Deadline::max()); }

std::string THTTPClient::Get(const std::string& url, Deadline deadline) { return Request(url, deadline, nullptr); }

std::string THTTPClient::Post(const std::string& url, const std::string& body, Deadline deadline) {
  return Request(url, deadline, &body);
}

std::string THTTPClient::Request(const std::string& url, Deadline deadline, const std::string* body) {
  const THTTPUrl split = SplitUrl(url);
  if (offline_) throw EHTTPError("Couldn't connect to server (offline)");
  std::chrono::milliseconds limit = request_timeout_;
  if (deadline != Deadline::max()) {
    // Rounded up, so that a deadline not yet reached never asks for no time at all.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) throw EHTTPError("Timeout was reached");
    limit = std::min(limit, left);
  }
  if (!curl_) Open();
  const CurlLibrary& api = Api();

  // The game's request, header for header. libcurl writes Host first, right
  // after the request line, and adds nothing of its own when each of these
  // is given.
  Slist headers;
  Append(headers, body ? "Content-Type: application/octet-stream" : "Content-Type: text/html");
  Append(headers, "Host: " + split.HostHeader());
  Append(headers, "Accept: text/html, */*");
  Append(headers, "User-Agent: Mozilla/3.0 (compatible; Aerovell)");
  if (const std::string cookies = cookies_.CookieHeader(split.host); !cookies.empty())
    Append(headers, "Cookie: " + cookies);

  // A body goes at once: no "Expect: 100-continue" round trip.
  if (body) Append(headers, "Expect:");

  Exchange x;
  CURL* h = curl_->handle.get();
  curl_->error[0] = '\0';
  if (body) {
    api.easy_setopt(h, CURLOPT_POST, 1L);
    api.easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body->size()));
    api.easy_setopt(h, CURLOPT_POSTFIELDS, body->data());
  }
  api.easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(limit.count()));
  api.easy_setopt(h, CURLOPT_URL, split.ConnectUrl().c_str());
  api.easy_setopt(h, CURLOPT_REQUEST_TARGET, split.target.c_str());
  api.easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
  api.easy_setopt(h, CURLOPT_HEADERDATA, &x);
  api.easy_setopt(h, CURLOPT_WRITEDATA, &x);
  const CURLcode result = api.easy_perform(h);
  long curl_code = 0;
  api.easy_getinfo(h, CURLINFO_RESPONSE_CODE, &curl_code);
  api.easy_setopt(h, CURLOPT_HTTPHEADER, nullptr);
  api.easy_setopt(h, CURLOPT_HEADERDATA, nullptr);
  api.easy_setopt(h, CURLOPT_WRITEDATA, nullptr);
  if (body) {
    // The handle goes back to the GET every other request is.
    api.easy_setopt(h, CURLOPT_POSTFIELDS, nullptr);
    api.easy_setopt(h, CURLOPT_HTTPGET, 1L);
  }
  const std::string curl_message = curl_->error[0] ? curl_->error : api.easy_strerror(result);

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
