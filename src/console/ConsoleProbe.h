// The test build's window into the main window (quiro_probe.exe; quiro.exe has none of
// it). Another process sends the main window WM_COPYDATA with one of these in dwData; the
// main window acts before the message returns (result 1 when it did):
//   ConsoleProbeDump     the data is a file name: the state is written there as name=value
//                        lines (caption, session, view and settings fields, the paint box's
//                        place on the screen, the favourites bar, the controls of a
//                        secondary window on show), then one "line=" per screen-model
//                        line: the text as hex, the foreground letters, the background
//                        letters;
//   ConsoleProbeConnect  the data is put into the address box and Connect is clicked;
//   ConsoleProbeSend     the data goes to the host through the send routine;
//   ConsoleProbeClick    the data names a control or menu item of the main window or of
//                        a secondary window on show (the picture viewer among them), or
//                        "Form.Control" of another window the program has open: it is
//                        clicked as by the user (a check box toggles, a radio button or a
//                        page is chosen);
//   ConsoleProbeClickLater  the same click, once the message has returned (a click that
//                        opens a modal window or a message box);
//   ConsoleProbeSet      the data is a control's name, a line feed and a value: an edit's
//                        or memo's new text (as typed: its change event runs), or the
//                        index of a list box's item, which is selected and clicked;
//   ConsoleProbeSetText  the data is "Control=text" (named as for a click): an edit takes
//                        the text as if typed, a list chooses the item of that text;
//   ConsoleProbeDumpForm the data is "Form|file": one line for each of the window's
//                        controls into the file, "name=text|enabled|visible|left,top,right,
//                        bottom" (the text an edit or list shows, a check box's 0 or 1, a
//                        caption; the rectangle on the screen), the window's own first; a
//                        menu item as "name=caption|enabled|visible|0,0,0,0|checked";
//   ConsoleProbeSavePicture  the data is a file name: the viewer's picture is saved there as
//                        its Save As does (the dump's viewerSaveResult says how it went);
//   ConsoleProbeClockScale  the data is a number: the transfer engine's clock runs that
//                        many times as fast from now on;
//   ConsoleProbeSettleDisplay  no data: the display's events for the program so far (its
//                        windows shown and given the keyboard, and with that the keyboard's
//                        state as the display knows it) are taken in, and what waits to be
//                        painted is on the display, before the message returns: keys typed
//                        afterwards never meet those events half-way, and the screen shows
//                        the windows as they are;
//   ConsoleProbePaintTimes  the data is a number n: the whole console is painted n times
//                        as received text has it painted, then the view is scrolled back
//                        one line and forth again n times as the scroll bar's arrows do
//                        (a view that cannot go back stays); the dump's paintMicros and
//                        scrollLineMicros give the median microseconds of one picture
//                        and of one line's scroll.
#pragma once

#include <cstdint>

inline constexpr uintptr_t ConsoleProbeDump = 0x51325044;     // "Q2PD"
inline constexpr uintptr_t ConsoleProbeConnect = 0x51325043;  // "Q2PC"
inline constexpr uintptr_t ConsoleProbeSend = 0x51325053;     // "Q2PS"
inline constexpr uintptr_t ConsoleProbeClick = 0x5132504B;    // "Q2PK"
inline constexpr uintptr_t ConsoleProbeClockScale = 0x5132505A;  // "Q2PZ"
inline constexpr uintptr_t ConsoleProbeSavePicture = 0x51325056;  // "Q2PV"
inline constexpr uintptr_t ConsoleProbeClickLater = 0x5132504C;  // "Q2PL"
inline constexpr uintptr_t ConsoleProbeSet = 0x51325054;         // "Q2PT"
inline constexpr uintptr_t ConsoleProbeSetText = 0x51325058;     // "Q2PX"
inline constexpr uintptr_t ConsoleProbeDumpForm = 0x51325046;    // "Q2PF"
inline constexpr uintptr_t ConsoleProbeSettleDisplay = 0x51325049;  // "Q2PI"
inline constexpr uintptr_t ConsoleProbePaintTimes = 0x51325050;  // "Q2PP"

void InstallConsoleProbe();
