#include "engine/KPBatchRun.h"
#include "list/KPListView.h"
#include "settings/KPNumberTextField.h"
#include "settings/KPPreferences.h"
#include "settings/KPSettings.h"
#include "support/KPFaultSupport.h"
#include "support/KPTestSupport.h"
#include "ui/KPLocalization.h"
#include "ui/KPMainWindow.h"
#include "ui/KPReportView.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

// The window under hostile conditions: a broken preferences store, the window closed
// during a run, the preferences changed during a run, Stop and Resize in quick turns.
class TestWindowFaults : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<KPMainWindow> m_window;

    QString path(const QString& relative) const { return m_dir->filePath(relative); }

    QStringList pictures(int count, int width = 800)
    {
        return KPTest::writePictures(path(QStringLiteral("in")), count, width);
    }

    // A window as at start-up, exporting into "out" under a limit that needs scaling
    // for the 800-pixel pictures.
    void openWindow()
    {
        m_window = std::make_unique<KPMainWindow>();
        m_window->awakeFromNib();
        m_window->exportFolder().setText(path(QStringLiteral("out")));
        m_window->sizeLimit().setNumber(QStringLiteral("60"));
        m_window->sizeLimit().setSegment(KPSizeLimit::KB);
        m_window->show();
    }

    bool answerEndAlert()
    {
        if (!QTest::qWaitFor([this] { return m_window->endAlert() != nullptr; }, 120000))
            return false;
        m_window->endAlert()->defaultButton()->click();
        return QTest::qWaitFor([this] { return m_window->run()->isIdle(); }, 10000);
    }

    static bool settledCleanly(const KPImageDataPtr& job)
    {
        if (job->is(KPProgress::Converted))
            return KPFault::isJpegUnder(job->exportPath(), 60000);
        return job->exportPath().isEmpty() || !QFileInfo::exists(job->exportPath());
    }

private Q_SLOTS:
    void initTestCase() { KPLocalization::install(*QCoreApplication::instance()); }
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        KPTestSettings::useFolder(path(QStringLiteral("config")));
    }
    void cleanup()
    {
        m_window.reset();
        QFile::setPermissions(path(QStringLiteral("config/Pictaro")), QFileDevice::ReadOwner |
                                                                          QFileDevice::WriteOwner |
                                                                          QFileDevice::ExeOwner);
    }

    // Whatever state the store is in, the window starts with the defaults (or the values
    // it could read) and a run scales pictures as a fresh store would.
    void brokenPreferenceStore_data()
    {
        QTest::addColumn<QString>("store");
        QTest::addColumn<int>("quality");
        QTest::newRow("missing") << QStringLiteral("missing") << 60;
        QTest::newRow("a folder in its place") << QStringLiteral("folder") << 60;
        QTest::newRow("configuration folder is a file") << QStringLiteral("file") << 60;
        QTest::newRow("read-only") << QStringLiteral("read-only") << 80;
        QTest::newRow("unreadable") << QStringLiteral("unreadable") << 60;
        QTest::newRow("garbage") << QStringLiteral("garbage") << 60;
        QTest::newRow("wrong types") << QStringLiteral("wrong types") << 60;
    }
    void brokenPreferenceStore()
    {
        QFETCH(QString, store);
        QFETCH(int, quality);
        const QString config = path(QStringLiteral("config"));
        const QString file = path(QStringLiteral("config/Pictaro/Pictaro.conf"));
        auto write = [&](const QByteArray& text) {
            QDir().mkpath(QFileInfo(file).absolutePath());
            QFile conf(file);
            return conf.open(QIODevice::WriteOnly) && conf.write(text) == text.size();
        };
        std::unique_ptr<KPFault::Tmpfs> mount;
        if (store == QStringLiteral("folder")) {
            QVERIFY(QDir().mkpath(file));
        } else if (store == QStringLiteral("file")) {
            QFile plain(config);
            QVERIFY(plain.open(QIODevice::WriteOnly));
        } else if (store == QStringLiteral("read-only")) {
            if (::geteuid() == 0) {
                QDir().mkpath(config);
                mount = std::make_unique<KPFault::Tmpfs>(config, "100k");
                if (!mount->mounted())
                    QSKIP("root can only be kept from writing by a read-only mount");
            }
            QVERIFY(write("[General]\nCompressionFactor=0.8\n"));
            if (mount)
                QVERIFY(mount->setReadOnly(true));
            else
                QVERIFY(::chmod(QFile::encodeName(file).constData(), 0444) == 0 &&
                        ::chmod(QFile::encodeName(QFileInfo(file).absolutePath()).constData(),
                                0555) == 0);
        } else if (store == QStringLiteral("unreadable")) {
            if (::geteuid() == 0)
                QSKIP("root reads every file; the folder row covers a store that cannot be read");
            QVERIFY(write("[General]\nCompressionFactor=0.8\n"));
            QVERIFY(::chmod(QFile::encodeName(file).constData(), 0) == 0);
        } else if (store == QStringLiteral("garbage")) {
            static const char garbage[] =
                "\x00\xff[General\nEnableConvertScale\n=\n\xfe@Variant(\x01\x02\n";
            QVERIFY(write(QByteArray(garbage, sizeof garbage - 1)));
        } else if (store == QStringLiteral("wrong types")) {
            QVERIFY(write(
                "[General]\nEnableConvertScale=maybe\nLimitWidth=wide\nLimitHeight=@Invalid()\n"
                "CompressionFactor=nan\nExportPath=1, 2\nPathList=3\nLimitSize=@ByteArray(x)\n"
                "LimitSizeUnit=megabytes\nCurrentExportPath=@Variant(\\0\\0)\n"));
        }

        const QStringList sources = pictures(1);
        openWindow();
        KPPreferences* preferences = m_window->preferenceV();
        preferences->loadPreferences();
        QVERIFY(preferences->scaleCB()->isChecked());
        QCOMPARE(preferences->imageQuality(), quality);
        QCOMPARE(preferences->widthTF()->text(), QStringLiteral("320"));
        QCOMPARE(preferences->highTF()->text(), QStringLiteral("240"));

        m_window->addPaths(sources);
        m_window->resizeAction()->trigger();
        QVERIFY(answerEndAlert());
        const KPImageDataPtr job = m_window->picLV()->memberMAr().first();
        QVERIFY(job->is(KPProgress::Converted));
        QVERIFY(job->exportPixelSize().width() < 800); // scaled
        QVERIFY(KPFault::isJpegUnder(job->exportPath(), 60000));
        if (mount)
            QVERIFY(mount->setReadOnly(false));
    }

    // Closing the window during a job, or while the end alert is open, loses no result:
    // a converted job has its output, any other has nothing at its output path.
    void closingLosesNoResult_data()
    {
        QTest::addColumn<bool>("duringAJob");
        QTest::newRow("during a job") << true;
        QTest::newRow("with the end alert open") << false;
    }
    void closingLosesNoResult()
    {
        QFETCH(bool, duringAJob);
        KPTestSettings settings;
        openWindow();
        m_window->addPaths(pictures(4));
        int reports = 0;
        connect(m_window->run(), &KPBatchRun::imageReportRefresh, this, [&] { ++reports; });
        m_window->resizeAction()->trigger();
        if (duringAJob)
            QVERIFY(QTest::qWaitFor([&] { return reports >= 2; }, 120000));
        else
            QVERIFY(QTest::qWaitFor([this] { return m_window->endAlert() != nullptr; }, 120000));
        const KPImageDataList jobs = m_window->picLV()->memberMAr();
        m_window->close();
        m_window.reset();
        int converted = 0;
        for (const KPImageDataPtr& job : jobs) {
            QVERIFY2(settledCleanly(job), qPrintable(job->path()));
            converted += job->is(KPProgress::Converted) ? 1 : 0;
        }
        QVERIFY(converted >= (duringAJob ? 2 : 4));
        QCOMPARE(KPFault::leftovers(path(QStringLiteral("out"))), QStringList());
    }

    // Scaling switched off through the preferences panel while the first job is being
    // reported: the later jobs, which need scaling, fail; the counts add up.
    void preferencesChangedThroughThePanel()
    {
        KPTestSettings settings;
        openWindow();
        m_window->addPaths(pictures(3));
        bool changed = false;
        connect(m_window->run(), &KPBatchRun::imageReportRefresh, this, [&] {
            if (changed)
                return;
            changed = true;
            m_window->preference();
            m_window->preferenceV()->scaleCB()->setChecked(false);
            m_window->preferenceV()->ok();
        });
        m_window->resizeAction()->trigger();
        QVERIFY(answerEndAlert());
        QCOMPARE(m_window->reportV()->okTF()->text(), QStringLiteral("1"));
        QCOMPARE(m_window->reportV()->failTF()->text(), QStringLiteral("2"));
        for (const KPImageDataPtr& job : m_window->picLV()->memberMAr())
            QVERIFY(settledCleanly(job));
    }

    // A named pipe under a picture's name is no picture: reading it would wait for a
    // writer for ever (in the preview, the thumbnails and the run, and on closing).
    void namedPipeAmongThePictures()
    {
        KPTestSettings settings;
        const QStringList sources = pictures(1, 200);
        QCOMPARE(::mkfifo(QFile::encodeName(path(QStringLiteral("in/pipe.jpg"))).constData(), 0644),
                 0);
        openWindow();
        m_window->addPaths({path(QStringLiteral("in")), path(QStringLiteral("in/pipe.jpg"))});
        QCOMPARE(m_window->picLV()->memberMAr().size(), 1);
        m_window->resizeAction()->trigger();
        QVERIFY(answerEndAlert());
        QVERIFY(m_window->picLV()->memberMAr().first()->is(KPProgress::Converted));
    }

    // Stop and Resize at once while the last job is being reported: the toolbar shows
    // Stop for as long as the new run works, and only the new run's end is announced.
    void stopAndResizeDuringTheLastJob()
    {
        KPTestSettings settings;
        openWindow();
        m_window->addPaths(pictures(2, 200));
        int reports = 0;
        QStringList toolbar;
        connect(m_window->run(), &KPBatchRun::imageReportRefresh, this, [&] {
            if (++reports == 2) {
                m_window->resizeAction()->trigger(); // Stop
                m_window->resizeAction()->trigger(); // Resize
            }
            toolbar.append(m_window->resizeAction()->text());
        });
        m_window->resizeAction()->trigger();
        QVERIFY(answerEndAlert());
        QTest::qWait(2 * KPBatchRun::PollMs);
        QVERIFY(!m_window->endAlert());
        QCOMPARE(reports, 4);
        QCOMPARE(toolbar, QStringList(4, KPLocalization::text("L_TBIStop")));
        QCOMPARE(m_window->resizeAction()->text(), KPLocalization::text("L_TBIResize"));
    }
};

QTEST_MAIN(TestWindowFaults)
#include "tst_windowfaults.moc"
