// Error codes of the communications library, its exception tree and the mapping from a
// negative result code to the exception that reports it.
//
// Low layers return a 32-bit result: zero or a positive count is success, a negative value
// is an error code whose message id is its absolute value. Components hand every result to
// CheckException, which raises the class that belongs to the code.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "framework/core/Exception.h"
#include "framework/core/SysUtils.h"

// Codes the library itself produces (the message id of each is its absolute value).
enum : int32_t {
  ecOK = 0,
  ecFileNotFound = -2,
  ecOutOfMemory = -8,
  ecDeviceWriteError = -160,
  ecGeneralFailure = -162,
  ecBadHandle = -1001,
  ecBadArgument = -1002,
  ecGotQuitMsg = -1003,
  ecBufferTooBig = -1004,
  ecPortNotAssigned = -1005,
  ecInternal = -1006,
  ecBadId = -2001,
  ecCommNotOpen = -2007,
  ecAlreadyOpen = -2008,
  ecNoPortSelected = -2011,
  ecNotOpenedByTapi = -2012,
  ecNullApi = -3001,
  ecNotSupported = -3002,
  ecPutBlockFail = -3004,
  ecGetBlockFail = -3005,
  ecOutputBufferTooSmall = -3006,
  ecBufferIsEmpty = -3007,
  ecTracingNotEnabled = -3008,
  ecLoggingNotEnabled = -3009,
  ecBaseAddressNotSet = -3010,
  ecNoMoreTriggers = -5001,
  ecTriggerTooLong = -5002,
  ecBadTriggerHandle = -5003,
  ecTapiCallUnavail = -13805,
  ecTapiBusy = -13928,
  ecTapiNotSet = -13929,
  ecTapiNoSelect = -13930,
  ecTapiLoadFail = -13931,
  ecTapiGetAddrFail = -13932,
  ecTapiCallerIDBlocked = -13937,
  ecTapiOutOfAreaCall = -13938,
  ecTapiTranslateFail = -13942,
  // What a failure reports when nothing better is known (an exception of no known kind,
  // a system call that failed without setting an error number). Never 0: a failure must
  // not read as success.
  ecUnknownFailure = -9999,
};

// Minus a system error number, as the device layers report a failed system call; a call
// that failed without leaving an error number still gives a negative code.
int32_t LinkErrorFromSystem(uint32_t systemError);

// The root of the library's exceptions. ErrorCode is the code that was raised (0 for the
// plain "Link exception" made from a code that has no class of its own).
class ELinkException : public Exception {
 public:
  // Message from the error table (LinkLoadStr of |code|); UseNumber changes nothing.
  ELinkException(int32_t code, bool useNumber);
  // A text of the caller's; ErrorCode 0.
  explicit ELinkException(const std::string& msg);

  int32_t ErrorCode = 0;
  // The negative code this exception was made from, also when ErrorCode is 0.
  int32_t SourceCode = 0;

  static int32_t MapCodeToStringID(int32_t code) { return code < 0 ? -code : code; }
};

#define QUIRO_LINK_CLASS(Name, Base) \
  class Name : public Base {         \
   public:                           \
    using Base::Base;                \
  };
#include "comm/core/CommExceptionList.inc"
#undef QUIRO_LINK_CLASS

// Raised by the string-table reader.
class ELinkStringResourceError : public Exception {
 public:
  using Exception::Exception;
};

namespace quiro::comm {
// The exception CheckException would raise for a negative code (null for codes >= 0):
// -2..-162 raise the framework's EInOutError (ErrorCode = -code), -8 its EOutOfMemory.
std::exception_ptr MakeLinkException(int32_t code);
}  // namespace quiro::comm

// What a component tells CheckException about itself.
class ILinkComponentState {
 public:
  virtual ~ILinkComponentState() = default;
  virtual bool ComponentLoading() const = 0;  // being read from its form
};

// Returns code when it is not negative or when the component is being loaded; otherwise
// raises the code's exception. A null component counts as not loading.
int32_t CheckException(const ILinkComponentState* component, int32_t code);

// The code of a caught exception: ErrorCode of a link exception (its source code when that
// is 0), minus the I/O error number, -8 for out of memory, ecUnknownFailure for anything else.
int32_t XlatException(const std::exception& e);
int32_t XlatException(std::exception_ptr e);
