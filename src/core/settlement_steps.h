// The steps of a settlement that need no window: check what the panel shows, then store the
// sale - the next serial first, then, in one transaction, the serial on every note line, the
// lines into the history, one row into the sales and the note emptied.
#pragma once

#include <QDate>
#include <QString>

class IniFile;
class Tdmfm;

// Copies every line of the note into the history in one statement.
inline const QString kSaleArchiveSql = QStringLiteral(
    "insert into data1(a,b,c,d,h,i,z,1,2,3,4,5,6,7,8,day1)  select "
    "a,b,c,d,h,i,z,[1],[2],[3],[4],[5],[6],[7],[8],day1 from data");

// What the settlement panel and the main window show at the moment of "确 定".
struct SettlementInput {
    int noteLines = 0;
    QString total;     // 共 计, "0.00"
    QString received;  // 实 收
    QString cash;      // 现 金, as typed
    QString change;    // 找 零, as computed from the cash
    QString profit;    // the note grid's hidden profit footer
    QString owed;      // 欠款金额
    QString customerName;
    QString customerAddress;
    QString contact;
    QString phone;
    QString serialShown;  // beside "销售流水号：", untrimmed
    QString counter;      // config.ini's counter
    QDate noteDate;
    QDate today;
    QString operatorName;
};

// Why a settlement cannot go on, and what the panel does about it.
struct SettlementRefusal {
    enum class Action {
        None,        // nothing wrong: store the sale
        CloseQuiet,  // a note of 0.00: close the panel, nothing to say
        Close,       // nothing to settle: close the panel, say why
        FixCash,     // the cash field needs the operator
        FixOwed,     // the owed amount needs the operator (the panel opens wide)
    };
    Action action = Action::None;
    QString message;
};

// The checks in the order the panel makes them; nothing is written.
SettlementRefusal checkSettlement(const SettlementInput& in);

struct StoredSale {
    QString serial;            // trimmed, as stored
    QString serialShown;       // as the printouts show it: the serial shown, or the one taken instead
    bool serialMoved = false;  // the serial shown was a stored sale's already
    QString nextSerial;        // shown from now on
    QString nextCounter;
    bool serialSaved = true;  // false when config.ini could not be written
};

// Stores a sale that passed the checks, under a serial no stored sale has. The next serial is
// on disk before the sale is: a power cut in between skips a serial but never gives one to two
// sales. Throws DataError when the sale cannot be stored; then nothing of it is.
StoredSale storeSale(Tdmfm& dm, IniFile& config, const SettlementInput& in);

// What the operator is told when the serial shown was a stored sale's already: at a settlement
// (this sale takes another) or at the start (the next sale will).
enum class SerialMoment { Settlement, Start };
QString serialMovedText(const QString& shown, const QString& taken, SerialMoment when);
