// "软件升级": asks the vendor's version file over HTTP whether a newer program exists.
// The file's first line is the newest version, e.g. "2.1".
#pragma once

#include <QString>
#include <QUrl>

struct UpgradeResult {
    enum class Kind { Newer, UpToDate, Failed };
    Kind kind = Kind::Failed;
    QString version;  // the version the file names
    QString detail;   // why it failed
};

inline constexpr const char kProgramVersion[] = "2.0";
inline constexpr const char kDefaultUpgradeUrl[] = "http://www.zenlo.example/pos/version.txt";

// Blocks (with a local event loop) for at most `timeoutMs`.
UpgradeResult checkForUpgrade(const QUrl& url, const QString& currentVersion, int timeoutMs = 5000);
// "2.10" > "2.9"; missing parts count as 0.
int compareVersions(const QString& a, const QString& b);
// The text the operator sees for a result.
QString upgradeMessage(const UpgradeResult& result, const QString& currentVersion);
