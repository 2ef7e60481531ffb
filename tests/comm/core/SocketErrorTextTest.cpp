#include "comm/core/SocketErrorText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The ends of the run of codes from 10038 and the gaps around the single codes.
TEST(WinsockErrorText, TextsOfCodes) {
  struct Row {
    int code;
    const char* text;
  } rows[] = {
      {10004, "Interrupted system call"},   {10035, "Operation would block"},
      {10037, "Operation already in progress"}, {10038, "Socket operation on non-socket"},
      {10061, "Connection refused"},        {10071, "Too many levels of remote in path"},
      {10093, "WinSock not initialized"},   {11004, "No Data"},
      {10005, "Not a WinSock error"},       {10072, "Not a WinSock error"},
      {0, "Not a WinSock error"},           {-10061, "Not a WinSock error"},
  };
  for (const Row& r : rows) EXPECT_EQ(std::string(WinsockErrorText(r.code)), r.text) << r.code;
}

}  // namespace
