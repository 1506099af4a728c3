// "软件升级" against a version file served on the loopback interface.
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include "core/ui/upgrade_check.h"
#include "support/test_registry.h"

namespace {
// Answers every request with one fixed HTTP response.
class TinyHttpServer : public QTcpServer {
public:
    explicit TinyHttpServer(QByteArray body, int status = 200) : body_(std::move(body)), status_(status) {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            QTcpSocket* s = nextPendingConnection();
            connect(s, &QTcpSocket::readyRead, s, [this, s] {
                s->readAll();
                s->write("HTTP/1.1 " + QByteArray::number(status_) + " X\r\nContent-Length: " +
                         QByteArray::number(body_.size()) + "\r\nConnection: close\r\n\r\n" + body_);
                s->disconnectFromHost();
            });
        });
    }
    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/version.txt").arg(serverPort())); }

private:
    QByteArray body_;
    int status_;
};
}  // namespace

class TestUpgrade : public QObject {
    Q_OBJECT

private slots:
    void newerVersionIsReported() {
        TinyHttpServer server("2.1\nZenlo送货单打印软件\n");
        const UpgradeResult r = checkForUpgrade(server.url(), QStringLiteral("2.0"), 3000);
        QCOMPARE(r.kind, UpgradeResult::Kind::Newer);
        QCOMPARE(r.version, QStringLiteral("2.1"));
        QVERIFY(upgradeMessage(r, QStringLiteral("2.0")).contains(QStringLiteral("V2.1")));
    }

    void sameOrOlderVersionIsUpToDate() {
        TinyHttpServer same("V2.0\n");
        QCOMPARE(checkForUpgrade(same.url(), QStringLiteral("2.0"), 3000).kind, UpgradeResult::Kind::UpToDate);
        TinyHttpServer older("1.9");
        QCOMPARE(checkForUpgrade(older.url(), QStringLiteral("2.0"), 3000).kind, UpgradeResult::Kind::UpToDate);
        QCOMPARE(compareVersions(QStringLiteral("2.10"), QStringLiteral("2.9")), 1);
        QCOMPARE(compareVersions(QStringLiteral("2"), QStringLiteral("2.0")), 0);
    }

    void failuresSayTheyCouldNotConnect() {
        TinyHttpServer notFound("", 404);
        const UpgradeResult missing = checkForUpgrade(notFound.url(), QStringLiteral("2.0"), 3000);
        QCOMPARE(missing.kind, UpgradeResult::Kind::Failed);
        QVERIFY(upgradeMessage(missing, QStringLiteral("2.0")).startsWith(QStringLiteral("无法连接升级服务器")));
        TinyHttpServer garbage("<html>hello</html>");
        QCOMPARE(checkForUpgrade(garbage.url(), QStringLiteral("2.0"), 3000).kind, UpgradeResult::Kind::Failed);
        // Nobody listens on a port we just closed.
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        const quint16 port = probe.serverPort();
        probe.close();
        const UpgradeResult refused =
            checkForUpgrade(QUrl(QStringLiteral("http://127.0.0.1:%1/v.txt").arg(port)), QStringLiteral("2.0"), 3000);
        QCOMPARE(refused.kind, UpgradeResult::Kind::Failed);
        QCOMPARE(checkForUpgrade(QUrl(QStringLiteral("ftp://x/y")), QStringLiteral("2.0"), 100).kind,
                 UpgradeResult::Kind::Failed);
    }
};

ZENLO_TEST(TestUpgrade)
#include "tst_upgrade.moc"
