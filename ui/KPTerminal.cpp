#include "ui/KPTerminal.h"

#include "engine/KPImageDecoder.h"
#include "settings/KPSettings.h"
#include "ui/KPBatchArguments.h"
#include "ui/KPBatchFrontEnd.h"
#include "ui/KPLocalization.h"
#include "ui/KPTerminalText.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int interruptPipe[2] = {-1, -1};

void onInterrupt(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(interruptPipe[0], &byte, 1);
}

// Ctrl+C (or SIGTERM) stops the run within moments: the picture in progress is cut short
// and its working file removed, so nothing half-written stays in the export folder; a
// second Ctrl+C ends the process at once. A closed terminal (SIGHUP) and a reader of the
// output that went away (SIGPIPE, as in `pictaro --batch ... | head`) stop the run the
// same way rather than ending the process in the middle of a write; after that, lines
// nobody reads are dropped instead of raising SIGPIPE again.
void watchInterrupts(KPBatchFrontEnd& frontEnd)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, interruptPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(interruptPipe[1], QSocketNotifier::Read, &frontEnd);
    QObject::connect(notifier, &QSocketNotifier::activated, &frontEnd, [&frontEnd] {
        char byte = 0;
        [[maybe_unused]] const ssize_t got = ::read(interruptPipe[1], &byte, 1);
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        std::signal(SIGHUP, SIG_DFL);
        std::signal(SIGPIPE, SIG_IGN);
        frontEnd.stop();
    });
    struct sigaction action
    {
    };
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
        ::sigaction(signal, &action, nullptr);
}
// The image readers report every damaged file on the way; the terminal already says
// which pictures failed, so their chatter is shown only with PICTARO_VERBOSE set.
// Pictaro's own categories ("pictaro.helper") say nothing unless turned on by name, with
// QT_LOGGING_RULES: then they are shown.
void quietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    static const bool verbose = qEnvironmentVariableIsSet("PICTARO_VERBOSE");
    const bool reader =
        context.category && (qstrncmp(context.category, "qt.imageformats", 15) == 0 ||
                             qstrncmp(context.category, "qt.gui.imageio", 14) == 0);
    const bool asked = context.category && qstrncmp(context.category, "pictaro.", 8) == 0;
    if (!verbose && !asked &&
        (type == QtDebugMsg || type == QtInfoMsg || type == QtWarningMsg ||
         (reader && type == QtCriticalMsg)))
        return;
    std::fputs(qPrintable(qFormatLogMessage(type, context, message) + QLatin1Char('\n')), stderr);
}
} // namespace

bool KPTerminal::wanted(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--") // what follows are paths
            return false;
        if (argument == "--batch" || argument == "--help" || argument == "-h" ||
            argument == "--version" || argument == "-v")
            return true;
    }
    return false;
}

int KPTerminal::run(QCoreApplication& application, const QStringList& arguments)
{
    // The reasons given for failed pictures are in the user's language, as in the window.
    KPLocalization::install(application);

    QTextStream out(stdout);
    QTextStream err(stderr);
    QString error;
    std::optional<KPBatchArguments::Request> request = KPBatchArguments::parse(arguments, error);
    if (!request) {
        err << QStringLiteral("pictaro: %1\nTry 'pictaro --help' for more information.\n")
                   .arg(KPTerminalText::escaped(error));
        return KPBatchFrontEnd::BadArguments;
    }
    if (request->asks == KPBatchArguments::Request::Asks::Help) {
        out << KPBatchArguments::usage();
        return KPBatchFrontEnd::AllConverted;
    }
    if (request->asks == KPBatchArguments::Request::Asks::Version) {
        out << QStringLiteral("Pictaro %1\n").arg(QCoreApplication::applicationVersion());
        return KPBatchFrontEnd::AllConverted;
    }

    qInstallMessageHandler(quietMessages);
    // The window's preferences fill in what the options leave open; a run changes none.
    KPSettings::assumeDefaultSetting();
    KPImageDecoder::applyAllocationLimit();

    KPBatchFrontEnd frontEnd(std::move(request->options), out, err);
    QObject::connect(&frontEnd, &KPBatchFrontEnd::finished, &application, &QCoreApplication::exit);
    watchInterrupts(frontEnd);
    frontEnd.start();
    return QCoreApplication::exec();
}
