// Random statements through the dialect translation and the engine, and the one property every
// quoted value relies on: whatever the text, the statement gives back exactly that text.
#include <QRandomGenerator>
#include <QtTest>

#include "core/errors.h"
#include "core/jet_dialect.h"
#include "support/temp_database.h"
#include "support/test_registry.h"

namespace {

QString pick(QRandomGenerator& random, const QStringList& from) {
    return from.at(random.bounded(int(from.size())));
}

// One character of the kinds that break quoting, patterns, encodings and text lengths.
char32_t hostileCharacter(QRandomGenerator& random) {
    static const std::u32string special =
        U"'\"%_[]#(),;*-=<>\\`|!?. \t\r\n\v\f\x01\x1b\x7f\u00a0\u3000\u00e9\u20ac\u2028\ufeff\ufffd";
    switch (random.bounded(6)) {
        case 0:
            return special[random.bounded(int(special.size()))];
        case 1:
            return char32_t(random.bounded(0x20, 0x7f));
        case 2:
            return char32_t(random.bounded(0x4e00, 0x9fa6));  // common Hanzi
        case 3: {                                             // emoji and rare Hanzi of extension B, outside GBK
            const char32_t outside[] = {0x1f600, 0x1f914, 0x20000, 0x2a6d6, 0x2b740, 0x1d11e};
            return outside[random.bounded(int(std::size(outside)))];
        }
        case 4:
            return char32_t(random.bounded(1, 0x20));  // control characters, never NUL
        default: {                                     // anywhere but the surrogates and NUL
            const char32_t c = char32_t(random.bounded(1, 0x110000));
            return c >= 0xd800 && c < 0xe000 ? U'\uFFFD' : c;
        }
    }
}

QString hostileText(QRandomGenerator& random, int length) {
    std::u32string text;
    for (int i = 0; i < length; ++i) text += hostileCharacter(random);
    return QString::fromStdU32String(text);
}

// A condition of the kinds the program's statements are made of.
QString condition(QRandomGenerator& random, QStringList* literals) {
    static const QStringList columns = {QStringLiteral("a"),    QStringLiteral("[c]"), QStringLiteral("\"d\""),
                                        QStringLiteral("day1"), QStringLiteral("[2]"), QStringLiteral("h")};
    static const QStringList ops = {QStringLiteral("="), QStringLiteral("<>"), QStringLiteral("<"),
                                    QStringLiteral(">="), QStringLiteral(" like ")};
    const QString column = pick(random, columns);
    switch (random.bounded(7)) {
        case 0: {
            const QString literal = QLatin1Char('\'') +
                                    sqlText(QStringLiteral("v") + hostileText(random, random.bounded(12))) +
                                    QLatin1Char('\'');
            if (literals) literals->append(literal);
            return column + pick(random, ops) + literal;
        }
        case 1:
            return column + pick(random, ops) + QString::number(random.bounded(-100, 100000));
        case 2:  // a date literal, sometimes malformed
            return column + pick(random, ops) +
                   QStringLiteral("#%1-%2-%3%4#")
                       .arg(random.bounded(1990, 2040))
                       .arg(random.bounded(0, 14))
                       .arg(random.bounded(0, 33))
                       .arg(random.bounded(3)
                                ? QString()
                                : QStringLiteral(" %1:%2").arg(random.bounded(26)).arg(random.bounded(62)));
        case 3:  // a date part against a quoted number, sometimes no number
            return pick(random, {QStringLiteral("year"), QStringLiteral("month"), QStringLiteral("day")}) +
                   QStringLiteral("(%1)%2'%3'")
                       .arg(column, pick(random, ops),
                            random.bounded(4) ? QString::number(random.bounded(0, 3000)) : hostileText(random, 3));
        case 4:  // the month view's patterns
            return QStringLiteral("%1 like '%2-%' and %1 like '%%3-%'")
                .arg(column)
                .arg(random.bounded(1000, 10000))
                .arg(random.bounded(0, 15));
        case 5:
            return QLatin1Char('(') + condition(random, literals) +
                   pick(random, {QStringLiteral(" or "), QStringLiteral(" and ")}) + condition(random, literals) +
                   QLatin1Char(')');
        default:
            return QStringLiteral("not ") + condition(random, literals);
    }
}

QString statement(QRandomGenerator& random, QStringList* literals) {
    static const QStringList heads = {
        QStringLiteral("select * from data1 where "),
        QStringLiteral("select a,c,d,sum([6]) from data1 where "),
        QStringLiteral("select count(*) from data3 where "),
        QStringLiteral("insert into data1(a,c,2,6,day1) select a,c,[2],[6],day1 from data where "),
        QStringLiteral("update data set [2]=[2]+1 where "),
        QStringLiteral("delete from data where "),
    };
    QString sql = pick(random, heads) + condition(random, literals);
    for (int n = random.bounded(3); n > 0; --n)
        sql += pick(random, {QStringLiteral(" and "), QStringLiteral(" or ")}) + condition(random, literals);
    if (sql.startsWith(QLatin1String("select a,c,d"))) {
        sql += QStringLiteral(" group by a,c,d order by a");
        if (random.bounded(2)) sql += QStringLiteral(",c");
    } else if (sql.startsWith(QLatin1String("select *")) && random.bounded(2)) {
        sql += QStringLiteral(" order by day1 desc");
    }
    return sql;
}

// Junk where the statement's pieces meet: lone quotes, brackets and hashes, stray keywords.
QString withJunk(QRandomGenerator& random, QString sql) {
    static const QStringList junk = {QStringLiteral("'"),
                                     QStringLiteral("#"),
                                     QStringLiteral("["),
                                     QStringLiteral("]"),
                                     QStringLiteral("\""),
                                     QStringLiteral("("),
                                     QStringLiteral(")"),
                                     QStringLiteral(" year("),
                                     QStringLiteral(" group by "),
                                     QStringLiteral(" like "),
                                     QStringLiteral("insert into t("),
                                     QStringLiteral(",1,"),
                                     QStringLiteral("#2013-02-30#"),
                                     QStringLiteral(";")};
    for (int n = random.bounded(1, 4); n > 0; --n) {
        const QString piece = random.bounded(3) ? pick(random, junk) : hostileText(random, random.bounded(1, 5));
        int at = random.bounded(int(sql.size()) + 1);
        if (at < sql.size() && sql.at(at).isLowSurrogate()) ++at;  // never between a pair's halves
        sql.insert(at, piece);
    }
    return sql;
}

// Translated and run: a result or a DataError, nothing else.
bool runs(Connection& db, const QString& sql, QString* translated) {
    try {
        *translated = translateJet(sql);
        Statement st(db.handle(), *translated);
        for (int rows = 0; rows < 5 && st.step(); ++rows) {
        }
        return true;
    } catch (const DataError&) {
        return false;
    }
}

}  // namespace

class TestStatementsFuzz : public QObject {
    Q_OBJECT

private slots:
    void randomStatementsTranslateAndRunOrFail() {
        TempDatabase db;
        db.exec(QStringLiteral("PRAGMA synchronous=OFF"));  // a scratch file: no waiting for the disk
        db.exec(QStringLiteral("INSERT INTO data (a,c,d,[2],[6],day1) VALUES ('可乐','6901','饮料',1,3,'2013-01-05')"));
        QRandomGenerator random(5519);
        int ran = 0, refused = 0;
        for (int i = 0; i < 6000; ++i) {
            QStringList literals;
            const bool junk = i % 2 == 1;
            const QString sql = junk ? withJunk(random, statement(random, nullptr)) : statement(random, &literals);
            QString translated;
            try {
                (runs(db.db(), sql, &translated) ? ran : refused) += 1;
            } catch (...) {
                QFAIL(qPrintable(QStringLiteral("neither rows nor a data error: ") + sql));
            }
            // A value's literal reaches the engine as it was written.
            for (const QString& literal : std::as_const(literals)) {
                if (!translated.isEmpty()) QVERIFY2(translated.contains(literal), qPrintable(sql));
            }
        }
        QVERIFY2(ran > 1000 && refused > 1000, qPrintable(QStringLiteral("%1 ran, %2 refused").arg(ran).arg(refused)));
    }

    // Statements without a date literal, a date part, LIKE, GROUP or INSERT pass untouched.
    void everythingElsePassesThrough() {
        QRandomGenerator random(808);
        int checked = 0;
        for (int i = 0; i < 3000; ++i) {
            QString sql = QStringLiteral("select a from data1 where a='") +
                          sqlText(hostileText(random, random.bounded(20))) + QStringLiteral("' or [c]=") +
                          QString::number(random.bounded(1000));
            sql = withJunk(random, sql);
            const QString lower = sql.toLower();
            if (lower.contains(QLatin1Char('#')) || lower.contains(QLatin1String("year")) ||
                lower.contains(QLatin1String("month")) || lower.contains(QLatin1String("day")) ||
                lower.contains(QLatin1String("like")) || lower.contains(QLatin1String("group")) ||
                lower.contains(QLatin1String("insert"))) {
                continue;
            }
            ++checked;
            try {
                QCOMPARE(translateJet(sql), sql);
            } catch (const DataError& e) {
                QFAIL(qPrintable(e.message() + QLatin1Char(' ') + sql));
            }
        }
        QVERIFY(checked > 1000);
    }

    // sqlText(v) between quotes is v, wherever the statement puts it: selected, compared, stored
    // and read back, next to the translated pieces. A NUL ends the statement's text in the
    // engine, so a value holding one is refused, never read as another value.
    void aQuotedValueIsExactlyItsText() {
        TempDatabase db;
        Connection& c = db.db();
        c.execute(QStringLiteral("PRAGMA synchronous=OFF"));
        const QStringList templates = {
            QStringLiteral("select '%1'"),
            QStringLiteral("select '%1' where #2013-01-05# < '2014' and year('2013-01-05')='2013'"),
            QStringLiteral("select x from (select '%1' as x) where x like '%'"),
        };
        QRandomGenerator random(2024);
        for (int i = 0; i < 2000; ++i) {
            const int length = i % 200 == 0 ? 100000 : random.bounded(0, 40);
            const QString v = hostileText(random, length);
            for (const QString& t : templates) {
                const QString sql = translateJet(t.arg(sqlText(v)));
                QCOMPARE(c.scalar(sql).toString(), v);
            }
            // Stored through the statement, found by it, and no other row with it.
            c.execute(QStringLiteral("DELETE FROM sp"));
            c.execute(QStringLiteral("INSERT INTO sp (商品名称,商品编码) VALUES ('x','%1')")
                          .arg(sqlText(v + QStringLiteral("'"))));
            c.execute(
                translateJet(QStringLiteral("insert into sp (商品名称,商品编码) values ('x','%1')").arg(sqlText(v))));
            QCOMPARE(
                c.scalar(QStringLiteral("SELECT 商品编码 FROM sp WHERE rowid=?"), {c.lastInsertRowId()}).toString(), v);
            QCOMPARE(
                c.scalar(translateJet(QStringLiteral("select count(*) from sp where 商品编码='%1'").arg(sqlText(v))))
                    .toInt(),
                1);
        }
        for (const QString& v : {QStringLiteral("a") + QChar(0) + QStringLiteral("' or '1'='1"), QString(QChar(0))}) {
            QVERIFY_THROWS_EXCEPTION(DataError, c.scalar(translateJet(QStringLiteral("select '%1'").arg(sqlText(v)))));
        }
    }
};

ZENLO_TEST(TestStatementsFuzz)
#include "tst_statements.moc"
