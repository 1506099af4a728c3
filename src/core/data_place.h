// Where the shop's data lives. A program run from a folder it can write (a USB drive, a copied
// folder, the build folder) keeps data.mdb in its working directory and config.ini beside
// itself. An installed program (under /usr or /opt, or in a folder it cannot write) keeps
// data.mdb, config.ini and the backups in one data folder per computer user:
// $XDG_DATA_HOME/zenlo, by default ~/.local/share/zenlo.
#pragma once

#include <QString>

struct DataPlace {
    bool installed = false;
    QString dataDir;       // installed: the data folder; else the working directory
    QString configDir;     // where config.ini lives
    QString databasePath;  // data.mdb, as the data module opens it
    QString backupDir;     // the automatic backups: "备份" in the data folder
};

// The place for a program whose executable lies in `programDir`, the data folder made if it is
// missing. `dataHome` is $XDG_DATA_HOME or ~/.local/share.
DataPlace dataPlaceFor(const QString& programDir, const QString& dataHome);
// The same for this program as it runs.
DataPlace currentDataPlace();
