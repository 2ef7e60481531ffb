// TZComm: the program's own simple serial-port component (no window of the program places
// one; sessions go through the library's port). Overlapped I/O on one port, a worker thread
// that waits for received characters, and a hidden window through which that thread wakes
// the component on the main thread: OnDataAvailable runs there, and the thread posts the
// next notice only after the component has handled the previous one.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "framework/Controls.h"
#include "framework/Threads.h"
#include "framework/core/Component.h"

using TZCommErrorEvent = std::function<void(TComponent* sender, int error, const std::string& text)>;

class TZComm : public TComponent {
 public:
  enum TParity { no_parity, odd_parity, even_parity, mark_parity, space_parity };
  enum TDataBits { databits4, databits5, databits6, databits7, databits8 };  // the DCB gets the value + 4
  enum TStopBits { stop1, stop1x5, stop2 };
  static constexpr UINT kDataMessage = WM_USER;
  static constexpr DWORD kReadWaitMs = 1000, kWriteWaitMs = 2000;
  // How often the thread looks at the driver's queue when the driver cannot wait for
  // events (a pseudo-terminal under Wine).
  static constexpr DWORD kPollMs = 50;

  explicit TZComm(TComponent* owner = nullptr);
  ~TZComm() override;

  std::string Version() const { return "1.0.1"; }
  std::string Port;  // the device name given to CreateFile, such as "\\.\COM3"
  int BaudRate = 9600;
  TParity Parity = no_parity;
  TDataBits DataBits = databits8;
  TStopBits StopBits = stop1;
  int MaxReadLength = 8192;
  int InputQueueSize = 8192, OutputQueueSize = 8192;
  int XOnLimit = 150, XOffLimit = 150;
  bool CTSFlowCtl = false, DSRFlowCtl = false, DSRSensitive = false, TXResume = false, ErrorReplace = false,
       DiscardNULL = false;
  bool EnableParity = true;
  bool XOuputFlowCtl = true, XInputFlowCtl = true;
  bool AbortOnError = true;
  char ErrorChar = 0, XOnChar = 17, XOffChar = 19;
  DWORD TimeoutReadInterval = MAXDWORD, TimeoutReadMultiplier = 0, TimeoutReadConstant = 0,
        TimeoutWriteMultiplier = 0, TimeoutWriteConstant = 5000;

  TNotifyEvent OnDataAvailable;
  TZCommErrorEvent OnErrorOccurred;

  // What is there now, at most MaxReadLength bytes; setting it sends the text.
  std::string Text();
  void SetText(const std::string& text) { WriteComm(text.data(), DWORD(text.size())); }
  bool Connected() const { return Connected_; }
  // The last error of the port (0: none).
  DWORD State() const { return State_; }

  bool OpenConnection();
  void CloseConnection();
  // Reads at most len bytes and no more than the driver holds; the count read, 0 on error.
  DWORD ReadComm(void* buf, DWORD len);
  bool WriteComm(const void* buf, DWORD len);
  bool WriteCommByte(char c) { return WriteComm(&c, 1); }
  bool PurgeCommPort(DWORD flags) { return Connected_ && PurgeComm(Handle_, flags); }
  bool EscapeComm(DWORD function) { return Connected_ && EscapeCommFunction(Handle_, function); }
  bool ThreadRunning() const;

 private:
  class TCommThread;
  void SetConnection();
  void SetTimeouts();
  void MessageCOMM(TMessage& m);
  void Error(int error, const std::string& text);

  HANDLE Handle_ = INVALID_HANDLE_VALUE;
  HANDLE Released_ = nullptr;  // set by the component once it handled a notice
  HANDLE Stop_ = nullptr;
  HWND Window_ = nullptr;
  std::unique_ptr<TCommThread> Thread_;
  bool Connected_ = false;
  DWORD State_ = 0;
};
