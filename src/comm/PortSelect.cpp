#include "comm/PortSelect.h"

#include <memory>
#include <utility>

#include "comm/Win32Device.h"
#include "comm/core/DeviceLists.h"
#include "framework/ExtCtrls.h"
#include "framework/FormBuilder.h"
#include "framework/StdCtrls.h"

namespace {

const TComponentRow kRows[] = {
    {Make<TLabel>, "Label1", "", 16, 14, 190, 13, "The configured serial port is not valid.", 0, 0},
    {Make<TLabel>, "Label2", "", 16, 32, 190, 13, "Please choose another port.", 0, 0},
    {Make<TButton>, "OkBtn", "", 28, 96, 75, 25, "OK", bfDefault | bfModalResult(mrOk), 0},
    {Make<TButton>, "AbortBtn", "", 117, 96, 75, 25, "Cancel", bfCancel | bfModalResult(mrCancel), 0},
    {Make<TBevel>, "Bevel1", "", 8, 6, 204, 48, "", 0, 0},
    {Make<TComboBox>, "PortsComboBox", "", 8, 64, 204, 21, "", bfDropDownList, 0},
};

}  // namespace

TPortProbe ProbeComPort(uint16_t n) {
  TLinkWin32Dispatcher d;  // never started; it closes what it opened
  if (d.OpenCom(("\\\\.\\COM" + std::to_string(n)).c_str(), 64, 64) >= 0) return TPortProbe::Opened;
  return d.LastSystemError() == ERROR_ACCESS_DENIED ? TPortProbe::AccessDenied : TPortProbe::Failed;
}

bool IsPortAvailable(uint16_t comNumber) { return comNumber != 0 && ProbeComPort(comNumber) != TPortProbe::Failed; }

TComSelectForm::TComSelectForm(TComponent* owner, TPortProbeFn probe) : TForm(owner), Probe_(std::move(probe)) {
  SetCaption("Select Port");
  SetBorderStyle(bsDialog);
  SetBorderIcons(biSystemMenu);
  Position = poScreenCenter;
  Font()->SetName("MS Sans Serif");
  Font()->SetSize(8);
  Font()->SetColor(clBlack);
  BuildForm(this, kRows);
  SetClientWidth(220);
  SetClientHeight(131);
  PortsComboBox_ = FindAs<TComboBox>(this, "PortsComboBox");
  OkBtn_ = FindAs<TButton>(this, "OkBtn");
  OnCreate = [this](TComponent*) { FormCreate(); };
}

void TComSelectForm::FormCreate() {
  for (const std::string& port : ListComPorts(kComPrefix, Probe_)) PortsComboBox_->Items()->Add(port);
  PortsComboBox_->SetItemIndex(PortsComboBox_->Items()->Count() > 0 ? 0 : -1);
  OkBtn_->SetEnabled(PortsComboBox_->Items()->Count() > 0);
}

std::string TComSelectForm::SelectedCom() const {
  int i = PortsComboBox_->ItemIndex();
  return i >= 0 ? PortsComboBox_->Items()->Strings(i) : std::string();
}

uint16_t TComSelectForm::SelectedComNum() const { return ComNumberOf(SelectedCom(), kComPrefix); }

uint16_t SelectComPort(TPortProbeFn probe) {
  auto form = std::make_unique<TComSelectForm>(nullptr, std::move(probe));
  return form->ShowModal() == mrOk ? form->SelectedComNum() : 0;
}
