#include "mainwin/form1.h"
#include "shell/qt_dialogs.h"
#include "shell/settings_store.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumivex"));
    QApplication::setOrganizationName(QStringLiteral("Quenwick"));
    QApplication::setApplicationVersion(QStringLiteral(LUMIVEX_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Applies one adjustment to a whole list of pictures."));
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
