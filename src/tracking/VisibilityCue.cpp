// SPDX-License-Identifier: GPL-3.0-or-later
#include "tracking/VisibilityCue.h"

#include "common/MainState.h"
#include "common/SoundPlayer.h"

QString VisibilityCueFile(bool soundOn, double elevation, double previousElevation) {
    if (!soundOn)
        return {};
    const bool up = elevation >= 0;
    const bool wasUp = previousElevation >= 0;
    if (up && !wasUp)
        return QString::fromLatin1(RiseCueFile);
    if (wasUp && !up)
        return QString::fromLatin1(SetCueFile);
    return {};
}

void PlayVisibilityCue(const MainState& state, SoundPlayer& sound) {
    const QString file =
        VisibilityCueFile(state.SoundCuesOn != 0, state.TargetElevation, state.PreviousTargetElevation);
    if (!file.isEmpty())
        sound.PlayAsync(file);
}
