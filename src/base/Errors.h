#pragma once
// The program's error classes. `Exception` carries a message for the error box of the
// default error display; `EAbort` ends a command silently.
#include <QString>
#include <stdexcept>

class Exception : public std::runtime_error {
public:
    explicit Exception(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString Message() const { return QString::fromUtf8(what()); }
};

class EAbort : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};
