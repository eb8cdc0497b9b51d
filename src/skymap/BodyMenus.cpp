// SPDX-License-Identifier: GPL-3.0-or-later
#include "skymap/BodyMenus.h"

#include "common/MainState.h"

BodyMenuItems BodyMenu(CelestialBody body) {
    switch (body) {
    case CelestialBody::Sun:
        return {QStringLiteral("menu_sun"),        QStringLiteral("太陽の表示(&T)"),
                QStringLiteral("menu_s_hyouji"),   QStringLiteral("表示 "),
                QStringLiteral("menu_s_hihyouji"), QStringLiteral("非表示")};
    case CelestialBody::Moon:
        return {QStringLiteral("menu_moon"),       QStringLiteral("月の表示(&M)"),
                QStringLiteral("menu_m_hyouji"),   QStringLiteral("表示"),
                QStringLiteral("menu_m_hihyouji"), QStringLiteral("非表示")};
    case CelestialBody::Mars:
        break;
    }
    return {QStringLiteral("menu_kasei"), QStringLiteral("火星の表示(&K)"),  QStringLiteral("menu_k_hyouji"),
            QStringLiteral("表示"),       QStringLiteral("menu_k_hihyouji"), QStringLiteral("非表示")};
}

namespace {

bool& Flag(MainState& state, CelestialBody body) {
    switch (body) {
    case CelestialBody::Sun:
        return state.ShowSun;
    case CelestialBody::Moon:
        return state.ShowMoon;
    case CelestialBody::Mars:
        break;
    }
    return state.ShowMars;
}

} // namespace

void menu_s_hyouji_Click(MainState& state) {
    Flag(state, CelestialBody::Sun) = true;
}
void menu_s_hihyouji_Click(MainState& state) {
    Flag(state, CelestialBody::Sun) = false;
}
void menu_m_hyouji_Click(MainState& state) {
    Flag(state, CelestialBody::Moon) = true;
}
void menu_m_hihyouji_Click(MainState& state) {
    Flag(state, CelestialBody::Moon) = false;
}
void menu_k_hyouji_Click(MainState& state) {
    Flag(state, CelestialBody::Mars) = true;
}
void menu_k_hihyouji_Click(MainState& state) {
    Flag(state, CelestialBody::Mars) = false;
}

bool ShowItemChecked(const MainState& state, CelestialBody body) {
    return Flag(const_cast<MainState&>(state), body);
}

QString CheckedMenuItem(const MainState& state, CelestialBody body) {
    const BodyMenuItems items = BodyMenu(body);
    return ShowItemChecked(state, body) ? items.showName : items.hideName;
}
