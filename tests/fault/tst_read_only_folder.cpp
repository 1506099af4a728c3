// The program's folder turned read-only while it runs (its permissions changed, a share mounted
// again read-only): the engine cannot make its journal there, every action that writes says so
// in Chinese and stores nothing, and the program can still be closed. Where mounting is not
// allowed the test is skipped.
#include <sys/mount.h>

#include <QDir>
#include <QFile>
#include <QtTest>

#include <QLineEdit>
#include "core/dm.h"
#include "core/schema.h"

#include "sale/code_entry.h"
#include "support/counter_window.h"
#include "support/recording_dialogs.h"
#include "support/temp_database.h"
#include "support/test_registry.h"

namespace {

// The folder `dir` made read-only from now on, as seen by every path into it (a read-only bind
// mount over it); files already open stay writable, as they do when a folder's permissions
// change. Undone when this goes.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& dir) : dir_(QFile::encodeName(dir)) {
        bound_ = ::mount(dir_.constData(), dir_.constData(), nullptr, MS_BIND, nullptr) == 0;
        readOnly_ =
            bound_ && ::mount(nullptr, dir_.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
    }
    ~ReadOnlyFolder() {
        if (bound_) ::umount2(dir_.constData(), MNT_DETACH);
    }
    bool readOnly() const { return readOnly_; }

private:
    QByteArray dir_;
    bool bound_ = false;
    bool readOnly_ = false;
};

void scan(CounterWindow& counter, const QString& code) {
    counter.main->Edit47->setFocus();
    QTest::keyClicks(counter.main->Edit47, code);
    QTest::keyClick(counter.main->Edit47, Qt::Key_Return);
}

bool speaksEngine(const QString& text) {
    for (const char* word : {"unable", "database", "readonly", "read-only", "attempt"}) {
        if (text.contains(QLatin1String(word), Qt::CaseInsensitive)) return true;
    }
    return false;
}

}  // namespace

class TestReadOnlyFolder : public QObject {
    Q_OBJECT

private slots:
    void scansAreRefusedInChineseAndTheProgramStillCloses() {
        TempDatabase db;
        db.addGoods(QStringLiteral("6901"), QStringLiteral("可口可乐"), 3, 2);
        db.exec(QStringLiteral("INSERT INTO rz (username,btime) VALUES ('超级管理员','2026-12-10 08:00:00')"));
        db.db().close();
        const QString shop = db.file(QStringLiteral("shop"));
        QVERIFY(QDir().mkpath(shop));
        const QString file = QDir(shop).filePath(QStringLiteral("data.mdb"));
        QVERIFY(QFile::copy(db.path(), file));
        RecordingDialogs dialogs;
        {
            Tdmfm dm(file);
            CounterWindow counter(dm, shop);
            counter.main->show();
            scan(counter, QStringLiteral("6901"));
            QCOMPARE(dm.ADOConnection1.scalar(QStringLiteral("SELECT count(*) FROM data")).toInt(), 1);

            const ReadOnlyFolder readOnly(shop);
            if (!readOnly.readOnly()) QSKIP("mounting is not allowed here");
            dialogs.clear();
            scan(counter, QStringLiteral("6901"));
            QCOMPARE(dialogs.boxes.size(), 1);
            const QString said = dialogs.lastText();
            QVERIFY2(said.contains(QStringLiteral("只能读取")) || said.contains(QStringLiteral("不能写入")) ||
                         said.contains(QStringLiteral("无法在它所在的文件夹中写入")),
                     qPrintable(said));
            QVERIFY2(!speaksEngine(said), qPrintable(said));
            QCOMPARE(dm.ADOConnection1.scalar(QStringLiteral("SELECT [2] FROM data")).toDouble(), 1.0);

            // Closing says the exit time could not be written; leaving is allowed.
            dialogs.clear();
            dialogs.answers = {true};
            QVERIFY(counter.main->close());
            QVERIFY(dialogs.texts().join(QLatin1Char('\n')).contains(QStringLiteral("退出时间没有写入数据库")));
        }
    }
};

ZENLO_TEST(TestReadOnlyFolder)
#include "tst_read_only_folder.moc"
