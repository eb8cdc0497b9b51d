// SPDX-License-Identifier: GPL-3.0-or-later
#include "satellites/ElementUpdate.h"

#include "satellites/SatelliteIndex.h"

#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>

namespace {

const QString KeptOld = QStringLiteral("元のファイルはそのままです。");

// Qt's error texts are English; the user reads a Japanese summary first and Qt's words after it.
QString TransferErrorSummary(QNetworkReply::NetworkError error) {
    switch (error) {
    case QNetworkReply::SslHandshakeFailedError:
        return QStringLiteral("証明書を確認できません（安全な接続を確立できません）");
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("サーバーが接続を拒否しました");
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("サーバーが途中で接続を切りました");
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("サーバーが見つかりません");
    case QNetworkReply::TimeoutError:
        return QStringLiteral("接続が時間切れになりました");
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
        return QStringLiteral("ネットワークに接続できません");
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
    case QNetworkReply::ProxyAuthenticationRequiredError:
        return QStringLiteral("プロキシを通して接続できません");
    case QNetworkReply::ProtocolFailure:
    case QNetworkReply::ProtocolUnknownError:
    case QNetworkReply::ProtocolInvalidOperationError:
        return QStringLiteral("サーバーの応答が HTTP の決まりに合いません");
    default:
        return QStringLiteral("通信の誤りで途中で終わりました");
    }
}

} // namespace

DownloadCheck CheckDownloadedText(const QByteArray& text, const QString& label) {
    DownloadCheck check;
    const orbit::ElementFile parsed = orbit::ParseElementText(text.toStdString(), label.toStdString());
    if (!parsed.problems.empty()) {
        const auto& first = parsed.problems.front();
        check.why = QStringLiteral("%1: 軌道要素に誤りがあります（%2 行目: %3）")
                        .arg(label)
                        .arg(first.line)
                        .arg(QString::fromStdString(first.text));
        return check;
    }
    if (parsed.sets.empty()) {
        check.why = QStringLiteral("%1: 軌道要素がありません（エラーのページか空の応答）").arg(label);
        return check;
    }
    // The last line with text must be a line 2: a title line at the end means the transfer broke off
    // before its set.
    const QList<QByteArray> lines = text.split('\n');
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        const QByteArray line = it->trimmed();
        if (line.isEmpty())
            continue;
        if (!line.startsWith("2 ")) {
            check.why =
                QStringLiteral("%1: 途中で切れています（最後の衛星名の後に要素がありません）").arg(label);
            return check;
        }
        break;
    }
    check.ok = true;
    check.sets = parsed.sets;
    return check;
}

std::vector<orbit::ElementSet> SetsBesideTheUpdateFile(const QStringList& elementFiles,
                                                       const QString& updateFile) {
    std::vector<orbit::ElementSet> others;
    const QString replaced = QFileInfo(updateFile).absoluteFilePath();
    for (const QString& file : elementFiles) {
        if (QFileInfo(file).absoluteFilePath() == replaced)
            continue;
        const orbit::ElementFile read = orbit::ReadElementFile(file.toStdString());
        others.insert(others.end(), read.sets.begin(), read.sets.end());
    }
    return others;
}

QStringList MissingSatellites(const QStringList& chosen, const std::vector<orbit::ElementSet>& sets) {
    return SatelliteIndex::Of(sets).Missing(chosen);
}

ElementUpdate::ElementUpdate(QNetworkAccessManager& network, QObject* parent)
    : QObject(parent), network_(network) {
    stall_.setSingleShot(true);
    connect(&stall_, &QTimer::timeout, this, [this] {
        stalled_ = true;
        if (reply_)
            reply_->abort();
    });
}

ElementUpdate::~ElementUpdate() {
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
        reply_->deleteLater();
    }
}

void ElementUpdate::Start(const QList<QUrl>& addresses, const QString& targetFile, const QStringList& chosen,
                          const std::vector<orbit::ElementSet>& otherSets, Options options) {
    if (running_)
        return;
    options_ = options;
    addresses_ = addresses;
    target_ = targetFile;
    chosen_ = chosen;
    otherSets_ = otherSets;
    index_ = 0;
    collected_.clear();
    downloaded_.clear();
    running_ = true;
    if (addresses_.isEmpty()) {
        Fail(QStringLiteral("取得先のアドレスが設定されていません"));
        return;
    }
    StartNext();
}

void ElementUpdate::StartNext() {
    const QUrl url = addresses_.at(index_);
    if (!url.isValid() || (url.scheme() != QLatin1String("https") && url.scheme() != QLatin1String("http"))) {
        Fail(QStringLiteral("%1: https または http のアドレスではありません").arg(url.toString()));
        return;
    }
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(options_.maxRedirects);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("azelmon-tracker"));
    // The body is compared with its declared length, so it must arrive as sent: no compression
    // (a request that names its encoding is not decompressed by Qt behind our back).
    request.setRawHeader("Accept-Encoding", "identity");
    stalled_ = false;
    tooLarge_ = false;
    reply_ = network_.get(request);
    connect(reply_, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64 total) {
        stall_.start(options_.stallTimeoutMs);
        if (received > options_.maxBytes || total > options_.maxBytes) {
            tooLarge_ = true;
            reply_->abort();
            return;
        }
        emit Progress(index_, static_cast<int>(addresses_.size()), received, total);
    });
    connect(reply_, &QNetworkReply::finished, this, &ElementUpdate::OnReplyFinished);
    stall_.start(options_.stallTimeoutMs);
}

void ElementUpdate::OnReplyFinished() {
    stall_.stop();
    QNetworkReply* reply = reply_;
    if (!reply)
        return;
    reply->deleteLater();
    reply_ = nullptr;
    if (!running_)
        return; // cancelled
    const QString label = addresses_.at(index_).toString(QUrl::RemoveUserInfo);
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (stalled_) {
        Fail(QStringLiteral("%1: サーバーが %2 秒応答しません")
                 .arg(label)
                 .arg(options_.stallTimeoutMs / 1000.0));
        return;
    }
    if (tooLarge_) {
        Fail(QStringLiteral("%1: 応答が大きすぎます（%2 バイト超）").arg(label).arg(options_.maxBytes));
        return;
    }
    if (reply->error() == QNetworkReply::TooManyRedirectsError) {
        Fail(QStringLiteral("%1: 転送（リダイレクト）が多すぎます").arg(label));
        return;
    }
    if (reply->error() == QNetworkReply::InsecureRedirectError) {
        Fail(QStringLiteral("%1: 安全でないアドレスへ転送されました").arg(label));
        return;
    }
    if (status != 0 && status != 200) {
        Fail(QStringLiteral("%1: サーバーのエラー（HTTP %2）").arg(label).arg(status));
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        Fail(QStringLiteral("%1: 取得できません（%2。%3）")
                 .arg(label, TransferErrorSummary(reply->error()), reply->errorString()));
        return;
    }
    const QByteArray body = reply->readAll();
    // Qt does not always report a connection that closes before the declared length as an error; a
    // body cut between two sets is well-formed and would pass every check below.
    const QVariant declared = reply->header(QNetworkRequest::ContentLengthHeader);
    if (declared.isValid() && declared.toLongLong() != body.size()) {
        Fail(QStringLiteral("%1: 取得できません（途中で切れています: %2 バイトのはずが %3 バイト）")
                 .arg(label)
                 .arg(declared.toLongLong())
                 .arg(body.size()));
        return;
    }
    const DownloadCheck check = CheckDownloadedText(body, label);
    if (!check.ok) {
        Fail(check.why);
        return;
    }
    collected_ += body;
    if (!collected_.endsWith('\n'))
        collected_ += '\n';
    downloaded_.insert(downloaded_.end(), check.sets.begin(), check.sets.end());
    if (++index_ < addresses_.size()) {
        StartNext();
        return;
    }
    Replace();
}

void ElementUpdate::Replace() {
    std::vector<orbit::ElementSet> all = downloaded_;
    all.insert(all.end(), otherSets_.begin(), otherSets_.end());
    const QStringList missing = MissingSatellites(chosen_, all);
    if (!missing.isEmpty()) {
        Fail(QStringLiteral("選択中の衛星が取得した要素にありません: %1")
                 .arg(missing.join(QStringLiteral(", "))));
        return;
    }
    QSaveFile file(target_);
    if (!file.open(QIODevice::WriteOnly) || file.write(collected_) != collected_.size() || !file.commit()) {
        Fail(QStringLiteral("%1 に書き込めません（%2）").arg(target_, file.errorString()));
        return;
    }
    running_ = false;
    emit Finished(true, QStringLiteral("軌道要素を更新しました: %1 組").arg(downloaded_.size()));
}

void ElementUpdate::Cancel() {
    if (!running_)
        return;
    running_ = false;
    stall_.stop();
    if (QNetworkReply* reply = reply_) {
        reply_ = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    emit Finished(false, QStringLiteral("更新を中止しました。") + KeptOld);
}

void ElementUpdate::Fail(const QString& why) {
    running_ = false;
    stall_.stop();
    emit Finished(false, why + QStringLiteral("。") + KeptOld);
}
