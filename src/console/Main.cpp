#include "console/Main.h"

TConsoleForm* ConsoleForm = nullptr;

namespace {
// Default client area: 80 x 24 cells of 8 x 16 pixels, with room for the frame.
constexpr int kDefaultWidth = 80 * 8 + 40;
constexpr int kDefaultHeight = 24 * 16 + 120;
}  // namespace

TConsoleForm::TConsoleForm(TComponent* owner) : TForm(owner) {
    SetName("ConsoleForm");
    SetCaption("Quiro 2");
    SetBounds(0, 0, kDefaultWidth, kDefaultHeight);
    OnShow = [this](TComponent* sender) { FormShow(sender); };
    OnClose = [this](TComponent* sender, TCloseAction& action) { FormClose(sender, action); };
    if (!ConsoleForm) ConsoleForm = this;
    FormCreate();
}

TConsoleForm::~TConsoleForm() {
    if (ConsoleForm == this) ConsoleForm = nullptr;
}

void TConsoleForm::FormCreate() {
    // The design-time caption is the base every later caption is built from.
    FBaseCaption = Caption();
}

void TConsoleForm::FormShow(TComponent*) {
    if (ParamCount() >= 1) FStartAddress = ParamStr(1);
}

void TConsoleForm::FormClose(TComponent*, TCloseAction&) {}
