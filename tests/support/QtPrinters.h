#pragma once
// Readable failure messages: GoogleTest prints a QString as its text in quotes.
#include <QString>

#include <ostream>

void PrintTo(const QString& text, std::ostream* os);
