#pragma once
// TResText: one entry of the text table. It holds the English source text and becomes a QString
// in the language of the translators installed at the moment it is used, so a translation loaded
// after start-up (or changed while the program runs) reaches every text. QtCore only.
#include <QCoreApplication>
#include <QString>

#include <utility>

class TResText {
public:
    // The context under which the texts of the table are translated (lupdate's context name).
    static constexpr const char* Context = "ResStr";

    explicit constexpr TResText(const char* source) : m_source(source) {}

    // The English text, as written in the table.
    constexpr const char* Source() const { return m_source; }
    QString Translated() const { return QCoreApplication::translate(Context, m_source); }
    operator QString() const { return Translated(); }

    // What the call sites do with a QString, on the translated text.
    template <class... Args>
    QString arg(Args&&... args) const
    {
        return Translated().arg(std::forward<Args>(args)...);
    }
    bool isEmpty() const { return m_source[0] == '\0'; }

    friend QString operator+(const TResText& a, const QString& b) { return a.Translated() + b; }
    friend QString operator+(const QString& a, const TResText& b) { return a + b.Translated(); }
    friend QString operator+(const TResText& a, const TResText& b) { return a.Translated() + b.Translated(); }
    friend QString operator+(const TResText& a, QChar b) { return a.Translated() + b; }
    friend QString operator+(const TResText& a, QLatin1Char b) { return a.Translated() + QChar(b); }
    // Also QString == TResText (C++20 rewrites it to this).
    friend bool operator==(const TResText& a, const QString& b) { return a.Translated() == b; }

private:
    const char* m_source;
};
