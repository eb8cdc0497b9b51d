// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <initializer_list>

class QHBoxLayout;
class QLabel;
class QPushButton;
class QTreeWidget;
class QVBoxLayout;
class QWidget;

// The pieces the list windows (coming passes, recorded passes) and the satellite choice are built
// from, so that they look and are found alike: every widget gets its object name, which the tests and
// the accessibility tools go by.

// A top-level window's name, title and column layout.
QVBoxLayout* StartListWindow(QWidget* window, const char* name, const QString& title);

// A flat list (no root decoration) with the given column headings, each column as wide as its text.
QTreeWidget* MakeListView(QWidget* parent, const char* name, const QStringList& headings);

// The word-wrapped notes under a list (lblNotes): what could not be read or worked out.
QLabel* MakeNotesLabel(QWidget* parent);

// A named push button with its caption and tooltip (none when `tip` is empty).
QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, const QString& tip = {});

// The buttons in a row, pushed to the right.
QHBoxLayout* MakeButtonRow(std::initializer_list<QPushButton*> buttons);
