// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Modal messages with a single OK button and the program's title. Returns when the user closed it.
// Tests record the texts instead, so no test can ever hang on a real message box.
class MessageSink {
  public:
    virtual ~MessageSink() = default;
    virtual void ShowMessage(const QString& text) = 0;
    // A modal question with Yes and No; true for Yes. Escape or closing the box answers No.
    virtual bool AskYesNo(const QString& text) = 0;
};
