// The status-lights controller: while Monitoring, it sits in the port's avail, status and
// timer events, lights the lamps from the traffic and line changes, puts them out with
// timer triggers, and calls the handlers the application had set with the same arguments.
// The lamps are reached through ILinkLamp (the Win32 lamp control implements it). A
// controller without a port takes the first port made beside it (by the same owner).
#pragma once

#include <cstdint>

#include "comm/core/CommPort.h"

class ILinkLamp {
 public:
  virtual ~ILinkLamp() = default;
  virtual bool Lit() const = 0;
  virtual void SetLit(bool lit) = 0;
  // The component whose removal takes the lamp away (null: none).
  virtual TComponent* LampComponent() = 0;
};

struct TLightSet {
  ILinkLamp* CTSLight = nullptr;
  ILinkLamp* DSRLight = nullptr;
  ILinkLamp* DCDLight = nullptr;
  ILinkLamp* RINGLight = nullptr;
  ILinkLamp* TXDLight = nullptr;
  ILinkLamp* RXDLight = nullptr;
  ILinkLamp* ERRORLight = nullptr;
  ILinkLamp* BREAKLight = nullptr;
};

class TLinkCustomSLController : public TLinkBaseComponent {
 public:
  explicit TLinkCustomSLController(TComponent* owner = nullptr);
  ~TLinkCustomSLController() override;

  TLinkCustomComPort* ComPort() const { return port_; }
  void SetComPort(TLinkCustomComPort* port);
  bool Monitoring() const { return monitoring_; }
  // Raises -1005 without a port; on a closed port the wish waits for the port to open.
  void SetMonitoring(bool on);

  // Off timeouts in ticks of 55 ms.
  int32_t ErrorOffTimeout = 36;
  int32_t BreakOffTimeout = 36;
  int32_t RXDOffTimeout = 1;
  int32_t TXDOffTimeout = 1;
  int32_t RingOffTimeout = 8;

  const TLightSet& Lights() const { return lights_; }
  void SetLights(const TLightSet& lights);

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  static constexpr int kLamps = 8;
  ILinkLamp** Slot(int i);
  void Switch(bool on);  // installs or removes the handlers and triggers, whatever the port's state
  void AddTriggers();
  void RemoveTriggers();
  void InitLights();
  void Light(ILinkLamp* lamp, bool on);
  void Avail(TComponent* sender, uint16_t count);
  void Status(TComponent* sender, uint16_t trigger);
  void Timer(TComponent* sender, uint16_t trigger);
  void PortOpening(bool opening);

  TLinkCustomComPort* port_ = nullptr;
  bool monitoring_ = false;
  bool wish_ = false;  // monitoring asked for while the port was closed
  TLightSet lights_;
  TComponent* lampComponents_[kLamps] = {};
  TTriggerAvailEvent savedAvail_;
  TTriggerHandleEvent savedStatus_, savedTimer_;
  uint16_t modemTrigger_ = 0, errorTrigger_ = 0, breakTrigger_ = 0, sentTrigger_ = 0;
  uint16_t errorTimer_ = 0, breakTimer_ = 0, rxdTimer_ = 0, txdTimer_ = 0, ringTimer_ = 0;
  uint8_t modemMask_ = 0;
};

// The controller with its properties published; it adds nothing.
class TLinkSLController : public TLinkCustomSLController {
 public:
  using TLinkCustomSLController::TLinkCustomSLController;
};
