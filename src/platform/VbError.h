#pragma once
// The one exception type of the program. Handlers that guard an operation catch
// it (or any std::exception) and show their own message; no exception ever
// leaves an event handler.
#include <QString>
#include <stdexcept>

class VbError : public std::runtime_error {
public:
    // Number of a cancelled common dialog: the command ends silently.
    static constexpr int CancelError = 32755;

    explicit VbError(const QString &message, int number = 0)
        : std::runtime_error(message.toStdString()), number_(number) {}
    int number() const { return number_; }
    QString message() const { return QString::fromStdString(what()); }

private:
    int number_;
};
