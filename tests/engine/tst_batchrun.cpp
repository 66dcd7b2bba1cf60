#include "engine/KPAtomicFile.h"
#include "engine/KPBatchRun.h"
#include "list/KPListView.h"
#include "settings/KPSettings.h"
#include "support/KPTestSupport.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <map>

// A run over the list: its order, its messages, Stop, and its lifetime.
class TestBatchRun : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<KPTestFolders> m_folders;
    std::unique_ptr<KPListView> m_list;
    std::unique_ptr<KPBatchRun> m_run;

    void makeRun(quint64 limit, int parallelJobs = 1)
    {
        m_run = std::make_unique<KPBatchRun>();
        m_run->setLimitSizeSource([limit] { return limit; });
        const QString folder = m_folders->out.path();
        m_run->setExportPathSource([folder] { return std::optional<QString>(folder); });
        KPFitOptions options;
        options.parallelJobs = parallelJobs;
        m_run->setFitOptions(options);
    }

    // What a run leaves: the outputs by name, and the jobs filed and reported, in order.
    struct Outcome
    {
        std::map<QString, QByteArray> outputs;
        QStringList converted;
        QStringList failed;
        QList<int> finished;
        QList<qsizetype> reported; // converted and failed, at each report
    };
    Outcome runInto(const QString& folder, int parallelJobs, bool best, quint64 limit)
    {
        KPBatchRun run;
        run.setLimitSizeSource([limit] { return limit; });
        run.setExportPathSource([folder] { return std::optional<QString>(folder); });
        KPFitOptions options;
        options.parallelJobs = parallelJobs;
        options.bestQuality = best;
        run.setFitOptions(options);
        Outcome outcome;
        connect(
            &run, &KPBatchRun::jobFinished, this,
            [&outcome](const KPImageDataPtr&, int index, int) { outcome.finished.append(index); });
        connect(&run, &KPBatchRun::imageReportRefresh, this,
                [&outcome](const KPNotification& note) {
                    outcome.reported.append(count(note, KPMessage::ReportOK) +
                                            count(note, KPMessage::ReportError));
                });
        QSignalSpy ended(&run, &KPBatchRun::runEnded);
        run.resize(m_list->memberMAr());
        if (!ended.wait(120000) || !QTest::qWaitFor([&run] { return run.isIdle(); }, 60000))
            qFatal("the run did not end");
        for (const KPImageDataPtr& job : run.okImgMAr())
            outcome.converted.append(job->path());
        for (const KPImageDataPtr& job : run.errorImgMAr())
            outcome.failed.append(job->path());
        const QDir dir(folder);
        for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden))
            outcome.outputs[name] = *KPAtomicFile::readAll(dir.filePath(name));
        return outcome;
    }

    void addPictures(int count, int width = 200)
    {
        m_list->addMember(KPTest::writePictures(m_folders->in.path(), count, width));
    }

    static qsizetype count(const KPNotification& note, const QString& key)
    {
        return note.userInfo.value(key).value<KPImageDataList>().size();
    }

    bool waitIdle() const
    {
        return QTest::qWaitFor([this] { return m_run->isIdle(); }, 60000);
    }

private Q_SLOTS:
    void init()
    {
        m_folders = std::make_unique<KPTestFolders>();
        m_list = std::make_unique<KPListView>();
    }
    void cleanup()
    {
        m_run.reset();
        m_list.reset();
    }

    void runConvertsEveryPictureInOrder_data()
    {
        QTest::addColumn<int>("parallelJobs");
        QTest::newRow("one at a time") << 1;
        QTest::newRow("two at once") << 2;
        QTest::newRow("more at once than pictures") << 4;
    }
    void runConvertsEveryPictureInOrder()
    {
        QFETCH(int, parallelJobs);
        addPictures(3);
        makeRun(1000000, parallelJobs);
        QList<QPair<qsizetype, qsizetype>> reports;
        QList<QString> logged;
        QStringList order;
        connect(m_run.get(), &KPBatchRun::imageReportRefresh, this,
                [&](const KPNotification& note) {
                    QCOMPARE(note.name, KPMessage::ImageReportRefresh);
                    reports.append(
                        {count(note, KPMessage::ReportOK), count(note, KPMessage::ReportError)});
                });
        connect(m_run.get(), &KPBatchRun::imageLogRefresh, this, [&](const KPNotification& note) {
            const auto job = note.userInfo.value(KPMessage::CurrentImage).value<KPImageDataPtr>();
            QVERIFY(job);
            // The worker waits while the view reads the record: its state is settled.
            if (job->is(KPProgress::Converted) && !order.contains(job->path()))
                order.append(job->path());
        });
        // The table redraws once per job, each time after the job's report.
        int refreshes = 0;
        bool refreshedAfterReports = true;
        connect(m_run.get(), &KPBatchRun::listRefresh, this, [&] {
            ++refreshes;
            refreshedAfterReports = refreshedAfterReports && reports.size() >= refreshes;
        });
        QSignalSpy states(m_run.get(), &KPBatchRun::controllerState);
        QSignalSpy saves(m_run.get(), &KPBatchRun::saveConfig);
        QSignalSpy ended(m_run.get(), &KPBatchRun::runEnded);

        m_run->resize(m_list->memberMAr());
        QVERIFY(m_run->resizeFlag());
        QVERIFY(ended.wait(60000));
        QCOMPARE(ended.count(), 1);
        QCOMPARE(saves.count(), 1);
        QCOMPARE(states.count(), 2);
        QCOMPARE(states.at(0).at(0).toBool(), true);
        QCOMPARE(states.at(1).at(0).toBool(), false);
        QVERIFY(!m_run->resizeFlag());
        QCOMPARE(m_run->curLimitSize(), quint64(0));
        QCOMPARE(reports, (QList<QPair<qsizetype, qsizetype>>{{1, 0}, {2, 0}, {3, 0}}));
        QStringList expected;
        for (const KPImageDataPtr& job : m_list->memberMAr())
            expected.append(job->path());
        QCOMPARE(order, expected);
        QVERIFY(waitIdle());
        QVERIFY(QTest::qWaitFor([&] { return refreshes == 3; }, 60000));
        QVERIFY(refreshedAfterReports);
    }

    // One limit for the whole set: the files written add up to less than it, the quality
    // floor, the smallest and the largest box hold for each; when not even they let the set
    // fit, nothing is written, every picture fails and the run says by how much.
    void budgetFitsTheWholeSet_data()
    {
        QTest::addColumn<quint64>("total");
        QTest::addColumn<bool>("scaling");
        QTest::addColumn<QSize>("largest");
        QTest::addColumn<bool>("fits");
        QTest::newRow("at a shared quality") << quint64(400000) << false << QSize() << true;
        QTest::newRow("scaled towards the smallest box")
            << quint64(60000) << true << QSize() << true;
        QTest::newRow("inside the largest box")
            << quint64(400000) << true << QSize(300, 200) << true;
        QTest::newRow("over the budget") << quint64(20000) << false << QSize() << false;
    }
    void budgetFitsTheWholeSet()
    {
        QFETCH(quint64, total);
        QFETCH(bool, scaling);
        QFETCH(QSize, largest);
        QFETCH(bool, fits);
        // A small picture first, kept or encoded small, and three larger ones.
        m_list->addMember(
            KPTest::writePictures(m_folders->in.path(), 1, 160, QStringLiteral("jpg")));
        addPictures(3, 600);
        makeRun(total);
        KPFitOptions options;
        options.limitForSet = true;
        options.enableConvertScale = scaling;
        options.compressionFactor = 0.5f;
        options.limitWidth = 200.0f;
        options.limitHeight = 150.0f;
        if (largest.isValid())
            options.largestBox = largest;
        m_run->setFitOptions(options);
        QSignalSpy totals(m_run.get(), &KPBatchRun::setTotal);
        QSignalSpy ended(m_run.get(), &KPBatchRun::runEnded);
        m_run->resize(m_list->memberMAr());
        QVERIFY(ended.wait(120000));
        QVERIFY(waitIdle());
        QCOMPARE(totals.count(), 1);
        const QDir out(m_folders->out.path());
        quint64 written = 0;
        for (const QString& name : out.entryList(QDir::Files | QDir::Hidden))
            written += *KPAtomicFile::fileSize(out.filePath(name));
        QCOMPARE(totals.at(0).at(0).value<quint64>(), total);
        QCOMPARE(totals.at(0).at(1).value<quint64>(), written);
        if (!fits) {
            QCOMPARE(written, quint64(0));
            QVERIFY(totals.at(0).at(2).value<quint64>() > 0);
            for (const KPImageDataPtr& job : m_list->memberMAr())
                QCOMPARE(job->failure(), KPFailure::OverBudget);
            QCOMPARE(m_run->errorImgMAr().size(), m_list->memberMAr().size());
            return;
        }
        QCOMPARE(totals.at(0).at(2).value<quint64>(), quint64(0));
        QCOMPARE(m_run->okImgMAr().size(), m_list->memberMAr().size());
        QVERIFY2(written < total, qPrintable(QString::number(written)));
        for (const KPImageDataPtr& job : m_list->memberMAr()) {
            const KPJobSummary summary = *job->summary();
            QVERIFY(!summary.quality || summary.quality->percent() >= 50);
            const QSize pixels = summary.outputPixels;
            QVERIFY(pixels.width() >= std::min(200, QImage(job->path()).width()));
            if (largest.isValid())
                QVERIFY(pixels.width() <= largest.width() && pixels.height() <= largest.height());
        }
    }

    void stopTakesEffectBetweenJobs()
    {
        addPictures(5);
        makeRun(1000000);
        QSignalSpy ended(m_run.get(), &KPBatchRun::runEnded);
        int reportsSeen = 0;
        connect(m_run.get(), &KPBatchRun::imageReportRefresh, this, [&](const KPNotification&) {
            if (++reportsSeen == 2)
                // Stop, while the second job's worker waits here
                m_run->resize(m_list->memberMAr());
        });
        m_run->resize(m_list->memberMAr());
        QVERIFY(QTest::qWaitFor([&] { return reportsSeen >= 2; }, 60000));
        QVERIFY(!m_run->resizeFlag());
        QVERIFY(waitIdle());
        QTest::qWait(2 * KPBatchRun::PollMs);
        QCOMPARE(ended.count(), 0);
        QCOMPARE(reportsSeen, 2);
        const KPImageDataList& jobs = m_list->memberMAr();
        QCOMPARE(jobs[0]->progress(), qint32(KPProgress::Converted));
        QCOMPARE(jobs[1]->progress(), qint32(KPProgress::Converted));
        for (qsizetype i = 2; i < jobs.size(); ++i)
            QCOMPARE(jobs[i]->progress(), qint32(KPProgress::Waiting));
        QCOMPARE(m_run->okImgMAr().size(), 2);
    }

    // Several pictures at once name, write and report exactly what one at a time does:
    // the same bytes under the same names (also for sources sharing a base name), the
    // result lists and the reports in list order.
    void parallelRunWritesWhatOneAtATimeWrites_data()
    {
        QTest::addColumn<int>("parallelJobs");
        QTest::addColumn<bool>("best");
        QTest::newRow("stepwise, two at once") << 2 << false;
        QTest::newRow("best quality, two at once") << 2 << true;
        QTest::newRow("best quality, three at once") << 3 << true;
    }
    void parallelRunWritesWhatOneAtATimeWrites()
    {
        QFETCH(int, parallelJobs);
        QFETCH(bool, best);
        QStringList paths;
        const auto add = [this, &paths](const QString& name, const QImage& picture) {
            const QString path = m_folders->in.filePath(name);
            QDir().mkpath(QFileInfo(path).absolutePath());
            QVERIFY(KPTest::save(picture, path));
            paths.append(path);
        };
        add(QStringLiteral("a/p.png"), KPTest::noisyImage(320, 240, 31));
        add(QStringLiteral("b/p.png"), KPTest::noisyImage(240, 320, 32));
        add(QStringLiteral("small.jpg"), KPTest::flatImage(64, 48, Qt::darkCyan));
        add(QStringLiteral("large.png"), KPTest::noisyImage(900, 600, 33));
        paths.append(m_folders->in.filePath(QStringLiteral("damaged.png")));
        QFile damaged(paths.last());
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write("\x89PNG\r\n\x1a\n not a picture");
        damaged.close();
        add(QStringLiteral("c/p.png"), KPTest::noisyImage(300, 300, 34));
        m_list->addMember(paths);

        QTemporaryDir one;
        QTemporaryDir several;
        const quint64 limit = 40000;
        const Outcome expected = runInto(one.path(), 1, best, limit);
        const Outcome outcome = runInto(several.path(), parallelJobs, best, limit);
        QVERIFY(expected.failed.contains(paths.at(4))); // the damaged one
        QVERIFY(expected.outputs.count(QStringLiteral("p-2.jpg")));
        QVERIFY(outcome.outputs == expected.outputs);
        QCOMPARE(outcome.converted, expected.converted);
        QCOMPARE(outcome.failed, expected.failed);
        QCOMPARE(outcome.finished, (QList<int>{0, 1, 2, 3, 4, 5}));
        QCOMPARE(outcome.reported, (QList<qsizetype>{1, 2, 3, 4, 5, 6}));
        QStringList listed;
        for (const KPImageDataPtr& job : m_list->memberMAr())
            listed.append(job->path());
        QVERIFY(std::is_sorted(outcome.converted.begin(), outcome.converted.end(),
                               [&listed](const QString& a, const QString& b) {
                                   return listed.indexOf(a) < listed.indexOf(b);
                               }));
    }

    // Stop with several pictures in progress cuts each of them short: they end failed
    // (stopped), are filed and reported in list order, leave nothing behind, and no
    // further picture starts.
    void stopCutsEveryJobInProgressShort()
    {
        addPictures(6, 1200);
        makeRun(30000, 3);
        QSignalSpy ended(m_run.get(), &KPBatchRun::runEnded);
        QList<int> started;
        QList<int> finished;
        connect(m_run.get(), &KPBatchRun::jobStarted, this,
                [&](const KPImageDataPtr&, int index, int) {
                    started.append(index);
                    if (index == 2)
                        m_run->resize(m_list->memberMAr()); // Stop, with three pictures in progress
                });
        connect(m_run.get(), &KPBatchRun::jobFinished, this,
                [&](const KPImageDataPtr&, int index, int) { finished.append(index); });
        m_run->resize(m_list->memberMAr());
        QVERIFY(QTest::qWaitFor([&] { return started.contains(2); }, 60000));
        QVERIFY(waitIdle());
        QTest::qWait(2 * KPBatchRun::PollMs);
        QCOMPARE(ended.count(), 0);
        QCOMPARE(finished, started);
        QVERIFY(std::is_sorted(finished.begin(), finished.end()));
        const KPImageDataList& jobs = m_list->memberMAr();
        int stopped = 0;
        for (int i = 0; i < int(jobs.size()); ++i) {
            if (!started.contains(i)) {
                QCOMPARE(jobs[i]->progress(), qint32(KPProgress::Waiting));
                continue;
            }
            if (jobs[i]->is(KPProgress::Failed)) {
                QCOMPARE(jobs[i]->failure(), KPFailure::Stopped);
                QVERIFY(!QFileInfo::exists(jobs[i]->exportPath()));
                ++stopped;
            } else {
                QCOMPARE(jobs[i]->progress(), qint32(KPProgress::Converted));
            }
        }
        QVERIFY(stopped >= 1);
        QVERIFY(QDir(m_folders->out.path())
                    .entryList({QStringLiteral(".pictaro-*")}, QDir::Hidden | QDir::Files)
                    .isEmpty());
    }

    void zeroLimitStartsNothing()
    {
        addPictures(2);
        makeRun(0);
        QSignalSpy ended(m_run.get(), &KPBatchRun::runEnded);
        QSignalSpy states(m_run.get(), &KPBatchRun::controllerState);
        m_run->resize(m_list->memberMAr());
        QVERIFY(waitIdle());
        QVERIFY(m_run->resizeFlag()); // running form until the user stops
        for (const KPImageDataPtr& job : m_list->memberMAr())
            QCOMPARE(job->progress(), qint32(KPProgress::Waiting));
        m_run->resize(m_list->memberMAr());
        QVERIFY(!m_run->resizeFlag());
        QCOMPARE(states.count(), 2);
        QCOMPARE(ended.count(), 0);
    }

    void emptyListDoesNothing()
    {
        makeRun(1000000);
        QSignalSpy states(m_run.get(), &KPBatchRun::controllerState);
        QSignalSpy saves(m_run.get(), &KPBatchRun::saveConfig);
        m_run->resize(m_list->memberMAr());
        QVERIFY(!m_run->resizeFlag());
        QCOMPARE(states.count(), 0);
        QCOMPARE(saves.count(), 0);
    }

    void secondRunConvertsAgainFromEmptyLists()
    {
        addPictures(2);
        makeRun(1000000);
        QSignalSpy ended(m_run.get(), &KPBatchRun::runEnded);
        QList<qsizetype> converted;
        connect(m_run.get(), &KPBatchRun::imageReportRefresh, this,
                [&](const KPNotification& note) {
                    converted.append(count(note, KPMessage::ReportOK));
                });
        m_run->resize(m_list->memberMAr());
        QVERIFY(ended.wait(60000));
        m_list->memberMAr().first()->setProgress(KPProgress::Failed);
        m_run->resize(m_list->memberMAr());
        QVERIFY(QTest::qWaitFor([&] { return ended.count() == 2; }, 60000));
        QCOMPARE(converted, (QList<qsizetype>{1, 2, 1, 2}));
        QCOMPARE(m_list->memberMAr().first()->progress(), qint32(KPProgress::Converted));
    }

    // Stop and start again while a worker of the stopped run still waits for its
    // hand-off: the new run must not start a job until that worker has ended.
    void restartWaitsForTheStoppedWorker()
    {
        addPictures(3);
        makeRun(1000000);
        QSignalSpy ended(m_run.get(), &KPBatchRun::runEnded);
        QList<qsizetype> totals;
        bool restarted = false;
        connect(m_run.get(), &KPBatchRun::imageReportRefresh, this,
                [&](const KPNotification& note) {
                    totals.append(count(note, KPMessage::ReportOK) +
                                  count(note, KPMessage::ReportError));
                    if (!restarted) {
                        restarted = true;
                        m_run->resize(m_list->memberMAr()); // Stop
                        m_run->resize(m_list->memberMAr()); // and Resize again at once
                    }
                });
        m_run->resize(m_list->memberMAr());
        QVERIFY(ended.wait(60000));
        QVERIFY(waitIdle());
        QCOMPARE(totals, (QList<qsizetype>{1, 1, 2, 3}));
        QCOMPARE(m_run->okImgMAr().size(), 3);
        QVERIFY(QDir(m_folders->out.path())
                    .entryList({QStringLiteral(".pictaro-*")}, QDir::Hidden | QDir::Files)
                    .isEmpty());
    }

    // Destroying the run while its worker waits for a hand-off that will never be
    // handled must neither hang nor leave a working file behind.
    void destroyedWhileRunning()
    {
        addPictures(3, 400);
        makeRun(1000);
        m_run->resize(m_list->memberMAr());
        QTest::qWait(50);
        m_run.reset();
        QVERIFY(QDir(m_folders->out.path())
                    .entryList({QStringLiteral(".pictaro-*")}, QDir::Hidden | QDir::Files)
                    .isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestBatchRun)
#include "tst_batchrun.moc"
