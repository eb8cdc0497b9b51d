// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFile>
#include <QString>
#include <memory>

class Clock;

// A plain-text trace of a run for soak tests and field diagnosis, written only when the environment
// variable AZELMON_TRACE names a file: one line per tracking cycle ("<ms> cycle mode=M relays=abcd
// antenna=az,el target=az,el") one per status-line text ("<ms> status L|R <text>"), one per relay write
// ("<ms> write BIT LEVEL") and one when the program starts to end ("<ms> ending") and, every CensusCycles
// cycles, how many objects and running timers the program holds ("<ms> census objects=N timers=T"), so that a
// long run shows whether anything piles up; milliseconds of the monotonic clock.
class RunTrace {
  public:
    // Null when AZELMON_TRACE is unset or the file cannot be opened.
    static std::unique_ptr<RunTrace> FromEnvironment(const Clock& clock);

    RunTrace(const Clock& clock, const QString& path);
    bool IsOpen() const { return file_.isOpen(); }
    void Line(const QString& text);
    // The census line's text: every object of the application and its windows, and the active timers.
    static QString Census();
    static constexpr int CensusCycles = 60;

  private:
    const Clock& clock_;
    QFile file_;
};
