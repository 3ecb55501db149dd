#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>

TTranslations::TTranslations(const QStringList& uiLanguages)
{
    for (const QString& language : uiLanguages) {
        const QLocale locale(language);
        // The source language, asked for before any we have: the texts stay as they are.
        if (locale.language() == QLocale::English)
            return;
        // "tonewright_de_AT" falls back to "tonewright_de".
        if (locale.language() != QLocale::C
            && m_program.load(QStringLiteral("tonewright_") + locale.name(), QLatin1String(ProgramFolder)))
            break;
    }
    if (m_program.isEmpty())
        return;
    m_programLoaded = QCoreApplication::installTranslator(&m_program);
    // Qt's own dialogs (file dialog, the standard buttons) in the language ours were found in, so
    // a window never mixes two languages.
    m_qtLoaded = m_programLoaded
                 && m_qt.load(QLocale(m_program.language()), QStringLiteral("qtbase"), QStringLiteral("_"),
                              QLibraryInfo::path(QLibraryInfo::TranslationsPath))
                 && QCoreApplication::installTranslator(&m_qt);
}

TTranslations::~TTranslations()
{
    if (m_qtLoaded)
        QCoreApplication::removeTranslator(&m_qt);
    if (m_programLoaded)
        QCoreApplication::removeTranslator(&m_program);
}
