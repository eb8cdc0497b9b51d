// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotator/BoardCheck.h"

#include "common/IoBoard.h"
#include "common/MainState.h"
#include "common/NumberText.h"
#include "rotator/BoardMap.h"
#include "rotator/ModbusBoard.h"

namespace {

struct Axis {
    const char* name;
    int channel;
    const QString& motorText;
    const char* motorKey;
    const QString& volt0Text;
    const QString& voltTopText;
    double rangeMin, rangeMax;
};

// Writes the watchdog register as every connection does and reads it back: a module that answers the
// write but keeps another value (a read-only or differently scaled register) has no watchdog set.
void CheckModuleWatchdog(ModbusBoard& board, const BoardMap& map, BoardCheckReport& report) {
    if (!map.watchdog) {
        report.lines << QStringLiteral("module watchdog: none set ([BOARD_MAP] has no WATCHDOG_REGISTER); "
                                       "a relay stays on if azelmon is killed or the computer stops");
        return;
    }
    const QString lead = QStringLiteral("module watchdog (%1): ").arg(map.WatchdogText());
    QString failure;
    if (const auto error = board.ArmModuleWatchdog()) {
        failure = QStringLiteral("write failed: error %1: %2").arg(error->number).arg(error->description);
    } else {
        const auto back = board.ReadModuleWatchdog();
        if (back.error)
            failure = QStringLiteral("written, read back failed: error %1: %2")
                          .arg(back.error->number)
                          .arg(back.error->description);
        else if (back.count != map.watchdog->value)
            failure =
                QStringLiteral("written, read back %1: the module did not take the value").arg(back.count);
        else
            report.lines << lead + QStringLiteral("written, read back %1").arg(back.count);
    }
    if (!failure.isEmpty()) {
        report.lines << lead + failure;
        report.errors << lead + failure;
    }
}

} // namespace

BoardCheckReport RunBoardCheck(IoBoard& board, const BoardMap* map, const QString& boardText,
                               const MainState& state) {
    BoardCheckReport report;
    report.lines << QStringLiteral("board: %1").arg(boardText);
    const ModuleState& m = state.module;
    const Axis axes[] = {
        {"azimuth", 0, state.AzimuthMotorText, "H_MOTOR", state.AzimuthVolt0Text, state.AzimuthVolt360Text,
         m.AzimuthRangeMin, m.AzimuthRangeMax},
        {"elevation", 1, state.ElevationMotorText, "V_MOTOR", state.ElevationVolt0Text,
         state.ElevationVolt90Text, m.ElevationRangeMin, m.ElevationRangeMax},
    };
    auto* modbus = dynamic_cast<ModbusBoard*>(&board);
    for (const Axis& a : axes) {
        QString where = QStringLiteral("channel %1").arg(a.channel);
        if (map)
            where = QStringLiteral("%1 %2").arg(map->RegisterKindText()).arg(map->potRegisters[a.channel]);
        const QString lead = QStringLiteral("%1 potentiometer (%2): ").arg(QLatin1String(a.name), where);
        const auto reading = board.ReadAnalogInput(5, a.channel);
        if (reading.error) {
            const QString error = QStringLiteral("%1read failed: error %2: %3")
                                      .arg(lead)
                                      .arg(reading.error->number)
                                      .arg(reading.error->description);
            report.lines << error;
            report.errors << error;
            continue;
        }
        const int raw = modbus ? modbus->lastRaw(a.channel) : reading.count;
        const double volts = reading.count * 5.0 / 1023.0;
        // The measurement's two-point calibration, as the main window applies it: the first voltage is
        // taken at the range's minimum, the second at its maximum.
        const double volt0 = LeadingNumber(a.volt0Text);
        const double slope = (LeadingNumber(a.voltTopText) - volt0) / (a.rangeMax - a.rangeMin);
        const QString angle =
            slope > 0 ? QStringLiteral("%1 deg").arg(a.rangeMin + (volts - volt0) / slope, 0, 'f', 2)
                      : QStringLiteral("no angle (calibration unusable)");
        QString line = QStringLiteral("%1raw %2, count %3, %4 V, %5")
                           .arg(lead)
                           .arg(raw)
                           .arg(reading.count)
                           .arg(volts, 0, 'f', 3)
                           .arg(angle);
        if (a.motorText != QLatin1String("1"))
            line += QStringLiteral(" (%1 is %2: the program simulates this axis)")
                        .arg(QLatin1String(a.motorKey), a.motorText);
        report.lines << line;
    }
    if (map && modbus)
        CheckModuleWatchdog(*modbus, *map, report);
    if (map)
        report.lines << QStringLiteral("relays (not switched by this check): right coil %1, left coil %2, "
                                       "up coil %3, down coil %4")
                            .arg(map->relayCoils[0])
                            .arg(map->relayCoils[1])
                            .arg(map->relayCoils[2])
                            .arg(map->relayCoils[3]);
    else
        report.lines << QStringLiteral("relays (not switched by this check): simulated, bits 4..7");
    report.lines << (report.ok() ? QStringLiteral("board check: OK") : QStringLiteral("board check: FAILED"));
    return report;
}
