#include "mainwindow/SettingsController.h"

#include "mainwindow/Form1.h"

SettingsController::SettingsController(Form1& window) : QObject(&window), window_(window) {}
