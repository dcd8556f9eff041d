#include "app/cli.h"
#include "ui/form1.h"
#include "ui/qt_dialogs.h"
#include "core/paths.h"
#include "core/settings_store.h"

#include <QApplication>
#include <QCommandLineParser>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

void describe()
{
    QCoreApplication::setApplicationName(QStringLiteral("Lumivex"));
    QCoreApplication::setOrganizationName(QStringLiteral("Quenwick"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LUMIVEX_VERSION));
}

} // namespace

int main(int argc, char *argv[])
{
    // Past a file-size limit a write should fail with its reason (EFBIG) and be reported with its
    // file, not end the program.
    std::signal(SIGXFSZ, SIG_IGN);

    // Every byte of a path kept, even one not valid in the current encoding (see fileNameFromBytes).
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << lumivex::fileNameFromBytes(QByteArray(argv[i]));

    if (lumivex::isBatchCommandLine(arguments)) {
        // No window and no display server: a core application is enough to read and write pictures.
        QCoreApplication app(argc, argv);
        describe();
        QTextStream input(stdin);
        QTextStream errors(stderr);
        return lumivex::runBatchCommandLine(arguments, input, errors, isatty(STDERR_FILENO));
    }

    QApplication app(argc, argv);
    describe();
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Applies one adjustment to a whole list of pictures. With --adjust it works without a window: "
        "see 'lumivex --adjust brightness --help'."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("paths"), QStringLiteral("Files or folders to put in the list."),
                                 QStringLiteral("[PATH...]"));
    parser.process(app);

    lumivex::SettingsStore settings;
    lumivex::QtDialogs dialogs;
    lumivex::Form1 window(settings, dialogs);
    window.show();
    window.addCommandLinePaths(parser.positionalArguments());
    return app.exec();
}
