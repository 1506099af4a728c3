// The program's small settings stores: config.ini beside the executable (the sale numbering)
// and the per-user keys "\Software\tessvale\pos" and "\Software\drumnel\jxc".
#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <optional>

// The directory of the executable plus "config.ini", with exactly one separator between them
// (a program at a drive root already ends with one).
QString configIniPath(const QString& programDir);

// A plain INI file: read once, changed in memory, written whole and atomically.
class IniFile {
public:
    explicit IniFile(QString path);
    const QString& path() const { return path_; }

    // A missing or unreadable file reads as empty.
    void load();
    QString value(const QString& section, const QString& key, const QString& fallback) const;
    void setValue(const QString& section, const QString& key, const QString& value);
    // Writes through a temporary file and a rename, so a crash leaves the old file or the new
    // one, never half of either. Returns false when the file cannot be written.
    bool save() const;

private:
    struct Section {
        QString name;
        QList<QPair<QString, QString>> entries;
    };
    QString path_;
    QList<Section> sections_;
};

// The sections of config.ini this program uses.
namespace ConfigIni {
inline const QString kSerialSection = QStringLiteral("serial");
inline const QString kSerialKey = QStringLiteral("number");
inline const QString kSerialDefault = QStringLiteral("CJG121122000002");
inline const QString kCounterSection = QStringLiteral("counter");
inline const QString kCounterKey = QStringLiteral("number0");
inline const QString kCounterDefault = QStringLiteral("1");
inline const QString kUpgradeSection = QStringLiteral("upgrade");
inline const QString kUpgradeKey = QStringLiteral("url");
}  // namespace ConfigIni

// A per-user settings key. On Windows it is the registry key itself under HKEY_CURRENT_USER;
// elsewhere an INI file in the user's configuration directory (~/.config/tessvale/pos.ini).
class UserKey {
public:
    static UserKey pos();  // "\Software\tessvale\pos": skin, company, address
    static UserKey jxc();  // "\Software\drumnel\jxc": save (the last backup path)

    // Reading never creates the key; a missing key or value gives nothing.
    std::optional<QString> value(const QString& name) const;
    // Creates the key when needed.
    void setValue(const QString& name, const QString& value) const;

private:
    UserKey(QString organisation, QString application);
    QString organisation_;
    QString application_;
};
