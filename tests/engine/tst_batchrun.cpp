#include "engine/KPBatchRun.h"
#include "list/KPListView.h"
#include "settings/KPSettings.h"
#include "support/KPTestSupport.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

// A run over the list: its order, its messages, Stop, and its lifetime.
class TestBatchRun : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<KPTestSettings> m_settings;
    std::unique_ptr<QTemporaryDir> m_in;
    std::unique_ptr<QTemporaryDir> m_out;
    std::unique_ptr<KPListView> m_list;
    std::unique_ptr<KPBatchRun> m_run;

    void makeRun(quint64 limit)
    {
        m_run = std::make_unique<KPBatchRun>(m_list.get());
        m_run->setLimitSizeSource([limit] { return limit; });
        const QString folder = m_out->path();
        m_run->setExportPathSource([folder] { return std::optional<QString>(folder); });
    }

    void addPictures(int count, int width = 200)
    {
        QStringList paths;
        for (int i = 0; i < count; ++i) {
            const QString path = m_in->filePath(QStringLiteral("p%1.png").arg(i));
            KPTest::save(KPTest::noisyImage(width, width * 3 / 4, quint32(i + 1)), path);
            paths.append(path);
        }
        m_list->addMember(paths);
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
        m_settings = std::make_unique<KPTestSettings>();
        KPSettings::checkDefaultSetting();
        m_in = std::make_unique<QTemporaryDir>();
        m_out = std::make_unique<QTemporaryDir>();
        m_list = std::make_unique<KPListView>();
    }
    void cleanup()
    {
        m_run.reset();
        m_list.reset();
    }

    void runConvertsEveryPictureInOrder()
    {
        addPictures(3);
        makeRun(1000000);
        QList<QPair<qsizetype, qsizetype>> reports;
        QList<QString> logged;
        QStringList order;
        connect(m_run.get(), &KPBatchRun::imageReportRefresh, this, [&](const KPNotification& note) {
            QCOMPARE(note.name, KPMessage::ImageReportRefresh);
            reports.append({count(note, KPMessage::ReportOK), count(note, KPMessage::ReportError)});
        });
        connect(m_run.get(), &KPBatchRun::imageLogRefresh, this, [&](const KPNotification& note) {
            const auto job = note.userInfo.value(KPMessage::CurrentImage).value<KPImageDataPtr>();
            QVERIFY(job);
            // The worker waits while the view reads the record: its state is settled.
            if (job->is(KPProgress::Converted) && !order.contains(job->path()))
                order.append(job->path());
        });
        QSignalSpy states(m_run.get(), &KPBatchRun::controllerState);
        QSignalSpy saves(m_run.get(), &KPBatchRun::saveConfig);
        QSignalSpy ended(m_run.get(), &KPBatchRun::runEnded);

        m_run->resize();
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
    }

    void stopTakesEffectBetweenJobs()
    {
        addPictures(5);
        makeRun(1000000);
        QSignalSpy ended(m_run.get(), &KPBatchRun::runEnded);
        int reportsSeen = 0;
        connect(m_run.get(), &KPBatchRun::imageReportRefresh, this, [&](const KPNotification&) {
            if (++reportsSeen == 2)
                m_run->resize(); // Stop, while the second job's worker waits here
        });
        m_run->resize();
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

    void zeroLimitStartsNothing()
    {
        addPictures(2);
        makeRun(0);
        QSignalSpy ended(m_run.get(), &KPBatchRun::runEnded);
        QSignalSpy states(m_run.get(), &KPBatchRun::controllerState);
        m_run->resize();
        QVERIFY(waitIdle());
        QVERIFY(m_run->resizeFlag()); // running form until the user stops
        for (const KPImageDataPtr& job : m_list->memberMAr())
            QCOMPARE(job->progress(), qint32(KPProgress::Waiting));
        m_run->resize();
        QVERIFY(!m_run->resizeFlag());
        QCOMPARE(states.count(), 2);
        QCOMPARE(ended.count(), 0);
    }

    void emptyListDoesNothing()
    {
        makeRun(1000000);
        QSignalSpy states(m_run.get(), &KPBatchRun::controllerState);
        QSignalSpy saves(m_run.get(), &KPBatchRun::saveConfig);
        m_run->resize();
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
                [&](const KPNotification& note) { converted.append(count(note, KPMessage::ReportOK)); });
        m_run->resize();
        QVERIFY(ended.wait(60000));
        m_list->memberMAr().first()->setProgress(KPProgress::Failed);
        m_run->resize();
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
        connect(m_run.get(), &KPBatchRun::imageReportRefresh, this, [&](const KPNotification& note) {
            totals.append(count(note, KPMessage::ReportOK) + count(note, KPMessage::ReportError));
            if (!restarted) {
                restarted = true;
                m_run->resize(); // Stop
                m_run->resize(); // and Resize again at once
            }
        });
        m_run->resize();
        QVERIFY(ended.wait(60000));
        QVERIFY(waitIdle());
        QCOMPARE(totals, (QList<qsizetype>{1, 1, 2, 3}));
        QCOMPARE(m_run->okImgMAr().size(), 3);
        QVERIFY(QDir(m_out->path()).entryList({QStringLiteral(".pictaro-*")}, QDir::Hidden | QDir::Files).isEmpty());
    }

    // Destroying the run while its worker waits for a hand-off that will never be
    // handled must neither hang nor leave a working file behind.
    void destroyedWhileRunning()
    {
        addPictures(3, 400);
        makeRun(1000);
        m_run->resize();
        QTest::qWait(50);
        m_run.reset();
        QVERIFY(QDir(m_out->path()).entryList({QStringLiteral(".pictaro-*")}, QDir::Hidden | QDir::Files).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestBatchRun)
#include "tst_batchrun.moc"
