#include "engine/KPAsync.h"
#include "engine/KPAtomicFile.h"
#include "engine/KPBatchRun.h"
#include "engine/KPPath.h"
#include "list/KPListView.h"
#include "list/KPPicTableModel.h"
#include "list/KPPicTableView.h"
#include "list/KPStringTools.h"
#include "list/KPThumbnailCache.h"
#include "settings/KPExportPathView.h"
#include "settings/KPLimitView.h"
#include "settings/KPNumberTextField.h"
#include "settings/KPPathComboBox.h"
#include "settings/KPPreferences.h"
#include "settings/KPSettings.h"
#include "support/KPTestSupport.h"
#include "ui/KPAbout.h"
#include "ui/KPComparePanel.h"
#include "ui/KPCompareView.h"
#include "ui/KPEndAlert.h"
#include "ui/KPImageLogView.h"
#include "ui/KPImageView.h"
#include "ui/KPInlineMessage.h"
#include "ui/KPLocalization.h"
#include "ui/KPMainWindow.h"
#include "ui/KPOriginalsAlert.h"
#include "ui/KPReportView.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTranslator>

// Drag and drop cannot be driven through the offscreen platform; the test hands the
// drop to the window as the platform would.
class DropWindow : public KPMainWindow
{
public:
    void drop(QDropEvent* event) { dropEvent(event); }
};

// The main window as a user drives it, on the offscreen platform.
class TestMainWindow : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<KPTestSettings> m_settings;
    std::unique_ptr<KPTemporaryDir> m_in;
    std::unique_ptr<QTemporaryDir> m_out;
    std::unique_ptr<DropWindow> m_window;

    QStringList pictures(int count, int width = 160)
    {
        return KPTest::writePictures(m_in->path(), count, width);
    }

    QTableView* table() const { return m_window->picTableView()->picTV(); }

    void selectRows(const QList<int>& rows)
    {
        table()->clearSelection();
        for (int row : rows)
            table()->selectionModel()->select(m_window->picTableView()->model()->index(row, 0),
                                              QItemSelectionModel::Select |
                                                  QItemSelectionModel::Rows);
        table()->selectionModel()->setCurrentIndex(
            m_window->picTableView()->model()->index(rows.last(), 0),
            QItemSelectionModel::NoUpdate);
    }

    // Waits for the end-of-run alert, checks that it gives the run's counts, and answers
    // it with OK (`button` answers it otherwise).
    bool answerEndAlert(QAbstractButton* (KPEndAlert::*button)() const = nullptr)
    {
        if (!QTest::qWaitFor([this] { return m_window->endAlert() != nullptr; }, 60000))
            return false;
        KPEndAlert* alert = m_window->endAlert();
        const qsizetype converted = m_window->run()->okImgMAr().size();
        const QString counts = KPLocalization::text("L_ResizeEndCounts")
                                   .arg(converted)
                                   .arg(m_window->run()->errorImgMAr().size());
        if (alert->text() != KPLocalization::text("L_ResizeEnd") ||
            !alert->informativeText().startsWith(counts) ||
            (alert->openFolderButton() != nullptr) != (converted > 0))
            return false;
        (button ? (alert->*button)() : alert->defaultButton())->click();
        return QTest::qWaitFor([this] { return m_window->run()->isIdle(); }, 10000);
    }

    // Shows the log view a converted job (an output of `output` pixels from a source twice
    // as large) in compare mode, and waits for the comparison.
    KPImageDataPtr convertedJob(QSize output = QSize(160, 120))
    {
        const QString source = m_in->filePath(QStringLiteral("c.png"));
        const QString outputPath = m_out->filePath(QStringLiteral("c.jpg"));
        const QImage picture = KPTest::noisyImage(2 * output.width(), 2 * output.height());
        if (!KPTest::save(picture, source) ||
            !KPTest::save(picture.scaled(output, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
                          outputPath, nullptr, 60))
            return {};
        auto job = std::make_shared<KPImageData>();
        job->setPath(source);
        job->setExportPath(outputPath);
        job->setExportSize(quint64(QFileInfo(outputPath).size()));
        job->setExportPixelSize(output);
        job->setExportQuality(0.6f);
        job->setProgress(KPProgress::Converted);
        return job;
    }
    static void showJob(KPImageLogView& view, const KPImageDataPtr& job)
    {
        QVariantMap info;
        info.insert(KPMessage::CurrentImage, QVariant::fromValue(job));
        view.refreshImageLog({KPMessage::ImageLogRefresh, nullptr, info});
    }
    bool showConverted(KPImageLogView& view)
    {
        const KPImageDataPtr job = convertedJob();
        if (!job)
            return false;
        showJob(view, job);
        KPComparePanel* panel = view.comparePanel();
        panel->compareAction()->setChecked(true);
        return panel->isComparing() &&
               QTest::qWaitFor([panel] { return !panel->isLoading(); }, 20000) &&
               panel->compareV()->hasPictures();
    }

    // What a screen reader finds of each control shown in `top`: a name that says what it
    // is, and, for a field, one that is not the value it holds. The unnamed ones, described.
    static QStringList unnamedControls(QWidget* top)
    {
        // Containers, and the parts of other controls, need no name of their own.
        static const QList<QAccessible::Role> parts = {
            QAccessible::Client,    QAccessible::Pane,      QAccessible::Grouping,
            QAccessible::Splitter,  QAccessible::Grip,      QAccessible::LayeredPane,
            QAccessible::Separator, QAccessible::ScrollBar, QAccessible::MenuBar};
        static const QList<QAccessible::Role> fields = {
            QAccessible::EditableText, QAccessible::ComboBox, QAccessible::SpinBox};
        QStringList unnamed;
        for (QWidget* widget : top->findChildren<QWidget*>()) {
            if (!widget->isVisibleTo(top))
                continue;
            QAccessibleInterface* control = QAccessible::queryAccessibleInterface(widget);
            if (!control || parts.contains(control->role()))
                continue;
            const QString name = control->text(QAccessible::Name).trimmed();
            const QString value = control->text(QAccessible::Value).trimmed();
            const QString what = QStringLiteral("%1 \"%2\" (role %3)")
                                     .arg(QString::fromLatin1(widget->metaObject()->className()),
                                          widget->objectName())
                                     .arg(int(control->role()));
            if (name.isEmpty())
                unnamed.append(what + QStringLiteral(" has no name"));
            else if (fields.contains(control->role()) && name == value)
                unnamed.append(what + QStringLiteral(" is named by its value \"%1\"").arg(value));
        }
        return unnamed;
    }

    QString resultText(int row) const
    {
        return m_window->picTableView()
            ->model()
            ->index(row, KPPicTableModel::Result)
            .data()
            .toString();
    }

private Q_SLOTS:
    void initTestCase() { KPLocalization::install(*QCoreApplication::instance()); }

    void init()
    {
        m_settings = std::make_unique<KPTestSettings>();
        m_in = std::make_unique<KPTemporaryDir>();
        m_out = std::make_unique<QTemporaryDir>();
        m_window = std::make_unique<DropWindow>();
        m_window->awakeFromNib();
        m_window->exportFolder().setText(m_out->path());
        m_window->sizeLimit().setNumber(QStringLiteral("1"));
        m_window->sizeLimit().setSegment(KPSizeLimit::MB);
        m_window->show();
    }
    void cleanup() { m_window.reset(); }

    void startUp()
    {
        QCOMPARE(KPMainWindow::windowTitleFor(QString()), QStringLiteral("Pictaro"));
        QCOMPARE(m_window->windowTitle(), QCoreApplication::applicationName().isEmpty()
                                              ? QStringLiteral("Pictaro")
                                              : QCoreApplication::applicationName());
        QVERIFY(m_window->resizeAction()->isEnabled());
        QCOMPARE(m_window->resizeAction()->text(), KPLocalization::text("L_TBIResize"));
        QCOMPARE(m_window->resizeAction()->toolTip(), KPLocalization::text("L_TBIResizeTip"));
        QVERIFY(m_window->resizeAction()->text() !=
                QStringLiteral("L_TBIResize")); // English is loaded
        // Defaults are in the store after start-up.
        QVERIFY(KPSettings::boolForKey(KPSettingsKey::EnableConvertScale));
        QCOMPARE(KPSettings::floatForKey(KPSettingsKey::LimitWidth), 320.0f);
        QCOMPARE(m_window->picLV()->listViewType(), int(KPListView::PictureList));
    }

    void runEndToEnd()
    {
        m_window->addPaths(pictures(3));
        QSignalSpy states(m_window->run(), &KPBatchRun::controllerState);
        QStringList openedFolders;
        m_window->exportPathV()->setOpener([&](const QString& path) {
            openedFolders.append(path);
            return true;
        });
        int checkedRunningForm = 0;
        connect(m_window->run(), &KPBatchRun::jobFinished, this,
                [&](const KPImageDataPtr&, int index, int count) {
                    const QProgressBar* progress = m_window->reportV()->runPI();
                    // The row being converted is marked; the user's selection stays on row 0.
                    checkedRunningForm +=
                        !m_window->addAction()->isEnabled() &&
                        !m_window->deleteAction()->isEnabled() &&
                        m_window->resizeAction()->text() == KPLocalization::text("L_TBIStop") &&
                        progress->isVisible() && progress->value() == index + 1 &&
                        progress->format() ==
                            KPLocalization::text("L_RunProgress").arg(index + 1).arg(count) &&
                        m_window->picTableView()->model()->currentRow() == index &&
                        m_window->picTableView()->selectedRow() == 0;
                });
        // The table redraws every row as the jobs end.
        QSignalSpy redraws(m_window->picTableView()->model(), &QAbstractItemModel::dataChanged);
        const auto wholeTableRedraws = [&redraws] {
            return std::count_if(redraws.cbegin(), redraws.cend(), [](const QList<QVariant>& args) {
                return args.at(0).toModelIndex().row() == 0 && args.at(1).toModelIndex().row() == 2;
            });
        };
        m_window->resizeAction()->trigger();
        // Open Export Folder shows where the pictures went and ends the run.
        QVERIFY(answerEndAlert(&KPEndAlert::openFolderButton));
        QCOMPARE(openedFolders, QStringList{QFileInfo(m_out->path()).absoluteFilePath()});
        QCOMPARE(checkedRunningForm, 3);
        QVERIFY(QTest::qWaitFor([&] { return wholeTableRedraws() >= 3; }, 60000));
        QVERIFY(m_window->reportV()->runPI()->isHidden());
        QCOMPARE(m_window->picTableView()->model()->currentRow(), -1);
        QVERIFY(m_window->addAction()->isEnabled());
        QCOMPARE(m_window->resizeAction()->text(), KPLocalization::text("L_TBIResize"));
        QCOMPARE(m_window->reportV()->okTF()->text(), QStringLiteral("3"));
        QCOMPARE(m_window->reportV()->failTF()->text(), QStringLiteral("0"));
        QCOMPARE(m_window->reportV()->totalTF()->text(), QStringLiteral("3"));
        // The log view shows the last picture's output.
        QCOMPARE(m_window->imgMsgV()->logNameTF()->text(), QStringLiteral("p2.jpg"));
        QCOMPARE(m_window->imgMsgV()->logProgressTF()->text(),
                 KPLocalization::text("L_LogConvertOK"));
        QVERIFY(m_window->imgMsgV()->logProgressPI()->isHidden());
        // The table's state column follows.
        const QModelIndex icon =
            m_window->picTableView()->model()->index(0, KPPicTableModel::StateIcon);
        QCOMPARE(icon.data(Qt::ToolTipRole).toString(), KPLocalization::text("L_LogConvertOK"));
        QCOMPARE(QDir(m_out->path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
        // Under the limit already, but no JPEG: each was encoded, and its row gives the sizes.
        const KPImageDataPtr first = m_window->picLV()->memberMAr().first();
        QVERIFY(first->exportQuality());
        QCOMPARE(resultText(0), KPStringTools::savingText(*first->size(), *first->exportSize()));
    }

    // The end alert gives the counts, offers the folder only when something is in it, and
    // never claims pictures are there when none was converted.
    void endAlertTellsTheTruth_data()
    {
        QTest::addColumn<int>("converted");
        QTest::addColumn<int>("failed");
        QTest::addColumn<QString>("sentence");
        QTest::newRow("all converted") << 12 << 0 << "L_ResizeEndAllOK";
        QTest::newRow("some failed") << 12 << 1 << "L_ResizeEndCaution";
        QTest::newRow("none converted") << 0 << 3 << "L_ResizeEndNoneOK";
    }
    void endAlertTellsTheTruth()
    {
        QFETCH(int, converted);
        QFETCH(int, failed);
        QFETCH(QString, sentence);
        KPEndAlert alert(converted, failed, m_out->path());
        QCOMPARE(alert.informativeText(),
                 KPLocalization::text("L_ResizeEndCounts").arg(converted).arg(failed) +
                     QStringLiteral("\n\n") + KPLocalization::text(qPrintable(sentence)));
        QCOMPARE(alert.buttons().size(), converted > 0 ? 2 : 1);
        QCOMPARE(alert.defaultButton()->text(), KPLocalization::text("L_OKBT"));
        QCOMPARE(alert.openFolderButton() != nullptr, converted > 0);
        if (!alert.openFolderButton())
            return;
        QSignalSpy opened(&alert, &KPEndAlert::openFolderRequested);
        alert.openFolderButton()->click();
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened.first().first().toString(), m_out->path());
    }

    // Resize starts nothing without pictures, a limit or a usable export folder: each
    // missing one is said beside its control, nothing is stored, the folder does not join
    // the recent ones. Once mended, Resize starts.
    void noStartWithoutWhatARunNeeds_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("limit");
        QTest::addColumn<QString>("folder");        // below the output folder; "@file": a file
        QTest::addColumn<QString>("folderProblem"); // its key, or empty
        QTest::newRow("empty list") << 0 << "1"
                                    << ""
                                    << "";
        QTest::newRow("empty limit") << 2 << ""
                                     << ""
                                     << "";
        QTest::newRow("zero limit") << 2 << "000"
                                    << ""
                                    << "";
        QTest::newRow("missing parent") << 2 << "1"
                                        << "no/such"
                                        << "L_ExportNoParent";
        QTest::newRow("a file in its place") << 2 << "1"
                                             << "@file"
                                             << "L_ExportNotAFolder";
        QTest::newRow("all at once") << 0 << "0"
                                     << "no/such"
                                     << "L_ExportNoParent";
    }
    void noStartWithoutWhatARunNeeds()
    {
        QFETCH(int, count);
        QFETCH(QString, limit);
        QFETCH(QString, folder);
        QFETCH(QString, folderProblem);
        if (count > 0)
            m_window->addPaths(pictures(count));
        QString exportFolder = m_out->path();
        if (folder == QLatin1String("@file")) {
            exportFolder = m_out->filePath(QStringLiteral("file"));
            QFile file(exportFolder);
            QVERIFY(file.open(QIODevice::WriteOnly));
        } else if (!folder.isEmpty()) {
            exportFolder = m_out->filePath(folder);
        }
        m_window->exportPathV()->pathCB()->setEditText(exportFolder);
        m_window->limitV()->sizeTF()->setText(limit);
        QSignalSpy saves(m_window->run(), &KPBatchRun::saveConfig);

        m_window->resizeAction()->trigger();
        QVERIFY(!m_window->run()->resizeFlag());
        QCOMPARE(m_window->resizeAction()->text(), KPLocalization::text("L_TBIResize"));
        QCOMPARE(saves.size(), 0);
        QVERIFY(!KPSettings::contains(KPSettingsKey::PathList));
        QVERIFY(m_window->exportPathV()->pathCB()->items().isEmpty());
        QCOMPARE(m_window->picTableView()->emptyHint()->isVisibleTo(table()), count == 0);
        if (count == 0)
            QCOMPARE(m_window->picTableView()->emptyHint()->text(),
                     KPLocalization::text("L_NeedPictures"));
        const bool limitMissing = KPSizeLimit::limitSize(limit, KPSizeLimit::MB) == 0;
        QCOMPARE(m_window->limitV()->problem()->text(),
                 limitMissing ? KPLocalization::text("L_NeedLimit") : QString());
        QCOMPARE(m_window->exportPathV()->problem()->text(),
                 folderProblem.isEmpty()
                     ? QString()
                     : KPLocalization::text(qPrintable(folderProblem)).arg(exportFolder));

        // Mended, every message goes and the run starts.
        if (count == 0)
            m_window->addPaths(pictures(1));
        m_window->limitV()->sizeTF()->setText(QStringLiteral("1"));
        m_window->exportPathV()->pathCB()->setEditText(m_out->path());
        QVERIFY(m_window->picTableView()->emptyHint()->isHidden());
        QVERIFY(m_window->limitV()->problem()->isHidden());
        QVERIFY(m_window->exportPathV()->problem()->isHidden());
        m_window->resizeAction()->trigger();
        QCOMPARE(saves.size(), 1);
        QVERIFY(answerEndAlert());
        QCOMPARE(m_window->exportPathV()->pathCB()->items(), QStringList{m_out->path()});
    }

    // A failed picture tells why: its result cell, the tool tip of its row, and the status
    // row of the log view, naming the run's limit where the reason is about it.
    void failedRowTellsWhy_data()
    {
        QTest::addColumn<int>("failure");
        QTest::addColumn<QString>("reason");
        QTest::newRow("disk full")
            << int(KPFailure::DiskFull) << KPFailureText::text(KPFailure::DiskFull);
        QTest::newRow("names the limit")
            << int(KPFailure::NoFit) << KPFailureText::text(KPFailure::NoFit, 500000);
        QTest::newRow("names the smallest box")
            << int(KPFailure::NoFitScaled)
            << KPFailureText::text(KPFailure::NoFitScaled, 500000, QSize(200, 150));
        QTest::newRow("no reason given") << int(KPFailure::None) << QString();
    }
    void failedRowTellsWhy()
    {
        QFETCH(int, failure);
        QFETCH(QString, reason);
        m_window->addPaths(pictures(2));
        const KPImageDataPtr job = m_window->picLV()->memberMAr().at(1);
        if (failure == int(KPFailure::None))
            job->setProgress(KPProgress::Failed);
        else
            job->fail(KPFailure(failure));
        m_window->picTableView()->model()->setFailureLimit(500000);
        m_window->imgMsgV()->setFailureLimit(500000);
        m_window->picTableView()->model()->setFailureBox(QSize(200, 150));
        m_window->imgMsgV()->setFailureBox(QSize(200, 150));
        m_window->picLV()->refreshListView();

        const QString shown = reason.isEmpty() ? KPLocalization::text("L_LogConvertError")
                                               : KPStringTools::capitalised(reason);
        QCOMPARE(resultText(1), shown);
        const KPPicTableModel* model = m_window->picTableView()->model();
        for (int column = 0; column < KPPicTableModel::ColumnCount; ++column) {
            const QString tip = model->index(1, column).data(Qt::ToolTipRole).toString();
            QVERIFY2(tip.endsWith(shown), qPrintable(tip));
        }
        QVERIFY(model->index(1, KPPicTableModel::Name)
                    .data(Qt::ToolTipRole)
                    .toString()
                    .startsWith(job->path()));
        m_window->picTableView()->selectRow(1);
        QCOMPARE(m_window->imgMsgV()->logProgressTF()->text(),
                 reason.isEmpty() ? KPLocalization::text("L_LogConvertError")
                                  : KPLocalization::text("L_LogConvertErrorReason").arg(reason));
    }

    // Thumbnails carry as many pixels as the screen shows: at 2x they fill the row as at 1x.
    void thumbnailsAtThePixelRatio_data()
    {
        QTest::addColumn<qreal>("ratio");
        QTest::newRow("1x") << 1.0;
        QTest::newRow("2x") << 2.0;
    }
    void thumbnailsAtThePixelRatio()
    {
        QFETCH(qreal, ratio);
        const QString picture = pictures(1, 400).first();
        KPThumbnailCache cache(QSize(2 * KPPicTableView::RowHeight, KPPicTableView::RowHeight));
        cache.setDevicePixelRatio(ratio);
        cache.thumbnail(picture);
        QImage thumbnail;
        QVERIFY(QTest::qWaitFor([&] { return !(thumbnail = cache.thumbnail(picture)).isNull(); },
                                10000));
        QCOMPARE(thumbnail.devicePixelRatio(), ratio);
        const QSizeF shown = thumbnail.deviceIndependentSize();
        QCOMPARE(qRound(shown.height()), KPPicTableView::RowHeight);
        QVERIFY(qAbs(shown.width() - KPPicTableView::RowHeight * 4.0 / 3.0) < 1.0);
    }

    // A finished job's preview is the log view's until a later job reports; a preview kept
    // for every job made long runs grow by one picture each.
    void previewsAfterARun_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("brokenAt"); // where an unreadable file goes in the list, or -1
        QTest::addColumn<qint64>("brokenSize");
        QTest::newRow("four converted") << 4 << -1 << qint64(0);
        QTest::newRow("a failure in the middle") << 4 << 2 << qint64(4000);
        QTest::newRow("a failure last") << 3 << 3 << qint64(4000);
        // A sparse file of 100 GB: its thumbnail, the run and the log view read none of it.
        QTest::newRow("a file of 100 GB in the middle") << 3 << 1 << (qint64(100) << 30);
    }
    void previewsAfterARun()
    {
        QFETCH(int, count);
        QFETCH(int, brokenAt);
        QFETCH(qint64, brokenSize);
        // Over the limit, so that each is re-encoded and its job gets a preview.
        QStringList paths = pictures(count, 320);
        m_window->sizeLimit().setNumber(QStringLiteral("50"));
        m_window->sizeLimit().setSegment(KPSizeLimit::KB);
        if (brokenAt >= 0) {
            const QString broken = m_in->filePath(QStringLiteral("broken.png"));
            QFile file(broken);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(4000, 'x'));
            QVERIFY(file.resize(brokenSize));
            file.close();
            paths.insert(brokenAt, broken);
        }
        m_window->addPaths(paths);
        m_window->resizeAction()->trigger();
        QVERIFY(answerEndAlert());
        const KPImageDataList ok = m_window->run()->okImgMAr();
        const KPImageDataList failed = m_window->run()->errorImgMAr();
        QCOMPARE(int(ok.size()), count);
        QCOMPARE(int(failed.size()), brokenAt >= 0 ? 1 : 0);
        if (brokenAt >= 0) {
            QCOMPARE(failed.last()->failure(), brokenSize > KPAtomicFile::MaxReadBytes
                                                   ? KPFailure::TooLargeToDecode
                                                   : KPFailure::Damaged);
            m_window->picTableView()->selectRow(brokenAt); // its source in the log view
            QCOMPARE(m_window->imgMsgV()->logScaleTF()->text(), QStringLiteral("0 x 0"));
        }
        QVERIFY(ok.last()->exportQuality().has_value());
        for (const KPImageDataPtr& job : m_window->picLV()->memberMAr()) {
            if (job != ok.last() && (failed.isEmpty() || job != failed.last()))
                QVERIFY2(job->exportImage().isNull(), qPrintable(job->path()));
        }
        // Selected again, a converted picture shows its output, read from the file. Row 0 is
        // still selected from the listing.
        m_window->picTableView()->selectRow(1);
        m_window->picTableView()->selectRow(0);
        QCOMPARE(m_window->imgMsgV()->logNameTF()->text(), QStringLiteral("p0.jpg"));
        QVERIFY(QTest::qWaitFor(
            [this] {
                return !m_window->imgMsgV()->isLoadingPicture() &&
                       m_window->imgMsgV()->imageIV()->image().size() == QSize(320, 240);
            },
            10000));
    }

    // The quality row shows what the output was encoded at, and nothing for a picture that
    // was never encoded or whose output is not the one shown. Each row follows a job
    // shown at quality 90, so a value left over from it shows too.
    void logViewQuality_data()
    {
        QTest::addColumn<int>("progress");
        QTest::addColumn<QVariant>("quality"); // invalid: none
        QTest::addColumn<bool>("withOutput");
        QTest::addColumn<QString>("digits"); // empty: no quality shown
        const auto converted = int(KPProgress::Converted);
        QTest::newRow("converted at 0.8") << converted << QVariant(0.8f) << true << "80";
        QTest::newRow("0.57 rounds to 57") << converted << QVariant(0.57f) << true << "57";
        QTest::newRow("copied unchanged") << converted << QVariant() << false << "";
        QTest::newRow("failed after encodings")
            << int(KPProgress::Failed) << QVariant(0.6f) << true << "";
        QTest::newRow("waiting") << int(KPProgress::Waiting) << QVariant() << false << "";
    }
    void logViewQuality()
    {
        QFETCH(int, progress);
        QFETCH(QVariant, quality);
        QFETCH(bool, withOutput);
        QFETCH(QString, digits);
        const QString source = m_in->filePath(QStringLiteral("source.png"));
        const QString exported = m_out->filePath(QStringLiteral("source.jpg"));
        QVERIFY(KPTest::save(KPTest::noisyImage(160, 120), source));
        QVERIFY(KPTest::save(KPTest::noisyImage(160, 120), exported));
        const auto show = [](KPImageLogView& view, const KPImageDataPtr& job) {
            QVariantMap info;
            info.insert(KPMessage::CurrentImage, QVariant::fromValue(job));
            view.refreshImageLog({KPMessage::ImageLogRefresh, nullptr, info});
        };
        const auto digitsOf = [](QString text) {
            return text.remove(QRegularExpression(QStringLiteral("\\D")));
        };

        KPImageLogView view;
        view.awakeFromNib();
        const auto before = std::make_shared<KPImageData>();
        before->setPath(source);
        before->setExportPath(exported);
        before->setExportImage(KPTest::noisyImage(160, 120));
        before->setExportQuality(0.9f);
        before->setProgress(KPProgress::Converted);
        show(view, before);
        QCOMPARE(digitsOf(view.logQualityTF()->text()), QStringLiteral("90"));

        const auto job = std::make_shared<KPImageData>();
        job->setPath(source);
        job->setExportPath(exported);
        job->setProgress(progress);
        if (withOutput)
            job->setExportImage(KPTest::noisyImage(160, 120));
        if (quality.isValid())
            job->setExportQuality(quality.toFloat());
        show(view, job);
        QCOMPARE(digitsOf(view.logQualityTF()->text()), digits);
        QCOMPARE(view.logQualityTF()->text().isEmpty(), digits.isEmpty());

        view.refreshImageLog({KPMessage::ImageLogRefresh, nullptr, {}});
        QVERIFY(view.logQualityTF()->text().isEmpty());
    }

    // A picture still being read when the view moves on to another job is never shown:
    // the view ends with the latest job's picture, whichever read ends last.
    void logViewShowsOnlyTheLatestPicture_data()
    {
        QTest::addColumn<QString>("next"); // what the view is shown after a waiting job
        QTest::addColumn<QSize>("shown");
        QTest::newRow("another waiting job") << "waiting" << QSize(90, 60);
        QTest::newRow("a converted job's picture") << "converted" << QSize(200, 100);
        QTest::newRow("the empty list")
            << "empty" << QImage(QStringLiteral(":/pictures/DefaultImage.png")).size();
    }
    void logViewShowsOnlyTheLatestPicture()
    {
        QFETCH(QString, next);
        QFETCH(QSize, shown);
        QVERIFY(shown.isValid());
        const auto waitingJob = [this](const QString& name, QSize size) {
            const QString source = m_in->filePath(name);
            if (!KPTest::save(KPTest::noisyImage(size.width(), size.height()), source))
                qFatal("cannot write %s", qPrintable(source));
            auto job = std::make_shared<KPImageData>();
            job->setPath(source);
            job->setProgress(KPProgress::Waiting);
            return job;
        };
        const auto show = [](KPImageLogView& view, const KPImageDataPtr& job) {
            QVariantMap info;
            if (job)
                info.insert(KPMessage::CurrentImage, QVariant::fromValue(job));
            view.refreshImageLog({KPMessage::ImageLogRefresh, nullptr, info});
        };

        KPImageLogView view;
        view.awakeFromNib();
        {
            // Both reads wait until the two jobs have been shown.
            KPBusyPool busy;
            show(view, waitingJob(QStringLiteral("first.png"), QSize(160, 120)));
            if (next == QLatin1String("waiting")) {
                show(view, waitingJob(QStringLiteral("second.png"), QSize(90, 60)));
            } else if (next == QLatin1String("converted")) {
                const auto job = std::make_shared<KPImageData>();
                job->setPath(m_in->filePath(QStringLiteral("second.png")));
                job->setExportPath(m_out->filePath(QStringLiteral("second.jpg")));
                job->setExportImage(KPTest::noisyImage(200, 100));
                job->setProgress(KPProgress::Converted);
                show(view, job);
            } else {
                show(view, nullptr);
            }
        }
        KPAsync::pool().waitForDone();
        QVERIFY(QTest::qWaitFor([&view] { return !view.isLoadingPicture(); }, 10000));
        QCoreApplication::processEvents();
        QCOMPARE(view.imageIV()->image().size(), shown);
    }

    // Stopped during the second of five pictures, the rows after it are waiting, also
    // when an earlier run had converted them, beside a summary of this run alone.
    void stopDuringTheSecondOfFive_data()
    {
        QTest::addColumn<bool>("convertedBefore");
        QTest::newRow("first run") << false;
        QTest::newRow("after a converted run") << true;
    }
    void stopDuringTheSecondOfFive()
    {
        QFETCH(bool, convertedBefore);
        m_window->addPaths(pictures(5));
        if (convertedBefore) {
            m_window->resizeAction()->trigger();
            QVERIFY(answerEndAlert());
        }
        int reports = 0;
        connect(m_window->run(), &KPBatchRun::imageReportRefresh, this, [&] {
            if (++reports == 1)
                m_window->resizeAction()->trigger(); // Stop while the second starts
        });
        m_window->resizeAction()->trigger();
        QVERIFY(QTest::qWaitFor([&] { return reports >= 1; }, 60000));
        QCOMPARE(m_window->resizeAction()->text(), KPLocalization::text("L_TBIResize"));
        QVERIFY(m_window->addAction()->isEnabled());
        QVERIFY(QTest::qWaitFor([this] { return m_window->run()->isIdle(); }, 60000));
        QVERIFY(!m_window->endAlert());
        const KPImageDataList& jobs = m_window->picLV()->memberMAr();
        const KPPicTableModel* model = m_window->picTableView()->model();
        for (qsizetype i = 1; i < jobs.size(); ++i) {
            QCOMPARE(jobs[i]->progress(), qint32(KPProgress::Waiting));
            QCOMPARE(resultText(int(i)), QString());
            QCOMPARE(model->index(int(i), KPPicTableModel::StateIcon).data(Qt::ToolTipRole),
                     QVariant(KPLocalization::text("L_LogConvertWait")));
        }
        QCOMPARE(m_window->reportV()->okTF()->text(), QStringLiteral("1"));
        QCOMPARE(m_window->reportV()->failTF()->text(), QStringLiteral("0"));
        // A waiting row selected shows its source, not an earlier run's output.
        m_window->picTableView()->selectRow(2);
        QCOMPARE(m_window->imgMsgV()->logNameTF()->text(), QStringLiteral("p2.png"));
        QCOMPARE(m_window->imgMsgV()->logProgressTF()->text(),
                 KPLocalization::text("L_LogConvertWait"));
    }

    // Pictures listed from the export folder under their outputs' names: before the run
    // starts the window asks, naming how many originals it would replace, and does what
    // the answer says. Writing beside them is the default and Escape cancels.
    void originalsInTheExportFolder_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::newRow("Replace Originals") << QStringLiteral("replace");
        QTest::newRow("Write Beside Them, the default") << QStringLiteral("beside");
        QTest::newRow("Cancel, by Escape") << QStringLiteral("cancel");
    }
    void originalsInTheExportFolder()
    {
        QFETCH(QString, answer);
        const QStringList listed =
            KPTest::writePictures(m_in->path(), 2, 640, QStringLiteral("jpg")) + pictures(1);
        QHash<QString, QByteArray> before;
        for (const QString& source : listed)
            before.insert(source, *KPAtomicFile::readAll(source));
        m_window->exportFolder().setText(m_in->path());
        // Under the JPEGs' size, so that a replaced original changes.
        m_window->sizeLimit().setNumber(QString::number(before[listed[0]].size() / 2000));
        m_window->sizeLimit().setSegment(KPSizeLimit::KB);
        m_window->addPaths(listed);
        QSignalSpy states(m_window->run(), &KPBatchRun::controllerState);
        m_window->resizeAction()->trigger();
        KPOriginalsAlert* alert = m_window->originalsAlert();
        QVERIFY(alert && alert->isVisible());
        QVERIFY(states.isEmpty()); // nothing starts before the answer
        QCOMPARE(alert->informativeText(), KPLocalization::text("L_OriginalsInTheWayCount").arg(2));
        if (answer == QStringLiteral("replace"))
            alert->replaceButton()->click();
        else
            QTest::keyClick(alert,
                            answer == QStringLiteral("cancel") ? Qt::Key_Escape : Qt::Key_Return);
        if (answer == QStringLiteral("cancel")) {
            QVERIFY(QTest::qWaitFor([this] { return !m_window->originalsAlert(); }, 10000));
            QVERIFY(states.isEmpty() && !m_window->run()->resizeFlag());
            QCOMPARE(QDir(m_in->path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
            return;
        }
        QVERIFY(answerEndAlert());
        const bool replace = answer == QStringLiteral("replace");
        const KPImageDataList& jobs = m_window->picLV()->memberMAr();
        for (int i = 0; i < 2; ++i) {
            QVERIFY(jobs[i]->is(KPProgress::Converted));
            QCOMPARE(jobs[i]->exportPath() == listed[i], replace);
            QCOMPARE(*KPAtomicFile::readAll(listed[i]) == before[listed[i]], !replace);
            // The row tells where the picture went.
            QVERIFY(m_window->picTableView()
                        ->model()
                        ->index(i, KPPicTableModel::Result)
                        .data(Qt::ToolTipRole)
                        .toString()
                        .endsWith(jobs[i]->exportPath()));
        }
        QCOMPARE(*KPAtomicFile::readAll(listed[2]), before[listed[2]]);
        QCOMPARE(QDir(m_in->path()).entryList(QDir::Files | QDir::Hidden).size(), replace ? 4 : 6);
    }

    void removeSelectsTheNextRow_data()
    {
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("selectedAfter");
        QTest::newRow("rows 2 and 3 of five") << QList<int>{2, 3} << 3 << 2;
        QTest::newRow("the last row") << QList<int>{4} << 4 << 3;
        QTest::newRow("every row") << QList<int>{0, 1, 2, 3, 4} << 0 << -1;
    }
    void removeSelectsTheNextRow()
    {
        QFETCH(QList<int>, selected);
        QFETCH(int, left);
        QFETCH(int, selectedAfter);
        m_window->addPaths(pictures(5));
        selectRows(selected);
        m_window->deleteAction()->trigger();
        QCOMPARE(int(m_window->picLV()->memberMAr().size()), left);
        QCOMPARE(table()->model()->rowCount(), left);
        QCOMPARE(m_window->picTableView()->selectedRow(), selectedAfter);
        QCOMPARE(m_window->reportV()->totalTF()->text(), QString::number(left));
        if (left == 0) {
            QVERIFY(m_window->imgMsgV()->logNameTF()->text().isEmpty());
            QVERIFY(m_window->imgMsgV()->logProgressPI()->isHidden());
        } else {
            const QString expected =
                QFileInfo(m_window->picLV()->memberMAr().at(selectedAfter)->path()).fileName();
            QCOMPARE(m_window->imgMsgV()->logNameTF()->text(), expected);
        }
    }

    // Undo Remove puts the pictures of the latest removal back in their places, selected,
    // and then those of the one before; Ctrl+Z reaches it. A path listed again since stays
    // listed once; nothing changes during a run.
    void undoRemoval_data()
    {
        QTest::addColumn<QList<QList<int>>>("removals"); // the rows selected for each, in turn
        QTest::addColumn<int>("relisted");               // a picture added again after; -1 none
        QTest::addColumn<int>("undos");
        QTest::addColumn<QList<int>>("listed"); // which of the five pictures, in order
        QTest::addColumn<QList<int>>("selected");
        const QList<int> all{0, 1, 2, 3, 4};
        QTest::newRow("rows 1 and 3")
            << QList<QList<int>>{{1, 3}} << -1 << 1 << all << QList<int>{1, 3};
        QTest::newRow("every row") << QList<QList<int>>{all} << -1 << 1 << all << all;
        QTest::newRow("two removals, the latest undone")
            << QList<QList<int>>{{0}, {2}} << -1 << 1 << QList<int>{1, 2, 3, 4} << QList<int>{2};
        QTest::newRow("two removals, both undone")
            << QList<QList<int>>{{0}, {2}} << -1 << 2 << all << QList<int>{0};
        QTest::newRow("a path listed again since")
            << QList<QList<int>>{{1, 2}} << 2 << 1 << QList<int>{0, 1, 3, 4, 2} << QList<int>{1};
        QTest::newRow("nothing removed") << QList<QList<int>>{} << -1 << 1 << all << QList<int>{0};
    }
    void undoRemoval()
    {
        QFETCH(QList<QList<int>>, removals);
        QFETCH(int, relisted);
        QFETCH(int, undos);
        QFETCH(QList<int>, listed);
        QFETCH(QList<int>, selected);
        const QStringList paths = pictures(5);
        m_window->addPaths(paths);
        QVERIFY(!m_window->undoAction()->isEnabled());
        for (const QList<int>& rows : std::as_const(removals)) {
            selectRows(rows);
            m_window->deleteAction()->trigger();
        }
        if (relisted >= 0)
            m_window->addPaths({paths.at(relisted)});
        QCOMPARE(m_window->undoAction()->isEnabled(), !removals.isEmpty());
        QApplication::setActiveWindow(m_window.get());
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        table()->setFocus();
        for (int i = 0; i < undos; ++i)
            QTest::keyClick(table(), Qt::Key_Z, Qt::ControlModifier);

        QStringList expected;
        for (int picture : std::as_const(listed))
            expected.append(paths.at(picture));
        QStringList shown;
        for (int row = 0; row < table()->model()->rowCount(); ++row)
            shown.append(m_window->picLV()->memberMAr().at(row)->path());
        QCOMPARE(shown, expected);
        QList<int> selectedRows;
        for (const QModelIndex& index : table()->selectionModel()->selectedRows())
            selectedRows.append(index.row());
        std::sort(selectedRows.begin(), selectedRows.end());
        QCOMPARE(selectedRows, selected);
        QCOMPARE(m_window->reportV()->totalTF()->text(), QString::number(listed.size()));
        QCOMPARE(m_window->undoAction()->isEnabled(), removals.size() > undos);
        // The panel shows the first picture put back.
        QCOMPARE(m_window->imgMsgV()->logNameTF()->text(),
                 QFileInfo(expected.at(selected.first())).fileName());
    }

    void noUndoDuringARun()
    {
        m_window->addPaths(pictures(3));
        selectRows({1});
        m_window->deleteAction()->trigger();
        QVERIFY(m_window->undoAction()->isEnabled());
        bool undoneDuringTheRun = true;
        connect(m_window->run(), &KPBatchRun::jobFinished, this, [&] {
            undoneDuringTheRun = m_window->undoAction()->isEnabled();
            m_window->undoDelPic();
            undoneDuringTheRun = undoneDuringTheRun || m_window->picLV()->memberMAr().size() != 2;
        });
        m_window->resizeAction()->trigger();
        QVERIFY(answerEndAlert());
        QVERIFY(!undoneDuringTheRun);
        QVERIFY(m_window->undoAction()->isEnabled());
        m_window->undoAction()->trigger();
        QCOMPARE(m_window->picLV()->memberMAr().size(), 3);
    }

    // Each QRect is a selection range: x and width are columns, y and height rows. Only
    // rows with every column selected go; a row may be made of several ranges.
    void removeScatteredRows_data()
    {
        QTest::addColumn<QList<QRect>>("ranges");
        QTest::addColumn<QList<int>>("left");
        const int all = KPPicTableModel::ColumnCount;
        QTest::newRow("every other row")
            << QList<QRect>{{0, 0, all, 1}, {0, 2, all, 1}, {0, 4, all, 1}} << QList<int>{1, 3};
        QTest::newRow("a block and a row")
            << QList<QRect>{{0, 1, all, 2}, {0, 4, all, 1}} << QList<int>{0, 3};
        QTest::newRow("overlapping blocks")
            << QList<QRect>{{0, 0, all, 3}, {0, 1, all, 3}} << QList<int>{4};
        QTest::newRow("cells short of a row")
            << QList<QRect>{{0, 1, all - 1, 1}, {0, 3, all, 1}} << QList<int>{0, 1, 2, 4};
        QTest::newRow("a row in two pieces")
            << QList<QRect>{{0, 2, 1, 1}, {1, 2, all - 1, 1}} << QList<int>{0, 1, 3, 4};
    }
    void removeScatteredRows()
    {
        QFETCH(QList<QRect>, ranges);
        QFETCH(QList<int>, left);
        const QStringList paths = pictures(5);
        m_window->addPaths(paths);
        const QAbstractItemModel* model = table()->model();
        QItemSelection selection;
        for (const QRect& range : std::as_const(ranges))
            selection.append(QItemSelectionRange(model->index(range.top(), range.left()),
                                                 model->index(range.bottom(), range.right())));
        table()->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
        m_window->deleteAction()->trigger();
        QStringList expected;
        for (int row : std::as_const(left))
            expected.append(paths.at(row));
        QStringList listed;
        for (const KPImageDataPtr& job : m_window->picLV()->memberMAr())
            listed.append(job->path());
        QCOMPARE(listed, expected);
        QCOMPARE(model->rowCount(), int(left.size()));
    }

    void addThroughTheChoosers()
    {
        const QStringList files = pictures(3);
        QDir().mkpath(m_in->filePath(QStringLiteral("sub")));
        KPTest::save(KPTest::noisyImage(40, 30), m_in->filePath(QStringLiteral("sub/x.jpg")));
        QList<KPMainWindow::Choose> asked;
        QStringList answer;
        m_window->setChooser(
            [&](KPMainWindow::Choose kind, std::function<void(const QStringList&)> done) {
                asked.append(kind);
                done(answer);
            });
        answer = {files[1], files[0]};
        m_window->addAction()->trigger();
        answer = {m_in->filePath(QStringLiteral("sub"))};
        m_window->addFolderAction()->trigger();
        answer = {};
        QTest::ignoreMessage(QtWarningMsg, "folderArray is nil");
        m_window->addAction()->trigger();
        QCOMPARE(asked, (QList<KPMainWindow::Choose>{KPMainWindow::Choose::Files,
                                                     KPMainWindow::Choose::Folders,
                                                     KPMainWindow::Choose::Files}));
        QStringList listed;
        for (const KPImageDataPtr& job : m_window->picLV()->memberMAr())
            listed.append(job->path());
        QCOMPARE(listed,
                 (QStringList{files[1], files[0], m_in->filePath(QStringLiteral("sub/x.jpg"))}));
        // The selected first row shows in the log view as a waiting picture.
        QCOMPARE(m_window->imgMsgV()->logNameTF()->text(), QStringLiteral("p1.png"));
        QCOMPARE(m_window->imgMsgV()->logScaleTF()->text(), QStringLiteral("160 x 120"));
        QCOMPARE(m_window->imgMsgV()->logProgressTF()->text(),
                 KPLocalization::text("L_LogConvertWait"));
    }

    // Add Files, Add Folder and Browse each open where they were last used, at first in
    // the Pictures folder, never in the folder Pictaro was started in.
    void choosersStartWhereLastUsed_data()
    {
        QTest::addColumn<QString>("chooser");
        QTest::newRow("Add Files") << "files";
        QTest::newRow("Add Folder") << "folder";
        QTest::newRow("Browse") << "browse";
    }
    void choosersStartWhereLastUsed()
    {
        QFETCH(QString, chooser);
        const QStringList files = pictures(1);
        const auto open = [&](const QString& which) {
            if (which == QLatin1String("files"))
                m_window->addAction()->trigger();
            else if (which == QLatin1String("folder"))
                m_window->addFolderAction()->trigger();
            else
                m_window->exportPathV()->choosePath();
            QFileDialog* shown = nullptr;
            for (QFileDialog* dialog : m_window->findChildren<QFileDialog*>())
                shown = dialog->isVisible() ? dialog : shown;
            return shown;
        };
        const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
        const QString first = QFileInfo(pictures).isDir() ? pictures : QDir::homePath();
        QVERIFY(first != QDir::currentPath());

        QFileDialog* dialog = open(chooser);
        QVERIFY(dialog);
        QCOMPARE(dialog->directory().absolutePath(), first);
        dialog->setDirectory(m_in->path());
        if (chooser == QLatin1String("files"))
            dialog->selectFile(files.first());
        static_cast<QDialog*>(dialog)->accept(); // as the chooser's own button
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        dialog = open(chooser);
        QVERIFY(dialog);
        QCOMPARE(dialog->directory().absolutePath(), m_in->path());
        dialog->reject();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        // Each chooser keeps its own.
        for (const char* other : {"files", "folder", "browse"}) {
            if (chooser == QLatin1String(other))
                continue;
            dialog = open(QLatin1String(other));
            QCOMPARE(dialog->directory().absolutePath(), first);
            dialog->reject();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }

    void dropFilesAndFolders()
    {
        const QStringList files = pictures(2);
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(m_in->path())});
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        m_window->drop(&drop);
        QCOMPARE(m_window->picLV()->memberMAr().size(), 2);
        // Dropping the same files again adds nothing.
        data.setUrls({QUrl::fromLocalFile(files[0])});
        QDropEvent again(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        m_window->drop(&again);
        QCOMPARE(m_window->picLV()->memberMAr().size(), 2);

        // A name that is no UTF-8 comes percent-encoded: it is listed with its bytes, shown
        // with U+FFFD, and its thumbnail and preview are read.
        const QString latin = KPTest::writePicture(
            KPTest::noisyImage(64, 48), m_in->filePath(KPPath::fromNative("caf\xe9.png")));
        data.setData(QStringLiteral("text/uri-list"),
                     "file://" + KPPath::toNative(latin).toPercentEncoding("/") + "\r\n");
        QDropEvent third(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        m_window->drop(&third);
        QCOMPARE(m_window->picLV()->memberMAr().size(), 3);
        QCOMPARE(m_window->picLV()->memberMAr().last()->path(), latin);
        const QAbstractItemModel* model = m_window->picTableView()->model();
        QCOMPARE(model->index(2, KPPicTableModel::Name).data().toString(),
                 QStringLiteral("caf\uFFFD.png"));
        const QModelIndex thumbnail = model->index(2, KPPicTableModel::Picture);
        thumbnail.data(Qt::DecorationRole);
        QVERIFY(QTest::qWaitFor(
            [&] { return !thumbnail.data(Qt::DecorationRole).value<QImage>().isNull(); }, 10000));
        m_window->picTableView()->selectRow(2);
        QCOMPARE(m_window->imgMsgV()->logNameTF()->text(), QStringLiteral("caf\uFFFD.png"));
        QCOMPARE(m_window->imgMsgV()->logScaleTF()->text(), QStringLiteral("64 x 48"));
        QVERIFY(QTest::qWaitFor(
            [this] {
                return !m_window->imgMsgV()->isLoadingPicture() &&
                       m_window->imgMsgV()->imageIV()->image().size() == QSize(64, 48);
            },
            10000));
    }

    void modelIsConsistent()
    {
        QAbstractItemModelTester tester(m_window->picTableView()->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        m_window->addPaths(pictures(4));
        selectRows({1});
        m_window->deleteAction()->trigger();
        m_window->addPaths({m_in->filePath(QStringLiteral("p1.png"))});
        QCOMPARE(m_window->picTableView()->model()->rowCount(), 4);
        // Thumbnails arrive in the background and redraw their rows.
        const QModelIndex picture =
            m_window->picTableView()->model()->index(0, KPPicTableModel::Picture);
        picture.data(Qt::DecorationRole);
        QVERIFY(QTest::qWaitFor(
            [&] { return !picture.data(Qt::DecorationRole).value<QImage>().isNull(); }, 10000));
        QVERIFY(picture.data(Qt::DecorationRole).value<QImage>().width() <=
                2 * KPPicTableView::RowHeight * 4 / 3);
    }

    // Compare mode shows a converted picture's source and output in one place at one scale,
    // the zoom and the panning shared; Space held shows the source alone, the divider
    // follows the mouse and the keys. The SSIM comes from the pool; the GUI thread does not
    // wait for it. A picture that cannot be compared shows the plain picture.
    void compareMode_data()
    {
        QTest::addColumn<QString>("zoom"); // the zoom action; a picture's trouble otherwise
        QTest::addColumn<QSizeF>("drawn"); // the pictures' size on a 1x screen; empty: fitted
        QTest::newRow("fit") << "fit" << QSizeF(0, 0);
        QTest::newRow("100 %") << "100" << QSizeF(400, 300);
        QTest::newRow("200 %") << "200" << QSizeF(800, 600);
        QTest::newRow("output gone") << "gone" << QSizeF();
        QTest::newRow("a waiting picture") << "waiting" << QSizeF();
        QTest::newRow("during a run") << "running" << QSizeF();
    }
    void compareMode()
    {
        QFETCH(QString, zoom);
        QFETCH(QSizeF, drawn);
        KPImageLogView view;
        view.awakeFromNib();
        view.resize(360, 420); // a picture area smaller than the output
        view.show();
        KPComparePanel* panel = view.comparePanel();
        KPCompareView* compare = panel->compareV();
        const KPImageDataPtr job = convertedJob(QSize(400, 300));
        QVERIFY(job);
        panel->compareAction()->setChecked(true);
        if (zoom == QLatin1String("gone"))
            QVERIFY(QFile::remove(job->exportPath()));
        if (zoom == QLatin1String("waiting"))
            job->setProgress(KPProgress::Waiting);
        if (zoom == QLatin1String("running"))
            panel->setRunning(true);
        showJob(view, job);
        if (!drawn.isValid() && zoom != QLatin1String("gone")) {
            QVERIFY(!panel->compareAction()->isEnabled());
            QVERIFY(!panel->isComparing());
            QVERIFY(view.imageIV()->isVisible());
            return;
        }
        QVERIFY(panel->isComparing());
        QVERIFY(QTest::qWaitFor([panel] { return !panel->isLoading(); }, 20000));
        if (zoom == QLatin1String("gone")) {
            QVERIFY(!compare->hasPictures());
            QVERIFY2(
                panel->infoLB()->text().startsWith(
                    KPLocalization::text("L_CompareOutputFailed").section(QLatin1Char('%'), 0, 0)),
                qPrintable(panel->infoLB()->text()));
            return;
        }
        // The output's pixel size and file size, and an SSIM between 0 and 1.
        const QString info = panel->infoLB()->text();
        QVERIFY2(info.contains(QStringLiteral("400 x 300")), qPrintable(info));
        QVERIFY2(info.contains(KPStringTools::sizeSwitch(float(*job->exportSize()))),
                 qPrintable(info));
        const QRegularExpressionMatch ssim =
            QRegularExpression(QStringLiteral("(0[.,]\\d{4}|1[.,]0000)")).match(info);
        QVERIFY2(ssim.hasMatch(), qPrintable(info));
        QVERIFY(ssim.captured(1).replace(QLatin1Char(','), QLatin1Char('.')).toDouble() > 0.5);

        const int index = zoom == QLatin1String("fit") ? 0 : zoom == QLatin1String("100") ? 1 : 2;
        panel->zoomActions().at(index)->trigger();
        QSizeF expected = drawn / compare->devicePixelRatioF();
        if (expected.isEmpty()) {
            // Fitted: within the view, touching it on one side, the proportions kept.
            expected = compare->pictureRect().size();
            QVERIFY(expected.width() <= compare->width() && expected.height() <= compare->height());
            QVERIFY(qFuzzyCompare(expected.width(), qreal(compare->width())) ||
                    qFuzzyCompare(expected.height(), qreal(compare->height())));
            QCOMPARE(qRound(expected.width() * 3), qRound(expected.height() * 4));
        }
        QCOMPARE(compare->pictureRect().size(), expected);
        // Both sides are drawn into the one rectangle: the source at the output's size.
        QCOMPARE(job->exportPixelSize(), QSize(400, 300));

        // The keys pan both sides at once, as far as the edges.
        compare->setFocus();
        const QPointF centre = compare->pictureRect().center();
        QTest::keyClick(compare, Qt::Key_Right);
        const bool pannable = expected.width() > compare->width();
        QCOMPARE(compare->pictureRect().center().x() < centre.x(), pannable);
        for (int i = 0; i < 40; ++i)
            QTest::keyClick(compare, Qt::Key_Right);
        if (pannable)
            QCOMPARE(compare->pictureRect().right(), qreal(compare->width()));
        // Space held shows the source alone; the divider moves with Shift+arrows and the mouse.
        QTest::keyPress(compare, Qt::Key_Space);
        QVERIFY(compare->showsBeforeOnly());
        QTest::keyRelease(compare, Qt::Key_Space);
        QVERIFY(!compare->showsBeforeOnly());
        QTest::keyClick(compare, Qt::Key_Left, Qt::ShiftModifier);
        QCOMPARE(compare->divider(), 0.5 - KPCompareView::DividerStep);
        const QPoint grip(int(compare->divider() * compare->width()), compare->height() / 2);
        QTest::mousePress(compare, Qt::LeftButton, {}, grip);
        QTest::mouseMove(compare, QPoint(compare->width() / 4, grip.y()));
        QTest::mouseRelease(compare, Qt::LeftButton, {}, QPoint(compare->width() / 4, grip.y()));
        QVERIFY(qAbs(compare->divider() - 0.25) < 0.01);
        // Ctrl+B leaves compare mode.
        QTest::keyClick(compare, Qt::Key_B, Qt::ControlModifier);
        QVERIFY(!panel->isComparing());
    }

    // Every control the window shows, in each state a user meets, has a name for assistive
    // technology.
    void everyControlHasAName_data()
    {
        QTest::addColumn<QString>("state");
        QTest::newRow("empty list") << "empty";
        QTest::newRow("pictures listed") << "listed";
        QTest::newRow("a problem said") << "problem";
        QTest::newRow("compare mode") << "compare";
        QTest::newRow("preferences") << "preferences";
        QTest::newRow("about") << "about";
    }
    void everyControlHasAName()
    {
        QFETCH(QString, state);
        QWidget* top = m_window.get();
        if (state != QLatin1String("empty"))
            m_window->addPaths(pictures(2));
        if (state == QLatin1String("problem")) {
            m_window->limitV()->sizeTF()->setText(QStringLiteral("0"));
            m_window->resizeAction()->trigger();
        } else if (state == QLatin1String("compare")) {
            QVERIFY(showConverted(*m_window->imgMsgV()));
        } else if (state == QLatin1String("preferences")) {
            m_window->preferenceAction()->trigger();
            top = m_window->preferenceV();
        } else if (state == QLatin1String("about")) {
            m_window->aboutAction()->trigger();
            top = m_window->aboutW();
        }
        QCoreApplication::processEvents();
        const QStringList unnamed = unnamedControls(top);
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QLatin1Char('\n'))));
        if (top != m_window.get())
            return;
        // The folder field is named by its label, whatever folder it holds; Browse and Open
        // say what they do.
        QAccessibleInterface* folder =
            QAccessible::queryAccessibleInterface(m_window->exportPathV()->pathCB());
        QCOMPARE(folder->text(QAccessible::Name),
                 KPLocalization::asName(KPLocalization::text("L_ExportLB")));
        for (QPushButton* button : m_window->exportPathV()->findChildren<QPushButton*>())
            QVERIFY(!QAccessible::queryAccessibleInterface(button)
                         ->text(QAccessible::Description)
                         .isEmpty());
    }

    // With pictures listed, Tab goes through the window's controls, each once, and comes
    // back round: the table is one stop, not a trap. Shift+Tab goes the other way.
    void tabGoesRoundTheWindow_data()
    {
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("forward");
        QTest::addColumn<bool>("comparing");
        QTest::newRow("Tab") << int(Qt::NoModifier) << true << false;
        QTest::newRow("Shift+Tab") << int(Qt::ShiftModifier) << false << false;
        QTest::newRow("Ctrl+Tab") << int(Qt::ControlModifier) << true << false;
        QTest::newRow("Ctrl+Shift+Tab")
            << int(Qt::ControlModifier | Qt::ShiftModifier) << false << false;
        QTest::newRow("Tab in compare mode") << int(Qt::NoModifier) << true << true;
        QTest::newRow("Shift+Tab in compare mode") << int(Qt::ShiftModifier) << false << true;
    }
    void tabGoesRoundTheWindow()
    {
        QFETCH(int, modifiers);
        QFETCH(bool, forward);
        QFETCH(bool, comparing);
        m_window->addPaths(pictures(3));
        if (comparing)
            QVERIFY(showConverted(*m_window->imgMsgV()));
        QApplication::setActiveWindow(m_window.get());
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        table()->setFocus();
        QVERIFY(table()->hasFocus());
        QStringList visited;
        for (int i = 0; i < 40; ++i) {
            QWidget* focus = QApplication::focusWidget();
            if (i > 0 && focus == table())
                break;
            visited.append(QAccessible::queryAccessibleInterface(focus)->text(QAccessible::Name));
            QTest::keyClick(focus, Qt::Key_Tab, Qt::KeyboardModifiers(modifiers));
        }
        const auto name = [](const char* key) {
            return KPLocalization::asName(KPLocalization::text(key));
        };
        // The unit is one stop, as radio buttons are: the one chosen (MB), arrows for the
        // other.
        QStringList expected = {name("L_LimitSizeLB"), name("L_UnitMB"), name("L_LimitEach"),
                                name("L_ExportLB"),    name("L_Brows"),  name("L_Open")};
        // The panel's controls come before: Compare, the zooms, the pictures.
        if (comparing)
            expected = QStringList{name("L_Compare"), name("L_ZoomFit"), name("L_Zoom100"),
                                   name("L_Zoom200"), name("L_CompareViewName")} +
                       expected;
        if (!forward)
            std::reverse(expected.begin(), expected.end());
        expected.prepend(name("L_TableName"));
        QCOMPARE(visited, expected);
        QVERIFY(table()->hasFocus());
        // The arrow keys choose the other unit.
        m_window->limitV()->sizeTF()->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
        QCOMPARE(m_window->limitV()->selectedSegment(), int(KPSizeLimit::KB));
    }

    // Every menu and menu item has a mnemonic in each language, none twice in one menu or
    // among the menu bar's titles; the toolbar shows the texts without them. F10 opens the
    // first menu.
    void menusHaveMnemonics_data()
    {
        QTest::addColumn<QString>("language");
        for (const char* language : {"en", "de", "fr", "es", "ja", "zh_CN"})
            QTest::newRow(language) << QString::fromLatin1(language);
    }
    void menusHaveMnemonics()
    {
        QFETCH(QString, language);
        QTranslator translator;
        QVERIFY(translator.load(QStringLiteral(":/i18n/pictaro_%1.qm").arg(language)));
        QCoreApplication::installTranslator(&translator);
        const auto removeTranslator =
            qScopeGuard([&translator] { QCoreApplication::removeTranslator(&translator); });
        KPMainWindow window;
        window.awakeFromNib();
        QStringList problems;
        const auto check = [&problems](const QString& where, const QList<QAction*>& actions) {
            QMap<QChar, QString> taken;
            for (const QAction* action : actions) {
                if (action->isSeparator())
                    continue;
                const QString text = action->text();
                const qsizetype at = text.indexOf(QRegularExpression(QStringLiteral("&[^&]")));
                if (at < 0) {
                    problems.append(QStringLiteral("%1: \"%2\" has none").arg(where, text));
                    continue;
                }
                const QChar key = text.at(at + 1).toLower();
                if (taken.contains(key))
                    problems.append(QStringLiteral("%1: \"%2\" and \"%3\" share %4")
                                        .arg(where, taken.value(key), text, key));
                taken.insert(key, text);
            }
        };
        check(QStringLiteral("menu bar"), window.menuBar()->actions());
        for (const QAction* menu : window.menuBar()->actions())
            check(menu->text(), menu->menu()->actions());
        // Stop takes Resize's place while a run goes.
        window.controllerState(true);
        const QAction* fileMenu = window.menuBar()->actions().first();
        check(fileMenu->text(), fileMenu->menu()->actions());
        window.controllerState(false);
        for (const QToolButton* button :
             window.findChild<QToolBar*>()->findChildren<QToolButton*>()) {
            if (button->text().contains(QLatin1Char('&')))
                problems.append(QStringLiteral("toolbar: \"%1\"").arg(button->text()));
        }
        // The preferences' check boxes and labelled fields share one set of keys.
        KPPreferences preferences;
        preferences.awakeFromNib();
        QStringList labels;
        for (const QAbstractButton* button : preferences.findChildren<QAbstractButton*>())
            labels.append(button->text());
        for (const QLabel* label : preferences.findChildren<QLabel*>()) {
            if (label->buddy())
                labels.append(label->text());
        }
        QMap<QChar, QString> keys;
        for (const QString& text : labels) {
            const qsizetype at = text.indexOf(QRegularExpression(QStringLiteral("&[^&]")));
            if (at < 0)
                continue;
            const QChar key = text.at(at + 1).toLower();
            if (keys.contains(key))
                problems.append(QStringLiteral("preferences: \"%1\" and \"%2\" share %3")
                                    .arg(keys.value(key), text, key));
            keys.insert(key, text);
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));

        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_F10);
        QTRY_COMPARE(QApplication::activePopupWidget(), fileMenu->menu());
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    }

    void closingDuringARunLeavesNothingBehind()
    {
        m_window->addPaths(pictures(4, 800));
        m_window->sizeLimit().setNumber(QStringLiteral("1"));
        m_window->sizeLimit().setSegment(KPSizeLimit::KB); // unreachable: every job works long
        m_window->resizeAction()->trigger();
        QTest::qWait(100);
        m_window->close();
        m_window.reset();
        QVERIFY(QDir(m_out->path())
                    .entryList({QStringLiteral(".pictaro-*")}, QDir::Files | QDir::Hidden)
                    .isEmpty());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
