// SPDX-License-Identifier: GPL-3.0-or-later
// The menu bar: file, settings and help. Items whose subsystems are not wired yet stay inert.
#include "mainwindow/Form1.h"

#include <QMenuBar>

namespace {

QAction* AddItem(QMenu* menu, const char* name, const QString& caption, bool checkable = false) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    action->setCheckable(checkable);
    return action;
}

QMenu* AddMenu(QWidget* parent, QMenuBar* bar, QMenu* owner, const char* name, const QString& caption) {
    QMenu* menu = owner ? owner->addMenu(caption) : bar->addMenu(caption);
    menu->setObjectName(QLatin1String(name));
    menu->menuAction()->setObjectName(QLatin1String(name) + QStringLiteral("Action"));
    Q_UNUSED(parent);
    return menu;
}

void AddSeparator(QMenu* menu, const char* name) {
    QAction* s = menu->addSeparator();
    s->setObjectName(QLatin1String(name));
}

} // namespace

void Form1::BuildMenus() {
    QMenuBar* bar = menuBar();
    menufile = AddMenu(this, bar, nullptr, "menufile", QStringLiteral("ファイル(&F)"));
    menucls = AddItem(menufile, "menucls", QStringLiteral("閉じる(&C)"));

    menuset = AddMenu(this, bar, nullptr, "menuset", QStringLiteral("設定(&S)"));
    menuhoseiti = AddItem(menuset, "menuhoseiti", QStringLiteral("補正値の設定"));
    MENU_ITI = AddItem(menuset, "MENU_ITI", QStringLiteral("WINDOWSの位置決定"));
    AddSeparator(menuset, "menuh3");
    menukyoku = AddItem(menuset, "menukyoku", QStringLiteral("局リスト登録"));
    menu_eisei = AddItem(menuset, "menu_eisei", QStringLiteral("追跡衛星の選択"));
    menu_yohou = AddItem(menuset, "menu_yohou", QStringLiteral("衛星の通過予定"));
    AddSeparator(menuset, "menuh1");
    menu_sun = AddMenu(this, bar, menuset, "menu_sun", QStringLiteral("太陽の表示(&T)"));
    menu_s_hyouji = AddItem(menu_sun, "menu_s_hyouji", QStringLiteral("表示 "), true);
    menu_s_hihyouji = AddItem(menu_sun, "menu_s_hihyouji", QStringLiteral("非表示"), true);
    menu_moon = AddMenu(this, bar, menuset, "menu_moon", QStringLiteral("月の表示(&M)"));
    menu_m_hyouji = AddItem(menu_moon, "menu_m_hyouji", QStringLiteral("表示"), true);
    menu_m_hihyouji = AddItem(menu_moon, "menu_m_hihyouji", QStringLiteral("非表示"), true);
    menu_kasei = AddMenu(this, bar, menuset, "menu_kasei", QStringLiteral("火星の表示(&K)"));
    menu_k_hyouji = AddItem(menu_kasei, "menu_k_hyouji", QStringLiteral("表示"), true);
    menu_k_hihyouji = AddItem(menu_kasei, "menu_k_hihyouji", QStringLiteral("非表示"), true);
    AddSeparator(menuset, "menuh4");
    menu_debug = AddMenu(this, bar, menuset, "menu_debug", QStringLiteral("ＤＥＢＵＧ"));
    menu_debug_on = AddItem(menu_debug, "menu_debug_on", QStringLiteral("ＤＥＢＵＧ－ＯＮ"), true);
    menu_debug_off = AddItem(menu_debug, "menu_debug_off", QStringLiteral("ＤＥＢＵＧ＿ＯＦＦ"), true);

    menuhelp = AddMenu(this, bar, nullptr, "menuhelp", QStringLiteral("ヘルプ(&H)"));
    menusousa = AddItem(menuhelp, "menusousa", QStringLiteral("プログラム操作説明"));
    menuhome = AddItem(menuhelp, "menuhome", QStringLiteral("ＳＯＲＡＮＯのホームページ"));
    AddSeparator(menuhelp, "menuh2");
    menuver = AddItem(menuhelp, "menuver", QStringLiteral("バージョン"));

    // Hidden marks are the start state of the three bodies; the log starts switched off.
    menu_s_hihyouji->setChecked(true);
    menu_m_hihyouji->setChecked(true);
    menu_k_hihyouji->setChecked(true);
    menu_debug_off->setChecked(true);

    connect(menucls, &QAction::triggered, this, &Form1::menucls_Click);
    connect(MENU_ITI, &QAction::triggered, this, &Form1::MENU_ITI_Click);
    connect(menu_debug_on, &QAction::triggered, this, &Form1::menu_debug_on_Click);
    connect(menu_debug_off, &QAction::triggered, this, &Form1::menu_debug_off_Click);
    // The log switches itself off when its file cannot be written: the marks follow the switch.
    connect(menu_debug, &QMenu::aboutToShow, this, [this] {
        const bool on = state_.module.DebugLogSwitch == QLatin1String("1");
        menu_debug_on->setChecked(on);
        menu_debug_off->setChecked(!on);
    });
}

void Form1::menu_debug_on_Click() {
    state_.module.DebugLogSwitch = QStringLiteral("1");
    menu_debug_on->setChecked(true);
    menu_debug_off->setChecked(false);
}

void Form1::menu_debug_off_Click() {
    state_.module.DebugLogSwitch = QStringLiteral("0");
    menu_debug_off->setChecked(true);
    menu_debug_on->setChecked(false);
}
