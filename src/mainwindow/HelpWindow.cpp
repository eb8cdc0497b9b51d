// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/HelpWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

QStringList HelpDataFolders() {
    QStringList folders{QStringLiteral(AZELMON_DATA_DIR "/help")};
    if (QCoreApplication::instance())
        folders << QDir(QCoreApplication::applicationDirPath())
                       .absoluteFilePath(QStringLiteral("../share/azelmon/help"));
    return folders;
}

QString HelpStartPage(const QStringList& dataFolders) {
    QStringList candidates{QDir::current().absoluteFilePath(QStringLiteral("help/index.html"))};
    for (const QString& folder : dataFolders)
        candidates << QDir(folder).absoluteFilePath(QStringLiteral("index.html"));
    for (const QString& path : candidates) {
        if (QFileInfo(path).isFile())
            return QFileInfo(path).canonicalFilePath();
    }
    return QString();
}

QString HomePageUrl() {
    if (HomePageAddress[0] != '\0')
        return QString::fromUtf8(HomePageAddress);
    const QString page = HelpStartPage(HelpDataFolders());
    return page.isEmpty() ? QString() : QUrl::fromLocalFile(page).toString();
}

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent), browser_(new QTextBrowser(this)) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("アゼルモン ヘルプ"));
    setWindowFlag(Qt::Window);
    browser_->setObjectName(QStringLiteral("HelpBrowser"));
    // Links inside the help stay here; addresses outside it go to the desktop's browser.
    browser_->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    resize(720, 640);
}

void HelpWindow::ShowContents() {
    const QString page = HelpStartPage(HelpDataFolders());
    if (page.isEmpty()) {
        browser_->setHtml(QStringLiteral("<p>ヘルプファイル help/index.html が見つかりません。</p>"));
    } else {
        browser_->setSource(QUrl::fromLocalFile(page));
    }
    show();
    raise();
    activateWindow();
}

void HelpWindow::Close() {
    close();
}
