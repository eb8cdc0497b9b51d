// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Two pseudo-terminals joined by socat: a serial line without hardware. The board emulator opens one
// end, the program the other. Tests that need it skip when socat is not installed.

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QString>

#include <csignal>
#include <sys/prctl.h>

class PtyPair {
  public:
    ~PtyPair() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }

    static bool Available() { return !QStandardPaths::findExecutable(QStringLiteral("socat")).isEmpty(); }

    // Makes the pair as links "board" and "program" in dir; true once socat passes data.
    bool Start(const QString& dir) {
        boardEnd = QDir(dir).filePath(QStringLiteral("board"));
        programEnd = QDir(dir).filePath(QStringLiteral("program"));
        process_.setProgram(QStringLiteral("socat"));
        process_.setArguments({QStringLiteral("-d"), QStringLiteral("-d"),
                               QStringLiteral("pty,raw,echo=0,link=") + boardEnd,
                               QStringLiteral("pty,raw,echo=0,link=") + programEnd});
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        process_.start();
        if (!process_.waitForStarted(5000))
            return false;
        QDeadlineTimer deadline(5000);
        QByteArray said;
        while (!said.contains("starting data transfer loop") && !deadline.hasExpired()) {
            process_.waitForReadyRead(100);
            said += process_.readAll();
        }
        return said.contains("starting data transfer loop");
    }

    QString boardEnd, programEnd;

  private:
    QProcess process_;
};
