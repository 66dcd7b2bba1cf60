#pragma once

#include <QString>
#include <QUrl>

// Fixed facts about the product for the about window and the Help command.
class KPProductInfo
{
public:
    KPProductInfo() = delete;

    static QString version();
    static QString copyRight();
    // The help page that ships with the application; the home page is its About part.
    static QUrl homepage();
    static QUrl faq();

    // The help page as a local file: the installed copy, or one unpacked from the
    // application's resources when it runs from its build folder.
    static QString helpFile();
};
