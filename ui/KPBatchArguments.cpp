#include "ui/KPBatchArguments.h"

#include "engine/KPFitPreferences.h"
#include "engine/KPPath.h"
#include "engine/KPQuality.h"
#include "settings/KPExportFolder.h"
#include "settings/KPSettings.h"
#include "settings/KPSizeLimit.h"

#include <QCommandLineParser>
#include <QDir>
#include <QHash>
#include <QRegularExpression>

#include <functional>

#include <sys/stat.h>

namespace {
// What the options given so far ask for, read in the order given.
struct Reading
{
    KPBatchFrontEnd::Options options;
    std::optional<QString> limit;
    std::optional<QString> total; // the limit for all the pictures together
    std::optional<QString> exportFolder;
    QString error;
};

void readQualityFloor(Reading& reading, const QString& value)
{
    bool ok = false;
    const int percent = value.toInt(&ok);
    if (!ok || percent < KPQuality::MinPercent || percent > KPQuality::MaxPercent)
        reading.error =
            QStringLiteral("--quality-floor takes a whole number from 0 to 100, not \"%1\"")
                .arg(value);
    reading.options.fit.compressionFactor = KPQuality::fromPercent(percent).factor();
}

std::optional<QSize> readBox(Reading& reading, const QString& option, const QString& value)
{
    static const QRegularExpression box(QStringLiteral("^([0-9]+)[xX]([0-9]+)$"));
    const QRegularExpressionMatch match = box.match(value);
    if (!match.hasMatch()) {
        reading.error =
            QStringLiteral("%1 takes WIDTHxHEIGHT in pixels, such as 320x240, not \"%2\"")
                .arg(option, value);
        return std::nullopt;
    }
    return QSize(match.captured(1).toInt(), match.captured(2).toInt());
}

void readMinBox(Reading& reading, const QString& value)
{
    const QSize box = readBox(reading, QStringLiteral("--min-box"), value).value_or(QSize());
    reading.options.fit.limitWidth = float(box.width());
    reading.options.fit.limitHeight = float(box.height());
}

void readMaxBox(Reading& reading, const QString& value)
{
    const std::optional<QSize> box = readBox(reading, QStringLiteral("--max-box"), value);
    if (box && box->isEmpty())
        reading.error =
            QStringLiteral("--max-box takes sides of at least 1 pixel, not \"%1\"").arg(value);
    reading.options.fit.largestBox = box.value_or(QSize());
}

void readJobs(Reading& reading, const QString& value)
{
    bool ok = false;
    const int jobs = value.toInt(&ok);
    if (!ok || jobs < 1 || jobs > KPSettings::MaxParallelJobs)
        reading.error = QStringLiteral("--jobs takes a whole number from 1 to %1, not \"%2\"")
                            .arg(KPSettings::MaxParallelJobs)
                            .arg(value);
    reading.options.fit.parallelJobs = jobs;
}

void readMetadata(Reading& reading, const QString& value)
{
    reading.options.fit.metadataPolicy = KPMetadataPolicies::fromName(value);
    if (!reading.options.fit.metadataPolicy)
        reading.error =
            QStringLiteral("--metadata takes keep, no-location or strip, not \"%1\"").arg(value);
}

void readFormat(Reading& reading, const QString& value)
{
    reading.options.fit.outputFormat = KPOutputFormats::fromName(value);
    if (!reading.options.fit.outputFormat)
        reading.error = QStringLiteral("--format takes jpeg, webp or avif, not \"%1\"").arg(value);
}

// An option of a run: its long name, whether a value follows it, and what it sets.
struct Rule
{
    const char* name;
    bool takesValue;
    void (*read)(Reading&, const QString& value);
};

// -h, --help, -v and --version are not among them: they ask for no run.
constexpr Rule Rules[] = {
    {"batch", false, [](Reading&, const QString&) {}},
    {"limit", true, [](Reading& reading, const QString& value) { reading.limit = value; }},
    {"export", true, [](Reading& reading, const QString& value) { reading.exportFolder = value; }},
    {"quality-floor", true, readQualityFloor},
    {"min-box", true, readMinBox},
    {"no-scale", false,
     [](Reading& reading, const QString&) { reading.options.fit.enableConvertScale = false; }},
    {"best", false,
     [](Reading& reading, const QString&) { reading.options.fit.bestQuality = true; }},
    {"stepwise", false,
     [](Reading& reading, const QString&) { reading.options.fit.bestQuality = false; }},
    {"jobs", true, readJobs},
    {"metadata", true, readMetadata},
    {"format", true, readFormat},
    {"replace-originals", false,
     [](Reading& reading, const QString&) { reading.options.fit.replaceOriginals = true; }},
    {"stats", false, [](Reading& reading, const QString&) { reading.options.stats = true; }},
    {"max-box", true, readMaxBox},
    {"keep-folders", false,
     [](Reading& reading, const QString&) { reading.options.fit.keepFolders = true; }},
    {"keep-dates", false,
     [](Reading& reading, const QString&) { reading.options.fit.keepDates = true; }},
    {"total", true, [](Reading& reading, const QString& value) { reading.total = value; }},
};

const Rule* ruleNamed(const QString& name)
{
    for (const Rule& rule : Rules) {
        if (name == QLatin1String(rule.name))
            return &rule;
    }
    return nullptr;
}

void addOptions(QCommandLineParser& parser)
{
    // "-hv" is -h and -v; "-limit" is no option.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    parser.addOption(QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}));
    parser.addOption(
        QCommandLineOption(QStringList{QStringLiteral("v"), QStringLiteral("version")}));
    for (const Rule& rule : Rules) {
        const QString name = QLatin1String(rule.name);
        parser.addOption(rule.takesValue ? QCommandLineOption(name, {}, QStringLiteral("value"))
                                         : QCommandLineOption(name));
    }
}

// The first option argument, before "--", that `matches`, as the user wrote it.
QString firstWritten(const QStringList& arguments,
                     const std::function<bool(const QString&)>& matches)
{
    for (const QString& argument : arguments) {
        if (argument == QStringLiteral("--"))
            break;
        if (argument.startsWith(QLatin1Char('-')) && matches(argument))
            return argument;
    }
    return {};
}

// The name of a "--name" or "--name=value" argument.
QString longName(const QString& argument)
{
    if (!argument.startsWith(QStringLiteral("--")))
        return {};
    return argument.mid(2).section(QLatin1Char('='), 0, 0);
}

// The option that ends the arguments without the value it takes, or nothing.
QString lackingValue(const QCommandLineParser& parser)
{
    const QStringList given = parser.optionNames();
    for (const Rule& rule : Rules) {
        const QString name = QLatin1String(rule.name);
        if (rule.takesValue && given.count(name) > parser.values(name).size())
            return name;
    }
    return {};
}

QString parseFailure(const QCommandLineParser& parser, const QStringList& arguments)
{
    // An unknown option is named as written: "--fast=3" for "fast", "-limit" for "l".
    if (const QStringList unknown = parser.unknownOptionNames(); !unknown.isEmpty()) {
        const QString name = unknown.first();
        return QStringLiteral("unknown option %1")
            .arg(firstWritten(arguments, [&](const QString& a) {
                return a.startsWith(QStringLiteral("--")) ? longName(a) == name : a.contains(name);
            }));
    }
    if (const QString lacking = lackingValue(parser); !lacking.isEmpty())
        return QStringLiteral("--%1 needs a value").arg(lacking);
    // A value for an option that takes none ("--best=yes") makes no option Pictaro knows.
    const QString flag = firstWritten(arguments, [](const QString& a) {
        const Rule* rule = ruleNamed(longName(a));
        return rule && !rule->takesValue && a.contains(QLatin1Char('='));
    });
    if (!flag.isEmpty())
        return QStringLiteral("unknown option %1").arg(flag);
    return parser.errorText();
}

Reading readOptions(const QCommandLineParser& parser)
{
    Reading reading;
    QHash<QString, qsizetype> valuesRead; // an option given twice has two values
    for (const QString& name : parser.optionNames()) {
        const Rule* rule = ruleNamed(name);
        if (!rule)
            continue;
        const QString value =
            rule->takesValue ? parser.values(name).value(valuesRead[name]++) : QString();
        rule->read(reading, value);
        if (!reading.error.isEmpty())
            break;
    }
    return reading;
}

QString missingPath(const QStringList& paths)
{
    if (paths.isEmpty())
        return QStringLiteral("no pictures given: name the files or folders to shrink");
    for (const QString& path : paths) {
        struct stat info
        {
        };
        if (::stat(KPPath::toNative(path).constData(), &info) != 0)
            return QStringLiteral("no such file or folder: %1").arg(path);
    }
    return {};
}

// What a run needs besides its options: a limit, an export folder that is there (made
// when missing) and paths that are there; the error says what is missing.
// A largest box smaller than the smallest box (as given, or as the preferences hold it)
// leaves no size a picture could take.
QString boxesClash(const KPFitOptions& fit)
{
    const QSize largest = fit.largestBox.value_or(KPSettings::largestBox());
    if (largest.isEmpty())
        return {};
    const QSize smallest = KPFitPreferences::smallestBox(fit, KPFitPreferences::stored());
    if (largest.width() >= smallest.width() && largest.height() >= smallest.height())
        return {};
    return QStringLiteral("the largest box %1x%2 is smaller than the smallest box %3x%4")
        .arg(largest.width())
        .arg(largest.height())
        .arg(smallest.width())
        .arg(smallest.height());
}

void checkRun(Reading& reading, const QStringList& paths)
{
    if (reading.limit && reading.total) {
        reading.error = QStringLiteral("--limit and --total cannot be given together: --limit "
                                       "holds for each picture, --total for all together");
        return;
    }
    if (!reading.limit && !reading.total) {
        reading.error =
            QStringLiteral("no size limit given: add --limit, for example --limit 500KB");
        return;
    }
    reading.options.fit.limitForSet = reading.total.has_value();
    reading.error = boxesClash(reading.options.fit);
    if (!reading.error.isEmpty())
        return;
    reading.options.limitBytes = KPBatchArguments::parseLimit(
        reading.total.value_or(reading.limit.value_or(QString())), reading.error);
    if (reading.options.limitBytes == 0)
        return;
    if (!reading.exportFolder || reading.exportFolder->isEmpty()) {
        reading.error = QStringLiteral("no export folder given: add --export FOLDER");
        return;
    }
    reading.error = missingPath(paths);
    if (!reading.error.isEmpty())
        return;
    reading.options.paths = paths;
    const QString expanded = KPExportFolder::expandTilde(*reading.exportFolder);
    const QString folder = QDir::cleanPath(KPPath::absolute(expanded));
    reading.options.exportFolder = folder;
    reading.error = KPExportFolder::problemText(KPExportFolder::check(folder), folder);
}
} // namespace

QString KPBatchArguments::usage()
{
    return QStringLiteral(
        "Usage: pictaro --batch --limit SIZE --export FOLDER [options] PATH...\n"
        "       pictaro --batch --total SIZE --export FOLDER [options] PATH...\n"
        "\n"
        "Shrinks every picture under PATH (files, or folders scanned through their whole\n"
        "tree) so that each JPEG written into FOLDER is smaller than SIZE.\n"
        "\n"
        "  --limit SIZE          the size limit: a number with KB (1,000 bytes) or MB\n"
        "                        (1,000,000 bytes), for example 500KB or 2MB\n"
        "  --export FOLDER       where the pictures are written; created when missing\n"
        "                        (its parent folder must exist)\n"
        "  --quality-floor N     the lowest JPEG quality to use, 0 to 100 (default from\n"
        "                        the preferences, 60 at first)\n"
        "  --min-box WxH         never scale a picture below this box (default from the\n"
        "                        preferences, 320x240 at first)\n"
        "  --no-scale            never scale pictures down, only re-encode them\n"
        "  --best                fit each picture by one encoding at the best quality\n"
        "                        that fits, scaled from the original when needed\n"
        "  --stepwise            fit by lowering the quality step by step (default from\n"
        "                        the preferences, stepwise at first)\n"
        "  --jobs N              convert up to N pictures at once, 1 to 16 (default from\n"
        "                        the preferences, 1 at first)\n"
        "  --metadata WHAT       what each JPEG keeps of its source's metadata (EXIF, XMP,\n"
        "                        IPTC): keep, no-location (all but the location, maker\n"
        "                        notes and serial numbers) or strip (default from the\n"
        "                        preferences, no-location at first)\n"
        "  --format FORMAT       write jpeg, webp or avif files, each fitted at the best\n"
        "                        quality that fits (default from the preferences, jpeg\n"
        "                        at first; --stepwise applies to JPEG alone)\n"
        "  --replace-originals   when FOLDER holds the pictures themselves, write each\n"
        "                        JPEG over its original of the same name; without it the\n"
        "                        JPEG gets a new name (photo-2.jpg) and the original stays\n"
        "  --total SIZE          one limit for all the pictures together, in place of\n"
        "                        --limit: each gets as much quality as the budget allows,\n"
        "                        and nothing is written when even the lowest quality and\n"
        "                        the smallest box cannot fit the set\n"
        "  --max-box WxH         never larger than this box: larger pictures are scaled\n"
        "                        down into it first; its sides follow the picture's\n"
        "                        orientation (1920x1080 holds a portrait as 1080x1920)\n"
        "  --keep-folders        write the pictures found in a folder under the same\n"
        "                        folders in FOLDER, starting with that folder's name\n"
        "  --keep-dates          give each JPEG its original's modification date\n"
        "  -h, --help            show this help\n"
        "  -v, --version         show the version\n"
        "\n"
        "A named file that is not taken (hidden, not a regular file, not a picture type)\n"
        "is reported on a line of its own. Names are printed with control characters,\n"
        "bytes that are not UTF-8 and text direction overrides escaped (\\n, \\xe9, \\u202e,\n"
        "and \\\\ for a backslash).\n"
        "\n"
        "Exit status: 0 when every picture converted, 1 when any failed or was skipped or\n"
        "none was found, 2 for bad arguments.\n");
}

std::optional<KPBatchArguments::Request> KPBatchArguments::parse(const QStringList& arguments,
                                                                 QString& error)
{
    QCommandLineParser parser;
    addOptions(parser);
    // The parser takes the first argument for the program's name.
    const bool parsed = parser.parse(QStringList{QStringLiteral("pictaro")} + arguments);
    if (parser.isSet(QStringLiteral("help")))
        return Request{Request::Asks::Help, {}};
    if (parser.isSet(QStringLiteral("version")))
        return Request{Request::Asks::Version, {}};
    if (!parsed) {
        error = parseFailure(parser, arguments);
        return std::nullopt;
    }
    Reading reading = readOptions(parser);
    if (reading.error.isEmpty())
        checkRun(reading, parser.positionalArguments());
    if (!reading.error.isEmpty()) {
        error = reading.error;
        return std::nullopt;
    }
    return Request{Request::Asks::Run, std::move(reading.options)};
}

quint64 KPBatchArguments::parseLimit(const QString& text, QString& error)
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*([0-9]+)\\s*([A-Za-z]*)\\s*$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch()) {
        error = QStringLiteral("the limit \"%1\" is not a whole number with KB or MB").arg(text);
        return 0;
    }
    const QString unit = match.captured(2).toUpper();
    int segment = -1;
    if (unit == QStringLiteral("KB"))
        segment = KPSizeLimit::KB;
    else if (unit == QStringLiteral("MB"))
        segment = KPSizeLimit::MB;
    if (segment < 0) {
        error = unit.isEmpty()
                    ? QStringLiteral("the limit \"%1\" has no unit: add KB or MB").arg(text)
                    : QStringLiteral("unknown unit \"%1\" in the limit: use KB or MB")
                          .arg(match.captured(2));
        return 0;
    }
    const quint64 bytes = KPSizeLimit::limitSize(match.captured(1), segment);
    if (bytes == 0)
        error = QStringLiteral("the limit must be greater than 0");
    if (bytes == KPSizeLimit::MaxLimit) {
        error = QStringLiteral("the limit \"%1\" is larger than any file can be").arg(text);
        return 0;
    }
    return bytes;
}
