#pragma once

#include <QObject>

class Form1;

// The main window's station side: the station list, the station and schedule buttons, the daily
// schedule and the station list editor.
class StationsController : public QObject {
    Q_OBJECT

public:
    explicit StationsController(Form1& window);

    // Start-up: the station list into Combo1.
    void LoadStationList();

private:
    Form1& window_;
};
