// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/StartupParts.h"

#include "links/DbusDataLink.h"
#include "links/RemoteTargetLink.h"
#include "links/RotctldServer.h"
#include "mainwindow/SingleInstance.h"
#include "mainwindow/StartupOptions.h"
#include "rotator/ModbusBoard.h"
#include "rotator/SimulatedBoard.h"

MadeBoard MakeBoard(const StartupOptions& options, BoardKind kind, const ProfileDocument& settings,
                    const Clock& clock) {
    MadeBoard made;
    if (kind == BoardKind::Modbus) {
        made.map = ReadBoardMap(settings);
        if (options.modbusPortGiven)
            made.map->map.tcpPort = options.modbusPort;
        auto modbus = std::make_unique<ModbusBoard>(made.map->map);
        if (made.map->refusal)
            modbus->Refuse(*made.map->refusal);
        // An RTU line is never armed: the module's own watchdog covers a crash there.
        made.emergencyStopArmed = modbus->ArmEmergencyStopOnConnect();
        made.board = std::move(modbus);
    } else {
        RotatorPhysics::Settings physics;
        physics.startAzimuth = options.simAzimuth;
        physics.startElevation = options.simElevation;
        made.board = std::make_unique<SimulatedBoard>(clock, physics);
    }
    return made;
}

QString BoardCheckText(const std::optional<BoardMapReading>& map, const QString& boardAddress) {
    if (map)
        return map->map.TransportText(boardAddress);
    return QStringLiteral("simulated (set BOARD=MODBUS in [TCP/IP] of the settings, or give --board modbus, "
                          "to check the real board)");
}

QString BoardLockKey(const std::optional<BoardMapReading>& map, const QString& boardAddress) {
    if (!map)
        return {};
    if (map->map.transport == BoardMap::Transport::Rtu)
        return SingleInstance::RtuBoardKey(map->map.device);
    return SingleInstance::TcpBoardKey(boardAddress, map->map.tcpPort);
}

std::unique_ptr<DataLink> MakeLink(const StartupOptions& options, const RemoteTarget& target,
                                   const Clock& clock, std::pair<double, double> observer,
                                   std::function<double()> mapAzimuth) {
    if (options.remoteLink)
        return std::make_unique<RemoteTargetLink>(target, clock, observer.first, observer.second,
                                                  std::move(mapAzimuth));
    return std::make_unique<DbusDataLink>();
}

RotctldStart StartRotctld(RotctldServer& server, const RotctldListenSpec& listen) {
    RotctldStart start;
    if (listen.off)
        return start;
    if (server.Listen(listen.address, listen.port)) {
        start.announcement =
            QStringLiteral("rotctld: listening on %1:%2").arg(server.address().toString()).arg(server.port());
    } else {
        start.left = QStringLiteral("6.rotctld %1:%2 を開けません。rotctld 接続なしで動作します")
                         .arg(listen.address.toString())
                         .arg(listen.port);
        start.right = QStringLiteral("エラーメッセージは ") + server.errorString();
    }
    return start;
}
