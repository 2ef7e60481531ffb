#include "comm/core/TelnetFilter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::string;

struct Result {
  Bytes data, replies;
};

Result Feed(TTelnetFilter& f, const Bytes& in) {
  Result r;
  std::vector<uint8_t> out(in.size());
  size_t n = f.Receive(reinterpret_cast<const uint8_t*>(in.data()), in.size(), out.data());
  r.data.assign(out.begin(), out.begin() + long(n));
  r.replies.assign(f.Replies().begin(), f.Replies().end());
  f.Replies().clear();
  return r;
}

const char IAC = '\xFF', DONT = '\xFE', DO = '\xFD', WONT = '\xFC', WILL = '\xFB', SB = '\xFA', SE = '\xF0';

Bytes Cmd(char command, char option) { return Bytes{IAC, command, option}; }

struct Case {
  const char* name;
  Bytes in, data, replies;
};

const Case kCases[] = {
    {"plain text", "hello", "hello", ""},
    {"doubled 255", Bytes("a") + IAC + IAC + "b", Bytes("a") + IAC + "b", ""},
    {"CR NUL is CR", Bytes("x\r", 2) + '\0' + "y", "x\ry", ""},
    {"CR LF and CR x pass", "a\r\nb\rc", "a\r\nb\rc", ""},
    {"DO TTYPE", Cmd(DO, 24) + "z", "z", Cmd(WILL, 24)},
    {"TTYPE SEND", Bytes{IAC, SB, 24, 1, IAC, SE} + "z", "z", Bytes{IAC, SB, 24, 0} + "vt100" + IAC + SE},
    {"other subnegotiation", Bytes{IAC, SB, 31, 1, IAC, IAC, 2, IAC, SE} + "z", "z", ""},
    {"unterminated subnegotiation", Bytes{IAC, SB, 24, 1} + Cmd(WILL, 1), "", Cmd(DO, 1)},
    {"WILL ECHO", Cmd(WILL, 1), "", Cmd(DO, 1)},
    {"WILL ECHO twice", Cmd(WILL, 1) + Cmd(WILL, 1), "", Cmd(DO, 1)},
    {"WILL SGA then WONT SGA", Cmd(WILL, 3) + Cmd(WONT, 3), "", Cmd(DO, 3) + Cmd(DONT, 3)},
    {"DO SGA refused", Cmd(DO, 3), "", Cmd(WONT, 3)},
    {"DO ECHO refused", Cmd(DO, 1), "", Cmd(WONT, 1)},
    {"DONT ECHO needs no reply", Cmd(DONT, 1), "", ""},
    {"WILL TTYPE refused", Cmd(WILL, 24), "", Cmd(DONT, 24)},
    {"unknown options", Cmd(WILL, 31) + Cmd(DO, 31) + Cmd(WONT, 31) + Cmd(DONT, 31), "", Cmd(DONT, 31) + Cmd(WONT, 31)},
    {"other command", Bytes("a") + IAC + '\xF1' + "b", "ab", ""},
    {"BINARY keeps CR NUL", Cmd(WILL, 0) + Bytes("\r", 1) + '\0' + Cmd(DO, 0) + Cmd(DO, 0), Bytes("\r", 1) + '\0',
     Cmd(DO, 0) + Cmd(WILL, 0)},
    {"SGA agreed both ways", Cmd(WILL, 3) + Cmd(DO, 3), "", Cmd(DO, 3) + Cmd(WILL, 3)},
};

// Each sequence fed whole and a byte at a time: a sequence split anywhere between reads
// gives the same data and the same answers.
TEST(TelnetFilter, EverySplitOfEverySequence) {
  for (const Case& c : kCases)
    for (size_t step : {c.in.size(), size_t(1)}) {
      TTelnetFilter f;
      Result all;
      for (size_t at = 0; at < c.in.size(); at += step) {
        Result r = Feed(f, c.in.substr(at, step));
        all.data += r.data;
        all.replies += r.replies;
      }
      EXPECT_EQ(all.data, c.data) << c.name << " step " << step;
      EXPECT_EQ(all.replies, c.replies) << c.name << " step " << step;
    }
}

TEST(TelnetFilter, SendingDoublesIACAndPadsABareCR) {
  TTelnetFilter f;
  auto encode = [&](const Bytes& s) {
    std::vector<uint8_t> out;
    f.Encode(reinterpret_cast<const uint8_t*>(s.data()), s.size(), out);
    return Bytes(out.begin(), out.end());
  };
  EXPECT_EQ(encode(Bytes("a") + IAC + "b\rc\r\n\r"), Bytes("a") + IAC + IAC + "b\r" + '\0' + "c\r\n\r" + '\0');
  Feed(f, Cmd(DO, 0));
  EXPECT_EQ(f.OwnOption(TTelnetFilter::optBinary), tnoTrue);
  EXPECT_EQ(encode(Bytes("\r") + IAC), Bytes("\r") + IAC + IAC);
}

TEST(TelnetFilter, OurOwnRequestIsNotAnsweredTwiceAndIsLogged) {
  TTelnetFilter f;
  std::vector<TDispatchSubType> log;
  f.OnLog = [&](TDispatchSubType sub, uint8_t) { log.push_back(sub); };
  f.Request(TTelnetFilter::WILL, TTelnetFilter::optBinary);
  f.Request(TTelnetFilter::DO, TTelnetFilter::optBinary);
  EXPECT_EQ(Bytes(f.Replies().begin(), f.Replies().end()), Cmd(WILL, 0) + Cmd(DO, 0));
  f.Replies().clear();
  EXPECT_EQ(f.OwnOption(TTelnetFilter::optBinary), tnoNegotiating);
  EXPECT_EQ(f.PeerOption(TTelnetFilter::optBinary), tnoNegotiating);
  Result r = Feed(f, Cmd(DO, 0) + Cmd(WILL, 0));
  EXPECT_EQ(r.replies, "");
  EXPECT_EQ(f.OwnOption(TTelnetFilter::optBinary), tnoTrue);
  EXPECT_EQ(f.PeerOption(TTelnetFilter::optBinary), tnoTrue);
  EXPECT_EQ(log, (std::vector<TDispatchSubType>{dstSWill, dstSDo, dstRDo, dstRWill}));
}

// A peer that sends back every byte it gets: our answers come back as requests. The
// exchange must die out after a few rounds, for every command and option.
TEST(TelnetFilter, AnEchoingPeerEndsTheExchange) {
  for (char command : {WILL, WONT, DO, DONT})
    for (char option : {0, 1, 3, 24, 31}) {
      SCOPED_TRACE(testing::Message() << int(uint8_t(command)) << " " << int(option));
      TTelnetFilter f;
      Bytes in = Cmd(command, option);
      int rounds = 0;
      while (!in.empty() && rounds < 10) {
        in = Feed(f, in).replies;
        ++rounds;
      }
      EXPECT_LE(rounds, 5);
    }
}

}  // namespace
