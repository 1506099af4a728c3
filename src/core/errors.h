// DataError: the one exception type of the data layer. Its text is what the operator is told:
// the engine's words for a statement, a Chinese reason for what concerns the file itself.
#pragma once

#include <QString>
#include <stdexcept>

class DataError : public std::runtime_error {
public:
    // Of a database file that cannot be used: Missing (no such file), Folder (a folder of that
    // name), Unreadable (no right to read it, or it cannot be opened), NotADatabase (another
    // key, or no database at all), Damaged (the engine finds it broken), ReadOnly, InUse
    // (another program holds the database's lock file).
    enum class Kind {
        Statement,
        Conversion,
        Missing,
        Folder,
        Unreadable,
        NotADatabase,
        Damaged,
        ReadOnly,
        State,
        InUse
    };

    explicit DataError(const QString& message, Kind kind = Kind::Statement, int engineCode = 0)
        : std::runtime_error(message.toStdString()), message_(message), kind_(kind), engineCode_(engineCode) {}

    const QString& message() const { return message_; }
    Kind kind() const { return kind_; }
    // The engine's result code behind the error; 0 when the engine did not raise it.
    int engineCode() const { return engineCode_; }

private:
    QString message_;
    Kind kind_;
    int engineCode_;
};
