// The program's small settings stores.
#include "core/settings_stores.h"

#include <QFile>
#include <QSettings>
#include <QTextStream>
#include <memory>

#include "core/save_file.h"

QString configIniPath(const QString& programDir) {
    if (programDir.endsWith(QLatin1Char('/')) || programDir.endsWith(QLatin1Char('\\'))) {
        return programDir + QStringLiteral("config.ini");
    }
    return programDir + QLatin1Char('/') + QStringLiteral("config.ini");
}

IniFile::IniFile(QString path) : path_(std::move(path)) {}

void IniFile::load() {
    sections_.clear();
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return;
    QTextStream in(&file);
    Section* current = nullptr;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            sections_.append({line.mid(1, line.size() - 2).trimmed(), {}});
            current = &sections_.last();
            continue;
        }
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0 || !current) continue;
        current->entries.append({line.left(eq).trimmed(), line.mid(eq + 1).trimmed()});
    }
}

QString IniFile::value(const QString& section, const QString& key, const QString& fallback) const {
    for (const Section& s : sections_) {
        if (s.name.compare(section, Qt::CaseInsensitive) != 0) continue;
        for (const auto& e : s.entries) {
            if (e.first.compare(key, Qt::CaseInsensitive) == 0) return e.second;
        }
    }
    return fallback;
}

void IniFile::setValue(const QString& section, const QString& key, const QString& value) {
    Section* target = nullptr;
    for (Section& s : sections_) {
        if (s.name.compare(section, Qt::CaseInsensitive) == 0) target = &s;
    }
    if (!target) {
        sections_.append({section, {}});
        target = &sections_.last();
    }
    for (auto& e : target->entries) {
        if (e.first.compare(key, Qt::CaseInsensitive) == 0) {
            e.second = value;
            return;
        }
    }
    target->entries.append({key, value});
}

bool IniFile::save() const {
    QByteArray bytes;
    {
        QTextStream out(&bytes);
        for (const Section& s : sections_) {
            out << '[' << s.name << "]\n";
            for (const auto& e : s.entries) out << e.first << '=' << e.second << '\n';
            out << '\n';
        }
    }
    // A full disk leaves the old file: an emptied config.ini would number sales from the start.
    return saveWholeFile(path_, bytes);
}

UserKey::UserKey(QString organisation, QString application)
    : organisation_(std::move(organisation)), application_(std::move(application)) {}

UserKey UserKey::pos() {
    return UserKey(QStringLiteral("tessvale"), QStringLiteral("pos"));
}
UserKey UserKey::jxc() {
    return UserKey(QStringLiteral("drumnel"), QStringLiteral("jxc"));
}

namespace {
std::unique_ptr<QSettings> settingsFor(const QString& organisation, const QString& application) {
#ifdef Q_OS_WIN
    return std::make_unique<QSettings>(
        QStringLiteral("HKEY_CURRENT_USER\\Software\\") + organisation + QLatin1Char('\\') + application,
        QSettings::NativeFormat);
#else
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, organisation, application);
#endif
}
}  // namespace

std::optional<QString> UserKey::value(const QString& name) const {
    auto s = settingsFor(organisation_, application_);
    if (!s->contains(name)) return std::nullopt;
    return s->value(name).toString();
}

void UserKey::setValue(const QString& name, const QString& value) const {
    auto s = settingsFor(organisation_, application_);
    s->setValue(name, value);
    s->sync();
}
