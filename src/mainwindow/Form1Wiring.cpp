// Start-up's calls into the subsystems.
#include "mainwindow/Form1.h"

#include "common/MessageSink.h"

#include <QFileInfo>

bool Form1::OpenDataLinks() {
    return true;
}

void Form1::CloseDataLinks() {}

void Form1::LoadMapPicture() {
    if (!QFileInfo::exists(QStringLiteral("cntmap.bmp")) &&
        !QFileInfo::exists(QStringLiteral(AZELMON_DATA_DIR "/cntmap.bmp")))
        ports_.messages->ShowMessage(
            QStringLiteral("地図の画像ファイル \"cntmap.bmp\" が見つかりません。背景なしで地図を表示します。"));
}

void Form1::LoadStations() {}

void Form1::RedrawMap() {}
