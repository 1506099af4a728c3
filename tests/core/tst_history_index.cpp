// The history in memory must answer exactly as the engine does: the same rows, the same
// footer sums, the same sort order, before and after the counter writes.
#include <QRandomGenerator>
#include <QtTest>

#include "core/dm.h"
#include "core/jet_dialect.h"
#include "core/shared_queries.h"
#include "support/data_module_test.h"
#include "support/test_registry.h"

namespace {

const QStringList kNames = {QStringLiteral("可口可乐"), QStringLiteral("百事可乐"),    QStringLiteral("青岛啤酒"),
                            QStringLiteral("Coke"),     QStringLiteral("coke zero"),   QStringLiteral("100%果汁"),
                            QStringLiteral("a_b"),      QStringLiteral("矿泉水500ml"), QString()};
const QStringList kFragments = {QStringLiteral("可乐"), QStringLiteral("可"), QStringLiteral("COKE"),
                                QStringLiteral("e z"),  QStringLiteral("%"),  QStringLiteral("_"),
                                QStringLiteral("a_b"),  QStringLiteral("00"), QStringLiteral("500"),
                                QStringLiteral("啤酒"), QStringLiteral("x"),  QStringLiteral("1.5"),
                                QStringLiteral("S1"),   QStringLiteral("王")};

QVariant pick(QRandomGenerator& r, const QStringList& from) {
    const QString s = from.at(int(r.bounded(from.size())));
    return s.isEmpty() ? QVariant() : QVariant(s);
}

void addLines(Connection& c, QRandomGenerator& r, int count) {
    for (int i = 0; i < count; ++i) {
        const QVariant member = r.bounded(8) == 0 ? QVariant() : r.bounded(8) == 1 ? QVariant(0.0) : QVariant(1.5);
        c.execute(
            QStringLiteral("INSERT INTO data1 (a,b,c,d,h,i,[2],[3],[4],[6],[7],day1) VALUES (?,?,?,?,?,?,?,?,?,?,?,?)"),
            {pick(r, kNames), pick(r, {QStringLiteral("500ml"), QStringLiteral("1.5L"), QString()}),
             QString::number(6900000000000LL + r.bounded(300)),
             pick(r, {QStringLiteral("饮料"), QStringLiteral("酒水"), QString()}),
             QStringLiteral("S%1").arg(r.bounded(400)), pick(r, {QStringLiteral("王丽"), QStringLiteral("张强")}),
             double(r.bounded(1, 6)), member, 2.5,
             r.bounded(100) == 0 ? QVariant(QStringLiteral("7.25")) : QVariant(r.bounded(1, 2000) / 4.0),
             r.bounded(-100, 100) / 8.0, QDate(2025, 11, 1).addDays(r.bounded(120)).toString(Qt::ISODate)});
    }
}

// A statement of the kind the sales window composes, from random search texts.
QString randomStatement(QRandomGenerator& r) {
    const int shape = int(r.bounded(4));
    if (shape == 0) return QStringLiteral("select * from data1");
    if (shape == 1) {
        const QDate d = QDate(2025, 11, 1).addDays(r.bounded(120));
        return QStringLiteral("select * from data1 where day1 like '%1-%' and day1 like '%%2-%'")
            .arg(d.year())
            .arg(d.month());
    }
    QString sql = QStringLiteral("select * from data1 where [3]>0 ");
    for (const char* column : {"d", "a", "h", "c", "b", "i"}) {
        if (r.bounded(3) != 0) continue;
        sql += QStringLiteral(" and %1 like '%").arg(QLatin1String(column)) +
               sqlText(kFragments.at(int(r.bounded(kFragments.size())))) + QStringLiteral("%'");
    }
    if (r.bounded(2) == 0) {
        const QDate from = QDate(2025, 11, 1).addDays(r.bounded(120));
        sql += QStringLiteral(" and day1>=#%1# and day1<=#%2#")
                   .arg(from.toString(Qt::ISODate), from.addDays(r.bounded(30)).toString(Qt::ISODate));
    }
    if (shape == 3) sql += QStringLiteral(" and [6]>=%1").arg(r.bounded(0, 400));
    return sql;
}

struct EngineAnswer {
    std::vector<qint64> rowids;
    QString amount;
    QString quantity;
};

EngineAnswer askTheEngine(Connection& c, const QString& sql) {
    EngineAnswer out;
    ColumnSum amount, quantity;
    Statement st(c.handle(), QStringLiteral("SELECT rowid, [6], [2] FROM data1 WHERE rowid IN (SELECT rowid FROM (") +
                                 translateJet(sql).replace(QLatin1String("select *"), QLatin1String("select rowid")) +
                                 QStringLiteral(")) ORDER BY rowid"));
    while (st.step()) {
        out.rowids.push_back(st.value(0).toLongLong());
        amount.add(st.value(1));
        quantity.add(st.value(2));
    }
    out.amount = amount.text(true);
    out.quantity = quantity.text(false);
    return out;
}

}  // namespace

class TestHistoryIndex : public DataModuleTest {
    Q_OBJECT

    void compareMany(QRandomGenerator& r, int statements) {
        for (int i = 0; i < statements; ++i) {
            const QString sql = randomStatement(r);
            const auto answer = dm->historyIndex.select(QStringLiteral("data1"), translateJet(sql),
                                                        {QStringLiteral("6"), QStringLiteral("2")});
            QVERIFY2(answer.has_value(), qPrintable(sql));
            const EngineAnswer engine = askTheEngine(dm->ADOConnection1, sql);
            QVERIFY2(answer->rowids == engine.rowids, qPrintable(sql));
            QCOMPARE(answer->sums[0].text(true), engine.amount);
            QCOMPARE(answer->sums[1].text(false), engine.quantity);
        }
    }

    // The category list of the sales window comes from here.
    void distinctValuesAsTheEngineGroups() {
        for (const QString& column : {QStringLiteral("a"), QStringLiteral("d"), QStringLiteral("6")}) {
            const auto ours = dm->historyIndex.distinctValues(QStringLiteral("data1"), column);
            QVERIFY(ours.has_value());
            QStringList mine, engine;
            for (const QVariant& v : *ours) mine.append(v.isNull() ? QStringLiteral("NULL") : v.toString());
            Statement st(
                dm->ADOConnection1.handle(),
                translateJet(QStringLiteral("SELECT [%1] FROM data1 GROUP BY [%1] ORDER BY [%1]").arg(column)));
            while (st.step()) engine.append(st.value(0).isNull() ? QStringLiteral("NULL") : st.value(0).toString());
            QCOMPARE(mine, engine);
        }
    }

private slots:
    void answersAreTheEnginesAnswers() {
        QRandomGenerator r(42);
        addLines(db->db(), r, 3000);
        dm->startHistoryIndex();
        QVERIFY(dm->historyIndex.waitUntilReady(30000));
        compareMany(r, 400);
        // What it does not understand it declines.
        for (const QString& sql :
             {QStringLiteral("select * from data1 where a like '%x%' or b like '%y%'"),
              QStringLiteral("select a from data1"), QStringLiteral("select * from data1 order by a"),
              QStringLiteral("select * from data1 where year(day1)=2026")}) {
            QVERIFY2(!dm->historyIndex.select(QStringLiteral("data1"), translateJet(sql), {}), qPrintable(sql));
        }
    }

    void writesOfTheCounterAreSeen() {
        QRandomGenerator r(5);
        addLines(db->db(), r, 500);
        dm->startHistoryIndex();
        QVERIFY(dm->historyIndex.waitUntilReady(30000));
        Connection& c = dm->ADOConnection1;
        {
            Transaction tx(c);
            addLines(c, r, 40);  // a settlement's archive
            tx.commit();
        }
        {
            Transaction tx(c);
            addLines(c, r, 40);  // a settlement that failed half way
        }
        c.execute(QStringLiteral("DELETE FROM data1 WHERE rowid IN (3, 17, 499)"));
        c.execute(QStringLiteral("UPDATE data1 SET a='可口可乐', [3]=2 WHERE rowid BETWEEN 100 AND 140"));
        compareMany(r, 150);
        c.execute(QStringLiteral("DELETE FROM data1 WHERE a='100%果汁'"));               // a value gone from every row
        c.execute(QStringLiteral("UPDATE data1 SET a='COKE' WHERE rowid IN (20, 30)"));  // one group with "Coke"
        distinctValuesAsTheEngineGroups();
    }

    void sortingThroughTheIndexIsTheGridsOrder() {
        QRandomGenerator r(9);
        addLines(db->db(), r, 1200);
        dm->startHistoryIndex();
        QVERIFY(dm->historyIndex.waitUntilReady(30000));
        Dataset whole(dm->ADOConnection1, QStringLiteral("whole"), Dataset::Kind::Query, QString(), {}, this);
        for (const QString& sql : {QStringLiteral("select * from data1"),
                                   QStringLiteral("select * from data1 where [3]>0  and a like '%可乐%'")}) {
            OpenQuery(dm->ADOQuery13, sql);
            OpenQuery(whole, sql + (sql.contains(QLatin1String("where")) ? QString() : QStringLiteral(" where 1=1")) +
                                 QStringLiteral(" order by rowid"));
            QCOMPARE(dm->ADOQuery13.recordCount(), whole.recordCount());
            for (const QString& sort :
                 {QStringLiteral("a"), QStringLiteral("a DESC"), QStringLiteral("6"), QStringLiteral("day1 DESC"),
                  QStringLiteral("ID DESC"), QStringLiteral("b, 6 DESC")}) {
                dm->ADOQuery13.setSort(sort);
                whole.setSort(sort);
                const int id = whole.fieldIndex(QStringLiteral("ID"));
                for (int row = 0; row < whole.recordCount(); ++row) {
                    QCOMPARE(dm->ADOQuery13.valueAt(row, id), whole.valueAt(row, id));
                }
            }
        }
    }

    void aSaleIsNotKeptWaitingByTheBuild() {
        QRandomGenerator r(3);
        {
            Transaction tx(db->db());
            addLines(db->db(), r, 3 * HistoryIndex::kChunkRows);
            tx.commit();
        }
        dm->startHistoryIndex();
        // Settle while the index is being read in: the write interrupts the reader instead of
        // waiting for it, and the new lines are in the index once it is ready.
        for (int sale = 0; sale < 5; ++sale) {
            Transaction tx(dm->ADOConnection1);
            addLines(dm->ADOConnection1, r, 3);
            tx.commit();
        }
        QVERIFY(dm->historyIndex.waitUntilReady(60000));
        compareMany(r, 20);
        const auto all = dm->historyIndex.select(QStringLiteral("data1"), QStringLiteral("select * from data1"), {});
        QCOMPARE(int(all->rowids.size()), 3 * HistoryIndex::kChunkRows + 15);
    }
};

ZENLO_TEST(TestHistoryIndex)
#include "tst_history_index.moc"
