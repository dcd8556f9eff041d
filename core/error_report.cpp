// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/error_report.h"

#include "core/dialogs.h"

#include <QCoreApplication>

namespace lumivex {

QString caughtExceptionText() noexcept
{
    try {
        try {
            throw;
        } catch (const StepFailure &failure) {
            return failure.description();
        } catch (const std::bad_alloc &) {
            return QCoreApplication::translate("lumivex::Failure", "Out of memory");
        } catch (const std::exception &e) {
            return QString::fromLocal8Bit(e.what());
        } catch (...) {
            return QStringLiteral("Unexpected failure");
        }
    } catch (...) {
        return QString(); // no memory even for the text: an empty one rather than a second throw
    }
}

QString supportAddress() { return QStringLiteral(LUMIVEX_SUPPORT_ADDRESS); }

QString errorReportText(const QString &location, int step, const QString &description)
{
    // One CR LF after the description, two lone CRs before the last line: people paste these
    // texts into mail, and support tools match on exactly this shape.
    // The location line stays as it is in every language: it is what support looks up.
    return description + QStringLiteral("\r\n") + location + QStringLiteral("at line ") +
           QString::number(step) + QStringLiteral("\r\r") +
           QCoreApplication::translate("lumivex::ErrorReport", "Please email screenshot of this message to %1")
               .arg(supportAddress());
}

QString handlerLocation(const char *window, const char *handler)
{
    return QStringLiteral("in Velmora12/4/2014.%1.%2 ")
        .arg(QLatin1String(window), QLatin1String(handler));
}

void DialogErrorReporter::ShowErrorReport(const QString &location, int step, const QString &description)
{
    m_dialogs.message(m_owner, errorReportText(location, step, description),
                      QCoreApplication::translate("lumivex::ErrorReport", "Application Error"), Dialogs::Buttons::Ok,
                      Dialogs::Icon::Warning);
}

void StepGuard::report(int step, const QString &description) noexcept
{
    ++m_failures;
    try {
        m_reporter.ShowErrorReport(m_location, step, description);
    } catch (...) {
        // The report itself must never take the handler down; the count above still has it.
    }
}

} // namespace lumivex
