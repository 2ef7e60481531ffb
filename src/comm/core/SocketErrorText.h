// The texts that TZSocket shows for Winsock error codes.
#pragma once

// The text of a Winsock error code; "Not a WinSock error" for any other code.
const char* WinsockErrorText(int code);
