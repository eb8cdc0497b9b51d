// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/RunTrace.h"

#include "common/Clock.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

std::unique_ptr<RunTrace> RunTrace::FromEnvironment(const Clock& clock) {
    const QString path = qEnvironmentVariable("AZELMON_TRACE");
    if (path.isEmpty())
        return nullptr;
    auto trace = std::make_unique<RunTrace>(clock, path);
    return trace->IsOpen() ? std::move(trace) : nullptr;
}

RunTrace::RunTrace(const Clock& clock, const QString& path) : clock_(clock), file_(path) {
    file_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text | QIODevice::Unbuffered);
}

void RunTrace::Line(const QString& text) {
    if (!file_.isOpen())
        return;
    QString line = QString::number(clock_.MonotonicMs()) + QLatin1Char(' ') + text;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    file_.write(line.toUtf8() + '\n');
}

QString RunTrace::Census() {
    QObjectList roots{QCoreApplication::instance()};
    for (QWidget* window : QApplication::topLevelWidgets())
        if (!window->parent())
            roots << window;
    int objects = 0, timers = 0;
    for (QObject* root : roots) {
        if (!root)
            continue;
        objects += 1 + static_cast<int>(root->findChildren<QObject*>().size());
        for (const QTimer* timer : root->findChildren<QTimer*>())
            timers += timer->isActive() ? 1 : 0;
    }
    return QStringLiteral("census objects=%1 timers=%2").arg(objects).arg(timers);
}
