// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/Form3.h"

#include "mainwindow/Form1.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>

namespace {

template <class T>
T* Make(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h) {
    return MakeWidget<T>(parent, QLatin1String(name), text, TwipsRect(x, y, w, h));
}

} // namespace

Form3::Form3(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("バージョン"));
    setWindowFlag(Qt::Dialog);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(Px(4800), Px(3900));

    Frame2 = Make<QGroupBox>(this, "Frame2", QStringLiteral("プログラム名称"), 120, 120, 4560, 720);
    Label1 = Make<QLabel>(Frame2, "Label1", QStringLiteral("アゼルモンプログラム"), 240, 320, 4000, 300);
    Frame1 = Make<QGroupBox>(this, "Frame1", QStringLiteral("プログラムバージョン"), 120, 960, 4560, 720);
    Label3 = Make<QLabel>(Frame1, "Label3", QStringLiteral("バージョン　"), 240, 320, 1500, 300);
    Label4 = Make<QLabel>(Frame1, "Label4", QStringLiteral("ｖ１．21"), 1800, 320, 1500, 300);
    Frame3 = Make<QGroupBox>(this, "Frame3", QStringLiteral("免責事項"), 120, 1800, 4560, 1320);
    Label2 = Make<QLabel>(Frame3, "Label2", QString(), 240, 320, 4200, 900);
    Label2->setWordWrap(true);
    Command1 = Make<QPushButton>(this, "Command1", QStringLiteral("閉じる"), 3360, 3300, 1320, 420);
    connect(Command1, &QPushButton::clicked, this, &Form3::Command1_Click);
    // The box closes with Escape or Enter as well as with its button.
    for (const auto key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        connect(shortcut, &QShortcut::activated, Command1, &QPushButton::click);
    }
    Command1->setDefault(true);
}

void Form3::Command1_Click() {
    close();
}
