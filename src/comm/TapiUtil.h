// The telephony interface (version 1.4) through its late binding: each tuLine... takes the
// arguments of the system function of the same name and returns its result, or -13931 when
// "TAPI32" is missing, -13932 when its entry point is. The ...Dyn variants size the
// variable-length record themselves (starting sizes: device capabilities 240, call
// information 296, call status 36, translate output 40) and grow it on "structure too
// small" and to the size the system says it needs; on failure the record comes back empty.
#pragma once

#ifndef TAPI_CURRENT_VERSION
#define TAPI_CURRENT_VERSION 0x00010004
#endif
#include <windows.h>
#include <tapi.h>

#include <cstdint>
#include <string>
#include <vector>

LONG tuLineInitialize(LPHLINEAPP app, HINSTANCE instance, LINECALLBACK callback, LPCSTR appName, LPDWORD numDevs);
LONG tuLineShutdown(HLINEAPP app);
LONG tuLineNegotiateApiVersion(HLINEAPP app, DWORD deviceId, DWORD lowVersion, DWORD highVersion, LPDWORD apiVersion,
                               LPLINEEXTENSIONID extensionId);
LONG tuLineGetDevCaps(HLINEAPP app, DWORD deviceId, DWORD apiVersion, DWORD extVersion, LPLINEDEVCAPS caps);
LONG tuLineOpen(HLINEAPP app, DWORD deviceId, LPHLINE line, DWORD apiVersion, DWORD extVersion,
                DWORD_PTR callbackInstance, DWORD privileges, DWORD mediaModes, LPLINECALLPARAMS params);
LONG tuLineClose(HLINE line);
LONG tuLineMakeCall(HLINE line, LPHCALL call, LPCSTR destAddress, DWORD countryCode, LPLINECALLPARAMS params);
LONG tuLineDrop(HCALL call, LPCSTR userUserInfo, DWORD size);
LONG tuLineDeallocateCall(HCALL call);
LONG tuLineAccept(HCALL call, LPCSTR userUserInfo, DWORD size);
LONG tuLineAnswer(HCALL call, LPCSTR userUserInfo, DWORD size);
LONG tuLineHandoff(HCALL call, LPCSTR fileName, DWORD mediaMode);
LONG tuLineGetID(HLINE line, DWORD addressId, HCALL call, DWORD select, LPVARSTRING deviceId, LPCSTR deviceClass);
LONG tuLineGetCallInfo(HCALL call, LPLINECALLINFO info);
LONG tuLineGetCallStatus(HCALL call, LPLINECALLSTATUS status);
LONG tuLineGetAddressStatus(HLINE line, DWORD addressId, LPLINEADDRESSSTATUS status);
LONG tuLineSetStatusMessages(HLINE line, DWORD lineStates, DWORD addressStates);
LONG tuLineGetStatusMessages(HLINE line, LPDWORD lineStates, LPDWORD addressStates);
LONG tuLineGetDevConfig(DWORD deviceId, LPVARSTRING config, LPCSTR deviceClass);
LONG tuLineSetDevConfig(DWORD deviceId, LPVOID config, DWORD size, LPCSTR deviceClass);
LONG tuLineConfigDialog(DWORD deviceId, HWND owner, LPCSTR deviceClass);
LONG tuLineConfigDialogEdit(DWORD deviceId, HWND owner, LPCSTR deviceClass, LPVOID configIn, DWORD size,
                            LPVARSTRING configOut);
LONG tuLineGetCountry(DWORD countryId, DWORD apiVersion, LPLINECOUNTRYLIST list);
LONG tuLineSetCallParams(HCALL call, DWORD bearerMode, DWORD minRate, DWORD maxRate, LPLINEDIALPARAMS dialParams);
LONG tuLineSetMediaMode(HCALL call, DWORD mediaModes);
LONG tuLineMonitorMedia(HCALL call, DWORD mediaModes);
LONG tuLineMonitorDigits(HCALL call, DWORD digitModes);
LONG tuLineMonitorTones(HCALL call, LPLINEMONITORTONE tones, DWORD count);
LONG tuLineGenerateDigits(HCALL call, DWORD digitMode, LPCSTR digits, DWORD duration);
LONG tuLineGenerateTones(HCALL call, DWORD toneMode, DWORD duration, DWORD count, LPLINEGENERATETONE tones);
LONG tuLineSetCurrentLocation(HLINEAPP app, DWORD location);
LONG tuLineSetTollList(HLINEAPP app, DWORD deviceId, LPCSTR addressIn, DWORD tollListOption);
LONG tuLineTranslateDialog(HLINEAPP app, DWORD deviceId, DWORD apiVersion, HWND owner, LPCSTR addressIn);

// The record in its own bytes; As<T> reads it as the system's structure.
using TTapiRecord = std::vector<uint8_t>;
template <class T>
const T* As(const TTapiRecord& record) {
  return record.size() >= sizeof(DWORD) * 3 ? reinterpret_cast<const T*>(record.data()) : nullptr;
}

LONG tuLineGetDevCapsDyn(HLINEAPP app, DWORD deviceId, DWORD apiVersion, DWORD extVersion, TTapiRecord& caps);
LONG tuLineGetCallInfoDyn(HCALL call, TTapiRecord& info);
LONG tuLineGetCallStatusDyn(HCALL call, TTapiRecord& status);
LONG tuLineTranslateAddressDyn(HLINEAPP app, DWORD deviceId, DWORD apiVersion, LPCSTR addressIn, DWORD card,
                               DWORD options, TTapiRecord& output);

// The text a record holds at offset (size bytes, up to its first NUL); empty when that is
// not inside the record.
std::string TapiRecordText(const TTapiRecord& record, DWORD offset, DWORD size);

// Line id of a session, looked up as a line is listed: version 1.4 negotiated, then its
// capabilities read; name is the line's name without its terminating NUL ("" when it has
// none, or when the record does not hold it).
enum class TLineLookup : uint8_t { Found, NoVersion, NoCaps };
TLineLookup LookUpLine(HLINEAPP app, DWORD id, std::string& name);
