#include "online/cookie_store.h"

#include <gtest/gtest.h>

namespace aerovell {
namespace {

TEST(CookieStore, SendsBackTheNameValuePairsOfAHostJoined) {
  TCookieStore store;
  EXPECT_EQ(store.CookieHeader("localhost"), "");
  store.Store("localhost", "session=abc123; Path=/; HttpOnly");
  store.Store("localhost", "  lang=ru  ");
  store.Store("localhost", "flag");
  EXPECT_EQ(store.CookieHeader("localhost"), "session=abc123; lang=ru; flag");
  // Filed by host name, which has no case; other hosts get nothing.
  EXPECT_EQ(store.CookieHeader("LOCALHOST"), "session=abc123; lang=ru; flag");
  EXPECT_EQ(store.CookieHeader("127.0.0.1"), "");
  store.Store("127.0.0.1", "other=1");
  EXPECT_EQ(store.CookieHeader("127.0.0.1"), "other=1");
  EXPECT_EQ(store.CookieHeader("localhost"), "session=abc123; lang=ru; flag");
}

TEST(CookieStore, ANewValueReplacesAndMaxAgeZeroRemoves) {
  const struct {
    const char* set;
    const char* then;
  } cases[] = {
      {"a=2", "a=2; b=1"},
      {"a=; Path=/", "a=; b=1"},
      {"a=x; Max-Age=0", "b=1"},
      {"a=x; max-age = -5 ", "b=1"},
      {"a=x;Max-Age=00", "b=1"},
      {"a=x; Max-Age=60", "a=x; b=1"},
      {"a=x; Max-Age=soon", "a=x; b=1"},
      {"a=x; Max-Age=", "a=x; b=1"},
      {"c=3; Max-Age=0", "a=1; b=1"},
      {"A=3", "a=1; b=1; A=3"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.set);
    TCookieStore store;
    store.Store("h", "a=1");
    store.Store("h", "b=1");
    store.Store("h", c.set);
    EXPECT_EQ(store.CookieHeader("h"), c.then);
  }
}

TEST(CookieStore, KeepsOutWhatCannotGoBackIntoAHeaderLine) {
  TCookieStore store;
  store.Store("h", "");
  store.Store("h", "   ; Path=/");
  store.Store("h", "a=1\rInjected: yes");
  store.Store("h", std::string("b=\0", 3));
  store.Store("h", "c=" + std::string(TCookieStore::kMaxCookieLength, 'x'));
  store.Store("h", "d=" + std::string(TCookieStore::kMaxCookieLength - 2, 'y'));
  EXPECT_EQ(store.CookieHeader("h"), "d=" + std::string(TCookieStore::kMaxCookieLength - 2, 'y'));
}

TEST(CookieStore, BoundedInHostsAndCookiesOldestGoFirst) {
  TCookieStore store;
  for (size_t i = 0; i <= TCookieStore::kMaxCookiesPerHost; ++i) store.Store("h", "c" + std::to_string(i) + "=1");
  const std::string header = store.CookieHeader("h");
  EXPECT_EQ(header.find("c0=1"), std::string::npos);
  EXPECT_EQ(header.rfind("c1=1; ", 0), 0u);
  EXPECT_NE(header.find("; c32=1"), std::string::npos);

  for (size_t i = 0; i < TCookieStore::kMaxHosts; ++i) store.Store("host" + std::to_string(i), "a=1");
  EXPECT_EQ(store.CookieHeader("h"), "");
  EXPECT_EQ(store.CookieHeader("host0"), "a=1");
  EXPECT_EQ(store.CookieHeader("host15"), "a=1");
}

}  // namespace
}  // namespace aerovell
