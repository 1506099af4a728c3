// The few places where the statements of this program are written in the desktop database
// dialect (Jet SQL), turned into what the embedded engine understands. Everything else in a
// statement passes through character for character.
//
//   #2013-01-05#                     -> '2013-01-05'              (date literals)
//   insert into t(a,1,2) select ...  -> insert into t(a,[1],[2])  (digit column names)
//   year([day1])='2013'              -> (year([day1])=2013 and [day1]>='2013-01-01' and [day1]<'2014-01-01')
//                                                                  (date parts against quoted numbers,
//                                                                   with the range the date index serves)
//   day1 like '2026-%' and day1 like '%12-%'
//                                    -> day1>='2026-12-01' and day1<'2027-01-01'   (the month view)
//   group by a,b,c order by a        -> group by a,b,c order by a,b,c   (ties in grouped order, no re-sort)
//   group by c order by c            -> group by c order by c COLLATE chinese   (distinct values, Chinese order)
//
// Bracketed names ([2], [销售单价]), bare Chinese names, LIKE with "%", aliases, grouping and a
// string directly followed by a keyword ("'x'where") are understood by the engine as they are.
#pragma once

#include <QString>
#include <initializer_list>

// Throws DataError for a malformed date literal or a date part compared with a non-number.
QString translateJet(const QString& sql);

// The one way a value gets between single quotes in a statement: doubles every quote, so that
// a quote in a value can neither end the literal early nor change the statement.
QString sqlText(const QString& value);

// The searches' conditions: " and <column> like '%<text>%'" for each text that is not empty,
// in the order given, the text quoted by sqlText.
struct LikeCondition {
    QString column;
    QString text;
};
QString likeConditions(std::initializer_list<LikeCondition> conditions);
