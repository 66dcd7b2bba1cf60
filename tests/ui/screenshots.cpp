// Saves pictures of the main window and its panels in each state a user meets, for
// looking at them as a user would: screenshots OUT_DIR [PICTURE_FOLDER [FORMAT]]. The language
// follows LANGUAGE/LANG; QT_SCALE_FACTOR=2 shows a 2x screen. With a picture folder it
// also runs Resize over it (limit 150 KB, into OUT_DIR/export) and takes the run, its
// end and its results, and the compare mode on the first converted picture (fit and 100 %),
// writing FORMAT (jpeg, webp or avif) when given.
#include "engine/KPBatchRun.h"
#include "list/KPDupPathPanel.h"
#include "list/KPListView.h"
#include "list/KPPicTableView.h"
#include "settings/KPExportPathView.h"
#include "settings/KPLimitView.h"
#include "settings/KPNumberTextField.h"
#include "settings/KPPathComboBox.h"
#include "settings/KPPreferences.h"
#include "settings/KPSettings.h"
#include "settings/KPUploadRulesGroup.h"
#include "support/KPTestSupport.h"
#include "ui/KPAbout.h"
#include "ui/KPComparePanel.h"
#include "ui/KPImageLogView.h"
#include "ui/KPLocalization.h"
#include "ui/KPMainWindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>

namespace {
QString g_out;

void save(QWidget* widget, const char* name)
{
    widget->grab().save(g_out + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png"));
}

// Runs Resize and waits for its end alert, which it closes.
bool runToTheEnd(KPMainWindow& window)
{
    // The alert of the run before is gone first.
    if (!QTest::qWaitFor([&] { return window.endAlert() == nullptr; }, 10000))
        return false;
    window.resize();
    if (!QTest::qWaitFor([&] { return window.endAlert() != nullptr; }, 600000))
        return false;
    QTest::qWait(300);
    window.endAlert()->defaultButton()->click();
    return QTest::qWaitFor([&] { return window.run()->isIdle(); }, 10000);
}

// The upload rules tried from the window: the largest box refused below the smallest, then
// on with the folders and dates kept, and one limit for the whole set, met and not met.
bool uploadRules(KPMainWindow& window)
{
    KPPreferences* preferences = window.preferenceV();
    preferences->showPanel();
    KPUploadRulesGroup* rules = preferences->uploadRulesGroup();
    rules->largestCB()->setChecked(true);
    rules->largestWidthTF()->setText(QStringLiteral("200"));
    rules->largestHeightTF()->setText(QStringLiteral("100"));
    preferences->ok();
    preferences->adjustSize();
    QTest::qWait(100);
    save(preferences, "preferences-largest-refused");
    rules->largestWidthTF()->setText(QStringLiteral("1280"));
    rules->largestHeightTF()->setText(QStringLiteral("1280"));
    rules->keepFoldersCB()->setChecked(true);
    rules->keepDatesCB()->setChecked(true);
    QTest::qWait(100);
    save(preferences, "preferences-upload-rules");
    preferences->ok();

    const QString folder = g_out + QStringLiteral("/export-set");
    QDir().mkpath(folder);
    window.exportPathV()->pathCB()->setEditText(folder);
    window.limitV()->sizeTF()->setText(QStringLiteral("3"));
    window.limitV()->setSelectedSegment(1);
    window.limitV()->setAppliesTo(1);
    QTest::qWait(100);
    save(&window, "set-limit");
    if (!runToTheEnd(window))
        return false;
    QTest::qWait(500);
    save(&window, "set-results");
    window.limitV()->sizeTF()->setText(QStringLiteral("10"));
    window.limitV()->setSelectedSegment(0);
    if (!runToTheEnd(window))
        return false;
    QTest::qWait(500);
    save(&window, "set-over");
    return true;
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Pictaro"));
    if (argc < 2) {
        qCritical("usage: screenshots OUT_DIR [PICTURE_FOLDER [FORMAT]]");
        return 2;
    }
    g_out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(g_out);
    KPTestSettings settings;
    if (argc > 3)
        KPSettings::setObject(KPSettingsKey::OutputFormat, QString::fromLocal8Bit(argv[3]));
    KPLocalization::install(app);

    KPMainWindow window;
    window.awakeFromNib();
    window.show();
    QTest::qWait(300);
    save(&window, "empty");

    // Resize with nothing to do: every problem at once.
    window.limitV()->sizeTF()->setText(QStringLiteral("0"));
    window.exportPathV()->pathCB()->setEditText(QStringLiteral("/no/such/folder/out"));
    window.resize();
    QTest::qWait(100);
    save(&window, "problems");

    window.limitV()->sizeTF()->setText(QStringLiteral("150"));
    window.limitV()->setSelectedSegment(0);
    window.exportPathV()->pathCB()->setEditText(g_out + QStringLiteral("/export"));
    if (argc > 2)
        window.addPaths({QString::fromLocal8Bit(argv[2])});
    QTest::qWait(1500);
    save(&window, "main");

    // A decimal point typed into the limit: the line under the field answers it.
    window.limitV()->setSelectedSegment(1);
    window.limitV()->sizeTF()->setFocus();
    window.limitV()->sizeTF()->selectAll();
    QTest::keyClicks(window.limitV()->sizeTF(), QStringLiteral("0.5"));
    QTest::qWait(100);
    save(&window, "decimal-hint");
    window.limitV()->sizeTF()->setText(QStringLiteral("150"));
    window.limitV()->setSelectedSegment(0);

    const QSize size = window.size();
    window.resize(window.minimumSizeHint());
    QTest::qWait(300);
    save(&window, "minimum");
    window.resize(size);

    window.preferenceV()->showPanel();
    window.preferenceV()->adjustSize();
    QTest::qWait(100);
    save(window.preferenceV(), "preferences");
    window.preferenceV()->close();
    window.aboutW()->showMe();
    save(window.aboutW(), "about");
    window.aboutW()->close();

    // The shortcut names in the menus are Qt's own texts; the mnemonics are underlined.
    const char* const menuNames[] = {"menu-file", "menu-edit", "menu-view", "menu-window",
                                     "menu-help"};
    for (int i = 0; i < window.menuBar()->actions().size() && i < 5; ++i) {
        QAction* title = window.menuBar()->actions().at(i);
        QMenu* menu = title->menu();
        menu->popup(window.mapToGlobal(window.menuBar()->actionGeometry(title).bottomLeft()));
        QTest::qWait(200);
        save(menu, menuNames[i]);
        menu->close();
    }

    auto* chooser = new QFileDialog(&window, KPLocalization::text("L_ChooseFiles"));
    chooser->show();
    QTest::qWait(300);
    save(chooser, "file-chooser");
    chooser->close();

    if (window.picLV()->memberMAr().isEmpty())
        return 0;
    const QString first = window.picLV()->memberMAr().first()->path();
    window.addPaths({first});
    save(window.dupPathPanel(), "duplicates");
    window.dupPathPanel()->close();

    bool running = false;
    QObject::connect(window.run(), &KPBatchRun::jobFinished, &window,
                     [&](const KPImageDataPtr&, int index, int) {
                         if (index == 1 && !running) {
                             running = true;
                             save(&window, "running");
                         }
                     });
    window.resize();
    if (!QTest::qWaitFor([&] { return window.endAlert() != nullptr; }, 600000))
        return 1;
    QTest::qWait(300);
    save(window.endAlert(), "end-alert");
    window.endAlert()->defaultButton()->click();
    if (!QTest::qWaitFor([&] { return window.run()->isIdle(); }, 10000))
        return 1;
    // The first failed row, if any, selected: its reason in the log view.
    const KPImageDataList& jobs = window.picLV()->memberMAr();
    for (int row = 0; row < int(jobs.size()); ++row) {
        if (jobs[row]->is(KPProgress::Failed)) {
            window.picTableView()->selectRow(row);
            break;
        }
    }
    QTest::qWait(800);
    save(&window, "results");

    // The first converted picture in compare mode, fitted and at 100 %.
    for (int row = 0; row < int(jobs.size()); ++row) {
        if (!jobs[row]->is(KPProgress::Converted))
            continue;
        // Selected anew, so that the panel shows it rather than the run's last picture.
        window.picTableView()->picTV()->clearSelection();
        window.picTableView()->selectRow(row);
        KPComparePanel* compare = window.imgMsgV()->comparePanel();
        compare->compareAction()->setChecked(true);
        if (!QTest::qWaitFor([&] { return !compare->isLoading(); }, 60000))
            return 1;
        QTest::qWait(300);
        save(&window, "compare-fit");
        compare->zoomActions().at(1)->trigger();
        QTest::qWait(300);
        save(&window, "compare-100");
        break;
    }
    return uploadRules(window) ? 0 : 1;
}
