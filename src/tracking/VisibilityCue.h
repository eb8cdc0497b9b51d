// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

struct MainState;
class SoundPlayer;

// Rise and set cues of the current target.
inline constexpr const char* RiseCueFile = "sound2.wav";
inline constexpr const char* SetCueFile = "sound3.wav";

// The wave file to play for two consecutive elevations, or an empty text. 0 counts as risen; a value
// that is not a number counts as below the horizon.
QString VisibilityCueFile(bool soundOn, double elevation, double previousElevation);

// Plays the cue that the state's TargetElevation and PreviousTargetElevation call for, if sound is on.
void PlayVisibilityCue(const MainState& state, SoundPlayer& sound);
