#include "console/core/ProxyNegotiation.h"

#include <gtest/gtest.h>

#include "SessionActionKit.h"

namespace {

using Lines = std::vector<std::string>;
const Ipv4Address kTarget = {10, 1, 2, 3};

TEST(ProxyRequests, WireBytes) {
    EXPECT_EQ(ShowBytes(BuildSocks4Connect(kTarget, 2323, "")),
              "<04><01><09><13><0A><01><02><03><00>");
    EXPECT_EQ(ShowBytes(BuildSocks4Connect(kTarget, 23, std::string("me\0you", 6))),
              "<04><01><00><17><0A><01><02><03>me<00>");
    EXPECT_EQ(ShowBytes(BuildSocks5Connect(kTarget, 65535)),
              "<05><01><00><01><0A><01><02><03><FF><FF>");
    EXPECT_EQ(ShowBytes(*BuildSocks5UserPassword("ab", "xyz")), "<01><02>ab<03>xyz");
    EXPECT_EQ(BuildSocks5UserPassword(std::string(255, 'u'), "p")->size(), 255u + 1 + 3);
    EXPECT_FALSE(BuildSocks5UserPassword(std::string(256, 'u'), "p"));
    EXPECT_FALSE(BuildSocks5UserPassword("u", std::string(256, 'p')));
    EXPECT_EQ(ShowBytes(BuildTisRequest("", "bbs.example", 23)), "bbs.example 23<0D><0A>");
    EXPECT_EQ(ShowBytes(BuildTisRequest("connect", "bbs", 2323)), "connect bbs 2323<0D><0A>");
}

// A user ID that the user/password request cannot carry ends the session with a line.
TEST(ProxyNegotiation, OverlongUserEndsTheSession) {
    ProxySetup setup;
    setup.kind = ProxySocks5;
    setup.userId = std::string(256, 'u');
    ProxyNegotiation n(setup);
    n.Connected("10.0.0.9");
    EXPECT_EQ(Describe(n.Receive(reinterpret_cast<const uint8_t*>("\x05\x02"), 2)),
              (Lines{"line: Error: Proxy user ID or password is longer than 255 bytes!",
                     "disconnect"}));
    EXPECT_FALSE(n.Active());
    EXPECT_EQ(Describe(n.ConnectionLost()), Lines{});
    // Once over, every block is the host's.
    EXPECT_EQ(Describe(n.Receive(reinterpret_cast<const uint8_t*>("ok"), 2)), Lines{"console ok"});
}

}  // namespace
