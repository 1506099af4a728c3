// "软件升级": asks the vendor's version file over HTTP whether a newer program exists.
#include "core/ui/upgrade_check.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTimer>

int compareVersions(const QString& a, const QString& b) {
    const QStringList pa = a.trimmed().split(QLatin1Char('.'));
    const QStringList pb = b.trimmed().split(QLatin1Char('.'));
    for (int i = 0; i < std::max(pa.size(), pb.size()); ++i) {
        const int x = i < pa.size() ? pa[i].toInt() : 0;
        const int y = i < pb.size() ? pb[i].toInt() : 0;
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

UpgradeResult checkForUpgrade(const QUrl& url, const QString& currentVersion, int timeoutMs) {
    UpgradeResult result;
    if (!url.isValid() || (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))) {
        result.detail = QStringLiteral("升级地址无效：") + url.toString();
        return result;
    }
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setTransferTimeout(timeoutMs);
    QNetworkReply* reply = manager.get(request);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(timeoutMs);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!reply->isFinished()) {
        reply->abort();
        result.detail = QStringLiteral("连接超时");
    } else if (reply->error() != QNetworkReply::NoError) {
        result.detail = reply->errorString();
    } else {
        const QString first = QString::fromUtf8(reply->readAll()).section(QLatin1Char('\n'), 0, 0).trimmed();
        static const QRegularExpression version(QStringLiteral("^[Vv]?(\\d+(\\.\\d+)*)$"));
        const auto m = version.match(first);
        if (!m.hasMatch()) {
            result.detail = QStringLiteral("版本文件内容无法识别");
        } else {
            result.version = m.captured(1);
            result.kind = compareVersions(result.version, currentVersion) > 0 ? UpgradeResult::Kind::Newer
                                                                              : UpgradeResult::Kind::UpToDate;
        }
    }
    reply->deleteLater();
    return result;
}

QString upgradeMessage(const UpgradeResult& result, const QString& currentVersion) {
    switch (result.kind) {
        case UpgradeResult::Kind::Newer:
            return QStringLiteral("发现新版本 V%1（当前版本 V%2），请到官方网站下载安装。")
                .arg(result.version, currentVersion);
        case UpgradeResult::Kind::UpToDate:
            return QStringLiteral("当前已是最新版本 V%1，无需升级。").arg(currentVersion);
        case UpgradeResult::Kind::Failed:
            break;
    }
    return QStringLiteral("无法连接升级服务器（%1），请检查网络后再试。").arg(result.detail);
}
