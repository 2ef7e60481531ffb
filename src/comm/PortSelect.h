// TComSelectForm: the small modal dialog a port shows when it is to open a serial port and
// has no number (PromptForPort): the serial ports present, COM1..COM50, and the one the
// user picks. IsPortAvailable is its test of a port.
#pragma once

#include <cstdint>
#include <string>

#include "comm/core/DeviceLists.h"
#include "framework/Forms.h"

class TButton;
class TComboBox;

// Tries to open "\\.\COMn" (closed again at once).
TPortProbe ProbeComPort(uint16_t comNumber);
// True when the port opens or is held by another program (access denied); never for 0.
bool IsPortAvailable(uint16_t comNumber);

class TComSelectForm : public TForm {
 public:
  // probe tells which ports are there (a test may stand for the machine's ports).
  explicit TComSelectForm(TComponent* owner, TPortProbeFn probe = &ProbeComPort);

  // The chosen entry, such as "COM3", and its number (0 when none is chosen). OK is
  // enabled only when there is something to choose: without a port the open that asked is
  // refused (-2011) as after Cancel.
  std::string SelectedCom() const;
  uint16_t SelectedComNum() const;

 private:
  void FormCreate();
  TComboBox* PortsComboBox_;
  TButton* OkBtn_;
  TPortProbeFn Probe_;
};

// Shows the dialog modally: the chosen number after OK, else 0. Installed as the ports'
// selector by InitLinkLibrary.
uint16_t SelectComPort(TPortProbeFn probe = &ProbeComPort);
