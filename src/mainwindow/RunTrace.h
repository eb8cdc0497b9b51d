#pragma once

#include <QFile>
#include <QString>
#include <memory>

class Clock;

// A plain-text trace of a run for soak tests and field diagnosis, written only when the environment
// variable AZELMON_TRACE names a file: one line per tracking cycle ("<ms> cycle mode=M relays=abcd")
// one per status-line text ("<ms> status L|R <text>"), one per relay write ("<ms> write BIT LEVEL") and
// one when the program starts to end ("<ms> ending"); milliseconds of the monotonic clock.
class RunTrace {
  public:
    // Null when AZELMON_TRACE is unset or the file cannot be opened.
    static std::unique_ptr<RunTrace> FromEnvironment(const Clock& clock);

    RunTrace(const Clock& clock, const QString& path);
    bool IsOpen() const { return file_.isOpen(); }
    void Line(const QString& text);

  private:
    const Clock& clock_;
    QFile file_;
};
