#include "comm/core/SocketNames.h"

#include <gtest/gtest.h>

namespace {

TEST(SocketNames, OnlyAWholeDottedTextIsAnAddress) {
  struct Row {
    const char* text;
    bool dotted;
  } rows[] = {
      {"192.168.1.100", true},  {"0.0.0.0", true},     {"192.168.001.100", true},
      {"192.168.001.100.example.net", false},              {"192.168.1", false},
      {"192.168.1.100.", false}, {".1.2.3", false},       {"1..2.3", false},
      {"1.2.3.4567", false},    {"host.example", false}, {"", false},
      {"1.2.3.4 ", false},
  };
  for (const Row& r : rows) EXPECT_EQ(IsDottedAddress(r.text), r.dotted) << r.text;
}

TEST(SocketNames, PortNumbers) {
  EXPECT_EQ(ParsePortNumber("23"), 23);
  EXPECT_EQ(ParsePortNumber("65535"), 65535);
  EXPECT_EQ(ParsePortNumber("0"), 0);
  EXPECT_EQ(ParsePortNumber("65536"), -1);
  EXPECT_EQ(ParsePortNumber("telnet"), -1);
  EXPECT_EQ(ParsePortNumber("2a"), -1);
  EXPECT_EQ(ParsePortNumber(""), -1);
}

}  // namespace
