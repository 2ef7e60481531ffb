#include "comm/ZComm.h"

#include "framework/WindowUtils.h"

// Waits with overlapped WaitCommEvent for received characters; a driver that cannot wait
// (the wait fails, as on a pseudo-terminal under Wine) is looked at every kPollMs instead,
// so the thread never spins. Each notice waits until the component handled the one before.
class TZComm::TCommThread : public TThread {
 public:
  explicit TCommThread(TZComm& comm) : Comm(comm) {}
  ~TCommThread() override {
    Terminate();
    WaitFor();
  }

 protected:
  void Execute() override {
    HANDLE waited = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    bool poll = false;
    while (!Terminated()) {
      bool data = false;
      if (!poll) {
        OVERLAPPED ov{};
        ov.hEvent = waited;
        ResetEvent(waited);
        DWORD mask = 0, n = 0;
        if (WaitCommEvent(Comm.Handle_, &mask, &ov)) {
          data = mask & EV_RXCHAR;
        } else if (GetLastError() == ERROR_IO_PENDING) {
          HANDLE both[2] = {waited, Comm.Stop_};
          if (WaitForMultipleObjects(2, both, FALSE, INFINITE) != WAIT_OBJECT_0) {
            CancelIo(Comm.Handle_);
            GetOverlappedResult(Comm.Handle_, &ov, &n, TRUE);
            break;
          }
          if (GetOverlappedResult(Comm.Handle_, &ov, &n, FALSE))
            data = mask & EV_RXCHAR;
          else
            poll = true;
        } else {
          poll = true;
        }
      }
      if (poll) {
        if (WaitForSingleObject(Comm.Stop_, kPollMs) == WAIT_OBJECT_0) break;
        COMSTAT cs{};
        DWORD errors = 0;
        data = ClearCommError(Comm.Handle_, &errors, &cs) && cs.cbInQue > 0;
      }
      if (!data) continue;
      HANDLE both[2] = {Comm.Released_, Comm.Stop_};
      if (WaitForMultipleObjects(2, both, FALSE, INFINITE) != WAIT_OBJECT_0) break;
      ResetEvent(Comm.Released_);
      PostMessageA(Comm.Window_, kDataMessage, WPARAM(Comm.Handle_), 0);
    }
    CloseHandle(waited);
  }

 private:
  TZComm& Comm;
};

TZComm::TZComm(TComponent* owner) : TComponent(owner) {
  Window_ = AllocateHWnd([this](TMessage& m) { MessageCOMM(m); });
}

TZComm::~TZComm() {
  CloseConnection();
  DeallocateHWnd(Window_);
}

bool TZComm::ThreadRunning() const { return Thread_ && !Thread_->Finished(); }

void TZComm::Error(int error, const std::string& text) {
  State_ = DWORD(error);
  if (OnErrorOccurred) OnErrorOccurred(this, error, text);
}

void TZComm::SetConnection() {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  GetCommState(Handle_, &dcb);
  dcb.BaudRate = DWORD(BaudRate);
  dcb.Parity = BYTE(Parity);
  dcb.ByteSize = BYTE(DataBits + 4);
  dcb.StopBits = StopBits == stop1 ? ONESTOPBIT : StopBits == stop1x5 ? ONE5STOPBITS : TWOSTOPBITS;
  dcb.fBinary = TRUE;
  dcb.fParity = EnableParity;
  dcb.fOutxCtsFlow = CTSFlowCtl;
  dcb.fOutxDsrFlow = DSRFlowCtl;
  dcb.fDsrSensitivity = DSRSensitive;
  dcb.fTXContinueOnXoff = TXResume;
  dcb.fOutX = XOuputFlowCtl;
  dcb.fInX = XInputFlowCtl;
  dcb.fErrorChar = ErrorReplace;
  dcb.fNull = DiscardNULL;
  dcb.fAbortOnError = AbortOnError;
  dcb.XonLim = WORD(XOnLimit);
  dcb.XoffLim = WORD(XOffLimit);
  dcb.XonChar = XOnChar;
  dcb.XoffChar = XOffChar;
  dcb.ErrorChar = ErrorChar;
  if (!SetCommState(Handle_, &dcb)) Error(int(GetLastError()), "SetCommState");
}

void TZComm::SetTimeouts() {
  COMMTIMEOUTS t{TimeoutReadInterval, TimeoutReadMultiplier, TimeoutReadConstant, TimeoutWriteMultiplier,
                 TimeoutWriteConstant};
  SetCommTimeouts(Handle_, &t);
}

bool TZComm::OpenConnection() {
  if (Connected_) return true;
  Handle_ = CreateFileA(Port.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                        nullptr);
  if (Handle_ == INVALID_HANDLE_VALUE) {
    Error(int(GetLastError()), "Open Error");
    return false;
  }
  State_ = 0;
  bool ok = SetCommMask(Handle_, EV_RXCHAR) && SetupComm(Handle_, DWORD(InputQueueSize), DWORD(OutputQueueSize));
  if (ok) {
    SetTimeouts();
    SetConnection();
  }
  if (!ok || State_ != 0) {
    if (!ok) Error(int(GetLastError()), "Open Error");
    CloseHandle(Handle_);
    Handle_ = INVALID_HANDLE_VALUE;
    return false;
  }
  Released_ = CreateEventA(nullptr, TRUE, TRUE, nullptr);
  Stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  Connected_ = true;
  Thread_ = std::make_unique<TCommThread>(*this);
  Thread_->SetPriority(tpHigher);
  Thread_->Start();
  EscapeCommFunction(Handle_, SETDTR);
  return true;
}

void TZComm::CloseConnection() {
  if (!Connected_) return;
  Connected_ = false;
  SetEvent(Stop_);
  SetCommMask(Handle_, 0);
  Thread_.reset();  // stopped and joined before the handle and events go
  CloseHandle(Released_);
  CloseHandle(Stop_);
  CloseHandle(Handle_);
  Released_ = Stop_ = nullptr;
  Handle_ = INVALID_HANDLE_VALUE;
}

void TZComm::MessageCOMM(TMessage& m) {
  if (m.Msg != kDataMessage) {
    DefaultUtilMessage(Window_, m);
    return;
  }
  // A notice from a connection closed meanwhile (or an earlier one) is dropped.
  if (!Connected_ || HANDLE(m.WParam) != Handle_) return;
  // The thread may post again once the handler is done, however it ends (it may also
  // have closed the connection).
  struct Release {
    TZComm& comm;
    ~Release() {
      if (comm.Connected_) SetEvent(comm.Released_);
    }
  } release{*this};
  if (OnDataAvailable) OnDataAvailable(this);
}

DWORD TZComm::ReadComm(void* buf, DWORD len) {
  if (!Connected_) return 0;
  COMSTAT cs{};
  DWORD errors = 0;
  ClearCommError(Handle_, &errors, &cs);
  if (errors && AbortOnError) Error(int(errors), "Read Error");
  DWORD want = len < cs.cbInQue ? len : cs.cbInQue;
  if (want == 0) return 0;
  OVERLAPPED ov{};
  ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  DWORD n = 0;
  if (!ReadFile(Handle_, buf, want, &n, &ov)) {
    if (GetLastError() == ERROR_IO_PENDING) {
      if (WaitForSingleObject(ov.hEvent, kReadWaitMs) != WAIT_OBJECT_0) CancelIo(Handle_);
      if (!GetOverlappedResult(Handle_, &ov, &n, TRUE)) n = 0;
    } else {
      Error(int(GetLastError()), "Read Error");
    }
  }
  CloseHandle(ov.hEvent);
  return n;
}

bool TZComm::WriteComm(const void* buf, DWORD len) {
  if (!Connected_) return false;
  OVERLAPPED ov{};
  ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  DWORD n = 0;
  BOOL ok = WriteFile(Handle_, buf, len, &n, &ov);
  if (!ok && GetLastError() == ERROR_IO_PENDING) {
    if (WaitForSingleObject(ov.hEvent, kWriteWaitMs) != WAIT_OBJECT_0) CancelIo(Handle_);
    ok = GetOverlappedResult(Handle_, &ov, &n, TRUE);
  }
  CloseHandle(ov.hEvent);
  if (!ok || n != len) {
    Error(int(GetLastError()), "Write Error");
    return false;
  }
  return true;
}

std::string TZComm::Text() {
  std::string text(size_t(MaxReadLength > 0 ? MaxReadLength : 0), '\0');
  text.resize(ReadComm(text.data(), DWORD(text.size())));
  return text;
}
