#pragma once

#include <QString>

class QCoreApplication;

// Every visible text is looked up by its key ("L_…") in the translation of the user's
// language; a key that the translation lacks shows as the key itself.
class KPLocalization
{
public:
    KPLocalization() = delete;

    // Loads the translation for the system's languages (LANGUAGE, LC_ALL, LANG),
    // falling back to English, and Qt's own translation for the language chosen.
    static void install(QCoreApplication& application);

    static QString text(const char* key);

    // A menu text as a button or a tool tip shows it: without its mnemonic, "&Add" or the
    // "(&A)" Chinese and Japanese texts carry; "&&" stays one "&".
    static QString withoutMnemonic(const QString& text);
    // A label's text as the accessible name of what it labels: without the mnemonic and
    // the colon ("Limit:" names the field "Limit").
    static QString asName(const QString& text);
};
