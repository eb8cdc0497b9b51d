// SPDX-License-Identifier: GPL-3.0-or-later
// Which board a start drives: the command line's --board over the BOARD setting over the simulated one.
#include "config/BoardChoice.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

namespace {

TEST(BoardChoice, FlagOverridesSettingAndOnlyAClearWordReachesTheRealBoard) {
    const auto sim = BoardKind::Simulated, modbus = BoardKind::Modbus;
    const std::optional<QString> none;
    const struct {
        std::optional<QString> flag;
        const char* settingsFile; // the [TCP/IP] section's text after IP
        BoardKind expected;
        bool problem;
    } rows[] = {
        {none, "", sim, false},
        {none, "BOARD=SIM\r\n", sim, false},
        {none, "BOARD=MODBUS\r\n", modbus, false},
        {none, "BOARD= modbus \r\n", modbus, false},
        {none, "BOARD=\r\n", sim, false},
        {none, "BOARD=real\r\n", sim, true},
        {none, "BOARD=MODBUS1\r\n", sim, true},
        {QStringLiteral("sim"), "BOARD=MODBUS\r\n", sim, false},
        {QStringLiteral("modbus"), "", modbus, false},
        {QStringLiteral("modbus"), "BOARD=SIM\r\n", modbus, false},
        {QStringLiteral("modbus"), "BOARD=real\r\n", modbus, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.flag.value_or(QStringLiteral("(no flag)")).toStdString() + " / " + row.settingsFile);
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("rotorcfg.ini"));
        WriteBytes(ini, QByteArray("[TCP/IP]\r\nIP=127.0.0.1\r\n") + row.settingsFile);
        const BoardChoice choice = ChooseBoard(row.flag, ReadBoardSetting(ini));
        EXPECT_EQ(choice.kind, row.expected);
        EXPECT_EQ(!choice.problem.isEmpty(), row.problem) << choice.problem.toStdString();
    }
}

} // namespace
