// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotator/OperationLog.h"

#include "common/IoBoard.h"
#include "common/MainState.h"
#include "common/NumberText.h"
#include "common/Ports.h"
#include "common/StatusLine.h"
#include "rotator/BoardFailure.h"
#include "rotator/RelayOutputs.h"

#include <QFile>
#include <QFileInfo>
#include <iconv.h>
#include <optional>

namespace {
std::optional<QByteArray> ToCp932(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    QByteArray out(utf8.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(utf8.constData());
    size_t inLeft = static_cast<size_t>(utf8.size());
    char* dst = out.data();
    size_t outLeft = static_cast<size_t>(out.size());
    const size_t result = iconv(cd, &in, &inLeft, &dst, &outLeft);
    iconv_close(cd);
    if (result == static_cast<size_t>(-1) || inLeft != 0)
        return std::nullopt;
    out.resize(out.size() - static_cast<qsizetype>(outLeft));
    return out;
}

double Volts(double count) {
    return count * 5 / 1023;
}
} // namespace

bool AppendCp932Line(const QString& path, const QString& text) {
    const auto bytes = ToCp932(text);
    if (!bytes)
        return false;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const QByteArray line = *bytes + "\r\n";
    const bool written = file.write(line) == line.size() && file.flush();
    file.close(); // closed whether the write worked or not
    return written;
}

const QString OperationLog::LogFailedText =
    QStringLiteral("azelmon_log.LOGファイルがオープンできません。ログを停止しました");

OperationLog::OperationLog(MainState& state, Ports& ports, RelayOutputs& relays)
    : state_(state), ports_(ports), relays_(relays) {}

void OperationLog::WriteLog(const QString& text) {
    if (state_.module.DebugLogSwitch != QLatin1String("1"))
        return;
    if (AppendCp932Line(path, text))
        return;
    // Said once on the status line, and the log goes off: a box per line would stop the program (and,
    // inside a positioning step, leave its decision waiting) for every line of a full disk.
    state_.module.DebugLogSwitch = QStringLiteral("0");
    ports_.status->SetLeft(LogFailedText);
    ports_.status->SetRight(QStringLiteral("書き込めないファイル: ") + QFileInfo(path).absoluteFilePath());
}

void OperationLog::StopAzimuthAndLog() {
    relays_.PauseAxis(MotionWatch::Azimuth);
    // The voltage is read for the log line alone: with the log off the module is not asked (a reading
    // of a board on its own thread would have the window wait for it at every stop).
    if (state_.module.DebugLogSwitch != QLatin1String("1"))
        return;
    const auto reading = ports_.board->ReadAnalogInput(5, 0);
    if (reading.error && !reading.error->inFlight())
        throw BoardFailure(*reading.error);
    WriteLog(QStringLiteral("水平停止 電圧＝") + LogNumberText(Volts(reading.error ? 0 : reading.count)));
}

void OperationLog::StopElevationAndLog() {
    relays_.PauseAxis(MotionWatch::Elevation);
    if (state_.module.DebugLogSwitch != QLatin1String("1"))
        return;
    const auto reading = ports_.board->ReadAnalogInput(5, 1);
    const int count = reading.error ? 0 : reading.count;
    WriteLog(QStringLiteral("仰角停止 電圧＝") + LogNumberText(Volts(count)));
}

void OperationLog::ResumeAzimuthAndLog(double count) {
    WriteLog(QStringLiteral("水平再開 電圧＝") + LogNumberText(Volts(count)));
    relays_.ResumeAzimuth();
}
