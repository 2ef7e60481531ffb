// The system libraries the program needs, started once by the program's entry before its
// first window, and stopped after its last: the common controls, OLE (the rich edit's
// objects, the shell's folder browser), the rich edit library, the screen's cursors and the
// locale's formats with the system's clock (LoadSystemLocale).
// Nothing of this happens in a static initialiser.
#pragma once

#include <windows.h>

// Starts them; a second call does nothing.
void StartLibraries();
// Undoes StartLibraries (what OLE holds on the clipboard left there as data, OLE shut down,
// then the rich edit library freed); only when no window that needs them is left.
void StopLibraries();

// The rich edit library loaded: 1 the first generation only ("RICHED32.DLL", window class
// "RICHEDIT"), also when none could be loaded; 2 "RICHED20.DLL"; 3 that one on a Windows NT
// system of version 5 or later.
int RichEditVersion();
// The loaded rich edit library (nullptr: none).
HMODULE RichEditLibrary();
