// DataError: the one exception type of the data layer, carrying the engine's own text.
#pragma once

#include <QString>
#include <stdexcept>

class DataError : public std::runtime_error {
public:
    // InUse: another program holds the database's lock file.
    enum class Kind { Statement, Conversion, Missing, NotADatabase, ReadOnly, State, InUse };

    explicit DataError(const QString& message, Kind kind = Kind::Statement)
        : std::runtime_error(message.toStdString()), message_(message), kind_(kind) {}

    const QString& message() const { return message_; }
    Kind kind() const { return kind_; }

private:
    QString message_;
    Kind kind_;
};
