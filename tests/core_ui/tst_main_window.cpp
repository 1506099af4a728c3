// The main window's frame: layout, settings stores, skins and the show, activation and close
// sequences.
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QStatusBar>
#include <QToolButton>
#include <QtTest>

#include "core/schema.h"
#include "core/settings_stores.h"
#include "core/ui/MAIN.h"
#include "core/ui/dbgrid.h"
#include "core/ui/drive_advisory.h"
#include "core/ui/floating_panel.h"
#include "core/ui/skins.h"
#include "core/ui/window_opener.h"
#include "core/vendor.h"
#include "support/test_registry.h"
#include "support/ui_fixture.h"

namespace {

struct MainFixture : UiFixture {
    explicit MainFixture(bool removable = false) {
        TMainForm::Environment env;
        env.programDir = db.dir();
        env.isRemovableDrive = [removable](const QString&) { return removable; };
        main = std::make_unique<TMainForm>(env);
        main->setDataModule(dm.get());
    }
    QString configPath() const { return configIniPath(db.dir()); }
    std::unique_ptr<TMainForm> main;
};

class Probe final : public OnDemandWindow {
    Q_OBJECT
public:
    using OnDemandWindow::OnDemandWindow;
    void formCreate() override { createdWithReference = true; }
    bool createdWithReference = false;
};

}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { applySkin(-1); }

    void layoutAndSizes() {
        MainFixture f;
        TMainForm& m = *f.main;
        QCOMPARE(m.windowTitle(), QStringLiteral("Zenlo送货单打印软件 V2.0"));
        QCOMPARE(m.size(), QSize(980, 642));
        QCOMPARE(m.findChild<QWidget*>(QStringLiteral("TopBand"))->height(), 97);
        auto* banner = m.findChild<QLabel*>(QStringLiteral("BannerPanel"));
        QCOMPARE(banner->text(), QStringLiteral("Zenlo送货单打印软件"));
        QCOMPARE(banner->height(), 56);
        QVERIFY(banner->font().bold());
        QCOMPARE(banner->font().pixelSize(), 35);
        QCOMPARE(m.statusBar()->height(), 24);
        QCOMPARE(m.statusText(1), QStringLiteral("操作员："));
        QVERIFY(m.statusText(3).startsWith(QStringLiteral("http")));
        const int widths[] = {300, 300, 200, 300};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(m.findChild<QLabel*>(QStringLiteral("StatusPanel%1").arg(i))->width(), widths[i]);
        }
        QCOMPARE(m.Panel1->geometry(), QRect(214, 58, 488, 383));
        QCOMPARE(m.linePanel->size(), QSize(233, 208));
        QVERIFY(m.Panel1->isHidden());
        QVERIFY(m.linePanel->isHidden());
        QCOMPARE(m.Label25->text(), QStringLiteral("共:0.00元"));
        QCOMPARE(m.Label26->text(), QStringLiteral("商品数量：0"));
        QCOMPARE(m.Label25->font().pixelSize(), 56);
        QCOMPARE(m.Label26->font().pixelSize(), 29);
        QVERIFY(m.Label29->isHidden());
        QStringList tools;
        for (QToolButton* b : m.findChild<QWidget*>(QStringLiteral("ToolBar1"))->findChildren<QToolButton*>()) {
            tools.append(b->text());
        }
        QCOMPARE(tools, (QStringList{QStringLiteral("结 账"), QStringLiteral("商品管理"), QStringLiteral("销售明细"),
                                     QStringLiteral("送货单"), QStringLiteral("数据备份"), QStringLiteral("设 置"),
                                     QStringLiteral("技术支持")}));
        QStringList settings;
        for (QAction* a : m.settingsMenu->actions())
            settings.append(a->isSeparator() ? QStringLiteral("-") : a->text());
        QCOMPARE(settings,
                 (QStringList{QStringLiteral("修改密码"), QStringLiteral("用户管理"), QStringLiteral("小票打印机设置"),
                              QStringLiteral("-"), QStringLiteral("黑色经典(皮肤)"), QStringLiteral("蓝色幻想(皮肤)"),
                              QStringLiteral("梦幻天空(皮肤)"), QStringLiteral("黑色遐想(皮肤)"),
                              QStringLiteral("梦想成真(皮肤)")}));
        QStringList support;
        for (QAction* a : m.supportMenu->actions()) support.append(a->text());
        QCOMPARE(support,
                 (QStringList{QStringLiteral("软件升级"), QStringLiteral("官方网站"), QStringLiteral("关于...")}));
        QCOMPARE(m.Timer3->interval(), 200);
        QVERIFY(m.Timer3->isActive());
    }

    void gridFollowsTheWindowHeight() {
        MainFixture f;
        TMainForm& m = *f.main;
        m.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m));
        const int outer = m.frameGeometry().height();
        QCOMPARE(m.noteGrid->height(), outer - 320);
        m.resize(980, 742);
        QTRY_COMPARE(m.noteGrid->height(), outer + 100 - 320);
    }

    void firstRunUsesDefaultsAndWritesThemAtClose() {
        MainFixture f;
        QCOMPARE(f.main->serialText(), QStringLiteral("CJG121122000002"));
        QCOMPARE(f.main->counterText(), QStringLiteral("1"));
        QVERIFY(!QFile::exists(f.configPath()));
        f.main->setSerialText(QStringLiteral("CJG1315000015 "));
        f.main->setCounterText(QStringLiteral("15"));
        QVERIFY(f.main->close());
        IniFile ini(f.configPath());
        ini.load();
        QCOMPARE(ini.value(ConfigIni::kSerialSection, ConfigIni::kSerialKey, QString()),
                 QStringLiteral("CJG1315000015"));  // the INI form carries no trailing blank
        QCOMPARE(ini.value(ConfigIni::kCounterSection, ConfigIni::kCounterKey, QString()), QStringLiteral("15"));
        // The next start reads them.
        TMainForm::Environment env;
        env.programDir = f.db.dir();
        env.isRemovableDrive = [](const QString&) { return true; };
        TMainForm next(env);
        QCOMPARE(next.counterText(), QStringLiteral("15"));
    }

    void showSequenceRunsInOrder() {
        MainFixture f;
        TMainForm& m = *f.main;
        UserKey::pos().setValue(QStringLiteral("skin"), QStringLiteral("1"));
        bool tablesOpenAtAdvisory = true;
        int skinAtAdvisory = -2;
        f.dialogs.onBox = [&](const RecordingDialogs::Box&) {
            tablesOpenAtAdvisory = f.dm->ADOTable5.isOpen();
            skinAtAdvisory = appliedSkin();
        };
        m.linePanel->show();
        m.runShowSequence();
        QCOMPARE(f.dialogs.boxes.size(), 1);
        QCOMPARE(f.dialogs.boxes[0].title, QStringLiteral("Zenlo软件"));
        QCOMPARE(f.dialogs.boxes[0].icon, Dialogs::Icon::Error);
        QVERIFY(!tablesOpenAtAdvisory);
        QCOMPARE(skinAtAdvisory, -1);
        QVERIFY(f.dm->ADOTable5.isOpen());
        QVERIFY(f.dm->ADOTable6.isOpen());
        QVERIFY(f.dm->ADOTable2.isOpen());
        QVERIFY(m.linePanel->isHidden());
        QCOMPARE(m.noteDate(), QDate::currentDate());
        QCOMPARE(appliedSkin(), 1);
        QCOMPARE(m.statusText(2),
                 QStringLiteral("今天：") + QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
        QCOMPARE(m.noteDateText(), QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
    }

    void removableDriveShowsNoAdvisory() {
        MainFixture f(true);
        f.main->runShowSequence();
        QVERIFY(f.dialogs.boxes.isEmpty());
    }

    void storedSkinValues_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("applied");
        QTest::newRow("four") << "4" << 4;
        QTest::newRow("zero") << "0" << 0;
        QTest::newRow("five") << "5" << -1;
        QTest::newRow("letter") << "x" << -1;
        QTest::newRow("blank") << " 2" << -1;
        QTest::newRow("missing") << QString() << -1;
    }
    void storedSkinValues() {
        QFETCH(QString, stored);
        QFETCH(int, applied);
        MainFixture f(true);
        if (!stored.isNull()) UserKey::pos().setValue(QStringLiteral("skin"), stored);
        f.main->runShowSequence();
        QCOMPARE(appliedSkin(), applied);
        QVERIFY(f.dialogs.boxes.isEmpty());
    }

    void choosingASkinAppliesAndStoresIt() {
        MainFixture f;
        QVERIFY(!UserKey::pos().value(QStringLiteral("skin")).has_value());
        f.main->skinItems[2]->trigger();
        QCOMPARE(appliedSkin(), 2);
        QVERIFY(!qApp->styleSheet().isEmpty());
        QCOMPARE(UserKey::pos().value(QStringLiteral("skin")).value_or(QString()), QStringLiteral("2"));
    }

    void activationAsksForTheLoginOnlyUntilSomeoneLoggedIn() {
        MainFixture f(true);
        TMainForm& m = *f.main;
        QSignalSpy login(&m, &TMainForm::loginRequested);
        m.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m));
        QTRY_VERIFY(login.count() >= 1);  // after the show sequence
        const int asked = login.count();
        m.activationHook();
        QCOMPARE(login.count(), asked + 1);
        m.setLoginLogId(7);
        m.activationHook();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        QCOMPARE(login.count(), asked + 1);
    }

    void closeWithoutLoginWritesNoLogButTheNumbering() {
        MainFixture f;
        f.db.exec(QStringLiteral("INSERT INTO rz (username,btime) VALUES ('x','2013-01-05 10:00:00')"));
        QSignalSpy closed(f.main.get(), &TMainForm::closed);
        QVERIFY(f.main->close());
        QCOMPARE(closed.count(), 1);
        QCOMPARE(f.db.count(QStringLiteral("rz"), QStringLiteral("jtime IS NOT NULL")), 0);
        QVERIFY(QFile::exists(f.configPath()));
    }

    void closeAfterLoginWritesTheExitTime() {
        MainFixture f;
        f.db.exec(QStringLiteral("INSERT INTO rz (username,btime) VALUES ('x','2013-01-05 10:00:00')"));
        f.db.exec(QStringLiteral("INSERT INTO rz (username,btime) VALUES ('y','2013-01-05 11:00:00')"));
        f.main->setLoginLogId(2);
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        QVERIFY(f.main->close());
        QVERIFY(f.db.scalar(QStringLiteral("SELECT jtime FROM rz WHERE id=1")).isNull());
        const QString exit = f.db.scalar(QStringLiteral("SELECT jtime FROM rz WHERE id=2")).toString();
        const QDateTime stamp = QDateTime::fromString(exit, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        QVERIFY2(stamp.isValid() && stamp >= before.addSecs(-1), qPrintable(exit));
    }

    // An exit time that cannot be written is said, and the operator chooses: stay (the default),
    // or leave anyway with the numbering saved - never a window that cannot be closed.
    void failingExitUpdateAsksBeforeLeaving() {
        MainFixture f;
        f.main->show();
        f.main->setLoginLogId(1);
        f.db.exec(QStringLiteral("DROP TABLE rz"));
        QSignalSpy closed(f.main.get(), &TMainForm::closed);
        f.dialogs.answers = {false};
        QVERIFY(!f.main->close());
        QVERIFY(f.main->isVisible());
        QCOMPARE(closed.count(), 0);
        QVERIFY(!QFile::exists(f.configPath()));
        QCOMPARE(f.dialogs.boxes.size(), 1);
        QCOMPARE(f.dialogs.boxes[0].kind, QStringLiteral("yesNo"));
        QVERIFY(!f.dialogs.boxes[0].defaultYes);
        QVERIFY(f.dialogs.lastText().contains(QStringLiteral("退出时间没有写入数据库")));
        QVERIFY(f.dialogs.lastText().contains(QStringLiteral("rz")));

        f.dialogs.answers = {true};
        QVERIFY(f.main->close());
        QCOMPARE(closed.count(), 1);
        QVERIFY(QFile::exists(f.configPath()));
    }

    void statusBarClickOpensTheWebSite() {
        MainFixture f;
        f.main->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.main.get()));
        QTest::mouseClick(f.main->findChild<QLabel*>(QStringLiteral("StatusPanel0")), Qt::LeftButton);
        QCOMPARE(f.dialogs.urls.size(), 1);
        QCOMPARE(f.dialogs.urls[0].toString(), f.main->statusText(3));
        f.main->webSiteItem->trigger();
        QCOMPARE(f.dialogs.urls.size(), 2);

        // Without a browser both say where the site is.
        f.dialogs.clear();
        f.dialogs.openUrlSucceeds = false;
        f.main->webSiteItem->trigger();
        QTest::mouseClick(f.main->findChild<QLabel*>(QStringLiteral("StatusPanel0")), Qt::LeftButton);
        QCOMPARE(f.dialogs.boxes.size(), 2);
        for (const RecordingDialogs::Box& box : f.dialogs.boxes) QVERIFY(box.text.contains(Vendor::kWebSite));
    }

    void panelsCloseWithTheirPicture() {
        MainFixture f;
        f.main->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.main.get()));
        f.main->Panel1->show();
        QTest::mouseClick(f.main->Panel1->closeImage(), Qt::LeftButton);
        QVERIFY(f.main->Panel1->isHidden());
        // Dragging the background moves the panel.
        f.main->linePanel->show();
        const QPoint start = f.main->linePanel->pos();
        QTest::mousePress(f.main->linePanel, Qt::LeftButton, {}, QPoint(50, 100));
        QMouseEvent move(QEvent::MouseMove, QPointF(20, 60), f.main->linePanel->mapToGlobal(QPointF(20, 60)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(f.main->linePanel, &move);
        QTest::mouseRelease(f.main->linePanel, Qt::LeftButton, {}, QPoint(20, 60));
        QCOMPARE(f.main->linePanel->pos(), start + QPoint(-30, -40));
    }

    void openerShowsTheExistingWindowOrMakesANewOne() {
        QWidget owner;
        QPointer<Probe> ref;
        Probe* first = openWindow(ref, &owner);
        QCOMPARE(ref.data(), first);
        QVERIFY(first->createdWithReference);
        QVERIFY(first->isVisible());
        first->hide();
        QCOMPARE(openWindow(ref, &owner), first);  // the same one, shown again
        QVERIFY(first->isVisible());
        first->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(ref.isNull());  // it freed itself
        Probe* second = openWindow(ref, &owner);
        QVERIFY(second);
        QCOMPARE(ref.data(), second);
        second->close();
    }
};

ZENLO_TEST(TestMainWindow)
#include "tst_main_window.moc"
