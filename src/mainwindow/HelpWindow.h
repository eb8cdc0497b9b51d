// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/HelpViewer.h"

#include <QString>
#include <QStringList>
#include <QWidget>

class QTextBrowser;

// The help pages "help/index.html": in the current directory, else in the installed data folder.
// Empty when neither holds them.
QString HelpStartPage(const QStringList& dataFolders);
// The folders searched after the current directory.
QStringList HelpDataFolders();

// The home page. The program has no public page yet, so the help's start page stands in for it
// (an empty address here means exactly that).
inline constexpr char HomePageAddress[] = "";
QString HomePageUrl();

// The help window: the help pages in a browser of their own, with links between them.
class HelpWindow : public QWidget, public HelpViewer {
    Q_OBJECT

  public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Shows the start page (the first time, or again after the user wandered off) and raises the window.
    void ShowContents() override;
    void Close() override;

    QTextBrowser* browser() const { return browser_; }

  private:
    QTextBrowser* browser_;
};
