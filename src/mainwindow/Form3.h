// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QGroupBox;
class QLabel;
class QPushButton;

// The version box "バージョン": program name, version and the disclaimer frame. Not modal.
class Form3 : public QWidget {
    Q_OBJECT

  public:
    explicit Form3(QWidget* parent = nullptr);

    void Command1_Click();

    QGroupBox *Frame1 = nullptr, *Frame2 = nullptr, *Frame3 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr;
    QPushButton* Command1 = nullptr;
};
