#include "mainwindow/TrackingController.h"

#include "mainwindow/Form1.h"

TrackingController::TrackingController(Form1& window) : QObject(&window), window_(window) {}

bool TrackingController::OpenDdeLinks() {
    return true;
}

void TrackingController::CloseDdeLinks() {}

void TrackingController::Command4_Click() {}
