#include "comm/core/DeviceLists.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace {

// Ports 1 and 50 open, 3 is held by another program, 51 would open but is never asked.
TPortProbe Probe(uint16_t n, std::vector<uint16_t>& asked) {
  asked.push_back(n);
  if (n == 1 || n == 50 || n == 51) return TPortProbe::Opened;
  return n == 3 ? TPortProbe::AccessDenied : TPortProbe::Failed;
}

TEST(DeviceLists, PortsPresentAmongTheFirstFifty) {
  std::vector<uint16_t> asked;
  int between = 0;
  auto ports = ListComPorts(kComPrefix, [&](uint16_t n) { return Probe(n, asked); }, [&] { ++between; });
  EXPECT_EQ(ports, (std::vector<std::string>{"COM1", "COM3", "COM50"}));
  EXPECT_EQ(asked.size(), 50u);
  EXPECT_EQ(asked.back(), 50);
  EXPECT_EQ(between, 50);
}

TEST(DeviceLists, OnlyTheExactPrefixGivesANumber) {
  const std::tuple<const char*, const char*, uint16_t> rows[] = {
      {"COM3", kComPrefix, 3},
      {"COM12", kComPrefix, 12},
      {"", kComPrefix, 0},
      {"COM", kComPrefix, 0},
      {"COM3a", kComPrefix, 0},
      {"COM 3", kComPrefix, 0},
      {"COM65536", kComPrefix, 0},
      {"Direct to COM7", kDirectToComPrefix, 7},
      {"My Direct to COM1 modem", kDirectToComPrefix, 0},
      {"Direct to COM", kDirectToComPrefix, 0},
      {"Quiro Test Modem", kDirectToComPrefix, 0},
  };
  for (const auto& [entry, prefix, number] : rows) EXPECT_EQ(ComNumberOf(entry, prefix), number) << entry;
}

TEST(DeviceLists, ChoiceIsFilledOnceAndReadBack) {
  std::vector<uint16_t> asked;
  int lineLists = 0;
  auto lines = [&] {
    ++lineLists;
    return std::vector<std::string>{"Quiro Test Modem", "", "Direct to COM9 box"};
  };
  auto probe = [&](uint16_t n) { return Probe(n, asked); };
  TDeviceChoice c;
  c.TapiMode = TTapiMode::tmOff;
  c.ComNumber = 3;
  c.Fill(lines, probe);
  c.Fill(lines, probe);  // shown again: the same list
  EXPECT_EQ(lineLists, 1);
  EXPECT_EQ(asked.size(), 50u);
  EXPECT_EQ(c.Entries(), (std::vector<std::string>{"Quiro Test Modem", "<noname>", "Direct to COM9 box",
                                                    "Direct to COM1", "Direct to COM3", "Direct to COM50"}));
  EXPECT_EQ(c.InitialIndex(), 4);  // the port in use
  c.Accept(2);                     // a line whose name merely contains the words
  EXPECT_EQ(std::tuple(c.DeviceName, c.TapiMode, c.ComNumber),
            std::tuple(std::string("Direct to COM9 box"), TTapiMode::tmAuto, uint16_t(0)));
  EXPECT_EQ(c.InitialIndex(), 2);
  c.Accept(5);
  EXPECT_EQ(std::tuple(c.DeviceName, c.TapiMode, c.ComNumber),
            std::tuple(std::string("Direct to COM50"), TTapiMode::tmOff, uint16_t(50)));
  c.DeviceName = "a line since removed";
  c.TapiMode = TTapiMode::tmAuto;
  EXPECT_EQ(c.InitialIndex(), 0);

  TDeviceChoice linesOnly;
  linesOnly.ShowPorts = false;
  asked.clear();
  linesOnly.Fill(lines, probe);
  EXPECT_EQ(linesOnly.Entries().size(), 3u);
  EXPECT_TRUE(asked.empty());

  TDeviceChoice none;
  none.ShowTapiDevices = none.ShowPorts = false;
  none.Fill(lines, probe);
  EXPECT_TRUE(none.Entries().empty());
  EXPECT_EQ(none.InitialIndex(), -1);
}

}  // namespace
