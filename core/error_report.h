// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <cstdint>
#include <exception>
#include <limits>
#include <new>
#include <string>

class QWidget;

namespace lumivex {

class Dialogs;

// A failure of one step of a handler, carrying the text the report shows.
class StepFailure : public std::exception {
public:
    explicit StepFailure(QString description, QString detail = QString())
        : m_description(std::move(description)), m_detail(std::move(detail)), m_utf8(m_description.toStdString()) {}
    const QString &description() const noexcept { return m_description; }
    // The failure told with the file it concerns and the system's reason, for the command line,
    // where the window's fixed texts ("... GDI+ Error:7") would name neither.
    const QString &detail() const noexcept { return m_detail.isEmpty() ? m_description : m_detail; }
    const char *what() const noexcept override { return m_utf8.c_str(); }

private:
    QString m_description;
    QString m_detail;
    std::string m_utf8;
};

// The text of the exception being handled, the one place that turns one into words: a
// StepFailure's description, "Out of memory", a standard exception's what(), else "Unexpected
// failure" (empty if even the text cannot be made). Call it only inside a catch block.
QString caughtExceptionText() noexcept;

// The report's text: description, CR LF, location, "at line ", step, CR CR, the support line.
QString errorReportText(const QString &location, int step, const QString &description);
QString supportAddress();

// Where a guarded handler sends its failures. The window implementation shows the warning box;
// tests record the calls.
class ErrorReporter {
public:
    virtual ~ErrorReporter() = default;
    virtual void ShowErrorReport(const QString &location, int step, const QString &description) = 0;
};

// Shows the report through the dialog interface: caption "Application Error", warning icon, OK.
class DialogErrorReporter : public ErrorReporter {
public:
    DialogErrorReporter(Dialogs &dialogs, QWidget *owner) : m_dialogs(dialogs), m_owner(owner) {}
    void ShowErrorReport(const QString &location, int step, const QString &description) override;

private:
    Dialogs &m_dialogs;
    QWidget *m_owner;
};

// Runs the numbered steps of one handler. A step that throws is reported with the handler's
// location and the step's number, and the handler goes on with whatever it does next, so a
// failure inside a loop costs that one step of that one round.
class StepGuard {
public:
    StepGuard(ErrorReporter &reporter, QString location)
        : m_reporter(reporter), m_location(std::move(location)) {}

    template <typename Step>
    bool operator()(int step, Step &&body) noexcept
    {
        try {
            body();
            return true;
        } catch (...) {
            report(step, caughtExceptionText());
        }
        return false;
    }

    const QString &location() const { return m_location; }
    int failures() const { return m_failures; }

private:
    void report(int step, const QString &description) noexcept;

    ErrorReporter &m_reporter;
    QString m_location;
    int m_failures = 0;
};

QString handlerLocation(const char *window, const char *handler);

// Range-checked integer arithmetic: an overflow is a failure ("Overflow"), never a wrap-around.
template <typename T>
T checkedMul(T a, T b)
{
    T r;
    if (__builtin_mul_overflow(a, b, &r))
        throw StepFailure(QStringLiteral("Overflow"));
    return r;
}

template <typename T>
T checkedAdd(T a, T b)
{
    T r;
    if (__builtin_add_overflow(a, b, &r))
        throw StepFailure(QStringLiteral("Overflow"));
    return r;
}

template <typename To, typename From>
To checkedNarrow(From value)
{
    if (value < static_cast<From>(std::numeric_limits<To>::min()) ||
        value > static_cast<From>(std::numeric_limits<To>::max()))
        throw StepFailure(QStringLiteral("Overflow"));
    return static_cast<To>(value);
}

} // namespace lumivex
