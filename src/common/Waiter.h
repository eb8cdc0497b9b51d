#pragma once

// Waits inside a routine. Sleep blocks without running events (a quiet pause for a reading);
// WaitProcessingEvents lets window events and timers run while the time passes, so a second
// step or cycle may start meanwhile (callers guard against that themselves).
class Waiter {
  public:
    virtual ~Waiter() = default;
    virtual void Sleep(int milliseconds) = 0;
    virtual void WaitProcessingEvents(int milliseconds) = 0;
};
