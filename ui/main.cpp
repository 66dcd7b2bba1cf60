#include "engine/KPImageDecoder.h"
#include "engine/KPPath.h"
#include "ui/KPLocalization.h"
#include "ui/KPMainWindow.h"
#include "ui/KPTerminal.h"

#include <QApplication>
#include <QCoreApplication>
#include <QIcon>

namespace {
void describeApplication()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Pictaro"));
    QCoreApplication::setApplicationName(QStringLiteral("Pictaro"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PICTARO_VERSION));
}

int runWindow(int argc, char* argv[])
{
    QApplication app(argc, argv);
    describeApplication();
    QGuiApplication::setDesktopFileName(QStringLiteral("pictaro"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/pictures/Pictaro.svg")));
    KPLocalization::install(app);
    KPImageDecoder::applyAllocationLimit();

    KPMainWindow window;
    window.awakeFromNib();
    window.show();
    // QApplication has taken its own options out of argv by now. A path keeps its bytes
    // (QCoreApplication::arguments would turn those that are no UTF-8 into U+FFFD).
    QStringList paths = KPPath::arguments(argc, argv);
    paths.removeAll(QStringLiteral("--"));
    if (!paths.isEmpty())
        window.addPaths(paths);
    return QApplication::exec();
}
} // namespace

int main(int argc, char* argv[])
{
    if (!KPTerminal::wanted(argc, argv))
        return runWindow(argc, argv);

    QCoreApplication app(argc, argv);
    describeApplication();
    return KPTerminal::run(app, KPPath::arguments(argc, argv));
}
