// SPDX-License-Identifier: GPL-3.0-or-later
// The element-set download against a local server: only a whole, checked download that holds the
// chosen satellites replaces the file; every other answer keeps the old file and says why.

#include "satellites/ElementUpdate.h"
#include "LocalHttpServer.h"
#include "support/EventWait.h"
#include "support/TestFiles.h"

#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QByteArray Leo = "DEMO-LEO (ISS-LIKE)\r\n"
                       "1 90001U 98067A   26340.50000000  .00012000  00000-0  21000-3 0  9999\r\n"
                       "2 90001  51.6400 121.5000 0004500  85.0000 275.1000 15.50000000123450\r\n";
const QByteArray Molniya = "DEMO-MOLNIYA\r\n"
                           "1 90002U 15049A   26340.25000000  .00000100  00000-0  10000-3 0  9997\r\n"
                           "2 90002  63.4000 250.0000 7200000 270.0000  10.0000  2.00600000345675\r\n";
const QByteArray OldFile = "the old file, left alone\n";

struct Case {
    const char* what;
    QList<QByteArray> paths; // downloaded in this order
    QStringList chosen;
    bool replaced;
    const char* messagePart;
};

class ElementUpdateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        target = dir.filePath(QStringLiteral("elements.tle"));
        WriteBytes(target, OldFile);
        using R = LocalHttpServer::Reply;
        server.Route("/leo", R{200, Leo, {}, false, -1});
        server.Route("/molniya", R{200, Molniya, {}, false, -1});
        server.Route("/html",
                     R{200, "<!DOCTYPE html><html><body>Service unavailable</body></html>", {}, false, -1});
        server.Route("/cut-in-set", R{200, Leo + Molniya.left(60), {}, false, -1});
        server.Route("/cut-after-title", R{200, Leo + "DEMO-MOLNIYA\r\n", {}, false, -1});
        server.Route("/short", R{200, Leo, {}, false, Leo.size() + Molniya.size()});
        server.Route("/short-reset", R{200, Leo, {}, false, Leo.size() + Molniya.size(), R::Ending::Reset});
        server.Route("/short-big", R{200, Leo.repeated(38), {}, false, Leo.size() * 115}); // 38 of 115 sets
        server.Route("/chunked-cut", R{200, Leo, {}, false, 0, R::Ending::ChunkedClose});
        server.Route("/checksum", R{200, QByteArray(Leo).replace("0  9999", "0  9998"), {}, false, -1});
        server.Route("/stall", R{200, Leo + Molniya, {}, true, -1});
        server.Route("/loop", R{302, {}, "Location: /loop\r\n", false, -1});
        server.Route("/moved", R{301, {}, "Location: /leo\r\n", false, -1});
    }

    // Runs one update to its end; false when it did not end in time.
    bool Run(const QList<QByteArray>& paths, const QStringList& chosen,
             const std::vector<orbit::ElementSet>& others = {}) {
        QList<QUrl> urls;
        for (const QByteArray& p : paths)
            urls << (p.startsWith('/') ? server.Url(QString::fromLatin1(p)) : QUrl(QString::fromLatin1(p)));
        QSignalSpy finished(&update, &ElementUpdate::Finished);
        update.Start(urls, target, chosen, others, options);
        if (!WaitUntil([&] { return finished.size() > 0; }, 5000))
            return false;
        replaced = finished.at(0).at(0).toBool();
        message = finished.at(0).at(1).toString();
        return true;
    }

    QTemporaryDir dir;
    QString target;
    LocalHttpServer server;
    QNetworkAccessManager network;
    ElementUpdate update{network};
    ElementUpdate::Options options{300, 3, 1 << 20};
    bool replaced = false;
    QString message;
};

TEST_F(ElementUpdateTest, OnlyAWholeCheckedDownloadWithTheChosenSatellitesReplacesTheFile) {
    const Case cases[] = {
        {"two groups", {"/leo", "/molniya"}, {"90001", "DEMO-MOLNIYA"}, true, "2 組"},
        {"followed redirect", {"/moved"}, {"90001"}, true, "1 組"},
        {"404", {"/leo", "/nowhere"}, {}, false, "HTTP 404"},
        {"HTML page", {"/html"}, {}, false, "軌道要素がありません"},
        {"cut inside a set", {"/cut-in-set"}, {}, false, "軌道要素に誤りがあります"},
        {"cut after a title", {"/cut-after-title"}, {}, false, "途中で切れています"},
        {"connection closed early", {"/short"}, {}, false, "取得できません"},
        {"nothing listening", {"http://127.0.0.1:1/elements.tle"}, {}, false, "接続を拒否しました"},
        {"bad checksum", {"/checksum"}, {}, false, "軌道要素に誤りがあります"},
        {"stalled server", {"/stall"}, {}, false, "応答しません"},
        {"redirect loop", {"/loop"}, {}, false, "リダイレクト"},
        {"chosen satellite missing", {"/leo"}, {"90002"}, false, "90002"},
        {"not a web address", {"ftp://127.0.0.1/elements.tle"}, {}, false, "https または http"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(target, OldFile);
        ASSERT_TRUE(Run(c.paths, c.chosen));
        EXPECT_EQ(replaced, c.replaced) << qPrintable(message);
        EXPECT_TRUE(message.contains(QString::fromUtf8(c.messagePart))) << qPrintable(message);
        EXPECT_FALSE(update.Running());
        if (c.replaced) {
            const auto file = orbit::ReadElementFile(target.toStdString());
            EXPECT_TRUE(file.problems.empty());
            EXPECT_EQ(file.sets.size(), c.paths.size());
        } else {
            EXPECT_EQ(ReadBytes(target), OldFile);
            EXPECT_TRUE(message.contains(QStringLiteral("元のファイルはそのままです")));
        }
    }
}

// A body that ends between two sets before its declared length is a well-formed file: only its
// length tells it from the whole. Each way a connection can end early, tried until a race in the
// transfer would have shown.
TEST_F(ElementUpdateTest, AnEarlyEndKeepsTheOldFileEveryTime) {
    for (const char* path : {"/short", "/short-big", "/short-reset", "/chunked-cut"}) {
        SCOPED_TRACE(path);
        for (int attempt = 0; attempt < 20; ++attempt) {
            WriteBytes(target, OldFile);
            ASSERT_TRUE(Run({path}, {}));
            EXPECT_FALSE(replaced) << qPrintable(message);
            EXPECT_TRUE(message.contains(QStringLiteral("取得できません"))) << qPrintable(message);
            EXPECT_EQ(ReadBytes(target), OldFile);
            if (replaced)
                break;
        }
    }
}

// A TLS handshake with something that is no TLS server: Qt's English text comes after a Japanese
// summary.
TEST_F(ElementUpdateTest, ATransferErrorIsSummedUpInJapaneseFirst) {
    QTcpServer plain;
    ASSERT_TRUE(plain.listen(QHostAddress(QHostAddress::LocalHost), 0));
    QObject::connect(&plain, &QTcpServer::newConnection, &plain, [&plain] {
        while (QTcpSocket* socket = plain.nextPendingConnection()) {
            socket->write("HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n");
            socket->disconnectFromHost();
        }
    });
    ASSERT_TRUE(
        Run({QByteArray("https://127.0.0.1:") + QByteArray::number(plain.serverPort()) + "/x.tle"}, {}));
    EXPECT_FALSE(replaced);
    const int summary = message.indexOf(QStringLiteral("証明書を確認できません"));
    EXPECT_GE(summary, 0) << qPrintable(message);
    EXPECT_GT(message.indexOf(QStringLiteral("SSL")), summary) << qPrintable(message);
    EXPECT_EQ(ReadBytes(target), OldFile);
}

// A chosen satellite from another element file need not be in the download.
TEST_F(ElementUpdateTest, ChosenSatellitesOfOtherFilesCount) {
    const auto others = orbit::ParseElementText(Molniya.toStdString(), "own.tle").sets;
    QSignalSpy progress(&update, &ElementUpdate::Progress);
    ASSERT_TRUE(Run({"/leo"}, {"90001", "90002"}, others));
    EXPECT_TRUE(replaced) << qPrintable(message);
    ASSERT_GT(progress.size(), 0);
    EXPECT_EQ(progress.last().at(2).toLongLong(), Leo.size());
}

TEST_F(ElementUpdateTest, CancelKeepsTheOldFileAndEndsAtOnce) {
    options.stallTimeoutMs = 5000;
    QSignalSpy finished(&update, &ElementUpdate::Finished);
    update.Start({server.Url(QStringLiteral("/stall"))}, target, {}, {}, options);
    ASSERT_TRUE(WaitUntil([&] { return server.Requests() > 0; }, 3000));
    WaitUntil([] { return false; }, 50); // the headers and half the body on their way
    update.Cancel();
    ASSERT_EQ(finished.size(), 1);
    EXPECT_FALSE(finished.at(0).at(0).toBool());
    EXPECT_TRUE(finished.at(0).at(1).toString().contains(QStringLiteral("中止")));
    EXPECT_EQ(ReadBytes(target), OldFile);
    // No late second report from the aborted transfer.
    WaitUntil([] { return false; }, 100);
    EXPECT_EQ(finished.size(), 1);
}

} // namespace
