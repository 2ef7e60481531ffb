#include "comm/DeviceSelect.h"

#include "comm/PortSelect.h"
#include "comm/TapiUtil.h"
#include "framework/FormBuilder.h"
#include "framework/Screen.h"
#include "framework/StdCtrls.h"

namespace {

const TComponentRow kRows[] = {
    {Make<TComboBox>, "dsfComboBox", "", 8, 8, 209, 21, "", bfDropDownList, 0},
    {Make<TButton>, "dsfOkBitBtn", "", 34, 42, 75, 25, "OK", bfDefault | bfModalResult(mrOk), 0},
    {Make<TButton>, "dsfCancelBitBtn", "", 117, 42, 75, 25, "Cancel", bfCancel | bfModalResult(mrCancel), 0},
};

void CALLBACK NullLineCallback(DWORD, DWORD, DWORD_PTR, DWORD_PTR, DWORD_PTR, DWORD_PTR) {}

}  // namespace

std::vector<std::string> EnumTapiPorts() {
  std::vector<std::string> lines;
  HLINEAPP app = 0;
  DWORD count = 0;
  if (tuLineInitialize(&app, GetModuleHandleA(nullptr), NullLineCallback, kNoLineName, &count) != 0) return lines;
  for (DWORD id = 0; id < count; ++id) {
    std::string name;
    if (LookUpLine(app, id, name) == TLineLookup::Found) lines.push_back(name);
  }
  tuLineShutdown(app);
  return lines;
}

TDeviceSelectionForm::TDeviceSelectionForm(TComponent* owner) : TForm(owner) {
  SetCaption("Device Selection");
  SetBorderStyle(bsSingle);
  SetBorderIcons(biSystemMenu);
  Position = poScreenCenter;
  BuildForm(this, kRows);
  SetClientWidth(226);
  SetClientHeight(75);
  ComboBox_ = FindAs<TComboBox>(this, "dsfComboBox");
  OkBtn_ = FindAs<TButton>(this, "dsfOkBitBtn");
  CancelBtn_ = FindAs<TButton>(this, "dsfCancelBitBtn");
  OnShow = [this](TComponent*) { FormShow(); };
  OkBtn_->OnClick = [this](TComponent*) { Choice.Accept(ComboBox_->ItemIndex()); };
}

void TDeviceSelectionForm::FormShow() {
  if (!Choice.Filled()) {
    TCursor saved = Screen->Cursor();
    Screen->SetCursor(crHourGlass);
    try {
      Choice.Fill(&EnumTapiPorts, &ProbeComPort, [] { Application->ProcessMessages(); });
    } catch (...) {
      Screen->SetCursor(saved);
      throw;
    }
    Screen->SetCursor(saved);
    ComboBox_->Items()->Clear();
    for (const std::string& entry : Choice.Entries()) ComboBox_->Items()->Add(entry);
  }
  ComboBox_->SetItemIndex(Choice.InitialIndex());
  OkBtn_->SetEnabled(!Choice.Entries().empty());
  // With nothing to choose, Cancel is what the user can press.
  SetActiveControl(OkBtn_->Enabled() ? OkBtn_ : CancelBtn_);
}
