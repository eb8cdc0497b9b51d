#include "mainwindow/StationsController.h"

#include "mainwindow/Form1.h"

StationsController::StationsController(Form1& window) : QObject(&window), window_(window) {}

void StationsController::LoadStationList() {}
