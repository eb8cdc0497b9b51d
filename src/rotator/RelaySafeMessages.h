// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/MessageSink.h"

class RelayOutputs;

// The main window's message sink: no modal message is ever shown while a relay is on. Before the box
// opens every relay is switched off and every lease voided, and the relays are held off until it is
// closed, whatever runs meanwhile (the box lets timers and clicks through). A step parked in a wait
// across the box cannot switch anything on; an operation the box did not end goes on at its next step,
// from a reading taken after the box.
class RelaySafeMessages : public MessageSink {
  public:
    RelaySafeMessages(MessageSink& shown, RelayOutputs& relays) : shown_(shown), relays_(relays) {}
    void ShowMessage(const QString& text) override;
    bool AskYesNo(const QString& text) override;

  private:
    MessageSink& shown_;
    RelayOutputs& relays_;
};
