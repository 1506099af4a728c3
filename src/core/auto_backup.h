// The automatic backups: at every normal close the database is copied into a folder of its own,
// one file per day ("data-yyyyMMdd.mdb", the last copy of a day wins), and the folder is kept
// small: the copies of the last 30 days, and for the last year the first copy of every month.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QList>
#include <QString>
#include <QStringList>

#include "core/database_copy.h"

namespace AutoBackup {
inline constexpr int kDailyDays = 30;      // every copy of the last 30 days is kept
inline constexpr int kMonthlyMonths = 12;  // and the first copy of each of the last 12 months
inline constexpr int kCloseSeconds = 5;    // a close waits at most this long for its copy
// The "\Software\drumnel\jxc" values: "0" turns the copies off; the folder, when not the default.
inline const QString kEnabledValue = QStringLiteral("auto");
inline const QString kFolderValue = QStringLiteral("autodir");
// The outcome of the last automatic copy, for the backup window.
inline const QString kLastValue = QStringLiteral("autolast");
}  // namespace AutoBackup

struct AutoBackupFile {
    QDate day;
    QString path;
    qint64 size = 0;
};

// "data-20261210.mdb"; a null date for a name of another form.
QString autoBackupName(QDate day);
QDate autoBackupDay(const QString& fileName);

// The automatic copies in `dir`, newest first.
QList<AutoBackupFile> autoBackups(const QString& dir);

// Of the days that have a copy, those the rotation keeps on `today`.
QList<QDate> backupDaysToKeep(QList<QDate> days, QDate today);

// Copies the database into `dir` as today's file (checked, whole or not at all, given up when
// the deadline passes), then removes the copies the rotation no longer keeps. `removed` gets the
// files taken away.
DatabaseCopyResult runAutoBackup(const QString& databasePath, const QString& dir, QDate today,
                                 const QDeadlineTimer& deadline = QDeadlineTimer(QDeadlineTimer::Forever),
                                 QStringList* removed = nullptr);
// The rotation alone (for `zenlo-admin backup --rotate` after it has copied).
QStringList rotateAutoBackups(const QString& dir, QDate today);

// The setting: whether the copies are made and where, `defaultDir` when none is chosen.
struct AutoBackupSetting {
    bool enabled = true;
    QString dir;
};
AutoBackupSetting autoBackupSetting(const QString& defaultDir);
void saveAutoBackupSetting(const AutoBackupSetting& setting, const QString& defaultDir);

// The outcome of the last automatic copy, kept for the backup window: "2026-12-10 18:02 已备份"
// or the time and what went wrong. Empty before the first.
void rememberAutoBackup(const DatabaseCopyResult& result, const QDateTime& when);
QString lastAutoBackupText();
