// The few places where the statements of this program are written in the desktop database
// dialect (Jet SQL), turned into what the embedded engine understands.
#include "core/jet_dialect.h"

#include <QDate>
#include <QList>
#include <QRegularExpression>
#include <QTime>

#include "core/errors.h"

namespace {

enum class Tok { Space, String, Bracket, Quoted, Date, Number, Word, Punct };

struct Token {
    Tok kind;
    QString text;
};

bool isWordChar(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c.unicode() >= 0x80;
}

QList<Token> tokenize(const QString& s) {
    QList<Token> out;
    int i = 0;
    const int n = s.size();
    auto closing = [&](int from, QChar close, bool doubledEscapes) {
        int j = from + 1;
        while (j < n) {
            if (s.at(j) == close) {
                if (doubledEscapes && j + 1 < n && s.at(j + 1) == close) {
                    j += 2;
                    continue;
                }
                return j + 1;
            }
            ++j;
        }
        return n;  // unterminated: the engine will report it
    };
    while (i < n) {
        const QChar c = s.at(i);
        int j = i + 1;
        Tok kind;
        if (c.isSpace()) {
            while (j < n && s.at(j).isSpace()) ++j;
            kind = Tok::Space;
        } else if (c == QLatin1Char('\'')) {
            j = closing(i, c, true);
            kind = Tok::String;
        } else if (c == QLatin1Char('"')) {
            j = closing(i, c, true);
            kind = Tok::Quoted;
        } else if (c == QLatin1Char('[')) {
            j = closing(i, QLatin1Char(']'), false);
            kind = Tok::Bracket;
        } else if (c == QLatin1Char('#')) {
            j = closing(i, c, false);
            kind = Tok::Date;
        } else if (c.isDigit()) {
            while (j < n && (s.at(j).isDigit() || s.at(j) == QLatin1Char('.'))) ++j;
            // "1abc" is a word to the engine, not a number followed by a word.
            if (j < n && isWordChar(s.at(j)) && !s.at(j).isDigit()) {
                while (j < n && isWordChar(s.at(j))) ++j;
                kind = Tok::Word;
            } else {
                kind = Tok::Number;
            }
        } else if (isWordChar(c)) {
            while (j < n && isWordChar(s.at(j))) ++j;
            kind = Tok::Word;
        } else {
            if (j < n) {
                const QString two = s.mid(i, 2);
                if (two == QLatin1String("<=") || two == QLatin1String(">=") || two == QLatin1String("<>") ||
                    two == QLatin1String("!=")) {
                    j = i + 2;
                }
            }
            kind = Tok::Punct;
        }
        out.append({kind, s.mid(i, j - i)});
        i = j;
    }
    return out;
}

bool isWord(const Token& t, const char* word) {
    return t.kind == Tok::Word && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

int nextSolid(const QList<Token>& t, int from) {
    int i = from;
    while (i < t.size() && t.at(i).kind == Tok::Space) ++i;
    return i;
}

QString dateLiteral(const QString& token) {
    static const QRegularExpression re(
        QStringLiteral("^#\\s*(\\d{4})-(\\d{1,2})-(\\d{1,2})(?:\\s+(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?)?\\s*#$"));
    const auto m = re.match(token);
    const QDate date =
        m.hasMatch() ? QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()) : QDate();
    if (!date.isValid()) {
        throw DataError(QStringLiteral("查询表达式中日期的语法错误：") + token);
    }
    QString out = date.toString(QStringLiteral("yyyy-MM-dd"));
    if (!m.captured(4).isEmpty()) {
        const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
        if (!time.isValid()) throw DataError(QStringLiteral("查询表达式中日期的语法错误：") + token);
        out += QLatin1Char(' ') + time.toString(QStringLiteral("hh:mm:ss"));
    }
    return QLatin1Char('\'') + out + QLatin1Char('\'');
}

// Digit names in the column list right after "insert into <table>".
void bracketInsertColumns(QList<Token>& t) {
    for (int i = 0; i < t.size(); ++i) {
        if (!isWord(t.at(i), "insert")) continue;
        int j = nextSolid(t, i + 1);
        if (j >= t.size() || !isWord(t.at(j), "into")) continue;
        j = nextSolid(t, j + 1);
        if (j >= t.size() || (t.at(j).kind != Tok::Word && t.at(j).kind != Tok::Bracket)) continue;
        j = nextSolid(t, j + 1);
        if (j >= t.size() || t.at(j).text != QLatin1String("(")) continue;
        for (++j; j < t.size() && t.at(j).text != QLatin1String(")"); ++j) {
            if (t.at(j).kind == Tok::Number) {
                t[j].kind = Tok::Bracket;
                t[j].text = QLatin1Char('[') + t.at(j).text + QLatin1Char(']');
            }
        }
        i = j;
    }
}

bool isComparison(const Token& t) {
    static const QStringList ops = {QStringLiteral("="), QStringLiteral("<>"), QStringLiteral("!="),
                                    QStringLiteral("<"), QStringLiteral(">"),  QStringLiteral("<="),
                                    QStringLiteral(">=")};
    return t.kind == Tok::Punct && ops.contains(t.text);
}

// year(x)='2013': the statements compare the date part with the value of the quoted text.
void unquoteDatePartComparisons(QList<Token>& t) {
    static const QRegularExpression integer(QStringLiteral("^\\s*[+-]?\\d+\\s*$"));
    for (int i = 0; i < t.size(); ++i) {
        if (!(isWord(t.at(i), "year") || isWord(t.at(i), "month") || isWord(t.at(i), "day"))) {
            continue;
        }
        int j = nextSolid(t, i + 1);
        if (j >= t.size() || t.at(j).text != QLatin1String("(")) continue;
        int depth = 0;
        for (; j < t.size(); ++j) {
            if (t.at(j).text == QLatin1String("(")) ++depth;
            if (t.at(j).text == QLatin1String(")") && --depth == 0) break;
        }
        int op = nextSolid(t, j + 1);
        if (op >= t.size() || !isComparison(t.at(op))) continue;
        int lit = nextSolid(t, op + 1);
        if (lit >= t.size() || t.at(lit).kind != Tok::String) continue;
        QString inner = t.at(lit).text.mid(1, t.at(lit).text.size() - 2);
        if (!integer.match(inner).hasMatch()) {
            throw DataError(QStringLiteral("标准表达式中数据类型不匹配：") + t.at(lit).text);
        }
        t[lit].kind = Tok::Number;
        t[lit].text = QString::number(inner.trimmed().toLongLong());
        i = lit;
    }
}

// The name a column token stands for: [day1], "day1" and day1 are the same column.
QString columnName(const Token& t) {
    if (t.kind == Tok::Bracket || t.kind == Tok::Quoted) return t.text.mid(1, t.text.size() - 2).toLower();
    if (t.kind == Tok::Word) return t.text.toLower();
    return QString();
}

bool isColumn(const Token& t) {
    return (t.kind == Tok::Word || t.kind == Tok::Bracket || t.kind == Tok::Quoted) && !isWord(t, "and") &&
           !isWord(t, "or") && !isWord(t, "not") && !isWord(t, "like");
}

// Positions of the next `count` solid tokens from `from`, or fewer at the end.
QList<int> solidRun(const QList<Token>& t, int from, int count) {
    QList<int> at;
    for (int i = nextSolid(t, from); i < t.size() && at.size() < count; i = nextSolid(t, i + 1)) at.append(i);
    return at;
}

QString isoDay(int year, int month) {
    return QStringLiteral("'%1-%2-01'").arg(year, 4, 10, QLatin1Char('0')).arg(month, 2, 10, QLatin1Char('0'));
}

// day1 like '2026-%' and day1 like '%12-%': the month view. The patterns were written for dates
// rendered without leading zeros, so the patterns also took November lines in January and a whole year
// ending in 1; what they stand for is the month, which is a range the date index can serve.
void monthPatternsToRange(QList<Token>& t) {
    static const QRegularExpression yearPattern(QStringLiteral("^'(\\d{4})-%'$"));
    static const QRegularExpression monthPattern(QStringLiteral("^'%(\\d{1,2})-%'$"));
    for (int i = 0; i < t.size(); ++i) {
        if (!isColumn(t.at(i))) continue;
        const QList<int> run = solidRun(t, i, 7);
        if (run.size() < 7 || !isWord(t.at(run[1]), "like") || t.at(run[2]).kind != Tok::String ||
            !isWord(t.at(run[3]), "and") || columnName(t.at(run[4])) != columnName(t.at(i)) ||
            !isWord(t.at(run[5]), "like") || t.at(run[6]).kind != Tok::String) {
            continue;
        }
        const auto y = yearPattern.match(t.at(run[2]).text);
        const auto m = monthPattern.match(t.at(run[6]).text);
        if (!y.hasMatch() || !m.hasMatch()) continue;
        const int year = y.captured(1).toInt();
        const int month = m.captured(1).toInt();
        if (month < 1 || month > 12) continue;
        const QString column = t.at(i).text;
        const QString range = column + QStringLiteral(">=") + isoDay(year, month) + QStringLiteral(" and ") + column +
                              QStringLiteral("<") + (month == 12 ? isoDay(year + 1, 1) : isoDay(year, month + 1));
        t[i].text = range;
        t[i].kind = Tok::Punct;
        for (int k = i + 1; k <= run[6]; ++k) t[k].text.clear();
        i = run[6];
    }
}

// year([day1])=2013 also reads as the range of that year, so the date index can serve it;
// the year() test stays, so the rows are exactly those it takes.
void yearComparisonsToRange(QList<Token>& t) {
    for (int i = 0; i < t.size(); ++i) {
        if (!isWord(t.at(i), "year")) continue;
        const QList<int> run = solidRun(t, i + 1, 5);
        if (run.size() < 5 || t.at(run[0]).text != QLatin1String("(") || !isColumn(t.at(run[1])) ||
            t.at(run[2]).text != QLatin1String(")") || t.at(run[3]).text != QLatin1String("=") ||
            t.at(run[4]).kind != Tok::Number) {
            continue;
        }
        bool ok = false;
        const int year = t.at(run[4]).text.toInt(&ok);
        if (!ok || year < 1 || year > 9998) continue;
        QString original;
        for (int k = i; k <= run[4]; ++k) original += t.at(k).text;
        const QString column = t.at(run[1]).text;
        t[i].text = QLatin1Char('(') + original + QStringLiteral(" and ") + column + QStringLiteral(">=") +
                    isoDay(year, 1) + QStringLiteral(" and ") + column + QStringLiteral("<") + isoDay(year + 1, 1) +
                    QLatin1Char(')');
        t[i].kind = Tok::Punct;
        for (int k = i + 1; k <= run[4]; ++k) t[k].text.clear();
        i = run[4];
    }
}

// "group by a,b,c order by a": the engine sorts the groups again unless the ORDER BY names
// every grouped column, although it reads them in that order already (the goods lookup's
// grouped catalogue, from its index). Groups that tie on the leading columns have no order of
// their own in the statement; giving them the grouped order costs nothing and saves the sort.
void orderGroupsAsGrouped(QList<Token>& t) {
    int groupAt = -1;
    for (int i = 0; i < t.size(); ++i) {
        if (isWord(t.at(i), "group")) groupAt = i;
    }
    if (groupAt < 0) return;
    const auto columnList = [&t](int from, int* end) {
        QStringList names;
        int i = nextSolid(t, from);
        while (i < t.size() && isColumn(t.at(i))) {
            names.append(columnName(t.at(i)));
            *end = i;
            i = nextSolid(t, i + 1);
            if (i >= t.size() || t.at(i).text != QLatin1String(",")) break;
            i = nextSolid(t, i + 1);
        }
        return names;
    };
    int by = nextSolid(t, groupAt + 1);
    if (by >= t.size() || !isWord(t.at(by), "by")) return;
    int groupEnd = -1;
    const QStringList grouped = columnList(by + 1, &groupEnd);
    if (grouped.size() < 2 || groupEnd < 0) return;
    int order = nextSolid(t, groupEnd + 1);
    if (order >= t.size() || !isWord(t.at(order), "order")) return;
    const int orderBy = nextSolid(t, order + 1);
    if (orderBy >= t.size() || !isWord(t.at(orderBy), "by")) return;
    int orderEnd = -1;
    const QStringList ordered = columnList(orderBy + 1, &orderEnd);
    if (ordered.isEmpty() || orderEnd < 0 || nextSolid(t, orderEnd + 1) < t.size()) return;
    if (ordered.size() >= grouped.size() || grouped.mid(0, ordered.size()) != ordered) return;
    QString list;
    for (int i = by + 1; i <= groupEnd; ++i) list += t.at(i).text;
    const int first = nextSolid(t, orderBy + 1);
    t[first].text = list.trimmed();
    t[first].kind = Tok::Punct;
    for (int k = first + 1; k <= orderEnd; ++k) t[k].text.clear();
}

// "group by c order by c": the distinct values of one column (the category and user lists)
// in the Chinese order the desktop dialect gave text, which the grids sort in too; the
// engine's own order would be by code point ("乳制品, 五金电器, 冷冻食品").
void orderOneGroupInChinese(QList<Token>& t) {
    int group = -1;
    for (int i = 0; i < t.size(); ++i) {
        if (isWord(t.at(i), "group")) group = i;
    }
    if (group < 0) return;
    const int by = nextSolid(t, group + 1);
    if (by >= t.size() || !isWord(t.at(by), "by")) return;
    const int grouped = nextSolid(t, by + 1);
    if (grouped >= t.size() || !isColumn(t.at(grouped))) return;
    const int order = nextSolid(t, grouped + 1);
    if (order >= t.size() || !isWord(t.at(order), "order")) return;
    const int orderBy = nextSolid(t, order + 1);
    if (orderBy >= t.size() || !isWord(t.at(orderBy), "by")) return;
    const int ordered = nextSolid(t, orderBy + 1);
    if (ordered >= t.size() || !isColumn(t.at(ordered)) || nextSolid(t, ordered + 1) < t.size()) return;
    if (columnName(t.at(grouped)).compare(columnName(t.at(ordered)), Qt::CaseInsensitive) != 0) return;
    t[ordered].text += QStringLiteral(" COLLATE chinese");
}

}  // namespace

QString translateJet(const QString& sql) {
    QList<Token> tokens = tokenize(sql);
    for (Token& t : tokens) {
        if (t.kind == Tok::Date) {
            t.text = dateLiteral(t.text);
            t.kind = Tok::String;
        }
    }
    bracketInsertColumns(tokens);
    unquoteDatePartComparisons(tokens);
    monthPatternsToRange(tokens);
    yearComparisonsToRange(tokens);
    orderGroupsAsGrouped(tokens);
    orderOneGroupInChinese(tokens);
    QString out;
    out.reserve(sql.size() + 16);
    for (const Token& t : tokens) out += t.text;
    return out;
}

QString sqlText(const QString& value) {
    QString out = value;
    out.replace(QLatin1Char('\''), QStringLiteral("''"));
    return out;
}

QString likeConditions(std::initializer_list<LikeCondition> conditions) {
    QString sql;
    for (const LikeCondition& c : conditions) {
        if (c.text.isEmpty()) continue;
        sql += QStringLiteral(" and ") + c.column + QStringLiteral(" like '%") + sqlText(c.text) + QStringLiteral("%'");
    }
    return sql;
}
