#include "comm/core/StatusLights.h"

#include "comm/core/CommErrors.h"

namespace {
constexpr uint16_t kErrorMask = 7;  // overrun, parity, framing
constexpr uint16_t kBreakMask = 8;
}  // namespace

TLinkCustomSLController::TLinkCustomSLController(TComponent* owner) : TLinkBaseComponent(owner) {}

TLinkCustomSLController::~TLinkCustomSLController() { SetComPort(nullptr); }

ILinkLamp** TLinkCustomSLController::Slot(int i) {
  ILinkLamp** slots[kLamps] = {&lights_.CTSLight,  &lights_.DSRLight, &lights_.DCDLight,   &lights_.RINGLight,
                               &lights_.TXDLight,  &lights_.RXDLight, &lights_.ERRORLight, &lights_.BREAKLight};
  return slots[i];
}

void TLinkCustomSLController::SetLights(const TLightSet& lights) {
  for (TComponent* c : lampComponents_)
    if (c) RemoveFreeNotification(c);
  lights_ = lights;
  for (int i = 0; i < kLamps; ++i) {
    ILinkLamp* lamp = *Slot(i);
    lampComponents_[i] = lamp ? lamp->LampComponent() : nullptr;
    if (lampComponents_[i]) FreeNotification(lampComponents_[i]);
  }
}

void TLinkCustomSLController::SetComPort(TLinkCustomComPort* port) {
  if (port == port_) return;
  if (port_) {
    if (monitoring_) Switch(false);
    port_->DeregisterUserCallback(this);
    RemoveFreeNotification(port_);
  }
  port_ = port;
  monitoring_ = false;
  if (!port_) return;
  FreeNotification(port_);
  port_->RegisterUserCallback(this, [this](TLinkCustomComPort*, bool opening) { PortOpening(opening); });
  if (wish_ && port_->PortState() == psOpen) {
    wish_ = false;
    Switch(true);
  }
}

void TLinkCustomSLController::Notification(TComponent* component, TOperation operation) {
  TLinkBaseComponent::Notification(component, operation);
  if (operation == opInsert) {
    // Without a port, the first port that comes beside the controller is its port.
    if (auto* port = dynamic_cast<TLinkCustomComPort*>(component); port && !port_) SetComPort(port);
    return;
  }
  if (operation != opRemove) return;
  if (component == port_) {  // the port is going: nothing more is asked of it
    port_ = nullptr;
    monitoring_ = wish_ = false;
    savedAvail_ = nullptr;
    savedStatus_ = savedTimer_ = nullptr;
    modemTrigger_ = errorTrigger_ = breakTrigger_ = sentTrigger_ = 0;
    errorTimer_ = breakTimer_ = rxdTimer_ = txdTimer_ = ringTimer_ = 0;
  }
  for (int i = 0; i < kLamps; ++i)
    if (lampComponents_[i] == component) {
      *Slot(i) = nullptr;
      lampComponents_[i] = nullptr;
    }
}

void TLinkCustomSLController::SetMonitoring(bool on) {
  if (ComponentLoading()) return;
  bool open = port_ && port_->PortState() == psOpen;
  if (open ? on == monitoring_ : on == wish_) return;
  if (!port_) CheckException(nullptr, ecPortNotAssigned);
  if (!open) {
    wish_ = on;  // switched when the port opens
    return;
  }
  Switch(on);
}

void TLinkCustomSLController::PortOpening(bool opening) {
  if (opening) {
    if (wish_) {
      wish_ = false;
      Switch(true);
    }
  } else {
    wish_ = wish_ || monitoring_;
    if (monitoring_) Switch(false);
  }
}

void TLinkCustomSLController::Switch(bool on) {
  if (on) {
    savedAvail_ = port_->OnTriggerAvail();
    savedStatus_ = port_->OnTriggerStatus();
    savedTimer_ = port_->OnTriggerTimer();
    port_->SetOnTriggerAvail([this](TComponent* s, uint16_t n) { Avail(s, n); });
    port_->SetOnTriggerStatus([this](TComponent* s, uint16_t h) { Status(s, h); });
    port_->SetOnTriggerTimer([this](TComponent* s, uint16_t h) { Timer(s, h); });
    monitoring_ = true;
    AddTriggers();
  } else {
    port_->SetOnTriggerAvail(std::move(savedAvail_));
    port_->SetOnTriggerStatus(std::move(savedStatus_));
    port_->SetOnTriggerTimer(std::move(savedTimer_));
    savedAvail_ = nullptr;
    savedStatus_ = savedTimer_ = nullptr;
    monitoring_ = false;
    RemoveTriggers();
  }
  InitLights();
}

void TLinkCustomSLController::AddTriggers() {
  TLinkCustomComPort& p = *port_;
  modemMask_ = uint8_t((lights_.CTSLight ? msCTS : 0) | (lights_.DSRLight ? msDSR : 0) |
                       (lights_.DCDLight ? msDCD : 0) | (lights_.RINGLight ? msTERI : 0));
  if (modemMask_) {
    modemTrigger_ = p.AddStatusTrigger(stModem);
    p.SetStatusTrigger(modemTrigger_, modemMask_, true);
  }
  if (lights_.RINGLight) ringTimer_ = p.AddTimerTrigger();
  if (lights_.ERRORLight) {
    errorTrigger_ = p.AddStatusTrigger(stLine);
    p.SetStatusTrigger(errorTrigger_, kErrorMask, true);
    errorTimer_ = p.AddTimerTrigger();
  }
  if (lights_.BREAKLight) {
    breakTrigger_ = p.AddStatusTrigger(stLine);
    p.SetStatusTrigger(breakTrigger_, kBreakMask, true);
    breakTimer_ = p.AddTimerTrigger();
  }
  if (lights_.RXDLight) rxdTimer_ = p.AddTimerTrigger();
  if (lights_.TXDLight) {
    sentTrigger_ = p.AddStatusTrigger(stOutSent);
    p.SetStatusTrigger(sentTrigger_, 0, true);
    txdTimer_ = p.AddTimerTrigger();
  }
}

// Also while the port is shutting down (a close switches monitoring off first): the
// triggers must not be kept and brought back with the port's own at the next open.
void TLinkCustomSLController::RemoveTriggers() {
  TLinkBaseDispatcher* d = port_->Dispatcher();
  for (uint16_t* h : {&modemTrigger_, &errorTrigger_, &breakTrigger_, &sentTrigger_, &errorTimer_, &breakTimer_,
                      &rxdTimer_, &txdTimer_, &ringTimer_}) {
    if (*h && d) d->RemoveTrigger(*h);
    *h = 0;
  }
}

void TLinkCustomSLController::Light(ILinkLamp* lamp, bool on) {
  if (lamp) lamp->SetLit(on);
}

void TLinkCustomSLController::InitLights() {
  for (int i = 0; i < kLamps; ++i) Light(*Slot(i), false);
  if (!monitoring_) return;
  if (lights_.CTSLight) Light(lights_.CTSLight, port_->GetCTS());
  if (lights_.DSRLight) Light(lights_.DSRLight, port_->GetDSR());
  if (lights_.DCDLight) Light(lights_.DCDLight, port_->GetDCD());
}

void TLinkCustomSLController::Avail(TComponent* sender, uint16_t count) {
  if (lights_.RXDLight && !lights_.RXDLight->Lit()) {
    lights_.RXDLight->SetLit(true);
    port_->SetTimerTrigger(rxdTimer_, RXDOffTimeout, true);
  }
  if (savedAvail_) savedAvail_(sender, count);
}

void TLinkCustomSLController::Status(TComponent* sender, uint16_t trigger) {
  if (trigger == modemTrigger_) {
    uint8_t ms = port_->GetModemStatus();
    Light(lights_.DCDLight, ms & msDCD);
    Light(lights_.CTSLight, ms & msCTS);
    Light(lights_.DSRLight, ms & msDSR);
    if ((ms & msTERI) && lights_.RINGLight && !lights_.RINGLight->Lit()) {
      lights_.RINGLight->SetLit(true);
      port_->SetTimerTrigger(ringTimer_, RingOffTimeout, true);
    }
    port_->SetStatusTrigger(modemTrigger_, modemMask_, true);  // watches from the new lines on
  } else if (trigger == errorTrigger_) {
    Light(lights_.ERRORLight, true);
    port_->SetTimerTrigger(errorTimer_, ErrorOffTimeout, true);
  } else if (trigger == breakTrigger_) {
    Light(lights_.BREAKLight, true);
    port_->SetTimerTrigger(breakTimer_, BreakOffTimeout, true);
    port_->GetLineBreak();
  } else if (trigger == sentTrigger_) {
    Light(lights_.TXDLight, true);
    port_->SetTimerTrigger(txdTimer_, TXDOffTimeout, true);
  }
  if (savedStatus_) savedStatus_(sender, trigger);
}

void TLinkCustomSLController::Timer(TComponent* sender, uint16_t trigger) {
  if (trigger == errorTimer_) {
    Light(lights_.ERRORLight, false);
    port_->SetStatusTrigger(errorTrigger_, kErrorMask, true);
  } else if (trigger == breakTimer_) {
    Light(lights_.BREAKLight, false);
    port_->SetStatusTrigger(breakTrigger_, kBreakMask, true);
  } else if (trigger == rxdTimer_) {
    if (port_->GetInBuffUsed() > 0)
      port_->SetTimerTrigger(rxdTimer_, RXDOffTimeout, true);
    else
      Light(lights_.RXDLight, false);
  } else if (trigger == txdTimer_) {
    if (port_->GetOutBuffUsed() > 0) {
      port_->SetTimerTrigger(txdTimer_, TXDOffTimeout, true);
    } else {
      Light(lights_.TXDLight, false);
      port_->SetStatusTrigger(sentTrigger_, 0, true);
    }
  } else if (trigger == ringTimer_) {
    Light(lights_.RINGLight, false);
  }
  if (savedTimer_) savedTimer_(sender, trigger);
}
