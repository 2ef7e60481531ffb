// What the two selection dialogs show and give back, apart from their windows: the serial
// ports found by probing COM1..COM50, the telephony lines by name, the entry chosen at
// first, and the port number or line that an entry stands for.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "comm/core/CommPort.h"

inline constexpr uint16_t kMaxListedPort = 50;
inline constexpr char kComPrefix[] = "COM";
inline constexpr char kDirectToComPrefix[] = "Direct to COM";
inline constexpr char kNoLineName[] = "<noname>";

// What trying to open a serial port came to. A port that another program holds (access
// denied) is there all the same.
enum class TPortProbe : uint8_t { Opened, AccessDenied, Failed };
using TPortProbeFn = std::function<TPortProbe(uint16_t number)>;

// prefix + n for every present port n of 1..50, in order; afterEach runs after each probe
// (the dialogs let the application's messages through there).
std::vector<std::string> ListComPorts(const std::string& prefix, const TPortProbeFn& probe,
                                      const std::function<void()>& afterEach = {});
// The port number of an entry that is exactly prefix and decimal digits (1..65535); 0 for
// anything else.
uint16_t ComNumberOf(const std::string& entry, const std::string& prefix);
// How a telephony line is listed: its name, or "<noname>" when it has none.
inline std::string LineDisplayName(const std::string& name) { return name.empty() ? kNoLineName : name; }

// The device selection dialog's state: set the public fields, Fill on the first showing,
// then Accept the entry the user chose.
class TDeviceChoice {
 public:
  bool ShowTapiDevices = true;
  bool ShowPorts = true;
  TTapiMode TapiMode = TTapiMode::tmAuto;
  uint16_t ComNumber = 0;
  std::string DeviceName;

  // The first call lists the lines (as they are named, "<noname>" for none), then the
  // ports when ShowPorts; later calls keep the list.
  void Fill(const std::function<std::vector<std::string>()>& tapiLines, const TPortProbeFn& probe,
            const std::function<void()>& afterEach = {});
  const std::vector<std::string>& Entries() const { return Entries_; }
  bool Filled() const { return Filled_; }
  // The entry shown at first: DeviceName's, or with tmOff the port's; else the first (-1
  // for an empty list).
  int InitialIndex() const;
  // A "Direct to COM" entry gives tmOff and its number, a line tmAuto and 0; DeviceName
  // becomes the entry.
  void Accept(int index);

 private:
  std::vector<std::string> Entries_;
  bool Filled_ = false;
};
