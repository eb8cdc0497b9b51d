#pragma once

#include <QObject>

class Form1;

// The main window's tracking side: the data links, the once-a-second tracking cycle, the target
// options, the operating-mode buttons, the sound cues and the information panel.
class TrackingController : public QObject {
    Q_OBJECT

public:
    explicit TrackingController(Form1& window);

    // Start-up: link the data boxes to ORBI, else Calsat32. False when the program has to end.
    bool OpenDdeLinks();
    // Shut-down: every link closed.
    void CloseDdeLinks();
    // Abort button.
    void Command4_Click();

private:
    Form1& window_;
};
