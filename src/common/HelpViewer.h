// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The program's help window.
class HelpViewer {
  public:
    virtual ~HelpViewer() = default;
    virtual void ShowContents() = 0;
    virtual void Close() = 0;
};

// The desktop's web browser. Opening never blocks the window. False when no browser could be started
// (none installed, no desktop session), so the caller can tell the user.
class Browser {
  public:
    virtual ~Browser() = default;
    virtual bool OpenAddress(const QString& address) = 0;
};
