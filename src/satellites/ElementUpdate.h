// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "orbit/ElementSet.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <vector>

class QNetworkAccessManager;
class QNetworkReply;

// What a downloaded text is worth: its sets, or why it is refused. A refused text never reaches the
// element file. Refused: no element set at all (an HTML error page, an empty answer), any set that
// fails its checksum or fields, a text cut off after a title line (the transfer broke off).
struct DownloadCheck {
    bool ok = false;
    std::vector<orbit::ElementSet> sets;
    QString why; // in Japanese, for the user
};
DownloadCheck CheckDownloadedText(const QByteArray& text, const QString& label);

// The sets of every element file but the one an update replaces: they stay, and the chosen
// satellites must be found in them or in the download.
std::vector<orbit::ElementSet> SetsBesideTheUpdateFile(const QStringList& elementFiles,
                                                       const QString& updateFile);

// The chosen satellites that none of `sets` names (the rule of SatelliteIndex).
QStringList MissingSatellites(const QStringList& chosen, const std::vector<orbit::ElementSet>& sets);

// Downloads element sets from a list of addresses, one after the other, and replaces the element file
// only when every download arrived whole, every set in it checks, and the chosen satellites are all
// there (in the download or in the other element files, `otherSets`). The new file is written through
// QSaveFile: a reader sees the old file or the new one, never part of one. On any failure the old
// file stays and Finished says why.
//
// Asynchronous: Start returns at once; the event loop runs while the data arrive. A server that
// sends nothing for `stallTimeoutMs` is given up; redirects are followed up to `maxRedirects` times
// and never from HTTPS to HTTP; an answer beyond `maxBytes` is refused. Cancel stops at once.
class ElementUpdate : public QObject {
    Q_OBJECT
  public:
    struct Options {
        int stallTimeoutMs = 30000;
        int maxRedirects = 5;
        qint64 maxBytes = 8 * 1024 * 1024;
    };

    explicit ElementUpdate(QNetworkAccessManager& network, QObject* parent = nullptr);
    ~ElementUpdate() override;

    void Start(const QList<QUrl>& addresses, const QString& targetFile, const QStringList& chosen,
               const std::vector<orbit::ElementSet>& otherSets, Options options);
    void Start(const QList<QUrl>& addresses, const QString& targetFile, const QStringList& chosen,
               const std::vector<orbit::ElementSet>& otherSets) {
        Start(addresses, targetFile, chosen, otherSets, Options{});
    }
    void Cancel();
    bool Running() const { return running_; }

  signals:
    // Address `index` of `count` has brought `received` of `total` bytes (total -1 while unknown).
    void Progress(int index, int count, qint64 received, qint64 total);
    // The end of an update: replaced or not, and the message for the user.
    void Finished(bool replaced, const QString& message);

  private:
    void StartNext();
    void OnReplyFinished();
    void Fail(const QString& why);
    void Replace();

    QNetworkAccessManager& network_;
    Options options_;
    QList<QUrl> addresses_;
    QString target_;
    QStringList chosen_;
    std::vector<orbit::ElementSet> otherSets_;
    int index_ = 0;
    bool running_ = false;
    bool stalled_ = false;
    bool tooLarge_ = false;
    QByteArray collected_; // the checked texts so far, joined
    std::vector<orbit::ElementSet> downloaded_;
    QPointer<QNetworkReply> reply_;
    QTimer stall_;
};
