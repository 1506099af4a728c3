// The goods window: its statements, the entry panel's checks in their order, what is stored,
// deleting, searching, printing and labels.
#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

#include "core/dm.h"
#include "core/gbk.h"
#include "core/pinyin.h"
#include "core/ui/dbgrid.h"
#include "core/ui/floating_panel.h"
#include "core/ui/report_render.h"
#include "core/ui/typing_pause.h"
#include "goods/Unit1.h"
#include "goods/labels.h"
#include "support/test_registry.h"
#include "support/ui_fixture.h"

namespace {
struct GoodsFixture : UiFixture {
    GoodsFixture() {
        db.addGoods(QStringLiteral("A1"), QStringLiteral("可口可乐"), 3, 2, 2.7);
        db.addGoods(QStringLiteral("B2"), QStringLiteral("百事可乐"), 3, 2, 2.7);
        db.addGoods(QStringLiteral("C3"), QStringLiteral("赠品袋"), 0, 0.3, 0);
        form = std::make_unique<TForm1>(nullptr, *dm);
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get())) qWarning("goods window not exposed");
    }
    int rows() const { return dm->ADOQuery12.recordCount(); }
    void fill(const QString& code, const QString& name, const QString& purchase, const QString& sale,
              const QString& member) {
        form->codeEdit->setText(code);
        form->nameEdit->setText(name);
        form->categoryEdit->setText(QStringLiteral("饮料"));
        form->supplierEdit->setText(QStringLiteral("城东批发部"));
        form->purchasePriceEdit->setText(purchase);
        form->salePriceEdit->setText(sale);
        form->memberPriceEdit->setText(member);
    }
    void clickRow(int row) {
        dm->ADOQuery12.setRecNo(row + 1);
        form->loadRow(row + 1);
    }
    std::unique_ptr<TForm1> form;
};
}  // namespace

class TestGoodsWindow : public QObject {
    Q_OBJECT

private slots:
    void searchStatements_data() {
        QTest::addColumn<QStringList>("conditions");
        QTest::addColumn<QString>("sql");
        QTest::newRow("none") << QStringList{{}, {}, {}, {}, {}} << "select * from sp where 销售单价<>0";
        QTest::newRow("all five, in order")
            << QStringList{QStringLiteral("69"), QStringLiteral("饮"), QStringLiteral("可乐"), QStringLiteral("500"),
                           QStringLiteral("城东")}
            << "select * from sp where 销售单价<>0 and 商品编码 like '%69%' and 商品类别 like '%饮%' and 商品名称 like "
               "'%可乐%' and 规格型号 like '%500%' and 供货商 like '%城东%'";
        QTest::newRow("a quote") << QStringList{QStringLiteral("O'1"), {}, {}, {}, {}}
                                 << "select * from sp where 销售单价<>0 and 商品编码 like '%O''1%'";
    }
    void searchStatements() {
        QFETCH(QStringList, conditions);
        QFETCH(QString, sql);
        QCOMPARE(goodsSearchQuery({conditions[0], conditions[1], conditions[2], conditions[3], conditions[4]}), sql);
    }

    void opensOnEveryGoodsWithTheRowButtonsOff() {
        GoodsFixture f;
        QCOMPARE(f.rows(), 3);
        QVERIFY(!f.form->deleteButton->isEnabled());
        QVERIFY(!f.form->modifyButton->isEnabled());
        QVERIFY(!f.form->panel->isVisible());
        f.clickRow(1);
        QVERIFY(f.form->deleteButton->isEnabled());
        QCOMPARE(f.form->codeEdit->text(), f.form->loadedCode());
        QCOMPARE(f.form->memberPriceEdit->text(), QStringLiteral("2.7"));
    }

    // The duplicate check runs first, with the code as typed: an empty code finds an empty code.
    void addChecksInTheirOrder() {
        GoodsFixture f;
        f.form->newGoods();
        f.fill(QStringLiteral("A1"), QString(), QString(), QString(), QString());
        QTest::mouseClick(f.form->addButton, Qt::LeftButton);
        QCOMPARE(f.dialogs.lastText(), QStringLiteral("商品编码已经存在，请重新输入！"));
        QCOMPARE(f.form->codeEdit->text(), QString());
        f.db.exec(QStringLiteral("INSERT INTO sp (商品编码,商品名称,销售单价) VALUES ('','无码',1)"));
        QTest::mouseClick(f.form->addButton, Qt::LeftButton);
        QCOMPARE(f.dialogs.lastText(), QStringLiteral("商品编码已经存在，请重新输入！"));  // not "必须输入"
        f.fill(QStringLiteral("D4"), QString(), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("1.5"));
        QTest::mouseClick(f.form->addButton, Qt::LeftButton);
        QCOMPARE(f.dialogs.lastText(), QStringLiteral("商品名称必须输入！"));
        f.fill(QStringLiteral("D4"), QStringLiteral("雪碧"), QStringLiteral("1"), QStringLiteral("1.2.3"),
               QStringLiteral("1"));
        QTest::mouseClick(f.form->addButton, Qt::LeftButton);
        QVERIFY(f.dialogs.lastText().contains(QStringLiteral("不是有效的数字")));
        QCOMPARE(f.db.count(QStringLiteral("sp"), QStringLiteral("商品编码='D4'")), 0);
    }

    // Prices typed with a lone point are numbers; the codes are stored trimmed, so a code with a
    // leading blank passes the check and is stored a second time.
    void addStoresTrimmedTextsNumbersAndPinyin() {
        GoodsFixture f;
        f.form->newGoods();
        f.fill(QStringLiteral(" A1"), QStringLiteral(" 雪碧 "), QStringLiteral("12."), QStringLiteral(".5"),
               QStringLiteral("0.4"));
        QTest::mouseClick(f.form->addButton, Qt::LeftButton);
        QVERIFY(f.dialogs.boxes.isEmpty());
        QCOMPARE(f.db.count(QStringLiteral("sp"), QStringLiteral("商品编码='A1'")), 2);
        QCOMPARE(f.db.scalar(QStringLiteral("SELECT 进货单价 FROM sp WHERE 商品名称='雪碧'")).toDouble(), 12.0);
        QCOMPARE(f.db.scalar(QStringLiteral("SELECT 销售单价 FROM sp WHERE 商品名称='雪碧'")).toDouble(), 0.5);
        QCOMPARE(f.db.scalar(QStringLiteral("SELECT sppy FROM sp WHERE 商品名称='雪碧'")).toString(),
                 PinyinInitials(QStringLiteral("雪碧")));
        QCOMPARE(f.form->codeEdit->text(), QString());
        QVERIFY(f.form->panel->isVisible());
        QCOMPARE(f.rows(), 4);
    }

    void modifyKeepsItsCodeAndRecomputesPinyin() {
        GoodsFixture f;
        f.clickRow(0);  // A1
        f.form->nameEdit->setText(QStringLiteral("可口可乐零度"));
        f.form->categoryEdit->setText(QStringLiteral("汽水"));
        QTest::mouseClick(f.form->modifyButton, Qt::LeftButton);
        QVERIFY(f.dialogs.boxes.isEmpty());
        QCOMPARE(f.db.scalar(QStringLiteral("SELECT sppy FROM sp WHERE 商品编码='A1'")).toString(),
                 PinyinInitials(QStringLiteral("可口可乐零度")));
        QCOMPARE(f.db.scalar(QStringLiteral("SELECT lbpy FROM sp WHERE 商品编码='A1'")).toString(),
                 PinyinInitials(QStringLiteral("汽水")));
        QVERIFY(!f.form->modifyButton->isEnabled());
        // Taking another row's code is refused.
        f.clickRow(0);
        f.form->codeEdit->setText(QStringLiteral("B2"));
        QTest::mouseClick(f.form->modifyButton, Qt::LeftButton);
        QCOMPARE(f.dialogs.lastText(), QStringLiteral("商品编码已经存在，请重新输入！"));
        QCOMPARE(f.db.count(QStringLiteral("sp"), QStringLiteral("商品编码='B2'")), 1);
    }

    void deleteFromThePopupAndCancel() {
        GoodsFixture f;
        // The popup acts on the current row at once, though the button is still disabled.
        f.dialogs.answers = {true};
        f.form->deleteItem->trigger();
        QCOMPARE(f.db.count(QStringLiteral("sp")), 2);
        QCOMPARE(f.dialogs.lastText(), QStringLiteral("删除成功！"));
        // Cancel still empties the panel but the member price, and lists everything again.
        f.clickRow(0);
        f.dialogs.answers = {false};
        f.form->deleteItem->trigger();
        QCOMPARE(f.db.count(QStringLiteral("sp")), 2);
        QCOMPARE(f.form->codeEdit->text(), QString());
        QCOMPARE(f.form->nameEdit->text(), QString());
        QCOMPARE(f.form->memberPriceEdit->text(), QStringLiteral("2.7"));
    }

    void searchHidesGoodsWithoutAPrice() {
        GoodsFixture f;
        QCOMPARE(f.rows(), 3);
        QTest::keyClicks(f.form->codeCondition, QStringLiteral("3"));
        QTRY_COMPARE(f.rows(), 0);  // C3 has no sale price
        f.form->clearConditions();
        QCOMPARE(f.rows(), 2);
        f.form->listAll();
        QCOMPARE(f.rows(), 3);
    }

    void deleteSelectedRows() {
        GoodsFixture f;
        f.form->grid->view()->selectRow(0);
        f.form->grid->view()->selectionModel()->select(f.form->grid->view()->model()->index(2, 0),
                                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        f.form->deleteSelectedItem->trigger();
        QCOMPARE(f.db.count(QStringLiteral("sp")), 1);
        QCOMPARE(f.db.scalar(QStringLiteral("SELECT 商品编码 FROM sp")).toString(), QStringLiteral("B2"));
    }

    // The list goes to Excel with its title and maker, the file opened afterwards.
    void exportTheList() {
        GoodsFixture f;
        const QString file = f.db.file(QStringLiteral("goods.xls"));
        f.dialogs.fileAnswers = {file};
        f.form->exportItem->trigger();
        QVERIFY(QFile::exists(file));
        QCOMPARE(f.dialogs.urls, QList<QUrl>{QUrl::fromLocalFile(file)});
        const QByteArray bytes = [&] {
            QFile in(file);
            in.open(QIODevice::ReadOnly);
            return in.readAll();
        }();
        QVERIFY(bytes.contains(toGbk(QStringLiteral("全部商品清单"))));
        QVERIFY(bytes.contains(toGbk(QStringLiteral("制表人：VantroPOS收银系统"))));
        QVERIFY(bytes.contains(toGbk(QStringLiteral("百事可乐"))));
    }

    void printAndLabelsOfTheListedGoods() {
        GoodsFixture f;
        f.form->printList();
        f.form->printLabels();
        QCOMPARE(f.dialogs.previewed, (QStringList{QStringLiteral("全 部 商 品 报 表"), QStringLiteral("条形码标签")}));
        // A code Code 128 cannot hold prints as words.
        QVERIFY(!code128Png(QStringLiteral("6901234567892")).isEmpty());
        QVERIFY(code128Png(QStringLiteral("可乐01")).isEmpty());
        const LabelRows rows(f.dm->ADOQuery12);
        QCOMPARE(rows.text(0, QStringLiteral("codeText")), QString());
        f.db.exec(QStringLiteral("UPDATE sp SET 商品编码='可乐01' WHERE 商品编码='A1'"));
        f.form->listAll();
        QCOMPARE(rows.text(0, QStringLiteral("codeText")), QStringLiteral("可乐01"));
    }
};

ZENLO_TEST(TestGoodsWindow)
#include "tst_goods_window.moc"
