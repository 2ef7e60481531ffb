// A telephony library for the tests: "tapi32.dll" with the 35 entry points the program
// binds by name, loaded in place of Wine's (WINEDLLOVERRIDES=tapi32=n,b). Line 0 is
// "Quiro Test Modem", line 1 has no name. Each lineInitialize is a session of its own with
// its callback. Notifications are posted to a hidden window made by the first
// lineInitialize, so that the callback runs while the application processes messages, as
// with the real library. The number dialled chooses what the call does:
//   "1..."  connects: dial tone, dialling, ringback, connected
//   "2..."  busy, every time
//   "3..."  rings and is never answered (until dropped)
//   "4..."  the request is refused (LINE_REPLY with LINEERR_INVALADDRESS)
//   "5..."  connects, then a LINEDEVSTATE_REINIT; the next lineInitialize answers REINIT once
//   "6..."  connects, but lineGetID fails
//   "7..."  busy; the next lineOpen fails
//   "8..."  connects, but lineGetID's answer is too short to hold a handle
//   "9..."  connects, but lineGetID hands out an invalid handle (-1)
// A pass-through call (no number) connects at once.
// Once connected, lineGetID("comm/datamodem") opens the COM port named by the environment
// variable QUIRO_TAPI_COMM (overlapped) and hands out its handle, which the caller owns.
// QuiroTapiLog() gives the calls made so far, one a line; QuiroTapiAddLine() tells every
// session of a new line (LINE_CREATE). A call comes in on the open line with
// QuiroTapiOffer(caller id or null for a withheld one, caller name, media mode), rings with
// QuiroTapiRing(count), and connects when answered; QuiroTapiTones(digits) sends tone digits
// on a call whose digits are watched. The location dials "9," and the digits of a number
// ("!..." cannot be translated); each line keeps its modem settings (at first 300 bytes).
#define TAPI_CURRENT_VERSION 0x00010004
#include <windows.h>
#include <tapi.h>
// The names as the program binds them, not the header's ANSI aliases.
#undef lineGetAddressStatus
#undef lineGetCallInfo
#undef lineGetCountry
#undef lineGetDevCaps
#undef lineGetTranslateCaps
#undef lineOpen

#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <string>

#define QUIRO_EXPORT extern "C" __declspec(dllexport)

namespace {

constexpr UINT kNotify = WM_APP + 1;
constexpr DWORD kLines = 2;
constexpr HLINEAPP kFirstApp = 0x51;
constexpr HCALL kCall = 0x500;
const char* const kLineNames[kLines] = {"Quiro Test Modem", ""};
constexpr DWORD kDevSpecificSize = 1500;  // the capabilities need more than a first guess

struct Notice {
  HLINEAPP app;
  DWORD_PTR instance;
  DWORD device, message;
  DWORD_PTR p1, p2, p3;
};

std::mutex gLock;
std::deque<Notice> gNotices;
std::string gLog;
std::map<HLINEAPP, LINECALLBACK> gApps;  // the sessions
HLINEAPP gNextApp = kFirstApp;
HLINEAPP gLineApp = 0;  // the session and instance of the line that places the call
HLINE gLine = 0;
DWORD_PTR gInstance = 0;
HWND gWindow = nullptr;
DWORD gRequest = 0;
DWORD gCallState = 0;
char gScenario = 0;
bool gReinitNext = false, gOpenFailsNext = false;
// The caller of the current call, as lineGetCallInfo tells it.
DWORD gCallerFlags = LINECALLPARTYID_UNKNOWN, gMedia = LINEMEDIAMODE_DATAMODEM;
std::string gCallerId, gCallerName;
DWORD gDigitModes = 0;
std::string gDevConfig[kLines] = {std::string(300, 'Q'), std::string(300, 'R')};

void Log(const std::string& line) {
  std::lock_guard l(gLock);
  gLog += line + "\n";
}

void PostTo(HLINEAPP app, DWORD_PTR instance, DWORD device, DWORD message, DWORD_PTR p1, DWORD_PTR p2 = 0,
            DWORD_PTR p3 = 0) {
  {
    std::lock_guard l(gLock);
    gNotices.push_back({app, instance, device, message, p1, p2, p3});
  }
  PostMessageA(gWindow, kNotify, 0, 0);
}

// A notice about the line that places the call, to its session.
void Post(DWORD device, DWORD message, DWORD_PTR p1, DWORD_PTR p2 = 0, DWORD_PTR p3 = 0) {
  HLINEAPP app;
  DWORD_PTR instance;
  {
    std::lock_guard l(gLock);
    app = gLineApp;
    instance = gInstance;
  }
  PostTo(app, instance, device, message, p1, p2, p3);
}

void State(DWORD state, DWORD detail = 0) {
  Post(DWORD(kCall), LINE_CALLSTATE, state, detail, LINECALLPRIVILEGE_OWNER);
  std::lock_guard l(gLock);
  gCallState = state;  // as the library knows it once the notice is queued
}

LRESULT CALLBACK NoticeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != kNotify) return DefWindowProcA(hwnd, msg, wParam, lParam);
  Notice n;
  LINECALLBACK callback = nullptr;
  {
    std::lock_guard l(gLock);
    if (gNotices.empty()) return 0;
    n = gNotices.front();
    gNotices.pop_front();
    if (auto it = gApps.find(n.app); it != gApps.end()) callback = it->second;  // a session shut down hears nothing
  }
  if (callback) callback(n.device, n.message, n.instance, n.p1, n.p2, n.p3);
  return 0;
}

DWORD NextRequest() {
  std::lock_guard l(gLock);
  return ++gRequest;
}

template <class T>
bool Fits(T* record, DWORD fixed) {
  return record && record->dwTotalSize >= fixed;
}

}  // namespace

QUIRO_EXPORT const char* WINAPI QuiroTapiLog() {
  static std::string copy;
  std::lock_guard l(gLock);
  copy = gLog;
  return copy.c_str();
}

QUIRO_EXPORT void WINAPI QuiroTapiAddLine() {
  std::map<HLINEAPP, LINECALLBACK> apps;
  {
    std::lock_guard l(gLock);
    apps = gApps;
  }
  for (const auto& app : apps) PostTo(app.first, 0, 0, LINE_CREATE, kLines, 0, 0);
}

QUIRO_EXPORT LONG WINAPI lineInitialize(LPHLINEAPP app, HINSTANCE instance, LINECALLBACK callback, LPCSTR name,
                                        LPDWORD numDevs) {
  Log(std::string("lineInitialize ") + (name ? name : ""));
  {
    std::lock_guard l(gLock);
    if (gReinitNext) {
      gReinitNext = false;
      return LINEERR_REINIT;
    }
  }
  static ATOM cls = [instance] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = NoticeProc;
    wc.hInstance = instance;
    wc.lpszClassName = "QuiroTapiDoubleWindow";
    return RegisterClassA(&wc);
  }();
  (void)cls;
  if (!gWindow) gWindow = CreateWindowA("QuiroTapiDoubleWindow", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
  std::lock_guard l(gLock);
  *app = gNextApp++;
  gApps[*app] = callback;
  *numDevs = kLines;
  return 0;
}

QUIRO_EXPORT LONG WINAPI lineShutdown(HLINEAPP app) {
  Log("lineShutdown");
  std::lock_guard l(gLock);
  return gApps.erase(app) ? 0 : LINEERR_INVALAPPHANDLE;
}

QUIRO_EXPORT LONG WINAPI lineNegotiateAPIVersion(HLINEAPP, DWORD device, DWORD low, DWORD high, LPDWORD version,
                                                 LPLINEEXTENSIONID) {
  if (device >= kLines) return LINEERR_BADDEVICEID;
  if (low > 0x10004 || high < 0x10004) return LINEERR_INCOMPATIBLEAPIVERSION;
  *version = 0x10004;
  return 0;
}

QUIRO_EXPORT LONG WINAPI lineGetDevCaps(HLINEAPP, DWORD device, DWORD, DWORD, LPLINEDEVCAPS caps) {
  if (device >= kLines) return LINEERR_BADDEVICEID;
  if (!Fits(caps, sizeof(LINEDEVCAPS))) return LINEERR_STRUCTURETOOSMALL;
  DWORD total = caps->dwTotalSize;
  DWORD nameSize = kLineNames[device][0] ? DWORD(std::strlen(kLineNames[device]) + 1) : 0;
  DWORD needed = sizeof(LINEDEVCAPS) + nameSize + kDevSpecificSize;
  std::memset(caps, 0, sizeof(LINEDEVCAPS));
  caps->dwTotalSize = total;
  caps->dwNeededSize = needed;
  caps->dwUsedSize = sizeof(LINEDEVCAPS);
  caps->dwMediaModes = LINEMEDIAMODE_DATAMODEM;
  caps->dwNumAddresses = 1;
  if (total >= needed) {
    char* base = reinterpret_cast<char*>(caps);
    caps->dwLineNameSize = nameSize;
    caps->dwLineNameOffset = sizeof(LINEDEVCAPS);
    std::memcpy(base + sizeof(LINEDEVCAPS), kLineNames[device], nameSize);
    caps->dwDevSpecificSize = kDevSpecificSize;
    caps->dwDevSpecificOffset = sizeof(LINEDEVCAPS) + nameSize;
    std::memset(base + caps->dwDevSpecificOffset, 0x5A, kDevSpecificSize);
    caps->dwUsedSize = needed;
  }
  return 0;
}

QUIRO_EXPORT LONG WINAPI lineOpen(HLINEAPP app, DWORD device, LPHLINE line, DWORD, DWORD, DWORD_PTR instance,
                                  DWORD privileges, DWORD media, LPLINECALLPARAMS) {
  Log("lineOpen " + std::to_string(device) + " " + std::to_string(privileges) + " " + std::to_string(media));
  if (device >= kLines) return LINEERR_BADDEVICEID;
  std::lock_guard l(gLock);
  if (gOpenFailsNext) {
    gOpenFailsNext = false;
    return LINEERR_OPERATIONFAILED;
  }
  gLineApp = app;
  gInstance = instance;
  *line = gLine = 0x100 + device;
  return 0;
}

QUIRO_EXPORT LONG WINAPI lineClose(HLINE) {
  Log("lineClose");
  return 0;
}

QUIRO_EXPORT LONG WINAPI lineSetStatusMessages(HLINE, DWORD, DWORD) { return 0; }

QUIRO_EXPORT LONG WINAPI lineMakeCall(HLINE line, LPHCALL call, LPCSTR number, DWORD, LPLINECALLPARAMS params) {
  std::string dialled = number ? number : "";
  const DWORD bearer = params ? params->dwBearerMode : 0;
  Log("lineMakeCall " + dialled + " " + std::to_string(params ? params->dwMediaMode : 0) + " " +
      std::to_string(bearer));
  DWORD request = NextRequest();
  *call = kCall;
  char scenario = dialled.empty() ? '1' : dialled[0];
  {
    std::lock_guard l(gLock);
    gScenario = scenario;
    gCallerFlags = LINECALLPARTYID_UNKNOWN;
    gMedia = params ? params->dwMediaMode : LINEMEDIAMODE_DATAMODEM;
  }
  if (scenario == '4') {
    Post(DWORD(line), LINE_REPLY, request, LINEERR_INVALADDRESS);
    return LONG(request);
  }
  Post(DWORD(line), LINE_REPLY, request, 0);
  if (bearer == LINEBEARERMODE_PASSTHROUGH) {
    State(LINECALLSTATE_CONNECTED);
    return LONG(request);
  }
  State(LINECALLSTATE_DIALTONE);
  State(LINECALLSTATE_DIALING);
  switch (scenario) {
    case '2':
    case '7':
      State(LINECALLSTATE_BUSY, LINEBUSYMODE_STATION);
      if (scenario == '7') {
        std::lock_guard l(gLock);
        gOpenFailsNext = true;
      }
      break;
    case '3':
      State(LINECALLSTATE_RINGBACK);
      break;
    default:
      State(LINECALLSTATE_RINGBACK);
      State(LINECALLSTATE_CONNECTED);
      if (scenario == '5') {
        {
          std::lock_guard l(gLock);
          gReinitNext = true;
        }
        Post(DWORD(line), LINE_LINEDEVSTATE, LINEDEVSTATE_REINIT);
      }
  }
  return LONG(request);
}

QUIRO_EXPORT LONG WINAPI lineDrop(HCALL call, LPCSTR, DWORD) {
  Log("lineDrop");
  if (call != kCall) return LINEERR_INVALCALLHANDLE;
  DWORD request = NextRequest();
  Post(DWORD(call), LINE_REPLY, request, 0);
  bool idle;
  {
    std::lock_guard l(gLock);
    idle = gCallState == LINECALLSTATE_IDLE;
  }
  if (!idle) {
    State(LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NORMAL);
    State(LINECALLSTATE_IDLE);
  }
  return LONG(request);
}

QUIRO_EXPORT LONG WINAPI lineDeallocateCall(HCALL) {
  Log("lineDeallocateCall");
  std::lock_guard l(gLock);
  gCallState = 0;
  return 0;
}

QUIRO_EXPORT LONG WINAPI lineGetID(HLINE, DWORD, HCALL call, DWORD select, LPVARSTRING id, LPCSTR deviceClass) {
  Log(std::string("lineGetID ") + (deviceClass ? deviceClass : ""));
  if (select != LINECALLSELECT_CALL || call != kCall) return LINEERR_INVALCALLSELECT;
  if (!deviceClass || std::strcmp(deviceClass, "comm/datamodem") != 0) return LINEERR_INVALDEVICECLASS;
  if (!Fits(id, sizeof(VARSTRING))) return LINEERR_STRUCTURETOOSMALL;
  {
    std::lock_guard l(gLock);
    if (gScenario == '6' || gCallState != LINECALLSTATE_CONNECTED) return LINEERR_OPERATIONFAILED;
  }
  char port[MAX_PATH] = {};
  GetEnvironmentVariableA("QUIRO_TAPI_COMM", port, sizeof port);
  DWORD nameSize = DWORD(std::strlen(port) + 1);
  DWORD needed = sizeof(VARSTRING) + sizeof(HANDLE) + nameSize;
  id->dwNeededSize = needed;
  id->dwStringFormat = STRINGFORMAT_BINARY;
  if (id->dwTotalSize < needed) {
    id->dwUsedSize = sizeof(VARSTRING);
    id->dwStringSize = id->dwStringOffset = 0;
    return 0;
  }
  char scenario;
  {
    std::lock_guard l(gLock);
    scenario = gScenario;
  }
  HANDLE h = INVALID_HANDLE_VALUE;
  if (scenario != '9') {
    h = CreateFileA(port, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (h == INVALID_HANDLE_VALUE) return LINEERR_OPERATIONFAILED;
  }
  char* base = reinterpret_cast<char*>(id);
  id->dwStringOffset = sizeof(VARSTRING);
  id->dwStringSize = sizeof(HANDLE) + nameSize;
  std::memcpy(base + sizeof(VARSTRING), &h, sizeof h);
  std::memcpy(base + sizeof(VARSTRING) + sizeof h, port, nameSize);
  id->dwUsedSize = needed;
  if (scenario == '8') {
    CloseHandle(h);
    id->dwStringSize = 2;  // claims less than a handle
    id->dwUsedSize = id->dwStringOffset + 2;
  }
  return 0;
}

QUIRO_EXPORT LONG WINAPI lineGetCallInfo(HCALL call, LPLINECALLINFO info) {
  if (call != kCall) return LINEERR_INVALCALLHANDLE;
  if (!Fits(info, sizeof(LINECALLINFO))) return LINEERR_STRUCTURETOOSMALL;
  DWORD total = info->dwTotalSize;
  std::memset(info, 0, sizeof(LINECALLINFO));
  info->dwTotalSize = total;
  info->dwUsedSize = sizeof(LINECALLINFO);
  info->hLine = 0x100;
  info->dwBearerMode = LINEBEARERMODE_VOICE;
  std::lock_guard l(gLock);
  info->dwMediaMode = gMedia;
  info->dwCallStates = gCallState;
  info->dwRate = gCallState == LINECALLSTATE_CONNECTED ? 28800 : 0;
  info->dwCallerIDFlags = gCallerFlags;
  // The caller's number and name follow the record, each with its NUL.
  const DWORD idSize = gCallerFlags & LINECALLPARTYID_ADDRESS ? DWORD(gCallerId.size() + 1) : 0;
  const DWORD nameSize = gCallerFlags & LINECALLPARTYID_NAME ? DWORD(gCallerName.size() + 1) : 0;
  info->dwNeededSize = sizeof(LINECALLINFO) + idSize + nameSize;
  if (total < info->dwNeededSize) return 0;
  char* base = reinterpret_cast<char*>(info);
  info->dwCallerIDOffset = sizeof(LINECALLINFO);
  info->dwCallerIDSize = idSize;
  std::memcpy(base + info->dwCallerIDOffset, gCallerId.c_str(), idSize);
  info->dwCallerIDNameOffset = sizeof(LINECALLINFO) + idSize;
  info->dwCallerIDNameSize = nameSize;
  std::memcpy(base + info->dwCallerIDNameOffset, gCallerName.c_str(), nameSize);
  info->dwUsedSize = info->dwNeededSize;
  return 0;
}

// ---- Incoming calls ---------------------------------------------------------------------------

QUIRO_EXPORT void WINAPI QuiroTapiOffer(const char* id, const char* name, DWORD media) {
  {
    std::lock_guard l(gLock);
    gScenario = '1';
    gMedia = media;
    gCallerFlags = id ? LINECALLPARTYID_ADDRESS | (name ? LINECALLPARTYID_NAME : 0) : LINECALLPARTYID_BLOCKED;
    gCallerId = id ? id : "";
    gCallerName = name ? name : "";
  }
  State(LINECALLSTATE_OFFERING);
  Post(DWORD(kCall), LINE_CALLINFO, LINECALLINFOSTATE_CALLERID);
}

QUIRO_EXPORT void WINAPI QuiroTapiRing(DWORD count) {
  HLINE line;
  {
    std::lock_guard l(gLock);
    line = gLine;
  }
  Post(DWORD(line), LINE_LINEDEVSTATE, LINEDEVSTATE_RINGING, 0, count);
}

QUIRO_EXPORT void WINAPI QuiroTapiTones(const char* digits) {
  DWORD modes;
  {
    std::lock_guard l(gLock);
    modes = gDigitModes;
  }
  if (!modes) return;  // nobody listens
  for (const char* d = digits; *d; ++d) Post(DWORD(kCall), LINE_MONITORDIGITS, DWORD(uint8_t(*d)), LINEDIGITMODE_DTMF);
}

// A request on the call that succeeds and moves it to state.
LONG CallRequest(const char* name, HCALL call, DWORD state) {
  Log(name);
  if (call != kCall) return LINEERR_INVALCALLHANDLE;
  DWORD request = NextRequest();
  Post(DWORD(call), LINE_REPLY, request, 0);
  State(state);
  return LONG(request);
}

QUIRO_EXPORT LONG WINAPI lineAccept(HCALL call, LPCSTR, DWORD) {
  return CallRequest("lineAccept", call, LINECALLSTATE_ACCEPTED);
}

QUIRO_EXPORT LONG WINAPI lineAnswer(HCALL call, LPCSTR, DWORD) {
  return CallRequest("lineAnswer", call, LINECALLSTATE_CONNECTED);
}

QUIRO_EXPORT LONG WINAPI lineMonitorDigits(HCALL call, DWORD modes) {
  Log("lineMonitorDigits " + std::to_string(modes));
  if (call != kCall) return LINEERR_INVALCALLHANDLE;
  std::lock_guard l(gLock);
  gDigitModes = modes;
  return 0;
}

// ---- The line's settings and the dialling location ------------------------------------------------

QUIRO_EXPORT LONG WINAPI lineConfigDialog(DWORD device, HWND, LPCSTR deviceClass) {
  Log("lineConfigDialog " + std::to_string(device) + " " + (deviceClass ? deviceClass : ""));
  return device < kLines ? 0 : LINEERR_BADDEVICEID;
}

QUIRO_EXPORT LONG WINAPI lineGetDevConfig(DWORD device, LPVARSTRING config, LPCSTR deviceClass) {
  if (device >= kLines) return LINEERR_BADDEVICEID;
  if (!deviceClass || std::strcmp(deviceClass, "comm/datamodem") != 0) return LINEERR_INVALDEVICECLASS;
  if (!Fits(config, sizeof(VARSTRING))) return LINEERR_STRUCTURETOOSMALL;
  std::lock_guard l(gLock);
  const std::string& held = gDevConfig[device];
  config->dwNeededSize = DWORD(sizeof(VARSTRING) + held.size());
  config->dwStringFormat = STRINGFORMAT_BINARY;
  if (config->dwTotalSize < config->dwNeededSize) {
    config->dwUsedSize = sizeof(VARSTRING);
    config->dwStringSize = config->dwStringOffset = 0;
    return 0;
  }
  config->dwStringOffset = sizeof(VARSTRING);
  config->dwStringSize = DWORD(held.size());
  std::memcpy(reinterpret_cast<char*>(config) + sizeof(VARSTRING), held.data(), held.size());
  config->dwUsedSize = config->dwNeededSize;
  return 0;
}

QUIRO_EXPORT LONG WINAPI lineSetDevConfig(DWORD device, LPVOID config, DWORD size, LPCSTR deviceClass) {
  Log("lineSetDevConfig " + std::to_string(device) + " " + std::to_string(size));
  if (device >= kLines) return LINEERR_BADDEVICEID;
  if (!deviceClass || std::strcmp(deviceClass, "comm/datamodem") != 0) return LINEERR_INVALDEVICECLASS;
  std::lock_guard l(gLock);
  gDevConfig[device].assign(static_cast<const char*>(config), size);
  return 0;
}

QUIRO_EXPORT LONG WINAPI lineTranslateAddress(HLINEAPP, DWORD device, DWORD, LPCSTR address, DWORD, DWORD,
                                              LPLINETRANSLATEOUTPUT output) {
  if (device >= kLines) return LINEERR_BADDEVICEID;
  std::string in = address ? address : "";
  if (in.empty() || in[0] == '!') return LINEERR_INVALADDRESS;
  if (!Fits(output, sizeof(LINETRANSLATEOUTPUT))) return LINEERR_STRUCTURETOOSMALL;
  std::string dialable = "9,";
  for (char c : in)
    if (c >= '0' && c <= '9') dialable += c;
  const DWORD total = output->dwTotalSize;
  std::memset(output, 0, sizeof(LINETRANSLATEOUTPUT));
  output->dwTotalSize = total;
  output->dwNeededSize = DWORD(sizeof(LINETRANSLATEOUTPUT) + dialable.size() + 1 + in.size() + 1);
  output->dwUsedSize = sizeof(LINETRANSLATEOUTPUT);
  if (total < output->dwNeededSize) return 0;
  char* base = reinterpret_cast<char*>(output);
  output->dwDialableStringOffset = sizeof(LINETRANSLATEOUTPUT);
  output->dwDialableStringSize = DWORD(dialable.size() + 1);
  std::memcpy(base + output->dwDialableStringOffset, dialable.c_str(), dialable.size() + 1);
  output->dwDisplayableStringOffset = output->dwDialableStringOffset + output->dwDialableStringSize;
  output->dwDisplayableStringSize = DWORD(in.size() + 1);
  std::memcpy(base + output->dwDisplayableStringOffset, in.c_str(), in.size() + 1);
  output->dwUsedSize = output->dwNeededSize;
  return 0;
}

QUIRO_EXPORT LONG WINAPI lineTranslateDialog(HLINEAPP, DWORD device, DWORD, HWND, LPCSTR address) {
  Log("lineTranslateDialog " + std::to_string(device) + " " + (address ? address : ""));
  return device < kLines ? 0 : LINEERR_BADDEVICEID;
}

QUIRO_EXPORT LONG WINAPI lineGetCallStatus(HCALL call, LPLINECALLSTATUS status) {
  if (call != kCall) return LINEERR_INVALCALLHANDLE;
  if (!Fits(status, sizeof(LINECALLSTATUS))) return LINEERR_STRUCTURETOOSMALL;
  DWORD total = status->dwTotalSize;
  std::memset(status, 0, sizeof(LINECALLSTATUS));
  status->dwTotalSize = total;
  status->dwNeededSize = status->dwUsedSize = sizeof(LINECALLSTATUS);
  std::lock_guard l(gLock);
  status->dwCallState = gCallState;
  return 0;
}

// What the program binds but the tests do not drive.
#define QUIRO_UNAVAILABLE(name, ...) \
  QUIRO_EXPORT LONG WINAPI name(__VA_ARGS__) { return LINEERR_OPERATIONUNAVAIL; }
QUIRO_UNAVAILABLE(lineGenerateTone, HCALL, DWORD, DWORD, DWORD, LPLINEGENERATETONE)
QUIRO_UNAVAILABLE(lineMonitorTones, HCALL, LPLINEMONITORTONE, DWORD)
QUIRO_UNAVAILABLE(lineSetCallParams, HCALL, DWORD, DWORD, DWORD, LPLINEDIALPARAMS)
QUIRO_UNAVAILABLE(lineHandoff, HCALL, LPCSTR, DWORD)
QUIRO_UNAVAILABLE(lineMonitorMedia, HCALL, DWORD)
QUIRO_UNAVAILABLE(lineGenerateDigits, HCALL, DWORD, LPCSTR, DWORD)
QUIRO_UNAVAILABLE(lineGetCountry, DWORD, DWORD, LPLINECOUNTRYLIST)
QUIRO_UNAVAILABLE(lineConfigDialogEdit, DWORD, HWND, LPCSTR, LPVOID, DWORD, LPVARSTRING)
QUIRO_UNAVAILABLE(lineGetStatusMessages, HLINE, LPDWORD, LPDWORD)
QUIRO_UNAVAILABLE(lineGetAddressStatus, HLINE, DWORD, LPLINEADDRESSSTATUS)
QUIRO_UNAVAILABLE(lineSetMediaMode, HCALL, DWORD)
QUIRO_UNAVAILABLE(lineSetCurrentLocation, HLINEAPP, DWORD)
QUIRO_UNAVAILABLE(lineSetTollList, HLINEAPP, DWORD, LPCSTR, DWORD)
QUIRO_UNAVAILABLE(lineGetTranslateCaps, HLINEAPP, DWORD, LPLINETRANSLATECAPS)
