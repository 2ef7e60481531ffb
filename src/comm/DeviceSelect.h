// TDeviceSelectionForm: the small modal dialog in which the user picks the modem line for
// a call: an installed telephony line or, when allowed, a serial port used directly
// ("Direct to COM" + number). Set the fields of Choice before showing; after OK they hold
// the choice. The list is made at the first showing only.
#pragma once

#include <string>
#include <vector>

#include "comm/core/DeviceLists.h"
#include "framework/Forms.h"

class TButton;
class TComboBox;

class TDeviceSelectionForm : public TForm {
 public:
  explicit TDeviceSelectionForm(TComponent* owner);

  TDeviceChoice Choice;

 private:
  void FormShow();
  TComboBox* ComboBox_;
  TButton* OkBtn_;
  TButton* CancelBtn_;
};

// The telephony lines of a session of its own (named "<noname>"), as the dialog lists them.
std::vector<std::string> EnumTapiPorts();
