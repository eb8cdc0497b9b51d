// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

class Form1;
class Form2;
class Form3;
class HelpWindow;

// The main window's settings and help side: the settings dialog with calibration capture, the
// help window, the home page and the version box.
// The message when the home page could not be opened: the address, to copy into a browser by hand.
inline QString HomePageUnopenedMessage(const QString& address) {
    return QStringLiteral("ブラウザを起動できませんでした。ホームページのアドレスは次のとおりです。\n%1")
        .arg(address);
}

class SettingsController : public QObject {
    Q_OBJECT

  public:
    explicit SettingsController(Form1& window);
    ~SettingsController() override;

    // "補正値の設定": takes the mode buttons and timers from the main window and shows the dialog.
    void menuhoseiti_Click();
    // "プログラム操作説明": the help window.
    void menusousa_Click();
    // "ＳＯＲＡＮＯのホームページ": the home page in the desktop's browser, without waiting for it.
    // When no browser can be started, a message gives the address instead.
    void menuhome_Click();
    // "バージョン": the version box.
    void menuver_Click();

    Form2* settingsDialog() const;
    Form3* versionBox() const;

  private:
    void GiveBackMainWindow();
    void ReleaseHold();
    void DemandRestart();

    Form1& window_;
    QPointer<Form2> form2_;
    QPointer<Form3> form3_;
    bool holding_ = false; // the relays are held off for the open dialog
    // Stands in as the help port when the app gave none.
    std::unique_ptr<HelpWindow> ownHelp_;
};
