#pragma once

#include "common/MessageSink.h"

class RelayOutputs;

// The main window's message sink: no modal message is ever shown while a relay is on. Before the box
// opens every relay is switched off, and they are held off until it is closed, whatever runs meanwhile
// (the box lets timers and clicks through). A running operation then goes on from a stopped antenna
// once the box is closed: automatic tracking at its next step; a manual move finds every relay off and
// ends there.
class RelaySafeMessages : public MessageSink {
  public:
    RelaySafeMessages(MessageSink& shown, RelayOutputs& relays) : shown_(shown), relays_(relays) {}
    void ShowMessage(const QString& text) override;
    bool AskYesNo(const QString& text) override;

  private:
    MessageSink& shown_;
    RelayOutputs& relays_;
};
