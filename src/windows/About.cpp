#include "windows/About.h"

#include <windows.h>

#include <memory>
#include <vector>

#include "console/core/ConsoleCommands.h"
#include "controls/XcRichEd.h"
#include "framework/Clipbrd.h"
#include "framework/FormBuilder.h"
#include "framework/Screen.h"
#include "framework/core/SysUtils.h"
#include "windows/core/VersionInfo.h"

namespace {

constexpr int kWidth = 300;

const TComponentRow kRows[] = {
    {Make<TImage>, "ABOUT_IMG_Quiro2", "", 22, 16, 256, 80, "", 0, 0},
    {Make<TLabel>, "ABOUT_LB_Version", "", 0, 108, kWidth, 16, "", 0, 0},
    {Make<TLabel>, "ABOUT_GoToURL", "", 0, 134, kWidth, 16, "", 0, 0},
};

}  // namespace

std::optional<std::string> ReadProgramVersion(const std::string& programFile) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(programFile.c_str(), &ignored);
    if (size == 0) return std::nullopt;
    std::vector<uint8_t> block(size);
    if (!GetFileVersionInfoA(programFile.c_str(), 0, size, block.data())) return std::nullopt;
    const std::optional<std::u16string> version = FindFileVersion(block);
    if (!version) return std::nullopt;
    return WideToAnsi(std::wstring(version->begin(), version->end()));
}

TAboutBox::TAboutBox(TComponent* owner, const std::string& programFile) : TForm(owner) {
    SetName("AboutBox");
    SetCaption(" About...");
    SetBorderStyle(bsDialog);
    SetBorderIcons(biSystemMenu);
    Position = poMainFormCenter;
    Font()->SetName("MS Sans Serif");
    Font()->SetSize(8);
    BuildForm(this, kRows);
    SetClientWidth(kWidth);
    SetClientHeight(164);
    ABOUT_IMG_Quiro2 = FindAs<TImage>(this, "ABOUT_IMG_Quiro2");
    ABOUT_LB_Version = FindAs<TLabel>(this, "ABOUT_LB_Version");
    ABOUT_GoToURL = FindAs<TLabel>(this, "ABOUT_GoToURL");

    try {
        ABOUT_IMG_Quiro2->Picture()->LoadFromResourceName(GetModuleHandleA(nullptr), "Q2_Splash");
        ABOUT_IMG_Quiro2->SetStretch(true);
    } catch (const std::exception&) {
        // (a program without its picture: the box still tells the version)
    }
    ABOUT_LB_Version->SetAlignment(taCenter);
    ABOUT_LB_Version->SetCaption(
        AboutVersionCaption(ReadProgramVersion(programFile.empty() ? ParamStr(0) : programFile)));
    ABOUT_GoToURL->SetAlignment(taCenter);
    ABOUT_GoToURL->SetCaption(std::string(QuiroWebAddress));
    ABOUT_GoToURL->Font()->SetColor(clBlue);
    ABOUT_GoToURL->Font()->SetStyle(fsUnderline);
    ABOUT_GoToURL->SetCursor(crHandPoint);

    auto close = [this](TComponent*) { ModalResult = mrOk; };
    ABOUT_IMG_Quiro2->OnClick = close;
    ABOUT_LB_Version->OnClick = close;
    ABOUT_GoToURL->OnClick = [](TComponent*) { OpenWebLink(std::string(QuiroWebAddress)); };
    KeyPreview = true;
    OnKeyDown = [this](TComponent*, WORD&, TShiftState) { ModalResult = mrOk; };
}

void ShowAboutBox(TConsoleForm&) {
    std::unique_ptr<TAboutBox> box(new TAboutBox(Application));
    box->ShowModal();
}
