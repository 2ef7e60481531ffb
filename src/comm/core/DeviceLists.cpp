#include "comm/core/DeviceLists.h"

std::vector<std::string> ListComPorts(const std::string& prefix, const TPortProbeFn& probe,
                                      const std::function<void()>& afterEach) {
  std::vector<std::string> ports;
  for (uint16_t n = 1; n <= kMaxListedPort; ++n) {
    if (probe(n) != TPortProbe::Failed) ports.push_back(prefix + std::to_string(n));
    if (afterEach) afterEach();
  }
  return ports;
}

uint16_t ComNumberOf(const std::string& entry, const std::string& prefix) {
  if (entry.size() <= prefix.size() || entry.compare(0, prefix.size(), prefix) != 0) return 0;
  uint32_t n = 0;
  for (size_t i = prefix.size(); i < entry.size(); ++i) {
    char c = entry[i];
    if (c < '0' || c > '9') return 0;
    n = n * 10 + uint32_t(c - '0');
    if (n > 0xFFFF) return 0;
  }
  return uint16_t(n);
}

void TDeviceChoice::Fill(const std::function<std::vector<std::string>()>& tapiLines, const TPortProbeFn& probe,
                         const std::function<void()>& afterEach) {
  if (Filled_) return;
  Filled_ = true;
  if (ShowTapiDevices)
    for (const std::string& name : tapiLines()) Entries_.push_back(LineDisplayName(name));
  if (ShowPorts)
    for (std::string& port : ListComPorts(kDirectToComPrefix, probe, afterEach)) Entries_.push_back(std::move(port));
}

int TDeviceChoice::InitialIndex() const {
  if (Entries_.empty()) return -1;
  const std::string want =
      TapiMode == TTapiMode::tmOff ? kDirectToComPrefix + std::to_string(ComNumber) : DeviceName;
  for (size_t i = 0; i < Entries_.size(); ++i)
    if (Entries_[i] == want) return int(i);
  return 0;
}

void TDeviceChoice::Accept(int index) {
  DeviceName = index >= 0 && size_t(index) < Entries_.size() ? Entries_[size_t(index)] : std::string();
  ComNumber = ComNumberOf(DeviceName, kDirectToComPrefix);
  TapiMode = ComNumber ? TTapiMode::tmOff : TTapiMode::tmAuto;
}
