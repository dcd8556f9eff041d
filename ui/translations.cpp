// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/translations.h"

#include "core/paths.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>

namespace lumivex {

namespace {

std::unique_ptr<QTranslator> g_program;
std::unique_ptr<QTranslator> g_toolkit;

} // namespace

QString installTranslations(const QLocale &locale)
{
    removeTranslations();
    const QString folder = programDataPath(QStringLiteral("translations"));
    for (QString language : locale.uiLanguages()) {
        language.replace(QLatin1Char('-'), QLatin1Char('_'));
        if (language == QLatin1String("C") || language == QLatin1String("POSIX") || language == QLatin1String("en") ||
            language.startsWith(QLatin1String("en_")))
            return QString();
        // "de_AT" falls back to "de"; the bare prefix (lumivex.qm) does not exist.
        auto program = std::make_unique<QTranslator>();
        if (!program->load(QStringLiteral("lumivex_") + language, folder) || program->language().isEmpty())
            continue;
        const QString found = program->language();
        QCoreApplication::installTranslator(program.get());
        g_program = std::move(program);
        auto toolkit = std::make_unique<QTranslator>();
        if (toolkit->load(QStringLiteral("qtbase_") + found, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            QCoreApplication::installTranslator(toolkit.get());
            g_toolkit = std::move(toolkit);
        }
        return found;
    }
    return QString();
}

void removeTranslations()
{
    for (std::unique_ptr<QTranslator> *translator : {&g_toolkit, &g_program}) {
        if (*translator)
            QCoreApplication::removeTranslator(translator->get());
        translator->reset();
    }
}

} // namespace lumivex
