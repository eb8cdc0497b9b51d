// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Starts playing a wave file and returns at once; a missing file gives the system beep.
class SoundPlayer {
  public:
    virtual ~SoundPlayer() = default;
    virtual void PlayAsync(const QString& fileName) = 0;
};
