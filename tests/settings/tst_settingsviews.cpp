#include "engine/KPNotification.h"
#include "list/KPDupPathPanel.h"
#include "settings/KPExportFolder.h"
#include "settings/KPExportPathView.h"
#include "settings/KPFormatChoice.h"
#include "settings/KPLimitView.h"
#include "settings/KPMetadataGroup.h"
#include "settings/KPNumberTextField.h"
#include "settings/KPPathComboBox.h"
#include "settings/KPPreferences.h"
#include "settings/KPSettings.h"
#include "settings/KPSizeLimit.h"
#include "support/KPTestSupport.h"
#include "ui/KPAbout.h"
#include "ui/KPInlineMessage.h"
#include "ui/KPLocalization.h"
#include "ui/KPMainWindow.h"
#include "ui/KPProductInfo.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

// The settings controls of the window: what they accept, what they store and load.
class TestSettingsViews : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<KPTestSettings> m_settings;

    static int countPosts(const std::function<void()>& action)
    {
        int posts = 0;
        const QMetaObject::Connection connection =
            QObject::connect(KPNotificationCenter::defaultCenter(), &KPNotificationCenter::posted,
                             [&posts](const KPNotification& note) {
                                 if (note.name == KPNumberTextField::NotiNumTFChange)
                                     ++posts;
                             });
        action();
        QObject::disconnect(connection);
        return posts;
    }

private Q_SLOTS:
    void initTestCase() { KPLocalization::install(*QCoreApplication::instance()); }
    void init() { m_settings = std::make_unique<KPTestSettings>(); }

    // Each row types into a field that holds "12"; refused edits bring "12" back.
    void numberFieldAcceptsDigitsOnly_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("posts");
        QTest::newRow("digit") << QStringLiteral("3") << QStringLiteral("123") << 1;
        QTest::newRow("letter") << QStringLiteral("a") << QStringLiteral("12") << 0;
        QTest::newRow("blank") << QStringLiteral(" ") << QStringLiteral("12") << 0;
        QTest::newRow("minus") << QStringLiteral("-") << QStringLiteral("12") << 0;
        QTest::newRow("decimal point") << QStringLiteral(".") << QStringLiteral("12") << 0;
        QTest::newRow("full-width digit") << QStringLiteral("\uff13") << QStringLiteral("12") << 0;
        QTest::newRow("paste of digits") << QStringLiteral("456") << QStringLiteral("12456") << 1;
        QTest::newRow("paste with one non-digit")
            << QStringLiteral("45x6") << QStringLiteral("12") << 0;
    }
    void numberFieldAcceptsDigitsOnly()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(int, posts);
        KPNumberTextField field;
        field.initNumberTextField(QStringLiteral("12"));
        field.setCursorPosition(0);
        field.setCursorPosition(2);
        // One key press per row, or a paste of the whole text: each is one edit.
        const int seen = countPosts([&] {
            if (typed.size() == 1) {
                QTest::sendKeyEvent(QTest::Click, &field, Qt::Key_unknown, typed, Qt::NoModifier);
            } else {
                QGuiApplication::clipboard()->setText(typed);
                field.paste();
            }
        });
        QCOMPARE(field.text(), shown);
        QCOMPARE(seen, posts);
    }

    void clearedFieldBringsBackTheEarlierText()
    {
        KPNumberTextField field;
        field.initNumberTextField(QStringLiteral("12"));
        field.selectAll();
        const int posts = countPosts([&] { QTest::keyClick(&field, Qt::Key_Backspace); });
        QCOMPARE(posts, 1);
        QCOMPARE(field.text(), QString());
        QTest::keyClicks(&field, QStringLiteral("x"));
        QCOMPARE(field.text(), QStringLiteral("12"));
        QCOMPARE(field.number(), std::optional<float>(12.0f));
        field.initNumberTextField(QString());
        QCOMPARE(field.text(), QStringLiteral("0"));
    }

    void limitViewRestoresAndFollowsEdits_data()
    {
        QTest::addColumn<QVariant>("storedNumber");
        QTest::addColumn<QVariant>("storedUnit");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("segment");
        QTest::addColumn<quint64>("limit");
        QTest::newRow("first launch")
            << QVariant() << QVariant() << QStringLiteral("1") << 1 << quint64(1000000);
        QTest::newRow("kilobytes") << QVariant(QStringLiteral("300")) << QVariant(0)
                                   << QStringLiteral("300") << 0 << quint64(300000);
        QTest::newRow("leading zeros") << QVariant(QStringLiteral("007")) << QVariant(0)
                                       << QStringLiteral("007") << 0 << quint64(7000);
        QTest::newRow("empty stored text")
            << QVariant(QString()) << QVariant(1) << QStringLiteral("0") << 1 << quint64(0);
        QTest::newRow("above 4 GB") << QVariant(QStringLiteral("5000")) << QVariant(1)
                                    << QStringLiteral("5000") << 1 << quint64(5000000000);
    }
    void limitViewRestoresAndFollowsEdits()
    {
        QFETCH(QVariant, storedNumber);
        QFETCH(QVariant, storedUnit);
        QFETCH(QString, shown);
        QFETCH(int, segment);
        QFETCH(quint64, limit);
        if (storedNumber.isValid())
            KPSettings::setObject(KPSettingsKey::LimitSize, storedNumber);
        if (storedUnit.isValid())
            KPSettings::setInteger(KPSettingsKey::LimitSizeUnit, storedUnit.toInt());
        KPSizeLimit copy;
        KPLimitView view(copy);
        view.awakeFromNib();
        QCOMPARE(view.sizeTF()->text(), shown);
        QCOMPARE(view.selectedSegment(), segment);
        QCOMPARE(view.limitSize(), limit);
        // The copy a run reads follows every edit.
        view.sizeTF()->selectAll();
        QTest::keyClicks(view.sizeTF(), QStringLiteral("25"));
        view.setSelectedSegment(KPSizeLimit::KB);
        QCOMPARE(copy.limitSize(), quint64(25000));
        view.saveLimitSize();
        QCOMPARE(KPSettings::stringForKey(KPSettingsKey::LimitSize),
                 std::optional<QString>(QStringLiteral("25")));
        QCOMPARE(KPSettings::integerForKey(KPSettingsKey::LimitSizeUnit), 0);
    }

    // A decimal point is refused as any other character, but the line under the field says
    // that the limit is a whole number, and what to type in the other unit. Each step types
    // into the field ("type:"), pastes over it ("paste:") or chooses a unit ("unit:").
    void limitDecimalPointHint_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("hint");
        const auto tryText = [](const char* decimal, const char* whole) {
            return KPLocalization::text("L_LimitWholeTry")
                .arg(QString::fromUtf8(decimal), QString::fromUtf8(whole));
        };
        QTest::newRow("0.5 MB") << QStringList{QStringLiteral("type:0.5")} << "05"
                                << tryText("0.5 MB", "500 KB");
        QTest::newRow("a comma") << QStringList{QStringLiteral("type:0,25")} << "025"
                                 << tryText("0,25 MB", "250 KB");
        QTest::newRow("below a KB is dropped") << QStringList{QStringLiteral("type:1.2345")}
                                               << "12345" << tryText("1.2345 MB", "1234 KB");
        QTest::newRow("the point alone") << QStringList{QStringLiteral("type:2.")} << "2"
                                         << KPLocalization::text("L_LimitWholeKB");
        QTest::newRow("in KB") << QStringList{QStringLiteral("unit:KB"), QStringLiteral("type:0.5")}
                               << "05" << KPLocalization::text("L_LimitWhole");
        QTest::newRow("pasted") << QStringList{QStringLiteral("paste:2.5")} << "1"
                                << tryText("2.5 MB", "2500 KB");
        QTest::newRow("pasted, then typed over")
            << QStringList{QStringLiteral("paste:2.5"), QStringLiteral("type:7")} << "7"
            << "";
        QTest::newRow("the unit chosen")
            << QStringList{QStringLiteral("type:0.5"), QStringLiteral("unit:KB")} << "05"
            << "";
        QTest::newRow("digits typed over")
            << QStringList{QStringLiteral("type:0.5"), QStringLiteral("type:300")} << "300"
            << "";
        QTest::newRow("a letter") << QStringList{QStringLiteral("type:1x")} << "1"
                                  << "";
    }
    void limitDecimalPointHint()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, shown);
        QFETCH(QString, hint);
        KPSizeLimit copy;
        KPLimitView view(copy);
        view.awakeFromNib();
        view.show();
        for (const QString& step : std::as_const(steps)) {
            const QString what = step.section(QLatin1Char(':'), 1);
            if (step.startsWith(QLatin1String("unit:"))) {
                view.findChildren<QToolButton*>().at(what == QLatin1String("KB") ? 0 : 1)->click();
                continue;
            }
            view.sizeTF()->selectAll();
            if (step.startsWith(QLatin1String("paste:"))) {
                QGuiApplication::clipboard()->setText(what);
                view.sizeTF()->paste();
            } else {
                QTest::keyClicks(view.sizeTF(), what);
            }
        }
        QCOMPARE(view.sizeTF()->text(), shown);
        QCOMPARE(view.hint()->text(), hint);
        QCOMPARE(view.hint()->isVisible(), !hint.isEmpty());
    }

    void recentFolders_data()
    {
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("expected");
        QStringList ten;
        for (int i = 0; i < 10; ++i)
            ten.append(QStringLiteral("/f%1").arg(i));
        QTest::newRow("first run")
            << QStringList() << QStringLiteral("~/Out") << QStringList{QStringLiteral("~/Out")};
        QTest::newRow("new folder goes first")
            << QStringList{QStringLiteral("/a")} << QStringLiteral("/b")
            << QStringList{QStringLiteral("/b"), QStringLiteral("/a")};
        // A folder used again moves to the top, so the next launch offers it first.
        QTest::newRow("listed folder moves to the top")
            << QStringList{QStringLiteral("/a"), QStringLiteral("/b")} << QStringLiteral("/b")
            << QStringList{QStringLiteral("/b"), QStringLiteral("/a")};
        QTest::newRow("listed folder of ten drops none")
            << ten << QStringLiteral("/f5")
            << (QStringList{QStringLiteral("/f5")} + ten.mid(0, 5) + ten.mid(6));
        QTest::newRow("the top one used again")
            << QStringList{QStringLiteral("/a"), QStringLiteral("/b")} << QStringLiteral("/a")
            << QStringList{QStringLiteral("/a"), QStringLiteral("/b")};
        QTest::newRow("eleventh drops the last")
            << ten << QStringLiteral("/new")
            << (QStringList{QStringLiteral("/new")} + ten.mid(0, 9));
        QTest::newRow("trailing slash and case differ")
            << QStringList{QStringLiteral("/a")} << QStringLiteral("/A/")
            << QStringList{QStringLiteral("/A/"), QStringLiteral("/a")};
    }
    void recentFolders()
    {
        QFETCH(QStringList, stored);
        QFETCH(QString, typed);
        QFETCH(QStringList, expected);
        if (!stored.isEmpty())
            KPSettings::setObject(KPSettingsKey::PathList, stored);
        KPExportFolder folder;
        KPExportPathView view(folder);
        view.awakeFromNib();
        if (!stored.isEmpty())
            QCOMPARE(view.pathCB()->currentText(), stored.first()); // the recent list wins at start
        view.pathCB()->setEditText(typed);
        QCOMPARE(folder.text(), typed);
        view.addPathToComboBox();
        QCOMPARE(view.pathCB()->items(), expected);
        QCOMPARE(KPSettings::arrayForKey(KPSettingsKey::PathList),
                 std::optional<QStringList>(expected));
        QCOMPARE(view.pathCB()->currentText(), typed);
        // Relaunched, the field offers the folder used last.
        KPExportFolder again;
        KPExportPathView relaunched(again);
        relaunched.awakeFromNib();
        QCOMPARE(relaunched.pathCB()->currentText(), typed);
    }

    void exportViewChecksWhatItOpensAndChooses()
    {
        QTemporaryDir dir;
        KPExportFolder folder;
        KPExportPathView view(folder);
        view.awakeFromNib();
        QCOMPARE(view.pathCB()->currentText(), QDir::homePath() + QStringLiteral("/Pictures"));
        QStringList opened;
        view.setOpener([&opened](const QString& path) {
            opened.append(path);
            return true;
        });
        const QString missing = dir.filePath(QStringLiteral("new"));
        view.pathCB()->setEditText(missing);
        view.openPath(); // made, then opened
        QCOMPARE(opened, QStringList{missing});
        QVERIFY(QFileInfo(missing).isDir());
        view.pathCB()->setEditText(dir.filePath(QStringLiteral("no/such")));
        view.openPath();
        QCOMPARE(opened.size(), 1);
        QCOMPARE(view.exportPath(), std::nullopt);

        QStringList answer{dir.path()};
        view.setChooser([&answer](std::function<void(const QStringList&)> done) { done(answer); });
        view.choosePath();
        QCOMPARE(view.pathCB()->currentText(), dir.path());
        QCOMPARE(view.exportPath(), std::optional<QString>(dir.path()));
        answer = {dir.filePath(QStringLiteral("missing/parent"))};
        view.choosePath();
        QCOMPARE(view.pathCB()->currentText(), dir.path());
    }

    // The floor shows as the nearest whole percent; OK stores the slider's percent once it
    // was moved and otherwise keeps the stored value, so reopening and OK never drift.
    void preferencesLoadAndStore_data()
    {
        QTest::addColumn<float>("stored");
        QTest::addColumn<int>("shown");
        QTest::addColumn<int>("moveTo"); // -1: the slider is left alone
        QTest::addColumn<float>("storedByOk");
        QTest::newRow("default 0.6") << 0.6f << 60 << -1 << 0.6f;
        QTest::newRow("0.53 shows 53") << 0.53f << 53 << -1 << 0.53f;
        QTest::newRow("0.59 shows 59") << 0.59f << 59 << -1 << 0.59f;
        QTest::newRow("0.555 shows 56, kept") << 0.555f << 56 << -1 << 0.555f;
        QTest::newRow("1.0") << 1.0f << 100 << -1 << 1.0f;
        // Shown a second time, with the slider already at its end, it must not show 150.
        QTest::newRow("above 1.0 shows 100, kept") << 1.5f << 100 << -1 << 1.5f;
        QTest::newRow("negative shows 1") << -0.5f << 1 << -1 << 0.01f;
        QTest::newRow("moved to 53") << 0.6f << 60 << 53 << 0.53f;
        QTest::newRow("moved off 0.555 and back") << 0.555f << 56 << 56 << 0.555f;
    }
    void preferencesLoadAndStore()
    {
        QFETCH(float, stored);
        QFETCH(int, shown);
        QFETCH(int, moveTo);
        QFETCH(float, storedByOk);
        KPSettings::setFloat(KPSettingsKey::CompressionFactor, stored);
        KPPreferences panel;
        panel.awakeFromNib();
        QCOMPARE(panel.imageQuality(), shown);
        QCOMPARE(panel.qualitySlider()->value(), shown);
        QCOMPARE(panel.qualityPercentLB()->text(), QString::number(shown));
        if (moveTo >= 0) {
            panel.qualitySlider()->setValue(moveTo == 0 ? 1 : 0);
            panel.qualitySlider()->setValue(moveTo);
        }
        panel.ok();
        QCOMPARE(KPSettings::floatForKey(KPSettingsKey::CompressionFactor), storedByOk);
        // Shown again and confirmed again without a change, the floor stays.
        const int shownAgain = moveTo >= 0 ? moveTo : shown;
        panel.showPanel();
        QCOMPARE(panel.imageQuality(), shownAgain);
        panel.ok();
        QCOMPARE(KPSettings::floatForKey(KPSettingsKey::CompressionFactor), storedByOk);
    }

    void preferencesBoxAndCancel()
    {
        KPPreferences panel;
        panel.awakeFromNib();
        // An empty store: the fallbacks.
        QCOMPARE(panel.widthTF()->text(), QStringLiteral("320"));
        QCOMPARE(panel.highTF()->text(), QStringLiteral("240"));
        QCOMPARE(panel.imageQuality(), 1);
        KPSettings::checkDefaultSetting();
        KPSettings::setFloat(KPSettingsKey::LimitWidth, -4.0f);
        panel.showPanel();
        QCOMPARE(panel.widthTF()->text(), QStringLiteral("320"));
        QCOMPARE(panel.imageQuality(), 60);
        QVERIFY(panel.scaleCB()->isChecked());

        panel.qualitySlider()->setValue(75);
        QCOMPARE(panel.qualityPercentLB()->text(), QStringLiteral("75"));
        panel.widthTF()->clear();
        panel.highTF()->setText(QStringLiteral("480"));
        panel.scaleCB()->setChecked(false);
        panel.cancel();
        QCOMPARE(KPSettings::floatForKey(KPSettingsKey::CompressionFactor), 0.6f);
        QCOMPARE(KPSettings::floatForKey(KPSettingsKey::LimitHeight), 240.0f);

        panel.showPanel();
        panel.qualitySlider()->setValue(75);
        panel.widthTF()->clear();
        panel.scaleCB()->setChecked(false);
        panel.ok();
        QCOMPARE(KPSettings::floatForKey(KPSettingsKey::CompressionFactor), 0.75f);
        QCOMPARE(KPSettings::floatForKey(KPSettingsKey::LimitWidth), 0.0f);
        QVERIFY(!KPSettings::boolForKey(KPSettingsKey::EnableConvertScale));
        panel.showPanel();
        QCOMPARE(panel.widthTF()->text(), QStringLiteral("0"));
    }

    // Stores written before the mode existed lack the key; they mean the stepwise mode.
    void preferencesBestQuality_data()
    {
        QTest::addColumn<QVariant>("stored"); // invalid: the key is absent
        QTest::addColumn<bool>("shown");
        QTest::addColumn<bool>("toggle");
        QTest::addColumn<bool>("pressOk");
        QTest::addColumn<QVariant>("storedAfter");
        QTest::newRow("absent shows unchecked, OK stores false")
            << QVariant() << false << false << true << QVariant(false);
        QTest::newRow("stored true shows checked")
            << QVariant(true) << true << false << true << QVariant(true);
        QTest::newRow("checked, OK stores true")
            << QVariant() << false << true << true << QVariant(true);
        QTest::newRow("cleared, OK stores false")
            << QVariant(true) << true << true << true << QVariant(false);
        QTest::newRow("checked, Cancel stores nothing")
            << QVariant() << false << true << false << QVariant();
        QTest::newRow("cleared, Cancel keeps true")
            << QVariant(true) << true << true << false << QVariant(true);
    }
    void preferencesBestQuality()
    {
        QFETCH(QVariant, stored);
        QFETCH(bool, shown);
        QFETCH(bool, toggle);
        QFETCH(bool, pressOk);
        QFETCH(QVariant, storedAfter);
        if (stored.isValid())
            KPSettings::setBool(KPSettingsKey::BestQualityFit, stored.toBool());
        KPPreferences panel;
        panel.awakeFromNib();
        QCOMPARE(panel.bestQualityCB()->isChecked(), shown);
        if (toggle)
            panel.bestQualityCB()->click();
        if (pressOk)
            panel.ok();
        else
            panel.cancel();
        QCOMPARE(KPSettings::contains(KPSettingsKey::BestQualityFit), storedAfter.isValid());
        QCOMPARE(KPSettings::boolForKey(KPSettingsKey::BestQualityFit), storedAfter.toBool());
        // Shown again, the panel has dropped a cancelled edit.
        panel.showPanel();
        QCOMPARE(panel.bestQualityCB()->isChecked(), storedAfter.toBool());
    }

    // Absent, the number of pictures at once is 1, and OK leaves it absent unless it was
    // changed; a stored number out of range shows as the nearest one allowed.
    void preferencesParallelJobs_data()
    {
        QTest::addColumn<QVariant>("stored"); // invalid: the key is absent
        QTest::addColumn<int>("shown");
        QTest::addColumn<int>("set"); // 0: left as shown
        QTest::addColumn<bool>("pressOk");
        QTest::addColumn<QVariant>("storedAfter");
        QTest::newRow("absent shows 1, OK stores nothing")
            << QVariant() << 1 << 0 << true << QVariant();
        QTest::newRow("stored 4 shows 4") << QVariant(4) << 4 << 0 << true << QVariant(4);
        QTest::newRow("set to 2, OK stores 2") << QVariant() << 1 << 2 << true << QVariant(2);
        QTest::newRow("set to 3, Cancel stores nothing")
            << QVariant() << 1 << 3 << false << QVariant();
        QTest::newRow("set back to 1, OK stores 1") << QVariant(4) << 4 << 1 << true << QVariant(1);
        QTest::newRow("too many shows the most")
            << QVariant(99) << KPSettings::MaxParallelJobs << 0 << true << QVariant(99);
        QTest::newRow("zero shows 1") << QVariant(0) << 1 << 0 << true << QVariant(0);
    }
    void preferencesParallelJobs()
    {
        QFETCH(QVariant, stored);
        QFETCH(int, shown);
        QFETCH(int, set);
        QFETCH(bool, pressOk);
        QFETCH(QVariant, storedAfter);
        if (stored.isValid())
            KPSettings::setInteger(KPSettingsKey::ParallelJobs, stored.toInt());
        KPPreferences panel;
        panel.awakeFromNib();
        QCOMPARE(panel.parallelJobsSB()->value(), shown);
        if (set > 0)
            panel.parallelJobsSB()->setValue(set);
        if (pressOk)
            panel.ok();
        else
            panel.cancel();
        QCOMPARE(KPSettings::contains(KPSettingsKey::ParallelJobs), storedAfter.isValid());
        if (storedAfter.isValid())
            QCOMPARE(KPSettings::integerForKey(KPSettingsKey::ParallelJobs),
                     qint64(storedAfter.toInt()));
        panel.showPanel();
        QCOMPARE(panel.parallelJobsSB()->value(), KPSettings::parallelJobs());
    }

    // An absent or unknown stored choice reads as "keep all but the location", in the
    // panel as in the engine; OK stores the choice shown, Cancel nothing.
    void preferencesMetadata_data()
    {
        QTest::addColumn<QVariant>("stored"); // invalid: the key is absent
        QTest::addColumn<int>("shown");
        QTest::addColumn<int>("chosen"); // -1: nothing chosen
        QTest::addColumn<bool>("pressOk");
        QTest::addColumn<QVariant>("storedAfter");
        const int keep = int(KPMetadataPolicy::KeepAll);
        const int noLocation = int(KPMetadataPolicy::KeepAllButLocation);
        const int strip = int(KPMetadataPolicy::RemoveAll);
        QTest::newRow("absent, OK stores the default")
            << QVariant() << noLocation << -1 << true << QVariant(noLocation);
        QTest::newRow("keep all") << QVariant(keep) << keep << -1 << true << QVariant(keep);
        QTest::newRow("unknown number") << QVariant(7) << noLocation << -1 << false << QVariant(7);
        QTest::newRow("negative") << QVariant(-1) << noLocation << -1 << false << QVariant(-1);
        QTest::newRow("text") << QVariant(QStringLiteral("strip")) << noLocation << -1 << false
                              << QVariant(QStringLiteral("strip"));
        QTest::newRow("remove all chosen, OK")
            << QVariant() << noLocation << strip << true << QVariant(strip);
        QTest::newRow("keep all chosen, Cancel")
            << QVariant(strip) << strip << keep << false << QVariant(strip);
    }
    void preferencesMetadata()
    {
        QFETCH(QVariant, stored);
        QFETCH(int, shown);
        QFETCH(int, chosen);
        QFETCH(bool, pressOk);
        QFETCH(QVariant, storedAfter);
        if (stored.isValid())
            KPSettings::setObject(KPSettingsKey::MetadataPolicy, stored);
        QCOMPARE(int(KPSettings::metadataPolicy()), shown);
        KPPreferences panel;
        panel.awakeFromNib();
        QVERIFY(panel.metadataGroup()->button(KPMetadataPolicy(shown))->isChecked());
        if (chosen >= 0)
            panel.metadataGroup()->button(KPMetadataPolicy(chosen))->click();
        if (pressOk)
            panel.ok();
        else
            panel.cancel();
        QCOMPARE(KPSettings::objectForKey(KPSettingsKey::MetadataPolicy).toString(),
                 storedAfter.toString());
        panel.showPanel();
        QCOMPARE(int(panel.metadataGroup()->policy()), int(KPSettings::metadataPolicy()));
    }

    // The format is stored only once another than JPEG is chosen: a store without it stays
    // without it, and an unknown value is shown as JPEG but left as it is.
    void preferencesFormat_data()
    {
        QTest::addColumn<QVariant>("stored"); // invalid: the key is absent
        QTest::addColumn<int>("shown");
        QTest::addColumn<int>("chosen"); // -1: nothing chosen
        QTest::addColumn<QVariant>("storedAfter");
        const int jpeg = int(KPOutputFormat::Jpeg);
        const int webp = int(KPOutputFormat::WebP);
        const int avif = int(KPOutputFormat::Avif);
        QTest::newRow("absent stays absent") << QVariant() << jpeg << -1 << QVariant();
        QTest::newRow("webp chosen")
            << QVariant() << jpeg << webp << QVariant(QStringLiteral("webp"));
        QTest::newRow("stored avif")
            << QVariant(QStringLiteral("avif")) << avif << -1 << QVariant(QStringLiteral("avif"));
        QTest::newRow("unknown text")
            << QVariant(QStringLiteral("gif")) << jpeg << -1 << QVariant(QStringLiteral("gif"));
        QTest::newRow("jpeg chosen over avif")
            << QVariant(QStringLiteral("avif")) << avif << jpeg << QVariant(QStringLiteral("jpeg"));
    }
    void preferencesFormat()
    {
        QFETCH(QVariant, stored);
        QFETCH(int, shown);
        QFETCH(int, chosen);
        QFETCH(QVariant, storedAfter);
        if (stored.isValid())
            KPSettings::setObject(KPSettingsKey::OutputFormat, stored);
        KPPreferences panel;
        panel.awakeFromNib();
        QCOMPARE(int(panel.formatChoice()->format()), shown);
        QCOMPARE(panel.formatChoice()->formatCB()->accessibleName(),
                 KPLocalization::asName(KPLocalization::text("L_OutputFormatLabel")));
        if (chosen >= 0)
            panel.formatChoice()->setFormat(KPOutputFormat(chosen));
        panel.ok();
        QCOMPARE(KPSettings::objectForKey(KPSettingsKey::OutputFormat), storedAfter);
    }

    void duplicateNotice()
    {
        QWidget main;
        main.setGeometry(100, 100, 900, 700);
        main.show();
        KPDupPathPanel panel(&main);
        panel.awakeFromNib();
        QVERIFY(panel.isHidden());
        panel.showDupPanel(
            {QStringLiteral("/a/1.jpg"), QStringLiteral("/a/2.jpg"), QStringLiteral("/b/3.png")});
        QVERIFY(panel.isVisible());
        QVERIFY(!panel.isModal());
        QCOMPARE(panel.dupTextV()->toPlainText(), QStringLiteral("/a/1.jpg\n/a/2.jpg\n/b/3.png\n"));
        QVERIFY(panel.dupTextV()->isReadOnly());
        QCOMPARE(panel.note()->text(), KPLocalization::text("L_RepeatAddFileFolder"));
        QCOMPARE(panel.windowTitle(), KPLocalization::text("L_Warn"));
        panel.clickOkBT();
        QVERIFY(panel.isHidden());
    }

    void duplicateNoticePlacement_data()
    {
        QTest::addColumn<QRect>("main");
        QTest::addColumn<QRect>("panel");
        QTest::addColumn<QPoint>("placed");
        QTest::newRow("centred") << QRect(100, 50, 800, 600) << QRect(0, 0, 400, 200)
                                 << QPoint(300, 250);
        QTest::newRow("too wide stays")
            << QRect(100, 50, 300, 600) << QRect(7, 9, 400, 200) << QPoint(7, 9);
        QTest::newRow("too tall stays")
            << QRect(100, 50, 800, 100) << QRect(7, 9, 400, 200) << QPoint(7, 9);
    }
    void duplicateNoticePlacement()
    {
        QFETCH(QRect, main);
        QFETCH(QRect, panel);
        QFETCH(QPoint, placed);
        QCOMPARE(KPDupPathPanel::centredOver(main, panel), placed);
    }

    void aboutAndHelp()
    {
        KPMainWindow window;
        window.awakeFromNib();
        KPAbout* about = window.aboutW();
        QCOMPARE(about->curVersionTF()->text(),
                 KPLocalization::text("L_Version") + QStringLiteral(" 2.2"));
        QCOMPARE(about->copyrightTF()->text(), KPProductInfo::copyRight());
        window.aboutAction()->trigger();
        window.aboutAction()->trigger();
        QVERIFY(about->isVisible());
        QCOMPARE(window.findChildren<KPAbout*>().size(), 1);
        QList<QUrl> opened;
        const auto opener = [&opened](const QUrl& url) {
            opened.append(url);
            return true;
        };
        about->setOpener(opener);
        window.setUrlOpener(opener);
        about->gotoHomepage();
        window.helpAction()->trigger();
        QCOMPARE(opened.size(), 2);
        for (const QUrl& url : opened) {
            QVERIFY(url.isLocalFile());
            QFile page(url.toLocalFile());
            QVERIFY(page.open(QIODevice::ReadOnly));
            QVERIFY(page.readAll().contains("Pictaro"));
        }
        QCOMPARE(opened.first().fragment(), QStringLiteral("about"));
        window.preferenceAction()->trigger();
        QVERIFY(window.preferenceV()->isVisible());
        QVERIFY(!window.preferenceV()->isModal());
    }

    // Where no browser or file manager is set up the desktop opens nothing: Help, the home
    // page and Open say so in the window, naming what they could not open.
    void openFailureIsSaid_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("Help") << "help";
        QTest::newRow("the home page") << "homepage";
        QTest::newRow("Open") << "folder";
    }
    void openFailureIsSaid()
    {
        QFETCH(QString, command);
        QTemporaryDir dir;
        KPMainWindow window;
        window.awakeFromNib();
        window.show();
        const auto refuse = [](const QUrl&) { return false; };
        window.setUrlOpener(refuse);
        window.aboutW()->setOpener(refuse);
        window.exportPathV()->setOpener([](const QString&) { return false; });
        window.exportPathV()->pathCB()->setEditText(dir.path());
        KPInlineMessage* message = window.openProblem();
        QString named = KPProductInfo::helpFile();
        if (command == QLatin1String("help")) {
            window.helpAction()->trigger();
        } else if (command == QLatin1String("homepage")) {
            window.aboutW()->showMe();
            window.aboutW()->gotoHomepage();
            message = window.aboutW()->problem();
        } else {
            window.exportPathV()->openPath();
            message = window.exportPathV()->problem();
            named = dir.path();
        }
        QVERIFY2(message->text().contains(named), qPrintable(message->text()));
        QVERIFY(message->isVisibleTo(message->window()));
        // Opened the next time, the message goes.
        if (command == QLatin1String("help")) {
            window.setUrlOpener([](const QUrl&) { return true; });
            window.helpAction()->trigger();
            QVERIFY(message->isHidden());
        }
    }

    void versionLineWithoutATranslation()
    {
        // A table that lacks the key shows the key itself.
        QTranslator* installed = nullptr;
        Q_UNUSED(installed);
        QCOMPARE(QStringLiteral("%1 %2").arg(qtTrId("L_NoSuchKey"), KPProductInfo::version()),
                 QStringLiteral("L_NoSuchKey 2.2"));
    }
};

QTEST_MAIN(TestSettingsViews)
#include "tst_settingsviews.moc"
