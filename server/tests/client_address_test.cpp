#include "client_address.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>

namespace aerovell::scores {
namespace {

TEST(ClientAddress, NormalFormsAndKeys) {
  const struct {
    const char* text;
    const char* normal;  // nullptr: no address
    const char* key;
  } cases[] = {
      {"127.0.0.1", "127.0.0.1", "127.0.0.1"},
      {"::ffff:127.0.0.2", "127.0.0.2", "127.0.0.2"},
      {"::1", "::1", "::/64"},
      {"2001:DB8:1:2:3:4:5:6", "2001:db8:1:2:3:4:5:6", "2001:db8:1:2::/64"},
      {"2001:db8:1:2:ffff::1", "2001:db8:1:2:ffff::1", "2001:db8:1:2::/64"},
      {"2001:db8:1:3::1", "2001:db8:1:3::1", "2001:db8:1:3::/64"},
      {"", nullptr, ""},
      {"127.0.0.1 ", nullptr, "127.0.0.1 "},
      {"localhost", nullptr, "localhost"},
      {"1.2.3", nullptr, "1.2.3"},
      {"2001:db8::1%eth0", nullptr, "2001:db8::1%eth0"},
  };
  for (const auto& c : cases) {
    const auto normal = NormalAddress(c.text);
    if (c.normal) {
      ASSERT_TRUE(normal) << c.text;
      EXPECT_EQ(*normal, c.normal) << c.text;
    } else {
      EXPECT_FALSE(normal) << c.text;
    }
    EXPECT_EQ(ClientKey(c.text), c.key) << c.text;
  }
}

TEST(ClientAddress, PeersInTheSameFormAsTheText) {
  sockaddr_in v4{};
  v4.sin_family = AF_INET;
  inet_pton(AF_INET, "127.1.2.3", &v4.sin_addr);
  EXPECT_EQ(PeerAddress(reinterpret_cast<sockaddr*>(&v4)), "127.1.2.3");
  sockaddr_in6 mapped{};
  mapped.sin6_family = AF_INET6;
  inet_pton(AF_INET6, "::ffff:10.0.0.7", &mapped.sin6_addr);
  EXPECT_EQ(PeerAddress(reinterpret_cast<sockaddr*>(&mapped)), "10.0.0.7");
  sockaddr_in6 v6{};
  v6.sin6_family = AF_INET6;
  inet_pton(AF_INET6, "::1", &v6.sin6_addr);
  EXPECT_EQ(PeerAddress(reinterpret_cast<sockaddr*>(&v6)), "::1");
  EXPECT_EQ(PeerAddress(nullptr), "-");
}

TEST(ClientAddress, TheProxysOwnEntryOfXForwardedFor) {
  const struct {
    const char* header;
    const char* client;  // nullptr: unreadable
  } cases[] = {
      {"203.0.113.7", "203.0.113.7"},
      {"1.1.1.1, 203.0.113.7", "203.0.113.7"},  // what the client wrote itself proves nothing
      {"1.1.1.1,203.0.113.7", "203.0.113.7"},
      {"  2001:db8::5 ", "2001:db8::5"},
      {"::ffff:198.51.100.1", "198.51.100.1"},
      {"203.0.113.7, ", nullptr},
      {"unknown", nullptr},
      {"203.0.113.7:4711", nullptr},
      {"[2001:db8::5]", nullptr},
      {"", nullptr},
  };
  for (const auto& c : cases) {
    const auto client = ForwardedClient(c.header);
    if (c.client) {
      ASSERT_TRUE(client) << c.header;
      EXPECT_EQ(*client, c.client) << c.header;
    } else {
      EXPECT_FALSE(client) << c.header;
    }
  }
}

}  // namespace
}  // namespace aerovell::scores
