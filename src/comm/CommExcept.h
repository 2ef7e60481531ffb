// The communications library's ties to the system: the ANSI conversion and the system
// messages behind LinkLoadStr, the clock, sleep and message queue behind the timers and
// waits, the string-table resources, the trigger-message notifier and the loader of the
// telephony library.
#pragma once

#include <windows.h>

#include "comm/core/Dispatcher.h"
#include "comm/core/TapiBinding.h"

// Installs all of it once (later calls do nothing): the error table "LINK_ERROR_STRINGS_ENGLISH"
// and the reader's table "LINK_READER_STRINGS" are opened from the program's resources (without
// them LinkLoadStr falls back to the system's messages); the ports' hidden windows and their
// port selection dialog; the serial and telephony device layer (dlWin32).
void InitLinkLibrary();

// Sends trigger messages with SendMessageTimeout (SMTO_BLOCK).
class TLinkWindowNotifier : public ILinkNotifier {
 public:
  TLinkNotifyOutcome SendTriggerMessage(TLinkWindow wnd, uint32_t msg, uint32_t wParam, int32_t lParam,
                                        uint32_t timeoutMs) override;
};
TLinkWindowNotifier& LinkWindowNotifier();

// LoadLibrary / GetProcAddress / FreeLibrary.
class TLinkWin32LibraryLoader : public ILinkLibraryLoader {
 public:
  void* Load(const char* name) override;
  void* GetProc(void* library, const char* name) override;
  void Free(void* library) override;
};

// The process-wide binding of the telephony entry points.
TLinkTapiBinding& LinkTapi();
