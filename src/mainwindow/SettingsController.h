#pragma once

#include <QObject>

class Form1;

// The main window's settings and help side: the settings dialog with calibration capture, the
// help window, the home page and the version box.
class SettingsController : public QObject {
    Q_OBJECT

public:
    explicit SettingsController(Form1& window);

private:
    Form1& window_;
};
