// The sales window: searching while typing, the views, double-clicks, the charts and their
// years, deleting a sold line, printing and exporting the lines, and printing a sale again.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>
#include <condition_variable>
#include <mutex>

#include "core/background_rows.h"
#include "core/formats.h"
#include "core/gbk.h"
#include "core/schema.h"
#include "core/session.h"
#include "core/settings_stores.h"
#include "core/shared_queries.h"
#include "core/ui/bar_chart.h"
#include "core/ui/dbgrid.h"
#include "core/ui/dbgrid_header.h"
#include "core/ui/floating_panel.h"
#include "core/ui/report_render.h"
#include "sale/Unit2.h"
#include "sale/receipt_document.h"
#include "sale/settlement.h"
#include "sales/Unit4.h"
#include "sales/reprint.h"
#include "sales/sales_queries.h"
#include "support/counter_fixture.h"
#include "support/test_registry.h"

namespace {

QString isoDay(const QDate& d) {
    return d.toString(Qt::ISODate);
}

struct SalesFixture : UiFixture {
    SalesFixture() { Session::setOperatorName(QStringLiteral("王丽")); }
    ~SalesFixture() { Session::reset(); }

    // A sold line; an empty serial is stored as NULL, as lines from before serials were kept.
    void line(const QString& serial, const QString& name, const QString& category, const QDate& day,
              double memberPrice = 2, const QString& op = QStringLiteral("张强"), double amount = 3) {
        db.exec(QStringLiteral("INSERT INTO data1 (h,a,c,d,i,[2],[3],[4],[6],[7],day1) VALUES (?,?,?,?,?,1,?,?,?,1,?)"),
                {serial.isEmpty() ? QVariant() : QVariant(serial), name, QStringLiteral("69") + name, category, op,
                 memberPrice, amount, amount, isoDay(day)});
    }
    void sale(const QString& serial, const QDate& day, double received, double profit) {
        db.exec(QStringLiteral("INSERT INTO data3 (a,b,[1],[2],[3],[4],[5],[7],day1) VALUES (?,'张强',?,?,?,0,?,0,?)"),
                {serial, received, received, received, profit, isoDay(day)});
    }
    void open() {
        form = std::make_unique<Txstj>(nullptr, *dm);
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get())) qWarning("sales window not exposed");
    }
    int lines() const { return dm->ADOQuery13.isOpen() ? dm->ADOQuery13.recordCount() : -1; }
    int sales() const { return dm->ADOQuery9.isOpen() ? dm->ADOQuery9.recordCount() : -1; }
    // Typed key by key, Chinese as an input method hands it over.
    void type(QLineEdit* field, const QString& text) {
        field->setFocus();
        for (const QChar c : text) {
            QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
    void selectLine(int row) { dm->ADOQuery13.setRecNo(row + 1); }
    void click(QPushButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
    QStringList categories() const {
        QStringList out;
        for (int i = 0; i < form->ComboBox4->count(); ++i) out.append(form->ComboBox4->itemText(i));
        return out;
    }
    QList<QPair<double, double>> bars(const BarChart* chart) const {
        QList<QPair<double, double>> out;
        for (const BarChart::Bar& b : chart->bars()) out.append({b.position, b.value});
        return out;
    }

    std::unique_ptr<Txstj> form;
    const QDate today = QDate::currentDate();
};

// A reading connection that answers only when the test lets it: the history read slowly, as
// in the first seconds after start on a big file.
class GatedRows : public BackgroundRows {
public:
    using BackgroundRows::BackgroundRows;
    ~GatedRows() override {
        release();
        shutDown();
    }
    void release() {
        {
            std::lock_guard<std::mutex> lock(mutex);
            open = true;
        }
        wake.notify_all();
    }
    int ran = 0;  // requests run to the end

protected:
    ProvidedRows run(Connection& reader, const RowsRequest& request) override {
        {
            std::unique_lock<std::mutex> lock(mutex);
            wake.wait_for(lock, std::chrono::seconds(30), [this] { return open; });
        }
        ProvidedRows rows = BackgroundRows::run(reader, request);
        ++ran;
        return rows;
    }

private:
    std::mutex mutex;
    std::condition_variable wake;
    bool open = false;
};

}  // namespace

class TestSalesWindow : public QObject {
    Q_OBJECT

private slots:
    void typingNarrowsAndTheMemberPriceRule() {
        SalesFixture f;
        f.line(QStringLiteral("S1"), QStringLiteral("可口可乐"), QStringLiteral("饮料"), f.today);
        f.line(QStringLiteral("S1"), QStringLiteral("百事可乐"), QStringLiteral("饮料"), f.today);
        f.line(QStringLiteral("S2"), QStringLiteral("洗衣粉"), QStringLiteral("日用"), f.today);
        f.line(QStringLiteral("S2"), QStringLiteral("赠品袋"), QStringLiteral("日用"), f.today, 0);
        f.sale(QStringLiteral("S1"), f.today, 6, 2);
        f.sale(QStringLiteral("S2"), f.today, 6, 2);
        f.open();
        QCOMPARE(f.lines(), 4);  // this month: a line without member price too
        QCOMPARE(f.form->DBGridEh1->footerTextOfField(QStringLiteral("h")), QStringLiteral("合计"));
        QCOMPARE(f.form->DBGridEh1->footerTextOfField(QStringLiteral("6")), QStringLiteral("12"));

        f.type(f.form->Edit23, QStringLiteral("可"));
        QTRY_COMPARE(f.lines(), 2);
        QCOMPARE(f.form->DBGridEh1->footerTextOfField(QStringLiteral("7")), QStringLiteral("2"));
        QCOMPARE(f.sales(), 2);  // the sales grid knows only the serial field
        QTest::keyClick(f.form->Edit23, Qt::Key_Backspace);
        QTRY_COMPARE(f.lines(), 3);  // every query leaves out the line without member price

        f.click(f.form->Button16);
        QCOMPARE(f.lines(), 4);
        QCOMPARE(f.dm->ADOQuery13.recNo(), 4);  // on the last line

        // A quote is a character like any other: no error box, simply no match.
        f.type(f.form->Edit23, QStringLiteral("O'B"));
        QTRY_COMPARE(f.lines(), 0);
        QVERIFY(f.dialogs.boxes.isEmpty());
    }

    void todayClearingAndTheCategoryList() {
        SalesFixture f;
        const QDate before = f.today.addDays(-3);
        f.line(QStringLiteral("S1"), QStringLiteral("可口可乐"), QStringLiteral("饮料"), f.today);
        f.line(QStringLiteral("S1"), QStringLiteral("薯片"), QStringLiteral("零食"), f.today);
        f.line(QStringLiteral("S0"), QStringLiteral("雪碧"), QStringLiteral("饮料"), before, 2, QStringLiteral("王丽"));
        f.line(QStringLiteral("S9"), QStringLiteral("肥皂"), QStringLiteral("日用"), f.today.addYears(-2));
        f.open();
        // Every category of the history, once, in the Chinese order; the field itself is left empty.
        QCOMPARE(f.categories(), (QStringList{QStringLiteral("零食"), QStringLiteral("日用"), QStringLiteral("饮料")}));
        QCOMPARE(f.form->ComboBox4->currentText(), QString());

        f.click(f.form->Button19);
        QVERIFY(f.form->CheckBox6->isChecked());
        QCOMPARE(f.lines(), 2);
        f.form->DBDateTimeEditEh2->setDate(before);
        f.click(f.form->Button19);
        QCOMPARE(f.lines(), 3);

        // Clearing keeps the operator and the serial; the query run while clearing still had
        // the category and the date range.
        f.form->Edit14->setText(QStringLiteral("张"));
        f.form->Edit51->setText(QStringLiteral("S1"));
        f.form->ComboBox4->setCurrentText(QStringLiteral("饮料"));
        f.form->Edit23->setText(QStringLiteral("可"));
        f.form->query();
        QCOMPARE(f.lines(), 1);
        f.click(f.form->Button15);
        QCOMPARE(f.form->Edit23->text(), QString());
        QCOMPARE(f.form->Edit14->text(), QStringLiteral("张"));
        QCOMPARE(f.form->Edit51->text(), QStringLiteral("S1"));
        QCOMPARE(f.form->ComboBox4->currentText(), QString());
        QVERIFY(!f.form->CheckBox6->isChecked());
        QCOMPARE(f.dm->ADOQuery13.sql(),
                 QStringLiteral("select * from data1 where [3]>0  and d like '%饮料%' and h like "
                                "'%S1%' and i like '%张%' and day1>=#") +
                     isoDay(before) + QStringLiteral("# and day1<=#") + isoDay(f.today) + QLatin1Char('#'));
        f.click(f.form->Button4);
        QCOMPARE(f.lines(), 2);  // both lines of S1 by 张强

        // With only a category, clearing runs nothing: the category's lines stay listed.
        f.form->Edit14->clear();
        f.form->Edit51->clear();
        f.form->ComboBox4->setCurrentText(QStringLiteral("日用"));
        f.form->query();
        QCOMPARE(f.lines(), 1);
        f.click(f.form->Button15);
        QCOMPARE(f.lines(), 1);
        QCOMPARE(f.form->ComboBox4->currentText(), QString());
    }

    void doubleClicksShowOneSale() {
        SalesFixture f;
        f.line(QString(), QStringLiteral("散装糖"), QStringLiteral("零食"), f.today);
        f.line(QStringLiteral("S1"), QStringLiteral("可口可乐"), QStringLiteral("饮料"), f.today);
        f.line(QStringLiteral("S2"), QStringLiteral("雪碧"), QStringLiteral("饮料"), f.today);
        f.line(QStringLiteral("S2"), QStringLiteral("芬达"), QStringLiteral("饮料"), f.today);
        f.sale(QStringLiteral("S1"), f.today, 3, 1);
        f.sale(QStringLiteral("S2"), f.today, 6, 2);
        f.open();
        f.selectLine(0);
        f.form->lineDoubleClicked();
        QCOMPARE(f.form->Edit51->text(), QString());
        QCOMPARE(f.lines(), 4);

        f.selectLine(3);
        f.form->lineDoubleClicked();
        QCOMPARE(f.form->Edit51->text(), QStringLiteral("S2"));
        QCOMPARE(f.lines(), 2);
        QCOMPARE(f.sales(), 1);

        f.click(f.form->Button18);
        f.dm->ADOQuery9.setRecNo(1);
        f.form->saleDoubleClicked();
        QCOMPARE(f.form->Edit51->text(), QStringLiteral("S1"));
        QCOMPARE(f.lines(), 1);
    }

    void theMonthViewIsExactlyTheMonth() {
        SalesFixture f;
        f.line(QStringLiteral("A"), QStringLiteral("一月"), QStringLiteral("饮料"), QDate(2027, 1, 5));
        f.line(QStringLiteral("B"), QStringLiteral("十一月"), QStringLiteral("饮料"), QDate(2027, 11, 5));
        f.line(QStringLiteral("C"), QStringLiteral("去年一月"), QStringLiteral("饮料"), QDate(2026, 1, 31));
        f.line(QStringLiteral("D"), QStringLiteral("十二月"), QStringLiteral("饮料"), QDate(2027, 12, 1));
        f.line(QStringLiteral("E"), QStringLiteral("二月"), QStringLiteral("饮料"), QDate(2027, 2, 28));
        const auto serials = [&f](int year, int month) {
            OpenQuery(f.dm->ADOQuery13, monthLinesQuery(year, month));
            QStringList out;
            for (int r = 0; r < f.dm->ADOQuery13.recordCount(); ++r) {
                out.append(f.dm->ADOQuery13.textAt(r, f.dm->ADOQuery13.fieldIndex(QStringLiteral("h"))));
            }
            return out;
        };
        QCOMPARE(serials(2027, 1), QStringList{QStringLiteral("A")});
        QCOMPARE(serials(2027, 2), QStringList{QStringLiteral("E")});
        QCOMPARE(serials(2027, 12), QStringList{QStringLiteral("D")});
    }

    void chartsKeepTheChosenYear() {
        SalesFixture f;
        const int thisYear = f.today.year();
        f.sale(QStringLiteral("X1"), QDate(2024, 3, 2), 100, 10);
        f.sale(QStringLiteral("X2"), QDate(2024, 3, 2), 50, -4);
        f.sale(QStringLiteral("X3"), QDate(2024, 3, 9), 20, 2);
        f.sale(QStringLiteral("Y1"), QDate(thisYear, f.today.month(), 1), 30, 3);
        f.open();
        QCOMPARE(f.form->ComboBox1->currentText(), QString::number(thisYear));
        QCOMPARE(f.form->ComboBox2->currentText(), QString::number(f.today.month()));
        QVERIFY(f.form->ComboBox1->findText(QStringLiteral("2024")) >= 0);
        if (thisYear != 2025) QCOMPARE(f.form->ComboBox1->findText(QStringLiteral("2025")), -1);
        QCOMPARE(f.bars(f.form->DBChart1), (QList<QPair<double, double>>{{f.today.month(), 3}}));

        f.form->ComboBox1->setCurrentIndex(f.form->ComboBox1->findText(QStringLiteral("2024")));
        f.click(f.form->Button1);
        QCOMPARE(f.bars(f.form->DBChart1), (QList<QPair<double, double>>{{3, 8}}));
        f.click(f.form->Button13);
        QCOMPARE(f.bars(f.form->DBChart1), (QList<QPair<double, double>>{{3, 170}}));

        f.form->ComboBox3->lineEdit()->selectAll();
        QTest::keyClicks(f.form->ComboBox3->lineEdit(), QStringLiteral("2024"));
        f.form->ComboBox2->setCurrentText(QStringLiteral("3"));
        f.click(f.form->Button14);  // sales per day are the amounts received
        QCOMPARE(f.bars(f.form->DBChart3), (QList<QPair<double, double>>{{2, 150}, {9, 20}}));
        f.click(f.form->Button2);
        QCOMPARE(f.bars(f.form->DBChart3), (QList<QPair<double, double>>{{2, 6}, {9, 2}}));

        // Shown again, the window keeps the chosen years.
        f.form->hide();
        f.form->show();
        QCOMPARE(f.form->ComboBox1->currentText(), QStringLiteral("2024"));
        QCOMPARE(f.form->ComboBox3->currentText(), QStringLiteral("2024"));

        // A month without sales: no bars, the axis still 0 to 32. A month that is no number:
        // the engine's refusal in a box, and no bars.
        f.form->ComboBox2->setCurrentText(QStringLiteral("7"));
        f.click(f.form->Button2);
        QVERIFY(f.form->DBChart3->bars().isEmpty());
        QCOMPARE(f.form->DBChart3->axisFrom(), 0);
        QCOMPARE(f.form->DBChart3->axisTo(), 32);
        QCOMPARE(f.form->DBChart3->axisLabel(32), QStringLiteral("32日"));
        f.form->ComboBox2->setCurrentText(QStringLiteral("3"));
        f.click(f.form->Button2);
        f.form->ComboBox2->setCurrentText(QStringLiteral("三月"));
        f.click(f.form->Button2);
        QCOMPARE(f.dialogs.boxes.size(), 1);
        QVERIFY(f.form->DBChart3->bars().isEmpty());

        f.form->setChartsVisible(false);
        QVERIFY(f.form->DBChart1->isHidden() && f.form->DBChart3->isHidden());
        QVERIFY(!f.form->Button1->isHidden());
    }

    // A year typed wrong breaks one chart query, never the window: shown again, the window
    // falls back to this year and loads the month, the categories and the stored settings.
    void aMistypedYearNeverStopsTheMonth() {
        SalesFixture f;
        f.line(QStringLiteral("S1"), QStringLiteral("可口可乐"), QStringLiteral("饮料"), f.today);
        f.sale(QStringLiteral("S1"), f.today, 3, 1);
        UserKey::pos().setValue(QStringLiteral("company"), QStringLiteral("永安商行"));
        f.open();
        f.form->ComboBox1->lineEdit()->selectAll();
        QTest::keyClicks(f.form->ComboBox1->lineEdit(), QStringLiteral("20x5"));
        f.click(f.form->Button1);
        QCOMPARE(f.dialogs.boxes.size(), 1);
        f.dialogs.clear();
        f.form->hide();
        f.dm->ADOQuery13.close();
        f.form->ComboBox4->clear();
        {
            const QSignalBlocker quiet(f.form->Edit15);
            f.form->Edit15->clear();
        }
        f.form->show();
        QVERIFY2(f.dialogs.boxes.isEmpty(), qPrintable(f.dialogs.lastText()));
        QCOMPARE(f.form->ComboBox1->currentText(), QString::number(f.today.year()));
        QCOMPARE(f.lines(), 1);
        QCOMPARE(f.bars(f.form->DBChart1), (QList<QPair<double, double>>{{f.today.month(), 1}}));

        QCOMPARE(f.categories(), QStringList{QStringLiteral("饮料")});
        QCOMPARE(f.form->Edit15->text(), QStringLiteral("永安商行"));
    }

    // Sums of 9, 12 and 15 digits show whole at the window's standard size: never "25000…".
    void footersNeverCutANumber() {
        SalesFixture f;
        f.db.exec(QStringLiteral("INSERT INTO data1 (h,a,[2],[3],[6],[7],day1) VALUES "
                                 "('S1','可乐',999999999,1,123456789012.3,123456789012345,?)"),
                  {isoDay(f.today)});
        f.open();
        QCOMPARE(f.form->size(), QSize(1060, 700));
        auto* strip = f.form->DBGridEh1->findChild<GridFooterStrip*>();
        QVERIFY(strip);
        const QFont standard = strip->font();
        const std::pair<const char*, const char*> sums[] = {
            {"2", "999999999"}, {"6", "123456789012.3"}, {"7", "123456789012345"}};
        for (const auto& [field, text] : sums) {
            const int column = f.form->DBGridEh1->columnIndexByField(QLatin1String(field));
            QCOMPARE(f.form->DBGridEh1->footerText(column), QLatin1String(text));
            const FooterPlacement p = strip->placement(column);
            QVERIFY2(p.whole, field);
            QVERIFY(QFontMetrics(p.font).horizontalAdvance(QLatin1String(text)) <=
                    p.rect.width() - 2 * kFooterTextPadding);
            QVERIFY(QFontInfo(p.font).pixelSize() >= kLeastFooterPixels);
            QVERIFY(QFontInfo(p.font).pixelSize() <= QFontInfo(standard).pixelSize());
        }
        // Placements never overlap, and "合计" keeps its own cell.
        const FooterPlacement total = strip->placement(0);
        for (const char* field : {"2", "6", "7"}) {
            const FooterPlacement p = strip->placement(f.form->DBGridEh1->columnIndexByField(QLatin1String(field)));
            QVERIFY(!p.rect.intersects(total.rect));
        }
        QVERIFY(
            !strip->placement(f.form->DBGridEh1->columnIndexByField(QStringLiteral("2")))
                 .rect.intersects(strip->placement(f.form->DBGridEh1->columnIndexByField(QStringLiteral("6"))).rect));
    }

    // Before the history is in memory the window opens at once: its lists are looked for off
    // the user-interface thread, "正在查询…" meanwhile, events keep flowing, and a newer search
    // replaces an older one whose answer never shows.
    void aSearchWhileTheHistoryIsReadNeverFreezes() {
        SalesFixture f;
        f.line(QStringLiteral("S1"), QStringLiteral("可口可乐"), QStringLiteral("饮料"), f.today);
        f.line(QStringLiteral("S1"), QStringLiteral("雪碧"), QStringLiteral("饮料"), f.today);
        f.line(QStringLiteral("S2"), QStringLiteral("可比克"), QStringLiteral("零食"), f.today);
        f.sale(QStringLiteral("S1"), f.today, 6, 2);
        GatedRows gated(f.dm->ADOConnection1);
        gated.setDatabase(f.db.path(), QByteArray(kDatabaseKey));
        f.dm->ADOQuery13.setBackgroundRows(&gated);
        f.dm->ADOQuery9.setBackgroundRows(&gated);
        f.open();
        QVERIFY(f.dm->ADOQuery13.isPending());
        QCOMPARE(f.lines(), 0);
        QVERIFY(f.form->DBGridEh1->showsPending());
        QCOMPARE(f.form->DBGridEh1->footerTextOfField(QStringLiteral("6")), QString());
        bool ticked = false;
        QTimer::singleShot(0, [&ticked] { ticked = true; });
        QTRY_VERIFY(ticked);
        QVERIFY(f.dm->ADOQuery13.isPending());

        // Nothing to print or export yet: it says so instead of an empty report.
        f.form->printLines();
        f.form->exportLines();
        QCOMPARE(f.dialogs.texts(), QStringList(2, QStringLiteral("正在查询，请等列表显示出来后再试。")));
        QVERIFY(f.dialogs.previewed.isEmpty() && f.dialogs.fileCaptions.isEmpty());
        f.dialogs.clear();

        f.type(f.form->Edit23, QStringLiteral("可"));
        QTRY_VERIFY(f.dm->ADOQuery13.sql().contains(QStringLiteral("a like '%可%'")));
        QVERIFY(f.dm->ADOQuery13.isPending());
        gated.release();
        QTRY_VERIFY(!f.dm->ADOQuery13.isPending() && !f.dm->ADOQuery9.isPending());
        QCOMPARE(f.lines(), 2);  // the search's lines, not the month's
        QVERIFY(!f.form->DBGridEh1->showsPending());
        QCOMPARE(f.form->DBGridEh1->footerTextOfField(QStringLiteral("6")), QStringLiteral("6"));
        QCOMPARE(f.sales(), 1);
        QVERIFY(f.dialogs.boxes.isEmpty());

        // "本 月" ends on its last line once its rows are found.
        f.click(f.form->Button3);
        QTRY_VERIFY(!f.dm->ADOQuery13.isPending());
        QCOMPARE(f.lines(), 3);
        QCOMPARE(f.dm->ADOQuery13.recNo(), 3);
        f.form->reject();
    }

    void deletingASoldLine() {
        SalesFixture f;
        f.line(QStringLiteral("S1"), QStringLiteral("可口可乐"), QStringLiteral("饮料"), f.today);
        f.line(QStringLiteral("S2"), QStringLiteral("雪碧"), QStringLiteral("饮料"), f.today);
        f.line(QString(), QStringLiteral("散装糖"), QStringLiteral("零食"), f.today);
        f.line(QStringLiteral("S0"), QStringLiteral("肥皂"), QStringLiteral("日用"), f.today.addYears(-1));
        f.sale(QStringLiteral("S1"), f.today, 3, 1);
        f.sale(QStringLiteral("S2"), f.today, 3, 1);
        f.open();
        QTableView* lines = f.form->DBGridEh1->view();
        QTableView* sales = f.form->DBGridEh2->view();

        // Nothing for a line without serial, nor in the sales grid.
        f.selectLine(2);
        lines->setFocus();
        QTest::keyClick(lines, Qt::Key_Delete);
        QVERIFY(!f.form->Panel1->isVisible());
        sales->setFocus();
        QTest::keyClick(sales, Qt::Key_Delete);
        QVERIFY(!f.form->Panel1->isVisible());

        f.form->Edit23->setText(QStringLiteral("雪"));
        f.form->query();
        QCOMPARE(f.lines(), 1);
        lines->setFocus();
        QTest::keyClick(lines, Qt::Key_Delete);
        QVERIFY(f.form->Panel1->isVisible());
        QCOMPARE(f.form->deletionValues.first()->text(), QStringLiteral("雪碧"));

        f.click(f.form->Button6);
        QCOMPARE(f.dialogs.lastText(), QStringLiteral("删除销售记录成功！"));
        QCOMPARE(f.db.count(QStringLiteral("data1"), QStringLiteral("h='S2'")), 0);
        QCOMPARE(f.db.count(QStringLiteral("data3"), QStringLiteral("a='S2'")), 1);  // the sale stays
        QVERIFY(!f.form->Panel1->isVisible());
        QVERIFY(f.form->deletionValues.first()->text().isEmpty());
        QCOMPARE(f.form->Edit23->text(), QStringLiteral("雪"));  // kept, but the month is shown
        QCOMPARE(f.lines(), 2);
        QCOMPARE(f.sales(), 2);

        // The panel always shows the line it deletes: moving to another line closes it.
        f.selectLine(0);
        lines->setFocus();
        QTest::keyClick(lines, Qt::Key_Delete);
        QVERIFY(f.form->Panel1->isVisible());
        QTest::keyClick(lines, Qt::Key_Down);
        QVERIFY(!f.form->Panel1->isVisible());
    }

    void printExportAndTheStoredSettings() {
        SalesFixture f;
        f.line(QStringLiteral("S1"), QStringLiteral("可口可乐"), QStringLiteral("饮料"), f.today);
        f.open();
        f.form->printLines();
        QCOMPARE(f.dialogs.previewed, QStringList{QStringLiteral("销 售 统 计 报 表")});
        bool footerFound = false;
        QStringList totals;
        f.dialogs.onDocument = [&](const PrintDocument& d) {
            for (const ReportBand& band : dynamic_cast<const ReportDocument&>(d).definition().bands) {
                for (const ReportItem& item : band.items) {
                    if (const auto* label = std::get_if<ReportLabel>(&item)) {
                        footerFound = footerFound || label->text == QStringLiteral("制表人：王丽    日期：") +
                                                                        f.today.toString(QStringLiteral("yyyy-MM-dd"));
                        if (band.kind == BandKind::Summary &&
                            label->text != QStringLiteral("制表人：王丽    日期：") +
                                               f.today.toString(QStringLiteral("yyyy-MM-dd"))) {
                            totals.append(label->text);
                        }
                    }
                }
            }
        };
        f.form->printItem->trigger();
        QVERIFY(footerFound);  // the operator logged in, not the one who sold the line
        // The grid's footer row, as the grid shows it: "合计", the quantity, the amount and the
        // profit of the line.
        QCOMPARE(totals,
                 (QStringList{QStringLiteral("合计"), QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("1")}));

        const QString file = f.db.file(QStringLiteral("sales.xls"));
        f.dialogs.fileAnswers = {file};
        f.form->exportItem->trigger();
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray bytes = written.readAll();
        QVERIFY(bytes.contains(toGbk(QStringLiteral("销 售 报 表"))));
        QVERIFY(bytes.contains(toGbk(QStringLiteral("王丽"))));
        QVERIFY(bytes.contains(toGbk(QStringLiteral("可口可乐"))));

        f.form->Edit15->setText(QStringLiteral("城东批发部"));
        QCOMPARE(UserKey::pos().value(QStringLiteral("company")), std::optional<QString>(QStringLiteral("城东批发部")));
        int refreshed = 0;
        f.form->setRefreshNoteList([&refreshed] { ++refreshed; });
        f.form->reject();
        QCOMPARE(refreshed, 1);
        QVERIFY(!f.dm->ADOQuery13.isOpen());
        UserKey::pos().setValue(QStringLiteral("address"), QStringLiteral("城东路1号"));
        f.form->show();
        QCOMPARE(f.form->Edit1->text(), QStringLiteral("城东路1号"));
    }

    void aReprintMatchesTheSale() {
        CounterFixture f;
        auto* form2 = new TForm2(f.main.get());
        f.counter->setDeliveryNote(form2);
        f.db.addGoods(QStringLiteral("A1"), QStringLiteral("可口可乐"), 5, 4, 4.5);
        f.db.addGoods(QStringLiteral("B2"), QStringLiteral("洗衣粉"), 15, 12.5, 14);
        f.scan(QStringLiteral("A1"));
        f.scan(QStringLiteral("A1"));
        f.scan(QStringLiteral("B2"));
        Settlement* s = f.counter->settlement;
        QList<ReceiptLine> original, again;
        QList<ReceiptLine>* into = &original;
        f.dialogs.onDocument = [&into](const PrintDocument& d) {
            if (auto* r = dynamic_cast<const ReceiptDocument*>(&d)) *into = r->lines();
        };
        s->printReceiptBox->setChecked(true);
        s->open();
        s->Edit5->selectAll();
        QTest::keyClicks(s->Edit5, QStringLiteral("50"));
        QTest::mouseClick(s->Button17, Qt::LeftButton);
        QTRY_COMPARE(f.db.count(QStringLiteral("data3")), 1);
        QVERIFY(!original.isEmpty());

        Txstj window(nullptr, *f.dm);
        window.setDeliveryNote(form2);
        window.show();
        const QString serialBefore = f.main->Label31->text();
        into = &again;
        window.reprintReceipt();
        // The time line becomes the sale's date and the moment of printing again; every other
        // line is the original's, one line further down.
        QCOMPARE(again.size(), original.size() + 1);
        QCOMPARE(again[0].text, original[0].text + QStringLiteral("（补打）"));
        QCOMPARE(original[4].text.left(15), QStringLiteral("打印时间：") + formatDate(QDate::currentDate()));
        QCOMPARE(again[4].text, QStringLiteral("销售日期：") + formatDate(QDate::currentDate()));
        QVERIFY2(again[5].text.startsWith(QStringLiteral("补打时间：") + formatDate(QDate::currentDate()) +
                                          QLatin1Char(' ')),
                 qPrintable(again[5].text));
        QCOMPARE(again[5].text.size(), QStringLiteral("补打时间：yyyy-mm-dd hh:mm:ss").size());
        for (int i = 5; i < original.size(); ++i) {
            QCOMPARE(again[i + 1].text, original[i].text);
            QCOMPARE(again[i + 1].y, original[i].y + 30);
        }
        window.reprintDeliveryNote();
        QCOMPARE(f.dialogs.previewed.last(), QStringLiteral("送货单"));
        QCOMPARE(f.main->Label31->text(), serialBefore);  // no serial used
        QCOMPARE(f.db.count(QStringLiteral("data3")), 1);

        // With a line deleted since, the stored amounts and a note saying so.
        f.db.exec(QStringLiteral("DELETE FROM data1 WHERE c='B2'"));
        const std::optional<SaleReprint> partial =
            saleReprint(f.dm->ADOConnection1, f.db.scalar(QStringLiteral("SELECT a FROM data3")).toString(),
                        QDateTime::currentDateTime());
        QVERIFY(partial);
        QCOMPARE(partial->receipt.goods.size(), 1);
        QCOMPARE(partial->receipt.total, QStringLiteral("25.00"));
        QCOMPARE(partial->receipt.note, kLinesDeletedNote);
        QCOMPARE(partial->deliveryNote.note, kLinesDeletedNote);
        QVERIFY(partial->deliveryNote.reprint);
    }
};

ZENLO_TEST(TestSalesWindow)
#include "tst_sales_window.moc"
