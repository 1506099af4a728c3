// Runs fault_child until it has confirmed a number of writes, then kills it with SIGKILL at a
// random moment of the next one: the moment is drawn from the time its writes took so far, so
// most kills land inside a write (its journal, its pages, its rename) and some just after it.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QStringList>
#include <chrono>
#include <thread>

struct KilledRun {
    QStringList done;  // the writes the child confirmed, in order ("done " left off)
    QString cutShort;  // the write it had begun when it was killed; empty when between writes
    QString error;     // the child stopped by itself, or never started
};

inline KilledRun runUntilKilled(const QStringList& args, int writes, QRandomGenerator& random) {
    KilledRun run;
    QProcess p;
    p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/fault_child"), args);
    if (!p.waitForStarted(10000)) {
        run.error = p.errorString();
        return run;
    }
    QByteArray pending;
    QElapsedTimer clock;
    clock.start();
    qint64 begunAt = 0;
    qint64 writing = 0;  // µs spent in confirmed writes
    bool killed = false;
    // Reads what the child printed; true when a new "begin" line came.
    const auto take = [&](const QByteArray& bytes) {
        pending += bytes;
        bool begun = false;
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1)) {
            const QString line = QString::fromUtf8(pending.left(end));
            if (line.startsWith(QLatin1String("begin "))) {
                run.cutShort = line.mid(6);
                begunAt = clock.nsecsElapsed() / 1000;
                begun = true;
            } else if (line.startsWith(QLatin1String("done "))) {
                run.done.append(line.mid(5));
                run.cutShort.clear();
                if (!killed) writing += clock.nsecsElapsed() / 1000 - begunAt;
            }
        }
        return begun;
    };
    while (p.state() == QProcess::Running) {
        if (clock.elapsed() > 60000) {
            p.kill();
            p.waitForFinished(10000);
            run.error =
                QStringLiteral("the child got no further in a minute: ") + QString::fromUtf8(p.readAllStandardError());
            return run;
        }
        p.waitForReadyRead(100);
        const bool begun = take(p.readAllStandardOutput());
        if (begun && run.done.size() >= writes) {
            const qint64 mean = writing / std::max<qsizetype>(1, run.done.size());
            std::this_thread::sleep_for(std::chrono::microseconds(random.bounded(qint64(1), mean * 5 / 4 + 2)));
            if (p.state() != QProcess::Running) break;
            p.kill();
            killed = true;
            break;
        }
    }
    p.waitForFinished(10000);
    take(p.readAllStandardOutput());
    // Killed by us it is; an exit of its own is a failure it reported on its error output.
    if (!killed || p.exitStatus() != QProcess::CrashExit) {
        run.error = QStringLiteral("the child stopped by itself: ") + QString::fromUtf8(p.readAllStandardError());
    }
    return run;
}
