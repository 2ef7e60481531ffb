#include "comm/TapiUtil.h"

#include <cstring>

#include "comm/CommExcept.h"
#include "comm/core/TapiBinding.h"

namespace {

// Calls the bound entry point as the system function F, or returns the binding's code.
template <TTapiEntry E, class F, class... Args>
LONG Call(Args... args) {
  int32_t code = 0;
  void* entry = LinkTapi().Entry(E, code);
  if (!entry) return code;
  return reinterpret_cast<F>(entry)(args...);
}

constexpr uint32_t kDevCapsStart = 240, kCallInfoStart = 296, kCallStatusStart = 36, kTranslateStart = 40;

}  // namespace

LONG tuLineInitialize(LPHLINEAPP app, HINSTANCE instance, LINECALLBACK callback, LPCSTR appName, LPDWORD numDevs) {
  return Call<teInitialize, decltype(&lineInitialize)>(app, instance, callback, appName, numDevs);
}
LONG tuLineShutdown(HLINEAPP app) { return Call<teShutdown, decltype(&lineShutdown)>(app); }
LONG tuLineNegotiateApiVersion(HLINEAPP app, DWORD deviceId, DWORD lowVersion, DWORD highVersion, LPDWORD apiVersion,
                               LPLINEEXTENSIONID extensionId) {
  return Call<teNegotiateAPIVersion, decltype(&lineNegotiateAPIVersion)>(app, deviceId, lowVersion, highVersion,
                                                                         apiVersion, extensionId);
}
LONG tuLineGetDevCaps(HLINEAPP app, DWORD deviceId, DWORD apiVersion, DWORD extVersion, LPLINEDEVCAPS caps) {
  return Call<teGetDevCaps, decltype(&lineGetDevCaps)>(app, deviceId, apiVersion, extVersion, caps);
}
LONG tuLineOpen(HLINEAPP app, DWORD deviceId, LPHLINE line, DWORD apiVersion, DWORD extVersion,
                DWORD_PTR callbackInstance, DWORD privileges, DWORD mediaModes, LPLINECALLPARAMS params) {
  return Call<teOpen, decltype(&lineOpen)>(app, deviceId, line, apiVersion, extVersion, callbackInstance, privileges,
                                           mediaModes, params);
}
LONG tuLineClose(HLINE line) { return Call<teClose, decltype(&lineClose)>(line); }
LONG tuLineMakeCall(HLINE line, LPHCALL call, LPCSTR destAddress, DWORD countryCode, LPLINECALLPARAMS params) {
  return Call<teMakeCall, decltype(&lineMakeCall)>(line, call, destAddress, countryCode, params);
}
LONG tuLineDrop(HCALL call, LPCSTR userUserInfo, DWORD size) {
  return Call<teDrop, decltype(&lineDrop)>(call, userUserInfo, size);
}
LONG tuLineDeallocateCall(HCALL call) { return Call<teDeallocateCall, decltype(&lineDeallocateCall)>(call); }
LONG tuLineAccept(HCALL call, LPCSTR userUserInfo, DWORD size) {
  return Call<teAccept, decltype(&lineAccept)>(call, userUserInfo, size);
}
LONG tuLineAnswer(HCALL call, LPCSTR userUserInfo, DWORD size) {
  return Call<teAnswer, decltype(&lineAnswer)>(call, userUserInfo, size);
}
LONG tuLineHandoff(HCALL call, LPCSTR fileName, DWORD mediaMode) {
  return Call<teHandoff, decltype(&lineHandoff)>(call, fileName, mediaMode);
}
LONG tuLineGetID(HLINE line, DWORD addressId, HCALL call, DWORD select, LPVARSTRING deviceId, LPCSTR deviceClass) {
  return Call<teGetID, decltype(&lineGetID)>(line, addressId, call, select, deviceId, deviceClass);
}
LONG tuLineGetCallInfo(HCALL call, LPLINECALLINFO info) {
  return Call<teGetCallInfo, decltype(&lineGetCallInfo)>(call, info);
}
LONG tuLineGetCallStatus(HCALL call, LPLINECALLSTATUS status) {
  return Call<teGetCallStatus, decltype(&lineGetCallStatus)>(call, status);
}
LONG tuLineGetAddressStatus(HLINE line, DWORD addressId, LPLINEADDRESSSTATUS status) {
  return Call<teGetAddressStatus, decltype(&lineGetAddressStatus)>(line, addressId, status);
}
LONG tuLineSetStatusMessages(HLINE line, DWORD lineStates, DWORD addressStates) {
  return Call<teSetStatusMessages, decltype(&lineSetStatusMessages)>(line, lineStates, addressStates);
}
LONG tuLineGetStatusMessages(HLINE line, LPDWORD lineStates, LPDWORD addressStates) {
  return Call<teGetStatusMessages, decltype(&lineGetStatusMessages)>(line, lineStates, addressStates);
}
LONG tuLineGetDevConfig(DWORD deviceId, LPVARSTRING config, LPCSTR deviceClass) {
  return Call<teGetDevConfig, decltype(&lineGetDevConfig)>(deviceId, config, deviceClass);
}
LONG tuLineSetDevConfig(DWORD deviceId, LPVOID config, DWORD size, LPCSTR deviceClass) {
  return Call<teSetDevConfig, decltype(&lineSetDevConfig)>(deviceId, config, size, deviceClass);
}
LONG tuLineConfigDialog(DWORD deviceId, HWND owner, LPCSTR deviceClass) {
  return Call<teConfigDialog, decltype(&lineConfigDialog)>(deviceId, owner, deviceClass);
}
LONG tuLineConfigDialogEdit(DWORD deviceId, HWND owner, LPCSTR deviceClass, LPVOID configIn, DWORD size,
                            LPVARSTRING configOut) {
  return Call<teConfigDialogEdit, decltype(&lineConfigDialogEdit)>(deviceId, owner, deviceClass, configIn, size,
                                                                   configOut);
}
LONG tuLineGetCountry(DWORD countryId, DWORD apiVersion, LPLINECOUNTRYLIST list) {
  return Call<teGetCountry, decltype(&lineGetCountry)>(countryId, apiVersion, list);
}
LONG tuLineSetCallParams(HCALL call, DWORD bearerMode, DWORD minRate, DWORD maxRate, LPLINEDIALPARAMS dialParams) {
  return Call<teSetCallParams, decltype(&lineSetCallParams)>(call, bearerMode, minRate, maxRate, dialParams);
}
LONG tuLineSetMediaMode(HCALL call, DWORD mediaModes) {
  return Call<teSetMediaMode, decltype(&lineSetMediaMode)>(call, mediaModes);
}
LONG tuLineMonitorMedia(HCALL call, DWORD mediaModes) {
  return Call<teMonitorMedia, decltype(&lineMonitorMedia)>(call, mediaModes);
}
LONG tuLineMonitorDigits(HCALL call, DWORD digitModes) {
  return Call<teMonitorDigits, decltype(&lineMonitorDigits)>(call, digitModes);
}
LONG tuLineMonitorTones(HCALL call, LPLINEMONITORTONE tones, DWORD count) {
  return Call<teMonitorTones, decltype(&lineMonitorTones)>(call, tones, count);
}
LONG tuLineGenerateDigits(HCALL call, DWORD digitMode, LPCSTR digits, DWORD duration) {
  return Call<teGenerateDigits, decltype(&lineGenerateDigits)>(call, digitMode, digits, duration);
}
LONG tuLineGenerateTones(HCALL call, DWORD toneMode, DWORD duration, DWORD count, LPLINEGENERATETONE tones) {
  return Call<teGenerateTone, decltype(&lineGenerateTone)>(call, toneMode, duration, count, tones);
}
LONG tuLineSetCurrentLocation(HLINEAPP app, DWORD location) {
  return Call<teSetCurrentLocation, decltype(&lineSetCurrentLocation)>(app, location);
}
LONG tuLineSetTollList(HLINEAPP app, DWORD deviceId, LPCSTR addressIn, DWORD tollListOption) {
  return Call<teSetTollList, decltype(&lineSetTollList)>(app, deviceId, addressIn, tollListOption);
}
LONG tuLineTranslateDialog(HLINEAPP app, DWORD deviceId, DWORD apiVersion, HWND owner, LPCSTR addressIn) {
  return Call<teTranslateDialog, decltype(&lineTranslateDialog)>(app, deviceId, apiVersion, owner, addressIn);
}

LONG tuLineGetDevCapsDyn(HLINEAPP app, DWORD deviceId, DWORD apiVersion, DWORD extVersion, TTapiRecord& caps) {
  return TapiCallDyn(kDevCapsStart, [&](uint8_t* r) {
    return int32_t(tuLineGetDevCaps(app, deviceId, apiVersion, extVersion, reinterpret_cast<LPLINEDEVCAPS>(r)));
  }, caps);
}

LONG tuLineGetCallInfoDyn(HCALL call, TTapiRecord& info) {
  return TapiCallDyn(kCallInfoStart, [&](uint8_t* r) {
    return int32_t(tuLineGetCallInfo(call, reinterpret_cast<LPLINECALLINFO>(r)));
  }, info);
}

LONG tuLineGetCallStatusDyn(HCALL call, TTapiRecord& status) {
  return TapiCallDyn(kCallStatusStart, [&](uint8_t* r) {
    return int32_t(tuLineGetCallStatus(call, reinterpret_cast<LPLINECALLSTATUS>(r)));
  }, status);
}

LONG tuLineTranslateAddressDyn(HLINEAPP app, DWORD deviceId, DWORD apiVersion, LPCSTR addressIn, DWORD card,
                               DWORD options, TTapiRecord& output) {
  return TapiCallDyn(kTranslateStart, [&](uint8_t* r) {
    return int32_t(Call<teTranslateAddress, decltype(&lineTranslateAddress)>(
        app, deviceId, apiVersion, addressIn, card, options, reinterpret_cast<LPLINETRANSLATEOUTPUT>(r)));
  }, output);
}

TLineLookup LookUpLine(HLINEAPP app, DWORD id, std::string& name) {
  name.clear();
  DWORD version = 0;
  LINEEXTENSIONID extension{};
  if (tuLineNegotiateApiVersion(app, id, 0x10004, 0x10004, &version, &extension) != 0) return TLineLookup::NoVersion;
  TTapiRecord caps;
  if (tuLineGetDevCapsDyn(app, id, version, 0, caps) != 0) return TLineLookup::NoCaps;
  if (caps.size() >= sizeof(LINEDEVCAPS)) {
    const LINEDEVCAPS* c = As<LINEDEVCAPS>(caps);
    name = TapiRecordText(caps, c->dwLineNameOffset, c->dwLineNameSize);
  }
  return TLineLookup::Found;
}

std::string TapiRecordText(const TTapiRecord& record, DWORD offset, DWORD size) {
  if (size == 0 || offset > record.size() || size > record.size() - offset) return {};
  const char* text = reinterpret_cast<const char*>(record.data()) + offset;
  return std::string(text, strnlen(text, size));
}
