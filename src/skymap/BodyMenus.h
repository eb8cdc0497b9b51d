// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

struct MainState;

// The show/hide submenus for the Sun, the Moon and Mars under the settings menu. Exactly one item of
// each pair carries the check mark, and it always agrees with the body's show flag; the flags start
// at 0, so each hide item starts checked. Nothing is redrawn at once: the change appears at the next
// redraw of the antenna mark.
enum class CelestialBody { Sun, Moon, Mars };

struct BodyMenuItems {
    QString submenuName, submenuCaption;
    QString showName, showCaption;
    QString hideName, hideCaption;
};

// Object names and captions of one submenu and its two items.
BodyMenuItems BodyMenu(CelestialBody body);

void menu_s_hyouji_Click(MainState& state);
void menu_s_hihyouji_Click(MainState& state);
void menu_m_hyouji_Click(MainState& state);
void menu_m_hihyouji_Click(MainState& state);
void menu_k_hyouji_Click(MainState& state);
void menu_k_hihyouji_Click(MainState& state);

// True when the show item carries the check mark (the hide item carries it otherwise).
bool ShowItemChecked(const MainState& state, CelestialBody body);

// Object name of the item that carries the check mark, e.g. "menu_s_hihyouji".
QString CheckedMenuItem(const MainState& state, CelestialBody body);
