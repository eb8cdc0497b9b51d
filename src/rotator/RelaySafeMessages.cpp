// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotator/RelaySafeMessages.h"

#include "rotator/RelayOutputs.h"

namespace {
// Releases the hold however the box ends.
class HoldOff {
  public:
    explicit HoldOff(RelayOutputs& relays) : relays_(relays) { relays_.BeginHoldOff(); }
    ~HoldOff() { relays_.EndHoldOff(); }
    HoldOff(const HoldOff&) = delete;
    HoldOff& operator=(const HoldOff&) = delete;

  private:
    RelayOutputs& relays_;
};
} // namespace

void RelaySafeMessages::ShowMessage(const QString& text) {
    HoldOff hold(relays_);
    shown_.ShowMessage(text);
}

bool RelaySafeMessages::AskYesNo(const QString& text) {
    HoldOff hold(relays_);
    return shown_.AskYesNo(text);
}
