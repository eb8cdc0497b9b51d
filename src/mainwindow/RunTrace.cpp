#include "mainwindow/RunTrace.h"

#include "common/Clock.h"

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
