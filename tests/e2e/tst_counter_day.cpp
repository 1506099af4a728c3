// A day at the counter as a person works it: the program as built, copied into a fresh folder
// with a demo database, driven on a real X display through the keyboard and the mouse (xdotool):
// log in, scan, change a quantity, settle with the delivery note printed to PDF through the
// print dialog, a 40-line delivery note, the sales detail exported, a goods item added, a backup
// and a restore. Then the database and the files are checked.
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <X11/Xlib.h>

#include "core/connection.h"
#include "core/schema.h"
#include "support/excel_records.h"
#include "support/pdf_words.h"
#include "support/test_registry.h"

namespace {

// Where things are inside the windows, from the position xdotool reports for each: the windows
// have fixed layouts, so these only move when a layout does.
struct Spot {
    int x;
    int y;
};
constexpr Spot kFirstNoteLine{220, 106};
constexpr Spot kGoodsButton{566, 550};
constexpr Spot kSalesButton{641, 550};
constexpr Spot kDeliveryNoteButton{715, 550};
constexpr Spot kBackupButton{789, 550};
constexpr Spot kPrintDeliveryNoteBox{604, 367};
constexpr Spot kSettleButton{563, 396};
constexpr Spot kPreviewPrintButton{670, -1};
constexpr Spot kSalesLine{412, 518};
constexpr Spot kNewGoodsButton{670, 485};
constexpr Spot kBackupNow{172, 94};
constexpr Spot kRestoreSource{200, 156};
constexpr Spot kRestoreNow{44, 220};

const QString kMain = QStringLiteral("Zenlo送货单打印软件 V");  // the main window's title starts so
const QString kMessage = QStringLiteral("Zenlo送货单打印软件");
const QString kAdvisory = QStringLiteral("Zenlo软件");
// The information boxes' title.
const QString kInfoTitle = QStringLiteral("Zenlo送货单打印软件");
// A new goods item as typed into the entry panel, field by field.
const QStringList kGoodsFields{QStringLiteral("6909999000017"),
                               QStringLiteral("零食"),
                               QStringLiteral("测试饼干"),
                               QStringLiteral("100g"),
                               QStringLiteral("城东"),
                               QStringLiteral("2.5"),
                               QStringLiteral("4"),
                               QStringLiteral("3.6"),
                               QStringLiteral("包")};

QString xdo(const QStringList& arguments) {
    QProcess p;
    p.start(QStringLiteral("xdotool"), arguments);
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// Gives each character its own key in the server's keyboard map before the program starts.
// Otherwise xdotool binds a spare key for each character only while typing it, and the program,
// reading the changed map a moment later, may find it already changed back and drop the character.
bool bindKeys(const QString& characters) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    int first = 0, last = 0, perKey = 0;
    XDisplayKeycodes(display, &first, &last);
    KeySym* map = XGetKeyboardMapping(display, KeyCode(first), last - first + 1, &perKey);
    int key = last;
    bool ok = true;
    QSet<QChar> done;
    for (QChar c : characters) {
        if (c.unicode() < 0x80 || done.contains(c)) continue;
        done.insert(c);
        auto unused = [&](int k) {
            for (int i = 0; i < perKey; ++i) {
                if (map[(k - first) * perKey + i] != NoSymbol) return false;
            }
            return true;
        };
        while (key >= first && !unused(key)) --key;
        if (key < first) {
            ok = false;
            break;
        }
        KeySym symbols[2] = {KeySym(0x01000000 | c.unicode()), KeySym(0x01000000 | c.unicode())};
        XChangeKeyboardMapping(display, key, 2, symbols, 1);
        --key;
    }
    XSync(display, False);
    XFree(map);
    XCloseDisplay(display);
    return ok;
}

}  // namespace

class TestCounterDay : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QProcess program_;
    Connection db_;
    int demoSales_ = 0;

    QString path(const QString& name) const { return dir_.filePath(name); }

    QString activeName() const { return xdo({QStringLiteral("getactivewindow"), QStringLiteral("getwindowname")}); }

    // Waits until the window in front has this title (the main window: starts with it).
    bool waitFor(const QString& title, int ms = 20000) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            const QString name = activeName();
            if (name == title || (title == kMain && name.startsWith(kMain))) return true;
            if (program_.state() != QProcess::Running) break;
            QTest::qWait(100);
        }
        shoot(title);
        qWarning("waited for \"%s\", in front: \"%s\"", qPrintable(title), qPrintable(activeName()));
        return false;
    }

    // A picture of the screen beside the test's log when a step does not come, where that can be made.
    void shoot(const QString& what) const {
        const QString import = QStandardPaths::findExecutable(QStringLiteral("import"));
        if (import.isEmpty()) return;
        const QString file =
            QDir::temp().filePath(QStringLiteral("zenlo-e2e-%1.png").arg(QString(what).remove(QLatin1Char(' '))));
        QProcess::execute(import, {QStringLiteral("-window"), QStringLiteral("root"), file});
        qWarning("screen: %s", qPrintable(file));
    }

    void click(const Spot& at, int times = 1) {
        const QStringList geometry =
            xdo({QStringLiteral("getactivewindow"), QStringLiteral("getwindowgeometry"), QStringLiteral("--shell")})
                .split(QLatin1Char('\n'));
        int x = 0, y = 0;
        for (const QString& line : geometry) {
            if (line.startsWith(QLatin1String("X="))) x = line.mid(2).toInt();
            if (line.startsWith(QLatin1String("Y="))) y = line.mid(2).toInt();
        }
        xdo({QStringLiteral("mousemove"), QString::number(x + at.x), QString::number(y + at.y), QStringLiteral("click"),
             QStringLiteral("--repeat"), QString::number(times), QStringLiteral("--delay"), QStringLiteral("80"),
             QStringLiteral("1")});
    }
    void key(const QString& keys) { xdo(QStringList{QStringLiteral("key")} + keys.split(QLatin1Char(' '))); }
    void type(const QString& text) {
        xdo({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), text});
    }
    void enter() { key(QStringLiteral("Return")); }

    int count(const QString& sql) { return db_.scalar(sql).toInt(); }
    bool waitCount(const QString& sql, int expected, int ms = 20000) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            if (count(sql) == expected) return true;
            QTest::qWait(100);
        }
        qWarning("%s: %d, expected %d", qPrintable(sql), count(sql), expected);
        return false;
    }
    bool waitNoteLines(int lines) { return waitCount(QStringLiteral("SELECT count(*) FROM data"), lines); }
    bool waitSales(int sales) { return waitCount(QStringLiteral("SELECT count(*) FROM data3"), demoSales_ + sales); }

    // The main window comes back with the advice about the removable drive in front of it (the
    // program's folder here is on no removable drive); the advice goes with Enter.
    bool backToMain() {
        if (!waitFor(kAdvisory)) return false;
        enter();
        return waitFor(kMain);
    }

    // From an open preview: the print dialog, the PDF printer, the file, print.
    bool printPreviewTo(const QString& pdf) {
        click(kPreviewPrintButton);
        if (!waitFor(QStringLiteral("打印"))) return false;
        key(QStringLiteral("alt+n End"));  // printing to a file is the printer list's last entry
        key(QStringLiteral("alt+f ctrl+a"));
        type(pdf);
        key(QStringLiteral("alt+p"));
        QElapsedTimer t;
        t.start();
        while (!QFile::exists(pdf) && t.elapsed() < 20000) QTest::qWait(100);
        return QFile::exists(pdf);
    }

    // Enter in the empty code field opens the settlement; the cash (the total when none is
    // typed), Enter to "确 定", Enter to settle. The delivery note box stays ticked from the first
    // sale, so its preview comes and is closed without printing.
    bool settleByKeys(const QString& cash, int sales) {
        enter();
        if (!cash.isEmpty()) type(cash);
        enter();
        enter();
        if (!waitFor(QStringLiteral("送货单"))) return false;
        key(QStringLiteral("Escape"));
        return waitFor(kMain) && waitSales(sales);
    }

    void scan(const QString& code) {
        type(code);
        enter();
    }

private slots:
    void initTestCase() {
        QVERIFY(!QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty());
        QVERIFY(qEnvironmentVariableIsSet("DISPLAY"));
        QVERIFY(QDir().mkpath(path(QStringLiteral("home"))));
        QVERIFY(QFile::copy(QStringLiteral(ZENLO_PROGRAM), path(QStringLiteral("zenlo"))));
        QFile(path(QStringLiteral("zenlo"))).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(QProcess::execute(QStringLiteral(ZENLO_ADMIN), {QStringLiteral("init"), QStringLiteral("--demo"),
                                                                 path(QStringLiteral("data.mdb"))}),
                 0);
        db_.open(path(QStringLiteral("data.mdb")), kDatabaseKey);
        demoSales_ = count(QStringLiteral("SELECT count(*) FROM data3"));

        QVERIFY(bindKeys(kGoodsFields.join(QString())));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), path(QStringLiteral("home")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("home/.config")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        program_.setProcessEnvironment(env);
        program_.setWorkingDirectory(dir_.path());
        program_.setProcessChannelMode(QProcess::ForwardedChannels);
        program_.start(path(QStringLiteral("zenlo")), {});
        QVERIFY(program_.waitForStarted(10000));
    }

    void cleanupTestCase() {
        if (program_.state() == QProcess::Running) {
            program_.kill();
            program_.waitForFinished(5000);
        }
    }

    void aDayAtTheCounter() {
        const QStringList codes =
            db_.scalar(QStringLiteral(
                           "SELECT group_concat([商品编码]) FROM (SELECT [商品编码] FROM sp ORDER BY rowid LIMIT 40)"))
                .toString()
                .split(QLatin1Char(','));
        QCOMPARE(codes.size(), 40);

        // Log in as the super administrator (the advice about the drive may come first).
        QElapsedTimer t;
        t.start();
        while (activeName() != QStringLiteral("用户登录") && t.elapsed() < 20000) {
            if (activeName() == kAdvisory) enter();
            QTest::qWait(150);
        }
        QVERIFY(waitFor(QStringLiteral("用户登录")));
        enter();
        type(QStringLiteral("888"));
        enter();
        enter();
        // The first login with the initial password is reminded, once, to change it.
        QVERIFY(waitFor(kInfoTitle));
        enter();
        QVERIFY(waitFor(kMain));

        // Three codes, the first one's quantity to 5, settled with 50 in cash and the delivery note.
        for (int i = 0; i < 3; ++i) {
            scan(codes[i + 2]);
            QVERIFY(waitNoteLines(i + 1));
        }
        click(kFirstNoteLine, 2);
        type(QStringLiteral("5"));
        enter();
        enter();
        QVERIFY(waitCount(QStringLiteral("SELECT count(*) FROM data WHERE [2]=5"), 1));
        enter();  // the empty code field opens the settlement
        type(QStringLiteral("50"));
        click(kPrintDeliveryNoteBox);
        click(kSettleButton);
        QVERIFY(waitFor(QStringLiteral("送货单")));
        QVERIFY(printPreviewTo(path(QStringLiteral("note.pdf"))));
        QVERIFY(waitFor(kMain));
        QVERIFY(waitSales(1));
        QVERIFY(waitNoteLines(0));

        // Forty lines: the delivery note from the toolbar on two pages, then settled.
        for (int i = 0; i < 40; ++i) scan(codes[i]);
        QVERIFY(waitNoteLines(40));
        click(kDeliveryNoteButton);
        QVERIFY(waitFor(QStringLiteral("送货单")));
        QVERIFY(printPreviewTo(path(QStringLiteral("note40.pdf"))));
        QVERIFY(waitFor(kMain));
        QVERIFY(settleByKeys(QStringLiteral("700"), 2));

        // The sales detail, its lines exported.
        click(kSalesButton);
        QVERIFY(waitFor(QStringLiteral("销售明细")));
        click(kSalesLine);
        key(QStringLiteral("ctrl+e"));
        QVERIFY(waitFor(QStringLiteral("导出Excel")));
        type(path(QStringLiteral("sales.xls")));
        enter();
        QVERIFY(waitFor(kMessage));
        enter();
        QVERIFY(waitFor(QStringLiteral("销售明细")));
        key(QStringLiteral("Escape"));
        QVERIFY(waitFor(kMain));

        // A new goods item, typed field by field.
        click(kGoodsButton);
        QVERIFY(waitFor(QStringLiteral("商品管理")));
        click(kNewGoodsButton);
        const QStringList fields{QStringLiteral("6909999000017"),
                                 QStringLiteral("零食"),
                                 QStringLiteral("测试饼干"),
                                 QStringLiteral("100g"),
                                 QStringLiteral("城东"),
                                 QStringLiteral("2.5"),
                                 QStringLiteral("4"),
                                 QStringLiteral("3.6"),
                                 QStringLiteral("包")};
        for (const QString& text : fields) {
            type(text);
            enter();
        }
        enter();  // Enter in the last field went to "新 建"; this one presses it
        QVERIFY(waitCount(QStringLiteral("SELECT count(*) FROM sp WHERE [商品编码]='6909999000017'"), 1));
        key(QStringLiteral("Escape"));
        if (!activeName().startsWith(kMain)) key(QStringLiteral("Escape"));
        QVERIFY(waitFor(kMain));

        // A backup, one more sale, then the backup restored.
        const QString backup = path(QStringLiteral("home/night.mdb"));
        click(kBackupButton);
        QVERIFY(waitFor(QStringLiteral("数据库备份")));
        key(QStringLiteral("ctrl+a"));  // the path field has the focus
        type(backup);
        click(kBackupNow);
        QVERIFY(waitFor(kMessage));
        enter();
        QVERIFY(QFile::exists(backup));
        QVERIFY(waitFor(QStringLiteral("数据库备份")));
        key(QStringLiteral("alt+F4"));
        QVERIFY(backToMain());

        scan(codes[0]);
        QVERIFY(waitNoteLines(1));
        QVERIFY(settleByKeys(QString(), 3));

        click(kBackupButton);
        QVERIFY(waitFor(QStringLiteral("数据库备份")));
        click(kRestoreSource);
        key(QStringLiteral("ctrl+a"));
        type(backup);
        click(kRestoreNow);
        QVERIFY(waitFor(QStringLiteral("确认文件替换")));
        key(QStringLiteral("shift+Tab space"));  // "是"; "否" has the focus
        QVERIFY(waitFor(kMessage));
        enter();
        QVERIFY(waitFor(QStringLiteral("数据库备份")));
        key(QStringLiteral("alt+F4"));
        QVERIFY(backToMain());

        // The restored data is in use at once: the new item scans.
        db_.close();
        db_.open(path(QStringLiteral("data.mdb")), kDatabaseKey);
        scan(QStringLiteral("6909999000017"));
        QVERIFY(waitCount(QStringLiteral("SELECT count(*) FROM data WHERE c='6909999000017'"), 1));

        key(QStringLiteral("alt+F4"));
        QVERIFY(program_.waitForFinished(20000));
        QCOMPARE(program_.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program_.exitCode(), 0);
    }

    void whatWasStored() {
        const QString today = QDate::currentDate().toString(Qt::ISODate);
        // The restore brought back the moment of the backup: two sales of today, not the third.
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM data3")), demoSales_ + 2);
        QCOMPARE(count(QStringLiteral("SELECT count(DISTINCT a) FROM data3")), demoSales_ + 2);
        QCOMPARE(db_.scalar(QStringLiteral(
                                "SELECT group_concat([1]) FROM (SELECT [1] FROM data3 WHERE day1 >= '%1' ORDER BY ID)")
                                .arg(today))
                     .toString(),
                 QStringLiteral("21.0,681.3"));
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM data1 WHERE day1 >= '%1'").arg(today)), 43);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM data1 WHERE day1 >= '%1' AND [2]=5").arg(today)), 1);
        QCOMPARE(db_.scalar(QStringLiteral("SELECT [商品名称] || ' ' || [商品类别] || ' ' || sppy || ' ' || lbpy "
                                           "FROM sp WHERE [商品编码]='6909999000017'"))
                     .toString(),
                 QStringLiteral("测试饼干 零食 csbg ls"));
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM rz WHERE jtime IS NULL")), 0);
        QCOMPARE(db_.scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));

        // The replaced file was kept, with the third sale in it.
        const QStringList kept =
            QDir(dir_.path()).entryList({QStringLiteral("data.before-restore-*.mdb")}, QDir::Files);
        QCOMPARE(kept.size(), 1);
        Connection before;
        before.openReadOnly(path(kept.first()), kDatabaseKey);
        QCOMPARE(before.scalar(QStringLiteral("SELECT count(*) FROM data3")).toInt(), demoSales_ + 3);

        // The printed notes: one page, and forty lines on two.
        const auto note = pdfWords(path(QStringLiteral("note.pdf")));
        QCOMPARE(int(note.size()), 1);
        QVERIFY(findWord(note[0], QStringLiteral("贰拾壹元整")));
        QCOMPARE(int(pdfWords(path(QStringLiteral("note40.pdf"))).size()), 2);

        // The export holds the lines of this month, the ones sold today among them.
        QFile sheet(path(QStringLiteral("sales.xls")));
        QVERIFY(sheet.open(QIODevice::ReadOnly));
        QString error;
        const QList<ExcelRecord> records = excelRecords(sheet.readAll(), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QSet<int> rows;
        int todays = 0;
        for (const ExcelRecord& r : records) {
            if (!r.isCell()) continue;
            rows.insert(r.row());
            if (r.type == 0x0204 && r.text() == today) ++todays;
        }
        QVERIFY2(rows.size() >= 43, qPrintable(QString::number(rows.size())));
        QCOMPARE(todays, 43);

        // The program's own settings went into its folder.
        QVERIFY(QFile::exists(path(QStringLiteral("config.ini"))));
    }
};

ZENLO_TEST(TestCounterDay)

#include "tst_counter_day.moc"
