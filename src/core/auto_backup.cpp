// The automatic backups and their rotation.
#include "core/auto_backup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <map>

#include "core/settings_stores.h"

QString autoBackupName(QDate day) {
    return QStringLiteral("data-%1.mdb").arg(day.toString(QStringLiteral("yyyyMMdd")));
}

QDate autoBackupDay(const QString& fileName) {
    static const QRegularExpression form(QStringLiteral("^data-(\\d{8})\\.mdb$"));
    const QRegularExpressionMatch m = form.match(fileName);
    return m.hasMatch() ? QDate::fromString(m.captured(1), QStringLiteral("yyyyMMdd")) : QDate();
}

QList<AutoBackupFile> autoBackups(const QString& dir) {
    QList<AutoBackupFile> out;
    const QFileInfoList files =
        QDir(dir).entryInfoList({QStringLiteral("data-*.mdb")}, QDir::Files | QDir::NoDotAndDotDot);
    for (const QFileInfo& f : files) {
        const QDate day = autoBackupDay(f.fileName());
        if (day.isValid()) out.append({day, f.absoluteFilePath(), f.size()});
    }
    std::sort(out.begin(), out.end(), [](const AutoBackupFile& a, const AutoBackupFile& b) { return a.day > b.day; });
    return out;
}

QList<QDate> backupDaysToKeep(QList<QDate> days, QDate today) {
    std::sort(days.begin(), days.end());
    const QDate dailyFrom = today.addDays(1 - AutoBackup::kDailyDays);
    // The first month of the year kept is the one twelve months back, counting this one.
    const QDate monthlyFrom = QDate(today.year(), today.month(), 1).addMonths(1 - AutoBackup::kMonthlyMonths);
    std::map<int, QDate> firstOfMonth;  // yyyymm -> the earliest copy of that month
    for (const QDate& d : days) {
        if (d < monthlyFrom || d > today) continue;
        firstOfMonth.try_emplace(d.year() * 100 + d.month(), d);
    }
    QList<QDate> keep;
    for (const QDate& d : days) {
        // A copy dated after today (a clock set wrong once) is never the rotation's to remove.
        const bool daily = d >= dailyFrom;
        const auto month = firstOfMonth.find(d.year() * 100 + d.month());
        const bool monthly = month != firstOfMonth.end() && month->second == d;
        if (daily || monthly) keep.append(d);
    }
    return keep;
}

QStringList rotateAutoBackups(const QString& dir, QDate today) {
    const QList<AutoBackupFile> files = autoBackups(dir);
    QList<QDate> days;
    for (const AutoBackupFile& f : files) days.append(f.day);
    const QList<QDate> keep = backupDaysToKeep(days, today);
    QStringList removed;
    for (const AutoBackupFile& f : files) {
        if (!keep.contains(f.day) && QFile::remove(f.path)) removed.append(f.path);
    }
    return removed;
}

DatabaseCopyResult runAutoBackup(const QString& databasePath, const QString& dir, QDate today,
                                 const QDeadlineTimer& deadline, QStringList* removed) {
    if (!QDir().mkpath(dir)) {
        DatabaseCopyResult r;
        r.failure = DatabaseCopyResult::Failure::Copy;
        r.problem = QStringLiteral("不能建立备份文件夹“%1”。").arg(QDir::toNativeSeparators(dir));
        return r;
    }
    // The quick check suffices here: the pages of a copy the engine itself wrote.
    const DatabaseCopyResult result = backupDatabase(databasePath, QDir(dir).filePath(autoBackupName(today)), {},
                                                     BackupLimits{deadline, CheckDepth::Quick});
    // Older copies go only once today's is whole.
    if (result.ok()) {
        const QStringList gone = rotateAutoBackups(dir, today);
        if (removed) *removed = gone;
    }
    return result;
}

AutoBackupSetting autoBackupSetting(const QString& defaultDir) {
    const UserKey key = UserKey::jxc();
    AutoBackupSetting s;
    s.enabled = key.value(AutoBackup::kEnabledValue).value_or(QStringLiteral("1")) != QLatin1String("0");
    const QString dir = key.value(AutoBackup::kFolderValue).value_or(QString()).trimmed();
    s.dir = dir.isEmpty() ? defaultDir : dir;
    return s;
}

void saveAutoBackupSetting(const AutoBackupSetting& setting, const QString& defaultDir) {
    const UserKey key = UserKey::jxc();
    key.setValue(AutoBackup::kEnabledValue, setting.enabled ? QStringLiteral("1") : QStringLiteral("0"));
    const QString dir = setting.dir.trimmed();
    key.setValue(AutoBackup::kFolderValue,
                 dir.isEmpty() || QDir::cleanPath(dir) == QDir::cleanPath(defaultDir) ? QString() : dir);
}

void rememberAutoBackup(const DatabaseCopyResult& result, const QDateTime& when) {
    const QString time = when.toString(QStringLiteral("yyyy-MM-dd hh:mm"));
    UserKey::jxc().setValue(AutoBackup::kLastValue, result.ok()
                                                        ? time + QStringLiteral(" 已备份")
                                                        : time + QStringLiteral(" 没有备份：") + result.problem);
}

QString lastAutoBackupText() {
    return UserKey::jxc().value(AutoBackup::kLastValue).value_or(QString());
}
