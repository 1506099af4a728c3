// Tests for the data grid: footer sums, title sort and markers, two-level titles, the current
// row shared with the dataset, selection, and column widths.
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QImage>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QtTest>

#include "core/dataset.h"
#include "core/shared_queries.h"
#include "core/ui/dbgrid.h"
#include "core/ui/dbgrid_header.h"
#include "support/test_registry.h"
#include "support/ui_fixture.h"

namespace {

const QString kNoteSql = QStringLiteral("select * from data order by id");
const QColor kSkyBlue(0xA6, 0xCA, 0xF0);

GridColumn column(const QString& field, const QString& title, int width = 80) {
    GridColumn c;
    c.field = field;
    c.title = title;
    c.width = width;
    c.alignment = Qt::AlignCenter;
    return c;
}

GridFooter sum(GridFooter::Format format) {
    GridFooter f;
    f.kind = GridFooter::Kind::Sum;
    f.format = format;
    return f;
}

// The note line list's columns.
QList<GridColumn> noteColumns() {
    QList<GridColumn> columns{column(QStringLiteral("c"), QStringLiteral("商品编码"), 100),
                              column(QStringLiteral("a"), QStringLiteral("商品名称"), 240),
                              column(QStringLiteral("b"), QStringLiteral("规格型号"), 120),
                              column(QStringLiteral("4"), QStringLiteral("销售价"), 100),
                              column(QStringLiteral("2"), QStringLiteral("数 量"), 100),
                              column(QStringLiteral("z"), QStringLiteral("单 位"), 60),
                              column(QStringLiteral("6"), QStringLiteral("金 额"), 100),
                              column(QStringLiteral("7"), QStringLiteral("利润"), 80)};
    columns[4].footer = sum(GridFooter::Format::General);
    columns[4].titleColor = QColor(128, 0, 0);
    columns[6].footer = sum(GridFooter::Format::Fixed2);
    columns[7].footer = sum(GridFooter::Format::General);
    columns[7].visible = false;
    return columns;
}

// A shown note grid over ADOQuery15.
struct NoteGrid {
    NoteGrid() {
        grid.setColumns(noteColumns());
        grid.setTitleColor(kSkyBlue);
        grid.setRowHeight(20);
        grid.setFooterRowCount(1);
        grid.setDataset(&note());
        grid.resize(900, 300);
        grid.show();
    }

    Dataset& note() { return f.dm->ADOQuery15; }
    void line(const QString& code, const QVariant& quantity, const QVariant& amount, const QVariant& profit = 0.0) {
        f.db.exec(QStringLiteral("INSERT INTO data (c,a,[2],[6],[7]) VALUES (?,?,?,?,?)"),
                  {code, QStringLiteral("商品") + code, quantity, amount, profit});
    }
    void refresh() { OpenQuery(note(), kNoteSql); }
    QTableView* view() { return grid.view(); }
    QHeaderView* header() { return grid.view()->horizontalHeader(); }
    QString shown(int row, int viewColumn) { return view()->model()->index(row, viewColumn).data().toString(); }
    QPoint rowPoint(int row, int viewColumn = 1) {
        return view()->visualRect(view()->model()->index(row, viewColumn)).center();
    }
    void clickRow(int row, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(view()->viewport(), Qt::LeftButton, modifiers, rowPoint(row));
    }
    void clickTitle(int viewColumn) {
        const QPoint at(header()->sectionViewportPosition(viewColumn) + header()->sectionSize(viewColumn) / 2,
                        header()->height() / 2);
        QTest::mouseClick(header()->viewport(), Qt::LeftButton, {}, at);
    }

    UiFixture f;
    DBGrid grid;
};

int viewRow(QTableView* view) {
    return view->selectionModel()->currentIndex().row();
}

}  // namespace

class TestDBGrid : public QObject {
    Q_OBJECT

private slots:
    void footerSumsKeepWholeTenThousandths_data() {
        QTest::addColumn<QVariantList>("quantities");
        QTest::addColumn<QVariantList>("amounts");
        QTest::addColumn<QString>("quantitySum");
        QTest::addColumn<QString>("amountSum");

        QTest::newRow("two lines") << QVariantList{1.0, 1.5} << QVariantList{10.0, 2.5} << QStringLiteral("2.5")
                                   << QStringLiteral("12.50");
        QTest::newRow("whole numbers") << QVariantList{3, 4} << QVariantList{1, 2} << QStringLiteral("7")
                                       << QStringLiteral("3.00");
        // Every row is rounded into the sum on its own: three times 0.33333 is 0.9999, where
        // summing the doubles first would give 1.
        QTest::newRow("each row rounded")
            << QVariantList{0.33333, 0.33333, 0.33333} << QVariantList{0.33333, 0.33333, 0.33333}
            << QStringLiteral("0.9999") << QStringLiteral("1.00");
        QTest::newRow("dust below a ten-thousandth")
            << QVariantList{0.00004, 0.00004, 0.00004} << QVariantList{0.1, 0.2, 0.3} << QStringLiteral("0")
            << QStringLiteral("0.60");
        QTest::newRow("NULL and text count nothing")
            << QVariantList{2.0, QVariant(), QStringLiteral("abc")}
            << QVariantList{QVariant(), 1.25, QStringLiteral("x")} << QStringLiteral("2") << QStringLiteral("1.25");
        QTest::newRow("negative") << QVariantList{5.0, -7.25} << QVariantList{-1.0, 0.5} << QStringLiteral("-2.25")
                                  << QStringLiteral("-0.50");
    }

    void footerSumsKeepWholeTenThousandths() {
        QFETCH(QVariantList, quantities);
        QFETCH(QVariantList, amounts);
        QFETCH(QString, quantitySum);
        QFETCH(QString, amountSum);

        NoteGrid g;
        for (int i = 0; i < quantities.size(); ++i) {
            g.line(QString::number(i), quantities.at(i), amounts.at(i), 0.25);
        }
        g.refresh();

        QCOMPARE(g.grid.footerTextOfField(QStringLiteral("2")), quantitySum);
        QCOMPARE(g.grid.footerText(4), quantitySum);
        QCOMPARE(g.grid.footerTextOfField(QStringLiteral("6")), amountSum);
        // The hidden profit column keeps its sum all the same.
        QCOMPARE(g.grid.footerTextOfField(QStringLiteral("7")), QString::number(0.25 * double(quantities.size())));
        QCOMPARE(g.grid.footerText(0), QString());
    }

    void footerOfEmptyClosedOrMissingRows() {
        NoteGrid g;
        g.refresh();
        QCOMPARE(g.view()->model()->rowCount(), 0);
        QCOMPARE(g.grid.footerTextOfField(QStringLiteral("2")), QStringLiteral("0"));
        QCOMPARE(g.grid.footerTextOfField(QStringLiteral("6")), QStringLiteral("0.00"));
        QCOMPARE(g.grid.footerTextOfField(QStringLiteral("7")), QStringLiteral("0"));

        g.line(QStringLiteral("A"), 1.0, 2.0);
        g.refresh();
        QCOMPARE(g.grid.footerTextOfField(QStringLiteral("6")), QStringLiteral("2.00"));
        g.note().close();
        QCOMPARE(g.view()->model()->rowCount(), 0);
        QCOMPARE(g.grid.currentRow(), 0);
        QCOMPARE(g.grid.footerTextOfField(QStringLiteral("2")), QStringLiteral("0"));
        QCOMPARE(g.grid.footerTextOfField(QStringLiteral("6")), QStringLiteral("0.00"));

        // A sum over a field the rows do not have, and a grid without a dataset.
        QList<GridColumn> columns = noteColumns();
        columns[6].field = QStringLiteral("a5");
        g.grid.setColumns(columns);
        g.refresh();
        QCOMPARE(g.grid.footerText(6), QStringLiteral("0.00"));
        QCOMPARE(g.grid.footerText(4), QStringLiteral("1"));
        g.grid.setDataset(nullptr);
        QCOMPARE(g.grid.footerText(4), QStringLiteral("0"));
        QCOMPARE(g.grid.footerText(99), QString());
        QCOMPARE(g.grid.footerTextOfField(QStringLiteral("nosuch")), QString());
        QCOMPARE(g.grid.currentRow(), 0);
    }

    void gridOutlivesItsDataset() {
        auto f = std::make_unique<UiFixture>();
        f->db.exec(QStringLiteral("INSERT INTO data (c,[2]) VALUES ('A', 2)"));
        OpenQuery(f->dm->ADOQuery15, kNoteSql);
        DBGrid grid;
        grid.setColumns(noteColumns());
        grid.setFooterRowCount(1);
        grid.setDataset(&f->dm->ADOQuery15);
        grid.show();
        QCOMPARE(grid.footerText(4), QStringLiteral("2"));

        f.reset();
        QCOMPARE(grid.dataset(), nullptr);
        QCOMPARE(grid.view()->model()->rowCount(), 0);
        QCOMPARE(grid.footerText(4), QStringLiteral("0"));
        QCOMPARE(grid.currentRow(), 0);
        grid.repaint();
    }

    void footersFollowEveryChange() {
        NoteGrid g;
        g.line(QStringLiteral("A"), 1.0, 10.0);
        g.line(QStringLiteral("B"), 1.5, 2.5);
        g.refresh();
        QCOMPARE(g.grid.footerTextOfField(QStringLiteral("6")), QStringLiteral("12.50"));

        Dataset& note = g.note();
        note.append();
        note.setValue(QStringLiteral("c"), QStringLiteral("C"));
        note.setValue(QStringLiteral("2"), 3);
        note.setValue(QStringLiteral("6"), 1.25);
        note.post();
        QCOMPARE(g.view()->model()->rowCount(), 3);
        QCOMPARE(g.shown(2, 0), QStringLiteral("C"));
        QCOMPARE(g.grid.footerTextOfField(QStringLiteral("2")), QStringLiteral("5.5"));
        QCOMPARE(g.grid.footerTextOfField(QStringLiteral("6")), QStringLiteral("13.75"));
        QCOMPARE(g.grid.currentRow(), 3);
        QCOMPARE(viewRow(g.view()), 2);

        note.setRecNo(1);
        note.edit();
        note.setValue(QStringLiteral("2"), 2);
        note.post();
        QCOMPARE(g.grid.footerTextOfField(QStringLiteral("2")), QStringLiteral("6.5"));
        QCOMPARE(g.shown(0, 4), QStringLiteral("2"));

        note.deleteRecord();  // the first line
        QCOMPARE(g.view()->model()->rowCount(), 2);
        QCOMPARE(g.shown(0, 0), QStringLiteral("B"));
        QCOMPARE(g.grid.footerTextOfField(QStringLiteral("2")), QStringLiteral("4.5"));
        QCOMPARE(g.grid.footerTextOfField(QStringLiteral("6")), QStringLiteral("3.75"));
        QCOMPARE(viewRow(g.view()), note.recNo() - 1);

        note.last();
        note.deleteRecord();
        note.deleteRecord();
        QCOMPARE(g.view()->model()->rowCount(), 0);
        QCOMPARE(g.grid.footerTextOfField(QStringLiteral("6")), QStringLiteral("0.00"));
        QVERIFY(!g.view()->selectionModel()->hasSelection());
    }

    void footerStripLinesUpWithTheColumns() {
        NoteGrid g;
        g.line(QStringLiteral("A"), 1.0, 10.0);
        g.refresh();
        auto* strip = g.grid.findChild<GridFooterStrip*>();
        QVERIFY(strip);
        QVERIFY(QTest::qWaitForWindowExposed(&g.grid));
        QVERIFY(strip->isVisible());

        // What each cell shows, by view column: the hidden profit column takes no cell.
        QCOMPARE(g.view()->model()->columnCount(), 7);
        QCOMPARE(strip->cellAt(4).text, QStringLiteral("1"));
        QCOMPARE(strip->cellAt(6).text, QStringLiteral("10.00"));
        QCOMPARE(strip->cellAt(5).text, QString());

        auto linedUp = [&] {
            for (int v = 0; v < g.view()->model()->columnCount(); ++v) {
                const QRect cell = strip->cellRect(v);
                const int titleLeft =
                    g.header()->viewport()->mapTo(&g.grid, QPoint(g.header()->sectionViewportPosition(v), 0)).x();
                if (strip->mapTo(&g.grid, cell.topLeft()).x() != titleLeft) return false;
                if (cell.width() != g.header()->sectionSize(v)) return false;
            }
            return true;
        };
        QVERIFY(linedUp());
        g.header()->resizeSection(0, 180);
        QVERIFY(linedUp());

        // Scrolled sideways, the cells move with the titles.
        g.grid.resize(300, 300);
        QTRY_VERIFY(g.view()->horizontalScrollBar()->maximum() > 0);
        const int before = strip->cellRect(6).left();
        g.view()->horizontalScrollBar()->setValue(g.view()->horizontalScrollBar()->maximum());
        QVERIFY(strip->cellRect(6).left() < before);
        QVERIFY(linedUp());

        g.grid.setFooterRowCount(0);
        QVERIFY(!strip->isVisible());
        QCOMPARE(g.grid.footerTextOfField(QStringLiteral("6")), QStringLiteral("10.00"));
    }

    void titleClicksSortAndMoveTheMarkers() {
        NoteGrid g;
        g.line(QStringLiteral("A"), 2.0, 5.0);
        g.line(QStringLiteral("B"), 1.0, 9.0);
        g.line(QStringLiteral("C"), 3.0, 1.0);
        g.refresh();
        QStringList seenBySort;
        g.grid.setBeforeSort([&] { seenBySort << g.note().sort(); });
        QSignalSpy titles(&g.grid, &DBGrid::titleClicked);
        QVERIFY(QTest::qWaitForWindowExposed(&g.grid));
        const QImage plain = g.header()->grab().toImage();

        g.clickTitle(4);  // 数 量
        QCOMPARE(g.note().sort(), QStringLiteral("2 DESC"));
        QCOMPARE(g.grid.sortMarker(4), TitleSort::Marker::Down);
        QCOMPARE(g.shown(0, 0), QStringLiteral("C"));
        QCOMPARE(titles.count(), 1);
        QCOMPARE(titles.last().at(0).toInt(), 4);
        // The marker shows in that title only.
        const QImage marked = g.header()->grab().toImage();
        const int x4 = g.header()->sectionViewportPosition(4);
        const int w4 = g.header()->sectionSize(4);
        QVERIFY(plain.copy(x4, 0, w4, plain.height()) != marked.copy(x4, 0, w4, marked.height()));
        QCOMPARE(plain.copy(0, 0, x4, plain.height()), marked.copy(0, 0, x4, marked.height()));

        g.clickTitle(4);
        QCOMPARE(g.note().sort(), QStringLiteral("2"));
        QCOMPARE(g.grid.sortMarker(4), TitleSort::Marker::Up);
        QCOMPARE(g.shown(0, 0), QStringLiteral("B"));

        g.clickTitle(4);
        QCOMPARE(g.note().sort(), QStringLiteral("2 DESC"));
        QCOMPARE(g.grid.sortMarker(4), TitleSort::Marker::Down);

        g.clickTitle(6);  // 金 额
        QCOMPARE(g.note().sort(), QStringLiteral("6 DESC"));
        QCOMPARE(g.grid.sortMarker(6), TitleSort::Marker::Down);
        QCOMPARE(g.grid.sortMarker(4), TitleSort::Marker::None);
        QCOMPARE(g.shown(0, 0), QStringLiteral("B"));
        QCOMPARE(titles.count(), 4);
        QCOMPARE(titles.last().at(0).toInt(), 6);

        // The action before the sort saw the order of the click before.
        QCOMPARE(seenBySort, (QStringList{QStringLiteral(""), QStringLiteral("2 DESC"), QStringLiteral("2"),
                                          QStringLiteral("2 DESC")}));

        // Reopening restores the read order and clears the marker, which would show a sort no
        // longer applied; the next click on the same title sorts descending again.
        g.refresh();
        QCOMPARE(g.shown(0, 0), QStringLiteral("A"));
        QCOMPARE(g.grid.sortMarker(6), TitleSort::Marker::None);
        QCOMPARE(g.header()->grab().toImage(), plain);
        g.clickTitle(6);
        QCOMPARE(g.note().sort(), QStringLiteral("6 DESC"));
        QCOMPARE(g.shown(0, 0), QStringLiteral("B"));

        // The current row stays on its line through a sort.
        g.refresh();
        g.note().setRecNo(2);  // B
        g.clickTitle(4);
        QCOMPARE(g.note().text(QStringLiteral("c")), QStringLiteral("B"));
        QCOMPARE(g.grid.currentRow(), 3);
        QCOMPARE(viewRow(g.view()), 2);

        g.grid.setTitleSortEnabled(false);
        g.clickTitle(0);
        QCOMPARE(g.note().sort(), QStringLiteral("2 DESC"));
        QCOMPARE(titles.count(), 6);
        QCOMPARE(seenBySort.size(), 6);
        QVERIFY(g.f.dialogs.boxes.isEmpty());
    }

    void failedSortIsReportedAndTheGridCarriesOn() {
        NoteGrid g;
        g.line(QStringLiteral("A"), 2.0, 5.0);
        g.refresh();
        QList<GridColumn> columns = noteColumns();
        columns[1].field = QStringLiteral("nosuch");
        g.grid.setColumns(columns);
        QSignalSpy titles(&g.grid, &DBGrid::titleClicked);
        QVERIFY(QTest::qWaitForWindowExposed(&g.grid));

        g.clickTitle(1);
        QCOMPARE(g.f.dialogs.boxes.size(), 1);
        QVERIFY(g.f.dialogs.lastText().contains(QStringLiteral("nosuch")));
        QCOMPARE(titles.count(), 0);
        QCOMPARE(g.view()->model()->rowCount(), 1);
        QCOMPARE(g.shown(0, 0), QStringLiteral("A"));

        // A closed dataset has nothing to sort.
        g.note().close();
        g.clickTitle(0);
        QCOMPARE(g.f.dialogs.boxes.size(), 1);
        QCOMPARE(titles.count(), 0);
    }

    void twoLevelTitlesMergeEqualUpperTexts() {
        UiFixture f;
        f.db.exec(QStringLiteral("INSERT INTO data1 (h,i,a,c,b,[2],[6],j) VALUES (?,?,?,?,?,?,?,?)"),
                  {QStringLiteral("S1"), QStringLiteral("张三"), QStringLiteral("牙刷"), QStringLiteral("P2"),
                   QStringLiteral("x"), 1.0, 3.0, QStringLiteral("")});
        f.db.exec(QStringLiteral("INSERT INTO data1 (h,i,a,c,b,[2],[6],j) VALUES (?,?,?,?,?,?,?,?)"),
                  {QStringLiteral("S2"), QStringLiteral("李四"), QStringLiteral("毛巾"), QStringLiteral("P1"),
                   QStringLiteral("y"), 2.0, 4.5, QStringLiteral("")});
        OpenQuery(f.dm->ADOQuery13, QStringLiteral("select * from data1"));

        QList<GridColumn> columns{column(QStringLiteral("h"), QStringLiteral("销售单|流水号")),
                                  column(QStringLiteral("i"), QStringLiteral("销售单|操作人")),
                                  column(QStringLiteral("a"), QStringLiteral("商 品 信 息| 名 称")),
                                  column(QStringLiteral("b"), QStringLiteral("隐藏|规格")),
                                  column(QStringLiteral("c"), QStringLiteral("商 品 信 息| 编 码")),
                                  column(QStringLiteral("2"), QStringLiteral("销 售 信 息|数 量")),
                                  column(QStringLiteral("6"), QStringLiteral("销 售 信 息|金 额")),
                                  column(QStringLiteral("j"), QStringLiteral("备注"))};
        columns[0].footer.kind = GridFooter::Kind::Text;
        columns[0].footer.text = QStringLiteral("合计");
        columns[3].visible = false;
        columns[5].footer = sum(GridFooter::Format::General);
        columns[6].footer = sum(GridFooter::Format::General);

        DBGrid grid;
        grid.setColumns(columns);
        grid.setTitleColor(kSkyBlue);
        grid.setFooterRowCount(1);
        grid.setFitToWidth(true);
        grid.setDataset(&f.dm->ADOQuery13);
        grid.resize(800, 300);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));

        auto* header = qobject_cast<GridTitleHeader*>(grid.view()->horizontalHeader());
        QVERIFY(header);
        QCOMPARE(header->levels(), 2);
        QCOMPARE(header->height(), 2 * header->levelHeight());
        // View columns: 流水号 操作人 | 名称 编码 | 数量 金额 | 备注 (the hidden one takes none).
        using Span = std::pair<int, int>;
        QCOMPARE(header->upperSpan(0), Span(0, 1));
        QCOMPARE(header->upperSpan(1), Span(0, 1));
        QCOMPARE(header->upperSpan(2), Span(2, 3));
        QCOMPARE(header->upperSpan(3), Span(2, 3));
        QCOMPARE(header->upperSpan(4), Span(4, 5));
        QCOMPARE(header->upperSpan(6), Span(6, 6));
        QCOMPARE(header->upperText(0), QStringLiteral("销售单"));
        QCOMPARE(header->lowerText(1), QStringLiteral("操作人"));
        QCOMPARE(header->lowerText(3), QStringLiteral(" 编 码"));
        QCOMPARE(header->upperText(6), QString());
        QCOMPARE(header->lowerText(6), QStringLiteral("备注"));

        // Drawn: no line between 流水号 and 操作人 in the upper row, but one in the lower row
        // and one between the two upper cells 销售单 and 商品信息.
        const QImage image = header->grab().toImage();
        const int upperY = 1;
        const int lowerY = header->height() / 2 + 2;
        const int inGroup = header->sectionViewportPosition(1) - 1;
        const int betweenGroups = header->sectionViewportPosition(2) - 1;
        QCOMPARE(image.pixelColor(inGroup, upperY), kSkyBlue);
        QVERIFY(image.pixelColor(inGroup, lowerY) != kSkyBlue);
        QVERIFY(image.pixelColor(betweenGroups, upperY) != kSkyBlue);

        // Either level of a title is that column's title; the column number counts the hidden one.
        QSignalSpy titles(&grid, &DBGrid::titleClicked);
        const int x3 = header->sectionViewportPosition(3) + header->sectionSize(3) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x3, upperY + 2));
        QCOMPARE(titles.count(), 1);
        QCOMPARE(titles.last().at(0).toInt(), 4);
        QCOMPARE(f.dm->ADOQuery13.sort(), QStringLiteral("c DESC"));
        QCOMPARE(grid.view()->model()->index(0, 0).data().toString(), QStringLiteral("S1"));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x3, lowerY + 2));
        QCOMPARE(f.dm->ADOQuery13.sort(), QStringLiteral("c"));

        QCOMPARE(grid.footerText(0), QStringLiteral("合计"));
        QCOMPARE(grid.footerText(5), QStringLiteral("3"));
        QCOMPARE(grid.footerText(6), QStringLiteral("7.5"));
        QCOMPARE(grid.footerText(3), QString());

        // One level again when no title has an upper part.
        grid.setColumns({column(QStringLiteral("h"), QStringLiteral("流水号")),
                         column(QStringLiteral("i"), QStringLiteral("操作人"))});
        QCOMPARE(header->levels(), 1);
        QCOMPARE(header->height(), header->levelHeight());
    }

    void clicksAndKeysMoveTheDataset() {
        NoteGrid g;
        for (int i = 0; i < 30; ++i) g.line(QStringLiteral("L%1").arg(i), 1.0, 1.0);
        g.refresh();
        QVERIFY(QTest::qWaitForWindowExposed(&g.grid));
        QCOMPARE(g.grid.currentRow(), 1);
        QCOMPARE(viewRow(g.view()), 0);

        QSignalSpy cells(&g.grid, &DBGrid::cellClicked);
        QSignalSpy moves(&g.note(), &Dataset::currentChanged);
        g.clickRow(2);
        QCOMPARE(g.note().recNo(), 3);
        QCOMPARE(g.grid.currentRow(), 3);
        QCOMPARE(cells.count(), 1);
        QCOMPARE(cells.last().at(0).toInt(), 3);
        QCOMPARE(moves.count(), 1);  // one move, no echo back and forth

        g.view()->setFocus();
        QTest::keyClick(g.view(), Qt::Key_Down);
        QCOMPARE(g.note().recNo(), 4);
        QTest::keyClick(g.view(), Qt::Key_Down);
        QTest::keyClick(g.view(), Qt::Key_Up);
        QCOMPARE(g.note().recNo(), 4);
        QCOMPARE(g.grid.currentRow(), 4);
        QCOMPARE(cells.count(), 1);

        // A move of the dataset selects that row and brings it into view.
        g.note().last();
        QCOMPARE(viewRow(g.view()), 29);
        QCOMPARE(g.grid.selectedRows(), QList<int>{29});
        const QRect last = g.view()->visualRect(g.view()->model()->index(29, 0));
        QVERIFY(g.view()->viewport()->rect().intersects(last));
        g.note().first();
        QCOMPARE(g.grid.selectedRows(), QList<int>{0});
        QCOMPARE(g.view()->verticalScrollBar()->value(), 0);

        // A refresh moving to the newest line, as the note list does.
        g.refresh();
        g.note().last();
        QCOMPARE(viewRow(g.view()), 29);
        QCOMPARE(g.grid.currentRow(), 30);
        QVERIFY(g.view()->viewport()->rect().intersects(g.view()->visualRect(g.view()->model()->index(29, 0))));

        g.note().close();
        QCOMPARE(g.grid.currentRow(), 0);
        QCOMPARE(g.grid.selectedRows(), QList<int>{});
        QTest::keyClick(g.view(), Qt::Key_Down);
        QCOMPARE(g.grid.currentRow(), 0);
    }

    void rightClickAndDoubleClick() {
        NoteGrid g;
        for (int i = 0; i < 10; ++i) g.line(QStringLiteral("L%1").arg(i), 1.0, 1.0);
        g.refresh();
        QVERIFY(QTest::qWaitForWindowExposed(&g.grid));
        QSignalSpy popups(&g.grid, &DBGrid::popupRequested);
        QSignalSpy doubles(&g.grid, &DBGrid::doubleClicked);
        QSignalSpy cells(&g.grid, &DBGrid::cellClicked);
        QWidget* viewport = g.view()->viewport();

        // A right click takes the row like a left click, and says so.
        QTest::mouseClick(viewport, Qt::RightButton, {}, g.rowPoint(5));
        QCOMPARE(g.note().recNo(), 6);
        QCOMPARE(cells.count(), 1);
        QCOMPARE(cells.last().at(0).toInt(), 6);

        // The menu request itself also takes the row under it.
        const QPoint at = g.rowPoint(7);
        QContextMenuEvent menu(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
        QApplication::sendEvent(viewport, &menu);
        QCOMPARE(popups.count(), 1);
        QCOMPARE(popups.last().at(0).toPoint(), viewport->mapToGlobal(at));
        QCOMPARE(g.note().recNo(), 8);
        QCOMPARE(g.grid.selectedRows(), QList<int>{7});

        g.clickRow(3);
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, g.rowPoint(3));
        QCOMPARE(doubles.count(), 1);
        QCOMPARE(g.note().recNo(), 4);
    }

    void multiSelectKeepsTheSelectionOrder() {
        NoteGrid g;
        for (int i = 0; i < 6; ++i) g.line(QStringLiteral("L%1").arg(i), 1.0, 1.0);
        g.refresh();
        QVERIFY(QTest::qWaitForWindowExposed(&g.grid));

        // One row at a time by default: Ctrl does not add.
        g.clickRow(0);
        g.clickRow(3, Qt::ControlModifier);
        QCOMPARE(g.grid.selectedRows(), QList<int>{3});

        g.grid.setMultiSelect(true);
        g.clickRow(0);
        g.clickRow(3, Qt::ControlModifier);
        g.clickRow(1, Qt::ControlModifier);
        QCOMPARE(g.grid.selectedRows(), (QList<int>{0, 3, 1}));
        QCOMPARE(g.note().recNo(), 2);
        g.clickRow(3, Qt::ControlModifier);
        QCOMPARE(g.grid.selectedRows(), (QList<int>{0, 1}));
        g.clickRow(5, Qt::ControlModifier);
        QCOMPARE(g.grid.selectedRows(), (QList<int>{0, 1, 5}));

        // A right click inside the selection keeps it for the menu, and moves the current row.
        const QPoint at = g.rowPoint(1);
        QContextMenuEvent menu(QContextMenuEvent::Mouse, at, g.view()->viewport()->mapToGlobal(at));
        QApplication::sendEvent(g.view()->viewport(), &menu);
        QCOMPARE(g.grid.selectedRows(), (QList<int>{0, 1, 5}));
        QCOMPARE(g.note().recNo(), 2);

        // Deleting a selected row renumbers the rest; the program walking the dataset keeps
        // the picked rows.
        g.note().deleteRecord();
        QCOMPARE(g.grid.selectedRows(), (QList<int>{0, 4}));
        g.note().last();
        QCOMPARE(g.grid.selectedRows(), (QList<int>{0, 4}));
        QCOMPARE(viewRow(g.view()), 4);
        g.note().setRecNo(2);
        QCOMPARE(viewRow(g.view()), 1);

        // A plain click picks one row again, and then the selection follows the dataset.
        g.clickRow(2);
        QCOMPARE(g.grid.selectedRows(), QList<int>{2});
        g.note().last();
        QCOMPARE(g.grid.selectedRows(), QList<int>{4});
        OpenQuery(g.note(), kNoteSql);
        QCOMPARE(g.grid.selectedRows(), QList<int>{0});
    }

    void columnWidths() {
        UiFixture f;
        f.db.exec(QStringLiteral("INSERT INTO data1 (h,i) VALUES ('S1','张三')"));
        OpenQuery(f.dm->ADOQuery13, QStringLiteral("select * from data1"));
        QList<GridColumn> columns{column(QStringLiteral("h"), QStringLiteral("流水号"), 100),
                                  column(QStringLiteral("x"), QStringLiteral("隐"), 500),
                                  column(QStringLiteral("i"), QStringLiteral("操作人"), 300)};
        columns[1].visible = false;

        DBGrid fixed;
        fixed.setColumns(columns);
        fixed.setDataset(&f.dm->ADOQuery13);
        fixed.resize(900, 200);
        fixed.show();
        QHeaderView* fixedHeader = fixed.view()->horizontalHeader();
        QCOMPARE(fixedHeader->sectionSize(0), 100);
        QCOMPARE(fixedHeader->sectionSize(1), 300);

        DBGrid fitted;
        fitted.setColumns(columns);
        fitted.setFitToWidth(true);
        fitted.setDataset(&f.dm->ADOQuery13);
        fitted.resize(600, 200);
        fitted.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fitted));
        QHeaderView* header = fitted.view()->horizontalHeader();
        auto fills = [&] {
            return header->sectionSize(0) + header->sectionSize(1) == fitted.view()->viewport()->width();
        };
        QTRY_VERIFY(fills());
        QVERIFY(qAbs(header->sectionSize(0) * 3 - header->sectionSize(1)) <= 3);
        fitted.resize(1000, 200);
        QTRY_VERIFY(fills());
        QVERIFY(header->sectionSize(1) > 600);
        QVERIFY(qAbs(header->sectionSize(0) * 3 - header->sectionSize(1)) <= 3);
        QCOMPARE(fixedHeader->sectionSize(0), 100);
    }
};

ZENLO_TEST(TestDBGrid)
#include "tst_dbgrid.moc"
