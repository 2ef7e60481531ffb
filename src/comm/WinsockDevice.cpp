#include "comm/WinsockDevice.h"

#include <algorithm>
#include <vector>

#include "comm/PortWindows.h"
#include "framework/Controls.h"

namespace {

const char kDispatchWindowClass[] = "lkDispatch";
constexpr UINT kDispatchTimerMs = 50;
constexpr int kBusyRounds = 16;
constexpr long kSocketEvents = FD_READ | FD_WRITE | FD_ACCEPT | FD_CONNECT | FD_CLOSE;  // 59

// The Winsock dispatchers that exist, for the timer and the dispatcher window to find theirs.
std::vector<TLinkWinsockDispatcher*>& Dispatchers() {
  static std::vector<TLinkWinsockDispatcher*> list;
  return list;
}

TLinkWinsockDispatcher* FindDispatcher(bool (*match)(TLinkWinsockDispatcher*, uintptr_t), uintptr_t key) {
  LockPortList();
  TLinkWinsockDispatcher* found = nullptr;
  for (TLinkWinsockDispatcher* d : Dispatchers())
    if (match(d, key)) found = d;
  UnlockPortList();
  return found;
}

void CALLBACK DispatchTimer(HWND, UINT, UINT_PTR id, DWORD) {
  GuardCallback([id] {
    auto byTimer = [](TLinkWinsockDispatcher* d, uintptr_t k) { return d->TimerId == k; };
    if (TLinkWinsockDispatcher* d = FindDispatcher(byTimer, id)) {
      if (TWsConnection* c = d->Connection()) c->ReadDue = true;  // a notice may have been lost
      d->Dispatch();
    }
  });
}

LRESULT CALLBACK DispatchWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != LinkMsgSocketEvent) return DefWindowProcA(hwnd, msg, wParam, lParam);
  GuardCallback([wParam] {
    auto bySocket = [](TLinkWinsockDispatcher* d, uintptr_t k) { return d->ComHandle >= 0 && uintptr_t(d->ComHandle) == k; };
    if (TLinkWinsockDispatcher* d = FindDispatcher(bySocket, wParam)) d->Dispatch();
  });
  return 0;
}

// Keys go out as they are typed: a small write held until the peer acknowledged the last
// one waited for the peer's delayed acknowledgement (tens of milliseconds while a host
// floods the console). Where the option is refused, writes are merely held as before.
void SendAtOnce(SOCKET s) {
  BOOL on = TRUE;
  LinkWinsock().setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
}

// Whether the user pressed a key or a mouse button meanwhile: asked at most once a
// millisecond, since each question is a round trip to the system.
class InputWatch {
public:
  InputWatch() {
    QueryPerformanceFrequency(&perSecond_);
    QueryPerformanceCounter(&next_);
    next_.QuadPart += perSecond_.QuadPart / 1000;
  }
  bool Waits() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    if (now.QuadPart < next_.QuadPart) return false;
    next_.QuadPart = now.QuadPart + perSecond_.QuadPart / 1000;
    return GetInputState() != FALSE;
  }

private:
  LARGE_INTEGER perSecond_, next_;
};

bool IsNetworkBreak(int32_t error) { return error == WSAENETRESET || error == WSAECONNABORTED || error == WSAECONNRESET; }

}  // namespace

// ---- TWsConnection ------------------------------------------------------------------------

TWsConnection::TWsConnection(TLinkDeviceSocket* owner, SOCKET own, TLinkWinsockDispatcher* dispatcher,
                             uint32_t inSize, uint32_t outSize)
    : TComponent(owner),
      OwnSocket(own),
      Dispatcher(dispatcher),
      IsClient(dispatcher->IsClient),
      IsTelnet(dispatcher->IsTelnet),
      Buffers(inSize, outSize, dispatcher->IsTelnet, owner->TerminalType) {
  if (TTelnetFilter* f = Buffers.Telnet())
    f->OnLog = [dispatcher](TDispatchSubType sub, uint8_t option) { dispatcher->AddDispatchEntry(dtTelnet, sub, option); };
}

void TWsConnection::SetState(TWsConnectionState state) {
  state_ = state;
  if (state == wcsConnected)
    Dispatcher->StatusFlags |= kWsStatusConnected;
  else
    Dispatcher->StatusFlags &= ~kWsStatusConnected;
}

int32_t TWsConnection::Recv(uint8_t* buf, int32_t size) {
  if (Socket == INVALID_SOCKET || state_ != wcsConnected) return kLinkWouldBlock;
  const TLinkWinsockTable& t = LinkWinsock();
  int n = t.recv(Socket, reinterpret_cast<char*>(buf), size, 0);
  if (n == SOCKET_ERROR) return -t.WSAGetLastError();
  Received += uint64_t(n);
  return n;
}

int32_t TWsConnection::Send(const uint8_t* buf, int32_t size) {
  if (Socket == INVALID_SOCKET || state_ != wcsConnected) return kLinkWouldBlock;
  const TLinkWinsockTable& t = LinkWinsock();
  int n = t.send(Socket, reinterpret_cast<const char*>(buf), size, 0);
  return n == SOCKET_ERROR ? -t.WSAGetLastError() : n;
}

// ---- TLinkDeviceSocket --------------------------------------------------------------------

TLinkDeviceSocket::TLinkDeviceSocket(TComponent* owner) : TLinkSocket(owner) {}

TLinkDeviceSocket& LinkDeviceSocket() {
  static TLinkDeviceSocket socket;
  return socket;
}

TWsConnection* TLinkDeviceSocket::FindConnection(SOCKET s) {
  std::lock_guard l(list_);
  if (cache_ && (cache_->Socket == s || cache_->OwnSocket == s)) return cache_;
  for (int i = 0; i < ComponentCount(); ++i) {
    auto* c = dynamic_cast<TWsConnection*>(Components(i));
    if (c && (c->Socket == s || c->OwnSocket == s)) return cache_ = c;
  }
  return nullptr;
}

void TLinkDeviceSocket::ForgetConnection(TWsConnection* c) {
  std::lock_guard l(list_);
  if (cache_ == c) cache_ = nullptr;
}

void TLinkDeviceSocket::PurgeNotifications(SOCKET s) {
  std::vector<MSG> keep;
  MSG m;
  while (PeekMessageA(&m, Handle(), LinkMsgSocketEvent, LinkMsgSocketEvent, PM_REMOVE))
    if (SOCKET(m.wParam) != s) keep.push_back(m);
  for (const MSG& k : keep) PostMessageA(k.hwnd, k.message, k.wParam, k.lParam);
}

LRESULT TLinkDeviceSocket::TellPort(TLinkWinsockDispatcher* d, WPARAM wParam, LPARAM lParam) {
  TLinkCustomComPort* port = d->Port();
  HWND wnd = port ? AsHwnd(port->PortWindow()) : nullptr;
  if (!wnd) return 0;
  bool was = false, ignored = false;
  d->SetEventBusy(was, true);
  LRESULT r = SendMessageA(wnd, LinkMsgSocketEvent, wParam, lParam);
  d->SetEventBusy(ignored, was);
  // The port closed meanwhile: its dispatcher stops now that the call is over.
  if (!was && d->ClosePending()) d->DonePortPrim();
  return r;
}

void TLinkDeviceSocket::DoRead(SOCKET s) {
  if (TWsConnection* c = FindConnection(s)) {
    TLinkWinsockDispatcher* d = c->Dispatcher;
    c->ReadDue = true;
    SendMessageA(AsHwnd(d->DispatcherWindow), LinkMsgSocketEvent, WPARAM(d->ComHandle), 0);
  }
  TLinkSocket::DoRead(s);
}

void TLinkDeviceSocket::DoWrite(SOCKET s) {
  if (TWsConnection* c = FindConnection(s)) c->Buffers.Flush(*c);
  TLinkSocket::DoWrite(s);
}

void TLinkDeviceSocket::DoConnect(SOCKET s) {
  if (TWsConnection* c = FindConnection(s)) {
    if (c->IsClient) c->Socket = s;
    c->SetState(wcsConnected);
    TellPort(c->Dispatcher, wsNoteConnect, 0);
  }
  TLinkSocket::DoConnect(s);
}

void TLinkDeviceSocket::DoAccept(SOCKET s) {
  TWsConnection* c = FindConnection(s);
  if (c && c->Socket == INVALID_SOCKET) {
    TLinkWinsockDispatcher* d = c->Dispatcher;
    sockaddr_in addr{};
    SOCKET a = AcceptSocket(s, addr);
    if (a == INVALID_SOCKET) {
      d->Remote.sin_addr.s_addr = 0;
    } else {
      d->Remote = addr;
      LRESULT accepted = TellPort(d, wsNoteAccept, LPARAM(addr.sin_addr.s_addr));
      c = FindConnection(s);  // the port may have closed meanwhile
      if (!c || accepted != 1) {
        LinkWinsock().closesocket(a);
        if (c) d->Remote.sin_addr.s_addr = 0;
      } else {
        SendAtOnce(a);
        c->Socket = a;
        c->SetState(wcsConnected);
      }
    }
  }
  TLinkSocket::DoAccept(s);
}

// The peer closed: what it sent before is still to be read. The dispatcher reads the
// socket to its end, lets the port's handlers take the data and then tells the port.
void TLinkDeviceSocket::DoDisconnect(SOCKET s) {
  if (TWsConnection* c = FindConnection(s)) {
    c->CloseSeen = true;
    c->Dispatcher->Dispatch();
  }
  TLinkSocket::DoDisconnect(s);
}

void TLinkDeviceSocket::AnnounceClose(TWsConnection* c) {
  TLinkWinsockDispatcher* d = c->Dispatcher;
  SOCKET s = c->Socket;
  bool accepted = !c->IsClient && s != INVALID_SOCKET && s != c->OwnSocket;
  d->Remote.sin_addr.s_addr = 0;
  c->Socket = INVALID_SOCKET;
  c->SetState(wcsInit);
  if (accepted) {  // a listening port waits for its next peer
    PurgeNotifications(s);
    LinkWinsock().closesocket(s);
    c->Buffers.Restart();
    c->CloseSeen = false;
    c->ReadDue = true;
    TellPort(d, wsNoteClientGone, 0);
  } else {
    c->CloseAnnounced = true;
    TellPort(d, wsNoteClose, 0);
  }
}

void TLinkDeviceSocket::ReportError(TWsConnection* c, int32_t error) {
  c->ReportedError = error;
  TellPort(c->Dispatcher, WPARAM(error), 0);
}

void TLinkDeviceSocket::DoError(SOCKET s, int32_t error) {
  TWsConnection* c = FindConnection(s);
  if (!c || c->ReportedError == error) return;
  c->ReportedError = error;
  // What arrived before a reset still goes to the port.
  if (IsNetworkBreak(error) && c->State() == wcsConnected) {
    c->ReadDue = true;
    c->Dispatcher->Dispatch();
    c = FindConnection(s);
  }
  if (c) ReportError(c, error);
}

// ---- TLinkWinsockDispatcher ----------------------------------------------------------------

TLinkWinsockDispatcher::TLinkWinsockDispatcher(TLinkCustomComPort* port) : TLinkBaseDispatcher(port) {
  Remote.sin_family = Local.sin_family = AF_INET;
  LockPortList();
  Dispatchers().push_back(this);
  UnlockPortList();
}

TLinkWinsockDispatcher::~TLinkWinsockDispatcher() {
  if (Started) StopDispatcher();
  if (connection_) CloseCom();
  LockPortList();
  auto& list = Dispatchers();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  UnlockPortList();
}

void TLinkWinsockDispatcher::InitSocketData(uint32_t address, uint16_t port, bool isClient, bool isTelnet) {
  Remote = {};
  Remote.sin_family = AF_INET;
  Remote.sin_port = port;
  Remote.sin_addr.s_addr = address;
  Local = {};
  Local.sin_family = AF_INET;
  Local.sin_port = isClient ? 0 : port;
  Local.sin_addr.s_addr = INADDR_ANY;
  IsClient = isClient;
  IsTelnet = isTelnet;
}

intptr_t TLinkWinsockDispatcher::OpenCom(const char*, int32_t inQueue, int32_t outQueue) {
  TLinkDeviceSocket& ds = LinkDeviceSocket();
  SOCKET s = ds.CreateSocket();
  ds.LockList();
  connection_ = new TWsConnection(&ds, s, this, uint32_t(std::max(inQueue, 1)), uint32_t(std::max(outQueue, 1)));
  ds.UnLockList();
  return intptr_t(s);
}

bool TLinkWinsockDispatcher::SetupCom(int32_t, int32_t) {
  TLinkDeviceSocket& ds = LinkDeviceSocket();
  SOCKET s = SOCKET(ComHandle);
  auto fail = [&] {
    setupError_ = ds.LastError() ? ds.LastError() : WSAEINVAL;
    return false;
  };
  BOOL reuse = TRUE;
  if (ds.SetSocketOptions(s, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse) != 0) return fail();
  SendAtOnce(s);
  if (ds.BindSocket(s, Local) != 0) return fail();
  if (ds.SetAsyncStyles(s, kSocketEvents) != 0) return fail();
  int rc = IsClient ? ds.ConnectSocket(s, Remote) : ds.ListenSocket(s, 1);
  if (rc != 0 && ds.LastError() != WSAEWOULDBLOCK) return fail();
  return true;
}

int32_t TLinkWinsockDispatcher::CloseCom() {
  TLinkDeviceSocket& ds = LinkDeviceSocket();
  ds.LockList();
  TWsConnection* c = connection_;
  if (!c) {
    ds.UnLockList();
    return -1;
  }
  const TLinkWinsockTable& t = LinkWinsock();
  if (!c->IsClient && c->Socket != INVALID_SOCKET && c->Socket != c->OwnSocket) {
    ds.PurgeNotifications(c->Socket);
    t.closesocket(c->Socket);
  }
  t.WSAAsyncSelect(c->OwnSocket, ds.Handle(), 0, 0);
  ds.PurgeNotifications(c->OwnSocket);
  t.closesocket(c->OwnSocket);
  connection_ = nullptr;
  ds.ForgetConnection(c);
  delete c;
  ds.UnLockList();
  return 0;
}

int32_t TLinkWinsockDispatcher::FlushCom(int32_t queue) {
  if (!connection_) return 0;
  if (queue == 0)
    connection_->Buffers.FlushOut();
  else
    connection_->Buffers.FlushIn();
  return 0;
}

// Reading the counts reads the socket: the bytes it holds move into the connection's ring,
// and waiting output is pushed on. The socket is read only once the ring holds less than
// the receive ring takes in one step: each read then fills most of the ring, instead of
// topping it up by one step's worth after every step (a system call and a socket notice each).
// It is read once for each read notice, and to its end once the peer has closed.
int32_t TLinkWinsockDispatcher::GetComError(TLinkComStat& stat) {
  TWsConnection* c = connection_;
  if (c && c->State() == wcsConnected && c->Buffers.InChars() < kRingSize && (c->ReadDue || c->CloseSeen)) {
    c->ReadDue = false;
    c->Buffers.Pull(*c);
  }
  return GetOutputStatus(stat);
}

// The output counts push waiting output on but leave the socket unread: a key sent cost
// two reads first (the room asked, then the write's own check), each a round trip to the
// system that mostly found nothing.
int32_t TLinkWinsockDispatcher::GetOutputStatus(TLinkComStat& stat) {
  stat = {};
  if (TWsConnection* c = connection_) {
    if (c->State() == wcsConnected) c->Buffers.Flush(*c);
    stat.cbInQue = c->Buffers.InChars();
    stat.cbOutQue = c->Buffers.OutChars();
  }
  return setupError_;
}

int32_t TLinkWinsockDispatcher::GetComState(TLinkDCB& dcb) {
  dcb.BaudRate = 19200;
  dcb.ByteSize = 8;
  dcb.Parity = parNone;
  dcb.StopBits = sbOne;
  return 0;
}

int32_t TLinkWinsockDispatcher::ReadCom(uint8_t* buf, int32_t size) {
  TWsConnection* c = connection_;
  if (!c || size <= 0) return 0;
  return int32_t(c->Buffers.Read(buf, uint32_t(size)));
}

int32_t TLinkWinsockDispatcher::WriteCom(const uint8_t* buf, int32_t size) {
  TWsConnection* c = connection_;
  if (!c || size <= 0) return -1;
  return c->Buffers.Write(buf, uint32_t(size), *c) ? size : -1;
}

void TLinkWinsockDispatcher::StartDispatcher() {
  if (Started) throw Exception("Dispatcher already started");
  TimerId = SetTimer(nullptr, 1, kDispatchTimerMs, &DispatchTimer);
  if (!TimerId) throw Exception("Resource not available");
  Started = Active = true;
  HWND wnd = MakeLinkWindow(kDispatchWindowClass, &DispatchWindowProc);
  if (!wnd) throw Exception("Resource not available");
  DispatcherWindow = AsLinkWindow(wnd);
}

void TLinkWinsockDispatcher::StopDispatcher() {
  if (TimerId) KillTimer(nullptr, TimerId);
  TimerId = 0;
  if (DispatcherWindow) DestroyWindow(AsHwnd(DispatcherWindow));
  DispatcherWindow = 0;
  Started = Active = false;
}

bool TLinkWinsockDispatcher::DrainRound(bool checkTriggers) {
  TWsConnection* c = connection_;
  uint64_t received = c->Received;
  int32_t before = InBuffUsed();
  ExtractData();
  int32_t extracted = InBuffUsed();
  if (checkTriggers && !NotifyBusy()) {
    while (!ClosePending() && !NotifyBusy() && CheckTriggers()) {
    }
    if (!NotifyBusy()) ResetStatusHits();
  }
  if (ClosePending() || connection_ != c) return false;
  return c->Received != received || extracted != before || InBuffUsed() != extracted;
}

void TLinkWinsockDispatcher::Dispatch(bool checkTriggers) {
  if (inDispatch_) return;
  inDispatch_ = true;
  struct Leave {
    bool& flag;
    ~Leave() { flag = false; }
  } leave{inDispatch_};
  if (!ClosePending() && ComHandle >= 0 && connection_) {
    RefreshStatus();
    // A few rounds while data keeps coming saves a read notice for each ring's worth.
    // After the peer closed no more read notices come: read on to the end while the
    // port's handlers keep taking what arrives.
    // A key or a click of the user's ends the rounds early, so that it waits for one round
    // rather than for all: what the socket still holds brings its own notice.
    bool progress = DrainRound(checkTriggers);
    InputWatch input;
    for (int round = 1; progress && connection_ && !ClosePending() &&
                        (connection_->CloseSeen || (round < kBusyRounds && !input.Waits()));
         ++round)
      progress = DrainRound(checkTriggers);
    TWsConnection* c = ClosePending() ? nullptr : connection_;
    if (c && c->Buffers.Error() && c->ReportedError == 0) {
      LinkDeviceSocket().ReportError(c, c->Buffers.Error());
    } else if (c && c->CloseSeen && !c->CloseAnnounced) {
      bool drained = c->Buffers.PeerClosed() && c->Buffers.InChars() == 0;
      bool declined = !progress && DBufFull();  // the handlers stopped taking data
      if (drained || declined) LinkDeviceSocket().AnnounceClose(c);
    }
  }
  if (ClosePending() && !NotifyBusy() && Started) DonePortPrim();
}
