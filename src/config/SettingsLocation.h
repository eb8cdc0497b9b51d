// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Where the settings file "rotorcfg.ini" lives:
// - in the folder named by the environment variable AZELMON_CONFIG_DIR when it is set (created when
//   missing; tests and demos point it at a scratch folder);
// - else in the program's own folder when that folder is writable and is not an installed tree (no
//   ../share/azelmon beside it): a program run from its build folder keeps its settings beside it;
// - else in $XDG_CONFIG_HOME/azelmon/ (normally ~/.config/azelmon/), created when missing, as for an
//   installed program, with a starter file of comments when there is none yet.
// The path is worked out anew for each call, so every read and write finds the file the same way.
QString SettingsFilePath();

// The same for a program in programDir (tests name the folder).
QString SettingsFilePathFor(const QString& programDir);
