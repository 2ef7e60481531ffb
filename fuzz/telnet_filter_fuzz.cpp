// The Winsock connection's telnet filter on whatever a host sends: the first byte chooses
// how the rest is cut into reads. Cutting must not change the result, the data never
// outgrows what came in, the answers stay bounded, and data sent through a filter comes
// out of a fresh receiving filter unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "comm/core/TelnetFilter.h"

namespace {

struct Outcome {
  std::vector<uint8_t> data, replies;
};

Outcome Run(const uint8_t* in, size_t n, size_t chunk) {
  TTelnetFilter f;
  Outcome o;
  std::vector<uint8_t> out;
  for (size_t at = 0; at < n; at += chunk) {
    size_t len = n - at < chunk ? n - at : chunk;
    out.resize(len);
    size_t got = f.Receive(in + at, len, out.data());
    if (got > len) std::abort();
    o.data.insert(o.data.end(), out.begin(), out.begin() + long(got));
    o.replies.insert(o.replies.end(), f.Replies().begin(), f.Replies().end());
    f.Replies().clear();
  }
  return o;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  size_t chunk = 1 + data[0] % 7;
  const uint8_t* in = data + 1;
  size_t n = size - 1;

  Outcome whole = Run(in, n, n ? n : 1);
  Outcome cut = Run(in, n, chunk);
  if (whole.data != cut.data || whole.replies != cut.replies) std::abort();
  if (whole.data.size() > n) std::abort();
  // A subnegotiation of 6 bytes draws the longest answer (11 bytes); everything else less.
  if (whole.replies.size() > 2 * n + 16) std::abort();

  TTelnetFilter sender, receiver;
  std::vector<uint8_t> wire;
  sender.Encode(in, n, wire);
  std::vector<uint8_t> back(wire.size());
  back.resize(receiver.Receive(wire.data(), wire.size(), back.data()));
  if (back != std::vector<uint8_t>(in, in + n) || !receiver.Replies().empty()) std::abort();
  return 0;
}
