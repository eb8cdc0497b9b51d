// SPDX-License-Identifier: GPL-3.0-or-later
#include "E2eSupport.h"

#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QThread>
#include <QUuid>

#include "skymap/SkyMapMarks.h"
#include "skymap/SkyMapWidget.h"
#include "skymap/SkyProjection.h"

#include <csignal>
#include <modbus/modbus.h>
#include <sys/prctl.h>

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    return true;
}

BoardsimProcess::~BoardsimProcess() {
    if (process_.state() != QProcess::NotRunning) {
        Resume();
        process_.kill();
        process_.waitForFinished(3000);
    }
}

bool BoardsimProcess::Start(const QStringList& arguments) {
    process_.setProgram(QStringLiteral(BOARDSIM_PATH));
    process_.setArguments(arguments + QStringList{QStringLiteral("--port"), QStringLiteral("0")});
    process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process_.start();
    if (!process_.waitForStarted(5000))
        return false;
    QDeadlineTimer deadline(5000);
    while (!process_.canReadLine() && !deadline.hasExpired())
        process_.waitForReadyRead(100);
    const QString line = QString::fromUtf8(process_.readLine()).trimmed();
    if (!line.startsWith(QStringLiteral("listening on 127.0.0.1:")))
        return false;
    port_ = line.section(QLatin1Char(':'), -1).toInt();
    return port_ > 0;
}

std::optional<std::array<int, 4>> BoardsimProcess::Coils() const {
    modbus_t* ctx = modbus_new_tcp("127.0.0.1", port_);
    modbus_set_response_timeout(ctx, 0, 500000);
    uint8_t bits[4] = {9, 9, 9, 9};
    bool read = false;
    for (int attempt = 0; attempt < 5 && !read; ++attempt) {
        read = modbus_connect(ctx) == 0 && modbus_read_bits(ctx, 4, 4, bits) == 4;
        modbus_close(ctx);
    }
    modbus_free(ctx);
    if (!read)
        return std::nullopt;
    return std::array<int, 4>{bits[0], bits[1], bits[2], bits[3]};
}

bool BoardsimProcess::SetCoil(int bit, int level) const {
    modbus_t* ctx = modbus_new_tcp("127.0.0.1", port_);
    modbus_set_response_timeout(ctx, 0, 500000);
    bool written = false;
    for (int attempt = 0; attempt < 5 && !written; ++attempt) {
        written = modbus_connect(ctx) == 0 && modbus_write_bit(ctx, bit, level) == 1;
        modbus_close(ctx);
    }
    modbus_free(ctx);
    return written;
}

bool BoardsimProcess::AllCoilsOff() const {
    const auto coils = Coils();
    return coils && *coils == std::array<int, 4>{0, 0, 0, 0};
}

QString BoardsimProcess::Output() {
    output_ += QString::fromUtf8(process_.readAllStandardOutput());
    return output_;
}

void BoardsimProcess::Pause() {
    if (process_.state() == QProcess::Running)
        ::kill(static_cast<pid_t>(process_.processId()), SIGSTOP);
}

void BoardsimProcess::Resume() {
    if (process_.state() == QProcess::Running)
        ::kill(static_cast<pid_t>(process_.processId()), SIGCONT);
}

void FillProgramFolder(const QString& folder, const QByteArray& settings) {
    const QDir data(QStringLiteral(AZELMON_DATA_DIR));
    const QDir dir(folder);
    for (const char* name : {"cntmap.bmp", "sound2.wav", "sound3.wav", "azelmon.csv"})
        QFile::copy(data.filePath(QLatin1String(name)), dir.filePath(QLatin1String(name)));
    if (settings.isEmpty())
        return;
    QFile ini(dir.filePath(QStringLiteral("rotorcfg.ini")));
    if (ini.open(QIODevice::WriteOnly))
        ini.write(settings);
}

Program::Program() {
    // The program reads its data files from the current folder.
    previousDir_ = QDir::currentPath();
    FillProgramFolder(dir.path());
    QDir::setCurrent(dir.path());
    qputenv("AZELMON_INSTANCE_NAME", "azelmon-e2e-" + QUuid::createUuid().toByteArray(QUuid::WithoutBraces));
}

Program::~Program() {
    if (window && !window->HasEnded())
        window->EndProgram(0);
    window.reset();
    QDir::setCurrent(previousDir_);
}

bool Program::StartBus() {
    bus = std::make_unique<PrivateBus>();
    return bus->ok();
}

bool Program::StartServer(const QStringList& extra) {
    return server.Start(*bus, extra);
}

bool Program::StartBoard(const QStringList& arguments) {
    return board.Start(arguments);
}

void Program::WriteSettings(const QByteArray& extraText) {
    QFile file(dir.filePath(QStringLiteral("rotorcfg.ini")));
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write("[TCP/IP]\r\nIP=127.0.0.1\r\n" + extraText);
}

bool Program::Launch() {
    // The board map of the settings file, as the program reads it, on the emulator's port.
    auto map = std::make_shared<BoardMapReading>(ReadBoardMap(dir.filePath(QStringLiteral("rotorcfg.ini"))));
    map->map.tcpPort = board.port();
    modbus = std::make_unique<ModbusBoard>(map->map);
    if (map->refusal)
        modbus->Refuse(*map->refusal); // as the program does, before its start-up's all-off
    // The crash path's own way to the board, armed as the program arms it.
    modbus->ArmEmergencyStopOnConnect();
    link = std::make_unique<DbusDataLink>(bus->connection());
    Ports ports{modbus.get(), link.get(), &clock, &waiter, &messages, &sound, &help, &browser};
    instance = std::make_unique<SingleInstance>(SingleInstance::DefaultName());
    window = std::make_unique<Form1>(ports, dir.filePath(QStringLiteral("rotorcfg.ini")));
    window->setInstanceCheck([this] { return instance->Refusal(); });
    window->setEndHandler([this](int code) { endCodes << code; });
    window->setBoardMessages([this, map] { return BoardStartupMessages(*map, *modbus); });
    if (!window->Form_Load())
        return false;
    window->show();
    return true;
}

void Program::Close() {
    if (window && !window->HasEnded())
        window->EndProgram(0);
    window.reset();
    instance.reset();
    modbus.reset();
    link.reset();
}

bool Program::WaitUntilReady(int timeoutMs) {
    Form1& w = *window;
    return WaitFor(
        [&w] { return w.Command2->isEnabled() && w.Command3->isEnabled() && !w.Command4->isEnabled(); },
        timeoutMs);
}

void Program::ClickMap(double azimuth, double elevation) {
    const QPointF twips = SkyMapPoint(azimuth, elevation);
    SkyMapWidget* map = window->Picture1;
    const QPoint pixel(qRound(twips.x() * map->width() / MapSizeTwips),
                       qRound(twips.y() * map->height() / MapSizeTwips));
    QTest::mouseClick(map, Qt::LeftButton, Qt::NoModifier, pixel);
}

namespace {
double FirstNumber(const QString& text) {
    static const QRegularExpression number(QStringLiteral("-?\\d+(\\.\\d+)?"));
    const auto match = number.match(text);
    return match.hasMatch() ? match.captured().toDouble() : qQNaN();
}
} // namespace

double Program::ShownAzimuth() const {
    return FirstNumber(window->Label26->text());
}

double Program::ShownElevation() const {
    return FirstNumber(window->Label27->text());
}

QString Program::StatusText() const {
    return window->Label24->text() + QLatin1Char('|') + window->Label25->text();
}

QString Program::ServerItem(const QString& item) const {
    QDBusMessage ask = QDBusMessage::createMethodCall(QStringLiteral("dde.ORBI"), QStringLiteral("/EXTRN"),
                                                      QStringLiteral("dde.Topic"), QStringLiteral("Request"));
    ask << item;
    const QDBusMessage reply = bus->connection().call(ask, QDBus::Block, 3000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().constFirst().toString();
}

std::optional<std::pair<double, double>> LastRelayAngles(const QString& output) {
    static const QRegularExpression line(QStringLiteral("relay \\d \\d az=(-?[0-9.]+) el=(-?[0-9.]+)"));
    std::optional<std::pair<double, double>> last;
    for (auto it = line.globalMatch(output); it.hasNext();) {
        const auto m = it.next();
        last = std::make_pair(m.captured(1).toDouble(), m.captured(2).toDouble());
    }
    return last;
}
