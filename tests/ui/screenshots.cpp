// Saves pictures of the main window and its panels, for looking at them as a user
// would: screenshots OUT_DIR [PICTURE_FOLDER]. The language follows LANGUAGE/LANG.
#include "list/KPDupPathPanel.h"
#include "list/KPListView.h"
#include "settings/KPPreferences.h"
#include "support/KPTestSupport.h"
#include "ui/KPAbout.h"
#include "ui/KPLocalization.h"
#include "ui/KPMainWindow.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Pictaro"));
    if (argc < 2) {
        qCritical("usage: screenshots OUT_DIR [PICTURE_FOLDER]");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    KPTestSettings settings;
    KPLocalization::install(app);

    KPMainWindow window;
    window.awakeFromNib();
    window.show();
    if (argc > 2)
        window.addPaths({QString::fromLocal8Bit(argv[2])});
    const QString first = window.picLV()->memberMAr().isEmpty() ? QString() : window.picLV()->memberMAr().first()->path();

    QTimer::singleShot(1500, &app, [&] {
        window.grab().save(out + QStringLiteral("/main.png"));
        window.preferenceV()->showPanel();
        window.preferenceV()->adjustSize();
        window.preferenceV()->grab().save(out + QStringLiteral("/preferences.png"));
        window.aboutW()->showMe();
        window.aboutW()->grab().save(out + QStringLiteral("/about.png"));
        if (!first.isEmpty())
            window.addPaths({first, QDir(first).filePath(QStringLiteral("../"))});
        window.dupPathPanel()->grab().save(out + QStringLiteral("/duplicates.png"));
        QApplication::quit();
    });
    return QApplication::exec();
}
