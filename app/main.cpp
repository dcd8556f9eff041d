#include "app/cli.h"
#include "core/paths.h"
#include "core/settings_store.h"
#include "ui/form1.h"
#include "ui/qt_dialogs.h"

#include <QApplication>
#include <csignal>
#include <cstdio>
#include <malloc.h>
#include <unistd.h>

namespace {

void describe()
{
    QCoreApplication::setApplicationName(QStringLiteral("Lumivex"));
    QCoreApplication::setOrganizationName(QStringLiteral("Quenwick"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LUMIVEX_VERSION));
    lumivex::setInstalledDataFolder(QStringLiteral(LUMIVEX_DATA_DIR));
}

} // namespace

int main(int argc, char *argv[])
{
    // Past a file-size limit a write should fail with its reason (EFBIG) and be reported with its
    // file, not end the program.
    std::signal(SIGXFSZ, SIG_IGN);

    describe();
    // Every byte of a path kept, even one not valid in the current encoding (see fileNameFromBytes).
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << lumivex::fileNameFromBytes(QByteArray(argv[i]));

    // Decided before any application object exists: help, the version and a mistyped option
    // must work where there is no display at all.
    QTextStream input(stdin);
    QTextStream output(stdout);
    QTextStream errors(stderr);
    const lumivex::CommandLineRequest request = lumivex::readCommandLine(arguments, input, output, errors);
    switch (request.mode) {
    case lumivex::CommandLineRequest::Mode::Answered:
        return request.status;
    case lumivex::CommandLineRequest::Mode::Batch: {
        // No window and no display server: a core application is enough to read and write pictures.
        QCoreApplication app(argc, argv);
        // A batch frees and takes again the same few megabytes per file (the file, its encoded
        // result, the codec's rows). Kept by the allocator rather than handed back to the system,
        // they are not faulted in and cleared afresh for every file.
        mallopt(M_MMAP_THRESHOLD, 64 << 20);
        mallopt(M_TRIM_THRESHOLD, 256 << 20);
        return lumivex::runBatchCommandLine(arguments, input, errors, isatty(STDERR_FILENO));
    }
    case lumivex::CommandLineRequest::Mode::Window:
        break;
    }

    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("com.quenwick.Lumivex"));
    lumivex::SettingsStore settings;
    lumivex::QtDialogs dialogs;
    lumivex::Form1 window(settings, dialogs);
    window.show();
    window.addCommandLinePaths(request.paths);
    return app.exec();
}
