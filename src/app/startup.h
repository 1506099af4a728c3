// Program: creates the long-lived windows in their fixed order, opens the database with the
// data module, wires the windows together and runs the message loop.
#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <memory>

#include "core/ui/MAIN.h"

class Counter;
class TAboutBox;
class Tchangepassfm;
class Tdmfm;
class TForm1;
class TForm2;
class Texcell;
class Tloginfm;
class Trepair;
class Tuserglfm;
class Txstj;
class Tysfm;

class Program : public QObject {
    Q_OBJECT

public:
    struct Options {
        QString databasePath = QStringLiteral("data.mdb");
        TMainForm::Environment environment;
        // Where the automatic backups go; none when empty (tests that do not want them).
        QString backupDir;
    };

    Program();
    explicit Program(Options options);
    ~Program() override;

    // Creates every window in order. When the database cannot be opened it says so, in one box
    // naming the file and how to make one, frees what was made and returns false.
    bool create();
    // create(), show the main window, run until it closes. The process exit code.
    int run();

    // Class names in the order they were created.
    const QStringList& creationOrder() const { return creationOrder_; }

    TMainForm* mainForm = nullptr;
    Tloginfm* loginfm = nullptr;
    Tdmfm* dm = nullptr;
    TAboutBox* aboutBox = nullptr;
    Txstj* xstj = nullptr;
    TForm1* form1 = nullptr;
    Texcell* excell = nullptr;
    TForm2* form2 = nullptr;
    Tysfm* ysfm = nullptr;
    Counter* counter = nullptr;

    QPointer<Tuserglfm> userglfm;
    QPointer<Tchangepassfm> changepassfm;
    QPointer<Trepair> repair;

private:
    template <class T, class... Args>
    T* make(Args&&... args);
    void wire();
    void backUpAtClose();
    void destroyWindows();

    Options options_;
    QStringList creationOrder_;
};

// The message for a database file that cannot be used, naming the file, what is wrong with it
// (`detail`, when known) and the way out.
QString databaseProblemText(const QString& path, int kind, const QString& detail = QString());
