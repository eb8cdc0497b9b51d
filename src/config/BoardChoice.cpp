// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/BoardChoice.h"

#include "config/StartupSettings.h"

std::optional<BoardKind> ParseBoardKind(const QString& text) {
    const QString word = text.trimmed();
    if (word.compare(QLatin1String(BoardSimWord), Qt::CaseInsensitive) == 0)
        return BoardKind::Simulated;
    if (word.compare(QLatin1String(BoardModbusWord), Qt::CaseInsensitive) == 0)
        return BoardKind::Modbus;
    return std::nullopt;
}

QString BoardWord(BoardKind kind) {
    return QLatin1String(kind == BoardKind::Modbus ? BoardModbusWord : BoardSimWord);
}

BoardChoice ChooseBoard(const std::optional<QString>& flag, const QString& setting) {
    if (flag) {
        if (const auto kind = ParseBoardKind(*flag))
            return {*kind, {}};
    }
    if (setting.trimmed().isEmpty())
        return {};
    if (const auto kind = ParseBoardKind(setting))
        return {*kind, {}};
    // A misspelt word must not reach a real board nobody asked for; the window says it is simulated.
    return {
        BoardKind::Simulated,
        QStringLiteral("%1 of [%2] in rotorcfg.ini is \"%3\", neither %4 nor %5: the simulated board runs")
            .arg(QLatin1String(BoardKey), QLatin1String(BoardSection), setting, QLatin1String(BoardSimWord),
                 QLatin1String(BoardModbusWord))};
}

QString ReadBoardSetting(const ProfileDocument& settings) {
    return ReadSetting(SettingKey{BoardSection, BoardKey, ""}, settings);
}

QString ReadBoardSetting(const QString& iniPath) {
    return ReadBoardSetting(ProfileDocument::Read(iniPath));
}
