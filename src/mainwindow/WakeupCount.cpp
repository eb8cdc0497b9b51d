// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/WakeupCount.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <utility>
#include <vector>

std::unique_ptr<WakeupCount> WakeupCount::FromEnvironment() {
    const QString path = qEnvironmentVariable("AZELMON_COUNT_WAKEUPS");
    if (path.isEmpty() || !QCoreApplication::instance())
        return nullptr;
    return std::make_unique<WakeupCount>(path);
}

WakeupCount::WakeupCount(const QString& path) : path_(path) {
    running_.start();
    // An application-wide filter sees every event delivered on the main thread, before its receiver.
    QCoreApplication::instance()->installEventFilter(this);
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::awake, this, [this] { ++wakeups_; });
}

WakeupCount::~WakeupCount() {
    if (auto* app = QCoreApplication::instance())
        app->removeEventFilter(this);
    QFile file(path_);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        file.write(Report().toUtf8());
}

QString WakeupCount::KindOf(const QObject* receiver) {
    QString kind = QString::fromLatin1(receiver->metaObject()->className());
    if (const QObject* parent = receiver->parent())
        kind += QLatin1String(" in ") + QString::fromLatin1(parent->metaObject()->className());
    if (const auto* timer = qobject_cast<const QTimer*>(receiver))
        kind += QStringLiteral(" interval=%1ms").arg(timer->interval());
    return kind;
}

bool WakeupCount::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Timer) {
        ++timers_;
        ++byKind_[KindOf(watched)];
    } else if (event->type() == QEvent::Paint) {
        ++paints_;
        const QString name = watched->objectName();
        ++paintsByWidget_[name.isEmpty() ? QString::fromLatin1(watched->metaObject()->className()) : name];
    }
    return false;
}

namespace {

// "PREFIX KEY N" lines, the largest count first.
QString CountLines(const QString& prefix, const std::map<QString, long long>& counts) {
    std::vector<std::pair<QString, long long>> sorted(counts.begin(), counts.end());
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    QString text;
    for (const auto& [key, count] : sorted)
        text += QStringLiteral("%1 %2 %3\n").arg(prefix, key).arg(count);
    return text;
}

} // namespace

QString WakeupCount::Report() const {
    return QStringLiteral("wakeups %1\ntimers %2\npaints %3\nseconds %4\n")
               .arg(wakeups_)
               .arg(timers_)
               .arg(paints_)
               .arg(running_.elapsed() / 1000.0, 0, 'f', 1) +
           CountLines(QStringLiteral("timer"), byKind_) +
           CountLines(QStringLiteral("paint"), paintsByWidget_);
}
