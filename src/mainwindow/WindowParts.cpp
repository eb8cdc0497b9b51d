// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/WindowParts.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

QVBoxLayout* StartListWindow(QWidget* window, const char* name, const QString& title) {
    window->setObjectName(QLatin1String(name));
    window->setWindowTitle(title);
    return new QVBoxLayout(window);
}

QTreeWidget* MakeListView(QWidget* parent, const char* name, const QStringList& headings) {
    auto* list = new QTreeWidget(parent);
    list->setObjectName(QLatin1String(name));
    list->setRootIsDecorated(false);
    list->setHeaderLabels(headings);
    list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    return list;
}

QLabel* MakeNotesLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QStringLiteral("lblNotes"));
    label->setWordWrap(true);
    return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, const QString& tip) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    if (!tip.isEmpty())
        button->setToolTip(tip);
    return button;
}

QHBoxLayout* MakeButtonRow(std::initializer_list<QPushButton*> buttons) {
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (QPushButton* button : buttons)
        row->addWidget(button);
    return row;
}
