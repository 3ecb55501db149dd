#pragma once
// TTranslations: the program's texts and Qt's own in the first language the user asks for that
// we have a translation for (German), installed into the application while the object lives.
// English is the source: a list that names English before any language we have keeps English.
// Main thread.
#include <QLocale>
#include <QStringList>
#include <QTranslator>

class TTranslations {
public:
    // `uiLanguages` in the user's order ("de-DE", "de"); the system locale's come from LANGUAGE,
    // then LC_ALL, LC_MESSAGES or LANG. Needs the application object.
    explicit TTranslations(const QStringList& uiLanguages = QLocale::system().uiLanguages());
    ~TTranslations();
    TTranslations(const TTranslations&) = delete;
    TTranslations& operator=(const TTranslations&) = delete;

    // Whether the program's own texts / Qt's own texts were installed.
    bool Program() const { return m_programLoaded; }
    bool Qt() const { return m_qtLoaded; }
    // The language of the program's texts now installed ("de_DE"), empty for English.
    QString Language() const { return m_programLoaded ? m_program.language() : QString(); }

    // Where the program's translations lie: embedded in the executable.
    static constexpr const char* ProgramFolder = ":/i18n";

private:
    QTranslator m_program;
    QTranslator m_qt;
    bool m_programLoaded = false;
    bool m_qtLoaded = false;
};
