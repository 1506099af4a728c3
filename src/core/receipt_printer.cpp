// Sending receipts to ESC/POS printers.
#include "core/receipt_printer.h"

#include <QDeadlineTimer>
#include <QTcpSocket>

#include "core/settings_stores.h"

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace {

// How long to wait for the answer to the paper status request; printers that do not answer it
// print after this pause.
constexpr int kStatusWaitMs = 400;

QString modeText(ReceiptPrinterSettings::Mode mode) {
    switch (mode) {
        case ReceiptPrinterSettings::Mode::Network:
            return QStringLiteral("network");
        case ReceiptPrinterSettings::Mode::Device:
            return QStringLiteral("device");
        default:
            return QStringLiteral("system");
    }
}

const QString kNoPaper = QStringLiteral("小票打印机缺纸，请装好纸后补打");

bool sendOverNetwork(const ReceiptPrinterSettings& s, const QByteArray& job, QString* error, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    const QString where = QStringLiteral("%1:%2").arg(s.host).arg(s.port);
    QTcpSocket socket;
    socket.connectToHost(s.host, quint16(s.port));
    if (!socket.waitForConnected(int(deadline.remainingTime()))) {
        *error = QStringLiteral("连接不上小票打印机 %1（%2）").arg(where, socket.errorString());
        return false;
    }
    socket.write(EscPos::kPaperStatus);
    if (socket.waitForReadyRead(int(std::min<qint64>(kStatusWaitMs, deadline.remainingTime())))) {
        const QByteArray status = socket.read(1);
        if (!status.isEmpty() && EscPos::isStatusByte(uchar(status[0])) && (uchar(status[0]) & EscPos::kPaperEnd)) {
            *error = kNoPaper;
            return false;
        }
    }
    socket.write(job);
    while (socket.bytesToWrite() > 0) {
        if (deadline.hasExpired() || !socket.waitForBytesWritten(int(deadline.remainingTime()))) {
            *error = QStringLiteral("小票打印机 %1 没有收下全部内容（%2）").arg(where, socket.errorString());
            return false;
        }
    }
    socket.disconnectFromHost();
    if (socket.state() != QAbstractSocket::UnconnectedState) {
        socket.waitForDisconnected(int(std::min<qint64>(500, deadline.remainingTime())));
    }
    return true;
}

#ifdef Q_OS_UNIX
bool sendToDevice(const ReceiptPrinterSettings& s, const QByteArray& job, QString* error, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    const QByteArray path = s.device.toLocal8Bit();
    struct stat info {};
    const bool character = ::stat(path.constData(), &info) == 0 && S_ISCHR(info.st_mode);
    // Opened without waiting: a printer that is off must not hold the counter.
    int fd = ::open(path.constData(), (character ? O_RDWR : O_WRONLY) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0 && character) fd = ::open(path.constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *error =
            QStringLiteral("打不开小票打印机 %1（%2）").arg(s.device, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    auto waitFor = [&](short events, qint64 ms) {
        pollfd p{fd, events, 0};
        return ::poll(&p, 1, int(std::max<qint64>(0, ms))) > 0 && (p.revents & events);
    };
    auto writeAll = [&](const QByteArray& bytes) {
        qsizetype done = 0;
        while (done < bytes.size()) {
            if (!waitFor(POLLOUT, deadline.remainingTime())) return false;
            const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
            if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
            if (n > 0) done += n;
        }
        return true;
    };
    bool ok = true;
    if (character && writeAll(EscPos::kPaperStatus) &&
        waitFor(POLLIN, std::min<qint64>(kStatusWaitMs, deadline.remainingTime()))) {
        char status = 0;
        if (::read(fd, &status, 1) == 1 && EscPos::isStatusByte(uchar(status)) && (uchar(status) & EscPos::kPaperEnd)) {
            *error = kNoPaper;
            ok = false;
        }
    }
    if (ok && !writeAll(job)) {
        *error = QStringLiteral("小票打印机 %1 没有收下全部内容（%2）")
                     .arg(s.device, deadline.hasExpired() ? QStringLiteral("超时")
                                                          : QString::fromLocal8Bit(std::strerror(errno)));
        ok = false;
    }
    ::close(fd);
    return ok;
}
#else
bool sendToDevice(const ReceiptPrinterSettings& s, const QByteArray&, QString* error, int) {
    *error = QStringLiteral("这个系统上不能直接向 %1 打印").arg(s.device);
    return false;
}
#endif

}  // namespace

ReceiptPrinterSettings ReceiptPrinterSettings::load() {
    namespace K = ReceiptPrinterKeys;
    const UserKey key = UserKey::pos();
    ReceiptPrinterSettings s;
    const QString mode = key.value(K::kMode).value_or(QString());
    s.mode = mode == QLatin1String("network")  ? Mode::Network
             : mode == QLatin1String("device") ? Mode::Device
                                               : Mode::System;
    s.host = key.value(K::kHost).value_or(QString());
    bool ok = false;
    const int port = key.value(K::kPort).value_or(QString()).toInt(&ok);
    if (ok && port > 0 && port < 65536) s.port = port;
    s.device = key.value(K::kDevice).value_or(QString());
    s.options.paperMm = key.value(K::kPaper).value_or(QString()) == QLatin1String("58") ? 58 : 80;
    s.options.cut = key.value(K::kCut).value_or(QStringLiteral("1")) != QLatin1String("0");
    s.options.drawer = key.value(K::kDrawer).value_or(QStringLiteral("0")) == QLatin1String("1");
    return s;
}

void ReceiptPrinterSettings::save() const {
    namespace K = ReceiptPrinterKeys;
    const UserKey key = UserKey::pos();
    key.setValue(K::kMode, modeText(mode));
    key.setValue(K::kHost, host);
    key.setValue(K::kPort, QString::number(port));
    key.setValue(K::kDevice, device);
    key.setValue(K::kPaper, QString::number(options.paperMm));
    key.setValue(K::kCut, options.cut ? QStringLiteral("1") : QStringLiteral("0"));
    key.setValue(K::kDrawer, options.drawer ? QStringLiteral("1") : QStringLiteral("0"));
}

QString ReceiptPrinterSettings::problem() const {
    if (mode == Mode::Network && host.trimmed().isEmpty()) return QStringLiteral("请填写网络打印机的地址");
    if (mode == Mode::Network && (port <= 0 || port > 65535)) return QStringLiteral("端口应在 1 到 65535 之间");
    if (mode == Mode::Device && device.trimmed().isEmpty()) return QStringLiteral("请填写打印机的设备路径");
    return QString();
}

bool sendToReceiptPrinter(const ReceiptPrinterSettings& settings, const QByteArray& job, QString* error,
                          int timeoutMs) {
    QString ignored;
    if (!error) error = &ignored;
    if (const QString p = settings.problem(); !p.isEmpty()) {
        *error = p;
        return false;
    }
    switch (settings.mode) {
        case ReceiptPrinterSettings::Mode::Network:
            return sendOverNetwork(settings, job, error, timeoutMs);
        case ReceiptPrinterSettings::Mode::Device:
            return sendToDevice(settings, job, error, timeoutMs);
        default:
            *error = QStringLiteral("小票打印机设置为系统打印机");
            return false;
    }
}
