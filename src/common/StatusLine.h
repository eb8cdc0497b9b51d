// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The main window's status line: Label24 (left) and Label25 (right). Only error and retry texts
// go there; a text stays until another replaces it.
class StatusLine {
  public:
    virtual ~StatusLine() = default;
    virtual void SetLeft(const QString& text) = 0;
    virtual void SetRight(const QString& text) = 0;
};
