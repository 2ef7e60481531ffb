#include "comm/core/CommErrors.h"

#include <gtest/gtest.h>

#include <typeinfo>

#include "comm/core/LinkStringsForTests.h"
#include "comm/core/LinkComponent.h"
#include "comm/core/StringTables.h"

using namespace quiro::comm;
using namespace quiro::comm::test;

namespace {

struct NotLoading : ILinkComponentState {
  bool loading = false;
  bool ComponentLoading() const override { return loading; }
};

enum class Kind { Link, InOut, OutOfMemory };

struct MappingRow {
  int32_t code;
  Kind kind;
  const std::type_info* type;  // the class raised (link exceptions)
  int32_t errorCode;           // ErrorCode of what is raised
  const char* text;
};

// The boundaries of the code space and the classes they raise.
const MappingRow kMapping[] = {
    {-1, Kind::Link, &typeid(ELinkException), 0, "Link exception"},
    {-2, Kind::InOut, nullptr, 2, "File not found"},
    {-8, Kind::OutOfMemory, nullptr, 0, "Out of memory"},
    {-162, Kind::InOut, nullptr, 162, "General failure"},
    {-163, Kind::Link, &typeid(ELinkException), 0, "Link exception"},
    {-1001, Kind::Link, &typeid(ELinkException), 0, "Link exception"},
    {-1002, Kind::Link, &typeid(EBadArgument), -1002, "Bad argument passed to function"},
    {-1006, Kind::Link, &typeid(EInternal), -1006, "Internal error creating window class"},
    {-7003, Kind::Link, &typeid(EInternal), -7003, "Internal INI error"},
    {-2012, Kind::Link, &typeid(ENotOpenedByTapi), -2012, "Comport was not opened by Tapi"},
    {-3002, Kind::Link, &typeid(ELinkException), 0, "Link exception"},
    {-3006, Kind::Link, &typeid(EOutputBufferTooSmall), -3006, "Output buffer too small for block"},
    {-3007, Kind::Link, &typeid(EBufferIsEmpty), -3007, "Buffer is empty"},
    {-5001, Kind::Link, &typeid(ELinkException), 0, "Link exception"},
    {-5003, Kind::Link, &typeid(EBadTriggerHandle), -5003, "Bad trigger handle"},
    {-6008, Kind::Link, &typeid(EProtocol), -6008, "Protocol timed out"},
    {-9001, Kind::Link, &typeid(ELinkException), 0, "Link exception"},
    {-13801, Kind::Link, &typeid(ETapiAllocated), -13801, "Already allocated"},
    {-13849, Kind::Link, &typeid(ELinkException), 0, "Link exception"},
    {-13931, Kind::Link, &typeid(ETapiLoadFail), -13931, "Failed to find/load TAPI.DLL"},
    {-13942, Kind::Link, &typeid(ETapiTranslateFail), -13942, "Unable to translate address"},
    {-13943, Kind::Link, &typeid(ELinkException), 0, "Link exception"},
    {INT32_MIN, Kind::Link, &typeid(ELinkException), 0, "Link exception"},
};

TEST(CommErrors, CheckExceptionRaisesTheClassOfEachCode) {
  ErrorTableScope table;
  NotLoading port;
  for (const auto& row : kMapping) {
    SCOPED_TRACE(row.code);
    try {
      CheckException(&port, row.code);
      ADD_FAILURE() << "nothing raised";
    } catch (const ELinkException& e) {
      ASSERT_EQ(row.kind, Kind::Link);
      EXPECT_EQ(typeid(e), *row.type);
      EXPECT_EQ(e.ErrorCode, row.errorCode);
      EXPECT_STREQ(e.what(), row.text);
      // Whatever the class, the code comes back out: a failure never reads as success.
      EXPECT_EQ(XlatException(e), row.code);
    } catch (const EInOutError& e) {
      ASSERT_EQ(row.kind, Kind::InOut);
      EXPECT_EQ(e.ErrorCode, row.errorCode);
      EXPECT_STREQ(e.what(), row.text);
      EXPECT_EQ(XlatException(e), row.code);
    } catch (const ::EOutOfMemory& e) {
      ASSERT_EQ(row.kind, Kind::OutOfMemory);
      EXPECT_EQ(XlatException(e), -8);
    }
  }
}

TEST(CommErrors, FamiliesCatchTheirLeaves) {
  EXPECT_THROW(CheckException(nullptr, -3006), ESerialIO);
  EXPECT_THROW(CheckException(nullptr, -13815), ETapi);
  EXPECT_THROW(CheckException(nullptr, -7014), EINI);
  EXPECT_THROW(CheckException(nullptr, -2001), EOpenComm);
}

TEST(CommErrors, SuccessAndLoadingPassThrough) {
  TLinkBaseComponent port;
  EXPECT_EQ(CheckException(&port, 0), 0);
  EXPECT_EQ(CheckException(&port, 4711), 4711);
  EXPECT_THROW(CheckException(&port, -3006), EOutputBufferTooSmall);
  port.BeginLoading();
  EXPECT_EQ(CheckException(&port, -3006), -3006);
  port.Loaded();
  EXPECT_THROW(CheckException(&port, -3006), EOutputBufferTooSmall);
}

TEST(CommErrors, XlatExceptionNeverGivesZeroForAFailure) {
  EXPECT_EQ(XlatException(ELinkException("some text")), ecUnknownFailure);
  EXPECT_EQ(XlatException(std::runtime_error("x")), ecUnknownFailure);
  EXPECT_EQ(XlatException(std::bad_alloc()), ecOutOfMemory);
  EXPECT_EQ(XlatException(std::exception_ptr()), ecUnknownFailure);
  EXPECT_EQ(LinkErrorFromSystem(5), -5);
  EXPECT_EQ(LinkErrorFromSystem(0), ecUnknownFailure);
  EXPECT_EQ(LinkErrorFromSystem(0x80000000u), ecUnknownFailure);
}

TEST(CommErrors, MessagesFromTheTableOrTheSystem) {
  ErrorTableScope table;
  EXPECT_EQ(LinkLoadStr(-13928), "TAPI already open, dialing or answering");
  EXPECT_EQ(LinkLoadStr(13928), "TAPI already open, dialing or answering");
  EXPECT_EQ(ErrorMsg(-9004), "Winsock not initialized - %s");
  EXPECT_EQ(LinkLoadStr(7), "");  // no row, no system source
  SetLinkSystemMessageSource([](uint32_t n) -> std::string {
    return n == 7 ? "The storage control\r\nblocks were  destroyed.\r\n" : "";
  });
  EXPECT_EQ(LinkLoadStr(7), "The storage control blocks were destroyed. ");
  EXPECT_EQ(LinkLoadStr(INT32_MIN), "");
  SetLinkSystemMessageSource([](uint32_t) { return std::string(300, 'x'); });
  EXPECT_EQ(LinkLoadStr(7).size(), 255u);
  SetLinkSystemMessageSource(nullptr);
}

}  // namespace
