// The program speaks the language of the locale when it has a translation for it (German), with
// Qt's own dialogs in the same language, and English otherwise; a text of the table is
// translated when it is used, so a translation installed later reaches it.
#include "About.h"
#include "Globals.h"
#include "Progress.h"
#include "ResStr.h"
#include "Translations.h"

#include <QCoreApplication>
#include <QStringList>

#include <gtest/gtest.h>

TEST(Translations, TheFirstLanguageWeHaveWinsAndEnglishFirstKeepsEnglish)
{
    struct Case {
        QStringList UiLanguages; // as LANGUAGE and LANG give them, the user's first choice first
        bool German;
    };
    const Case cases[] = {
        {{QStringLiteral("de-DE"), QStringLiteral("de")}, true},
        {{QStringLiteral("de-AT")}, true},
        {{QStringLiteral("de-CH"), QStringLiteral("de")}, true},
        {{QStringLiteral("fr-FR"), QStringLiteral("de-DE")}, true}, // LANGUAGE=fr:de
        {{QStringLiteral("en-US"), QStringLiteral("de-DE")}, false}, // LANGUAGE=en with LANG=de_DE
        {{QStringLiteral("en-GB")}, false},
        {{QStringLiteral("fr-FR"), QStringLiteral("fr")}, false},
        {{QStringLiteral("C")}, false},
        {{}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.UiLanguages.join(QLatin1Char(':')).toStdString());
        const TTranslations translations{c.UiLanguages};
        EXPECT_EQ(translations.Program(), c.German);
        EXPECT_EQ(translations.Qt(), c.German);
        EXPECT_EQ(translations.Language().left(2), c.German ? QStringLiteral("de") : QString());
        // The table, the windows' own texts and Qt's standard buttons.
        EXPECT_EQ(QString(ResStr::CaptionError), c.German ? QStringLiteral("Fehler") : QStringLiteral("Error"));
        EXPECT_EQ(TFormAbout::CreditLines().at(43), c.German ? QStringLiteral("Viel Spaß!") : QStringLiteral("Have fun!"));
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"),
                  c.German ? QStringLiteral("Abbrechen") : QStringLiteral("Cancel"));
    }
}

TEST(Translations, TableTextsFollowTheTranslatorInstalledWhenTheyAreUsed)
{
    // Each use as the call sites write it, in English, under German, and in English again once
    // the translation is gone.
    const auto uses = [] {
        return QStringList{ResStr::ProgressCaption, ResStr::SomeFiles.arg(3), ResStr::LogErrorPrefix + QStringLiteral("x"),
                           QStringLiteral("x") + ResStr::ProgressBatch, ResStr::ProgressStatus + QLatin1Char('%'),
                           ResStr::WfiBytesOfReceived.arg(QStringLiteral("1"), QStringLiteral("2")),
                           PriorityNames().at(1)};
    };
    const QStringList english{QStringLiteral("Encoding in progress"), QStringLiteral("3 files"),
                              QStringLiteral("Error: x"), QStringLiteral("xBatch="), QStringLiteral("Status=%"),
                              QStringLiteral("1 of 2 bytes received."), QStringLiteral("Lowest")};
    const QStringList german{QStringLiteral("Kodierung läuft"), QStringLiteral("3 Dateien"),
                             QStringLiteral("Fehler: x"), QStringLiteral("xStapel="), QStringLiteral("Status=%"),
                             QStringLiteral("1 von 2 Bytes empfangen."), QStringLiteral("Niedrigste")};
    EXPECT_EQ(uses(), english);
    {
        const TTranslations translations{QStringList{QStringLiteral("de-DE")}};
        EXPECT_EQ(uses(), german);
        EXPECT_TRUE(ResStr::CaptionQuestion == QStringLiteral("Frage"));
        QWidget owner;
        EXPECT_EQ(TFormProgress(&owner).windowTitle(), QStringLiteral("Kodierung läuft"));
    }
    EXPECT_EQ(uses(), english);
}
