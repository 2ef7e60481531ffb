// Serial lines for the Win32 tests (beside CommTestKit.h): a pair of pseudo-terminals joined by socat and
// linked into the Wine prefix as two COM ports, a plain overlapped far end, and a window that
// takes a dispatcher's notifications.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include "comm/CommExcept.h"
#include "comm/core/DispatcherThreads.h"

namespace quiro::comm::test {

// Runs a command of the host system (Wine starts host programs; it gives no handle).
inline bool RunHost(const std::string& command) {
  // Its output goes nowhere: a host program keeps the test's own output open otherwise.
  std::string line = "/bin/sh -c \"exec </dev/null >/dev/null 2>&1; " + command + "\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
  if (pi.hProcess) CloseHandle(pi.hProcess);
  if (pi.hThread) CloseHandle(pi.hThread);
  return true;
}

inline std::string ComName(int n) { return "\\\\.\\COM" + std::to_string(n); }

inline bool PortOpens(int n) {
  HANDLE h = CreateFileA(ComName(n).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OVERLAPPED, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

// COM<near> and COM<far>: the two ends of one line. Killing socat hangs both up.
class TSerialPair {
 public:
  TSerialPair(int nearPort, int farPort) : near_(nearPort), far_(farPort) {
    const char* prefix = std::getenv("WINEPREFIX");
    if (!prefix || !*prefix) return;
    std::string devices = std::string(prefix) + "/dosdevices/com";
    farDevice_ = devices + std::to_string(far_);
    links_ = devices + std::to_string(near_) + " " + farDevice_;
    pidFile_ = std::string(prefix) + "/quiro-socat-" + std::to_string(near_) + ".pid";
    std::string pty = "pty,raw,echo=0,link=";
    // Links left by an earlier run would look ready before socat made its own.
    for (const std::string& path : {devices + std::to_string(near_), devices + std::to_string(far_), pidFile_})
      DeleteFileA(("Z:" + path).c_str());
    RunHost("echo $$ > " + pidFile_ + "; exec socat " + pty + devices + std::to_string(near_) + " " + pty + devices +
            std::to_string(far_));
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!(ready_ = PortOpens(near_) && PortOpens(far_)) && std::chrono::steady_clock::now() < end)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ~TSerialPair() { Kill(); }
  TSerialPair(const TSerialPair&) = delete;
  TSerialPair& operator=(const TSerialPair&) = delete;

  bool Ready() const { return ready_; }
  std::string Near() const { return ComName(near_); }
  std::string Far() const { return ComName(far_); }
  int NearNumber() const { return near_; }
  // The far end as the host system names it, for a host program to hold instead of TFarEnd.
  const std::string& FarDevice() const { return farDevice_; }
  // Ends socat at once, as a far end that dies. Returns once the host command has run (its
  // last step removes the pid file): left to run later, it could outlive the test program or
  // take the next pair of these ports with it.
  void Kill() {
    if (pidFile_.empty() || killed_) return;
    killed_ = true;
    RunHost("kill -9 $(cat " + pidFile_ + "); rm -f " + links_ + " " + pidFile_);
    const std::string pidFile = "Z:" + pidFile_;
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (GetFileAttributesA(pidFile.c_str()) != INVALID_FILE_ATTRIBUTES && std::chrono::steady_clock::now() < end)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }

 private:
  int near_, far_;
  std::string farDevice_, links_, pidFile_;
  bool ready_ = false, killed_ = false;
};

// A COM port opened for overlapped I/O as a plain 8-bit line with no flow control, whose
// reads return what the driver holds.
inline HANDLE OpenRawPort(const std::string& name) {
  HANDLE h = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return h;
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  GetCommState(h, &dcb);
  dcb.BaudRate = 115200;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  dcb.fBinary = TRUE;
  dcb.fOutX = dcb.fInX = FALSE;
  dcb.fOutxCtsFlow = dcb.fOutxDsrFlow = FALSE;
  SetCommState(h, &dcb);
  COMMTIMEOUTS t{};
  t.ReadIntervalTimeout = MAXDWORD;
  SetCommTimeouts(h, &t);
  return h;
}

// The far end: the other COM port, with plain overlapped reads and writes. A reader
// thread keeps whatever arrives.
class TFarEnd {
 public:
  explicit TFarEnd(const std::string& name) : h_(OpenRawPort(name)) {
    if (h_ == INVALID_HANDLE_VALUE) return;
    reader_ = std::thread([this] { ReadLoop(); });
  }
  ~TFarEnd() {
    stop_ = true;
    if (reader_.joinable()) reader_.join();
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }
  bool Open() const { return h_ != INVALID_HANDLE_VALUE; }

  bool Write(const std::string& bytes) {
    OVERLAPPED ov{};
    ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD n = 0;
    BOOL ok = WriteFile(h_, bytes.data(), DWORD(bytes.size()), &n, &ov);
    if (!ok && GetLastError() == ERROR_IO_PENDING) ok = GetOverlappedResult(h_, &ov, &n, TRUE);
    CloseHandle(ov.hEvent);
    return ok && n == bytes.size();
  }
  std::string Got() {
    std::lock_guard l(m_);
    return got_;
  }
  size_t GotSize() {
    std::lock_guard l(m_);
    return got_.size();
  }

 private:
  void ReadLoop() {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    char buf[16384];
    while (!stop_) {
      COMSTAT cs{};
      DWORD errors = 0;
      if (!ClearCommError(h_, &errors, &cs) || cs.cbInQue == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        continue;
      }
      DWORD n = 0;
      OVERLAPPED ov{};
      ov.hEvent = event;
      ResetEvent(event);
      DWORD want = cs.cbInQue < sizeof buf ? cs.cbInQue : DWORD(sizeof buf);
      BOOL ok = ReadFile(h_, buf, want, &n, &ov);
      if (!ok && GetLastError() == ERROR_IO_PENDING) ok = GetOverlappedResult(h_, &ov, &n, TRUE);
      if (ok && n > 0) {
        std::lock_guard l(m_);
        got_.append(buf, n);
      }
    }
    CloseHandle(event);
  }

  HANDLE h_ = INVALID_HANDLE_VALUE;
  std::atomic<bool> stop_{false};
  std::mutex m_;
  std::string got_;
  std::thread reader_;
};

// The port's hidden window, made once the dispatcher is open (opening clears the
// triggers): takes every byte offered, counts lost-line notices.
class TLineWindow {
 public:
  explicit TLineWindow(TLinkBaseDispatcher& d) : d_(d) {
    static ATOM cls = [] {
      WNDCLASSA wc{};
      wc.lpfnWndProc = &TLineWindow::Proc;
      wc.hInstance = GetModuleHandleA(nullptr);
      wc.lpszClassName = "QuiroLineTestWindow";
      return RegisterClassA(&wc);
    }();
    (void)cls;
    hwnd_ = CreateWindowA("QuiroLineTestWindow", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr),
                          nullptr);
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    d.SetNotifier(&LinkWindowNotifier());
    d.RegisterWndTriggerHandler(reinterpret_cast<TLinkWindow>(hwnd_));
    d.UpdateHandlerFlags(fuEnablePort);
    d.ChangeLengthTrigger(1);
  }
  ~TLineWindow() { DestroyWindow(hwnd_); }
  std::string got;
  int lost = 0;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TLineWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self || (msg != LinkMsgTriggerAvail && msg != LinkMsgLineLost)) return DefWindowProcA(hwnd, msg, wParam, lParam);
    if (msg == LinkMsgLineLost) ++self->lost;
    if (msg == LinkMsgTriggerAvail) {
      std::string buf(wParam, '\0');
      if (self->d_.GetBlock(reinterpret_cast<uint8_t*>(buf.data()), uint32_t(wParam)) == 0) self->got += buf;
    }
    self->d_.NotifyDelivered();
    return 0;
  }
  TLinkBaseDispatcher& d_;
  HWND hwnd_;
};

}  // namespace quiro::comm::test
