// Tdmfm: the data module — the one connection and the named datasets all windows share.
#pragma once

#include <QObject>
#include <QString>

#include "core/background_rows.h"
#include "core/connection.h"
#include "core/database_check.h"
#include "core/database_copy.h"
#include "core/dataset.h"
#include "core/history_index.h"

class Tdmfm : public QObject {
    Q_OBJECT

public:
    // Opens the database file at once (relative to the working directory by default).
    // Throws DataError when the file is missing, read-only, not a database or keyed otherwise.
    explicit Tdmfm(const QString& databasePath = QStringLiteral("data.mdb"), QObject* parent = nullptr);
    ~Tdmfm() override;

    // Connect and disconnect ADOConnection1 again, as the backup window does. Disconnecting
    // closes every dataset. While connected the module holds the database's lock file, so a
    // restore from the command line is refused meanwhile; connecting throws
    // DataError (InUse) when another program holds it.
    void connectDatabase();
    void disconnectDatabase();

    const QString& databasePath() const { return databasePath_; }

    // Files larger than this have their pages checked in the background (tests lower it).
    static inline qint64 checkAtOnceBytes = kCheckAtOnceBytes;

    // Begins reading the history into memory in the background; from then on the index is
    // rebuilt whenever the database is connected again. Until it is ready, the sales window's
    // lists are looked for off the user-interface thread (historyRows).
    void startHistoryIndex();

    Connection ADOConnection1;
    // The sales history in memory, for the sales window's lists (see history_index.h).
    HistoryIndex historyIndex;
    // The sales lists' rows found on a reading connection while the index is not ready.
    BackgroundRows historyRows;

signals:
    // The page check of a large file, done in the background, found it damaged: nothing has
    // been written to it, and nothing will be.
    void databaseDamaged(const QString& problem);

public:
    Dataset ADOTable5;  // data: appending note lines
    Dataset ADOTable6;  // data3: appending the settlement row
    Dataset ADOTable2;  // data1
    Dataset ADOTable4;  // sp: appending new goods
    Dataset ADOTable1;  // data
    Dataset ADOTable3;  // data

    Dataset ADOQuery15;  // the note line list
    Dataset ADOQuery7;   // a note line by code; emptying the note
    Dataset ADOQuery8;   // the archive insert
    Dataset ADOQuery6;   // one catalogue row by code
    Dataset ADOQuery2;   // the merge update of a note line; statistics
    Dataset ADOQuery12;  // the goods window's list
    Dataset ADOQuery4;   // duplicate-code check
    Dataset ADOQuery5;   // the goods lookup list
    Dataset ADOQuery13;  // sales lines
    Dataset ADOQuery9;   // settled sales
    Dataset ADOQuery1;   // general purpose: users, login, login log, monthly statistics
    Dataset ADOQuery3;
    Dataset ADOQuery14;

private:
    BackgroundCheck check_;
    int checkGate_ = 0;
    QString databasePath_;
    DatabaseLock lock_;
    bool historyIndexWanted_ = false;
};
