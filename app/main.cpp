// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/cli.h"
#include "core/paths.h"
#include "core/settings_store.h"
#include "ui/form1.h"
#include "ui/qt_dialogs.h"
#include "ui/translations.h"

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

// Without a display server Qt aborts the process, telling the user to reinstall. A platform
// named in the environment or on the command line (offscreen, vnc, eglfs...) is Qt's to try.
bool windowCanOpen(const QStringList &arguments)
{
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (!qEnvironmentVariableIsEmpty(name))
            return true;
    for (const QString &argument : arguments)
        if (argument == QLatin1String("-platform") || argument == QLatin1String("--platform") ||
            argument.startsWith(QLatin1String("-platform=")) || argument.startsWith(QLatin1String("--platform=")))
            return true;
    return false;
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
    if (!windowCanOpen(arguments)) {
        errors << "lumivex: no display to open the window on (neither DISPLAY nor WAYLAND_DISPLAY is set);"
                  " 'lumivex --help' shows the command line, which needs none\n";
        return 2;
    }

    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("com.quenwick.Lumivex"));
    lumivex::installTranslations();
    lumivex::SettingsStore settings;
    lumivex::QtDialogs dialogs;
    lumivex::Form1 window(settings, dialogs);
    window.show();
    window.addCommandLinePaths(request.paths);
    return app.exec();
}
