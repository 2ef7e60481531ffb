#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <iostream>

#include "framework/Clipbrd.h"
#include "framework/Dialogs.h"
#include "framework/Forms.h"
#include "framework/Libraries.h"
#include "framework/Printers.h"
#include "framework/Screen.h"
#include "framework/core/TempDir.h"
#include "framework/WinePrinterKit.h"

namespace {

const char kHangul[] = "\xC7\xD1\xB1\xDB \xB0\xA1\xB3\xAA abc";  // KS C 5601 and ASCII

TEST(Clipboard, KoreanUnicodeTextReadsBackAsTheSameCodePageBytes) {
    std::wstring wide = AnsiToWide(kHangul, 949);
    ASSERT_EQ(wide.size(), 9u);  // four syllables, two spaces, "abc"
    EXPECT_EQ(wide[0], L'\xD55C');

    Clipboard()->SetAsUnicodeText(wide);
    EXPECT_TRUE(Clipboard()->HasFormat(CF_UNICODETEXT));
    bool usedDefault = true;
    EXPECT_EQ(WideToAnsi(Clipboard()->AsUnicodeText(), 949, &usedDefault), kHangul);
    EXPECT_FALSE(usedDefault);
    // A character code page 949 lacks needs the default character.
    WideToAnsi(L"\x0E01", 949, &usedDefault);  // a Thai letter
    EXPECT_TRUE(usedDefault);

    if (GetACP() == 949) {
        // The system's own conversions through the ANSI code page agree, both ways.
        EXPECT_EQ(WideToAnsi(Clipboard()->AsUnicodeText()), kHangul);
        EXPECT_EQ(Clipboard()->AsText(), kHangul);
        Clipboard()->SetAsText(kHangul);
        EXPECT_EQ(Clipboard()->AsUnicodeText(), wide);
    } else {
        std::cout << "ANSI code page " << GetACP() << ": the CF_TEXT checks need 949\n";
    }
    Clipboard()->SetAsText("plain");
    EXPECT_EQ(Clipboard()->AsText(), "plain");
    EXPECT_EQ(WideToAnsi(Clipboard()->AsUnicodeText()), "plain");
    Clipboard()->Clear();
    EXPECT_FALSE(Clipboard()->HasFormat(CF_TEXT));
    EXPECT_EQ(Clipboard()->AsText(), "");
}

// Raw jobs: one to a printer that writes to a file of the host arrives whole, in blocks;
// each failing step is named with the system's error.
TEST(Printing, RawJobsAndTheStepThatFailed) {
    TempDir dir;
    const std::string file = dir.Path("print.bin");
    std::string data;
    for (int i = 0; i < 50000; ++i) data += char(i * 13 + i / 256);
    std::ofstream(file, std::ios::binary) << data;

    const std::string port = "/tmp/quiro-print-" + std::to_string(GetCurrentProcessId()) + ".prn";
    const std::string printed = "Z:" + port;
    ASSERT_TRUE(quiro::test::SetFilePrinter("Quiro Test Printer", port));
    RawPrintOutcome outcome = PrintRawFile("Quiro Test Printer", file, "Quiro 2 [Print]");
    EXPECT_TRUE(outcome.Ok()) << RawPrintStepText(outcome.failed) << " " << outcome.error;
    EXPECT_EQ(outcome.written, data.size());
    std::ifstream in(printed, std::ios::binary);
    EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(in), {}) == data);
    in.close();
    DeleteFileA(printed.c_str());

    outcome = PrintRawFile("Quiro Test Printer", dir.Path("missing.bin"), "Quiro 2 [Print]");
    EXPECT_EQ(outcome.failed, RawPrintStep::FileOpen);
    EXPECT_EQ(outcome.error, DWORD(ERROR_FILE_NOT_FOUND));

    ASSERT_TRUE(quiro::test::SetFilePrinter("Quiro Test Printer", "/no/such/folder/out.prn"));
    outcome = PrintRawFile("Quiro Test Printer", file, "Quiro 2 [Print]");
    EXPECT_FALSE(outcome.Ok()) << "a job its port cannot take";
    quiro::test::RemovePrinter("Quiro Test Printer");

    outcome = PrintRawFile("No Such Printer 4711", file, "Quiro 2 [Print]");
    EXPECT_EQ(outcome.failed, RawPrintStep::PrinterOpen);
    EXPECT_EQ(outcome.error, DWORD(ERROR_INVALID_PRINTER_NAME));

    TPrinter printer;
    printer.SelectPrinter("No Such Printer 4711");
    printer.Title = "x";
    EXPECT_THROW(printer.BeginDoc(), EPrinter);
    EXPECT_FALSE(printer.Printing());
}

TEST(Screen, Cursors) {
    StartLibraries();  // loads the system's cursors
    EXPECT_EQ(Screen->Cursors(14000), Screen->Cursors(crArrow));  // none installed yet
    HCURSOR hand = LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));
    Screen->SetCursors(14000, hand);
    EXPECT_EQ(Screen->Cursors(14000), hand);
    Screen->SetCursors(14000, nullptr);

    // A program-wide cursor is what every window of the program shows.
    TApplication app;
    auto* form = app.CreateForm<TForm>();
    HWND h = form->Handle();
    Screen->SetCursor(crHourGlass);
    EXPECT_EQ(SendMessageA(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), TRUE);
    EXPECT_EQ(GetCursor(), Screen->Cursors(crHourGlass));
    Screen->SetCursor(crDefault);
    SendMessageA(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), Screen->Cursors(crArrow));  // the class cursor again
}

}  // namespace
