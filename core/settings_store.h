// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QSettings;

namespace lumivex {

// Per-user text values under application "Quenwick", section "Lumivex". Kept as an INI file
// ($XDG_CONFIG_HOME or ~/.config)/Quenwick/Lumivex.conf, group [Lumivex], so users and scripts
// can find and edit it. Every write is synced at once: a crash right after a change loses nothing.
//
// A hand-edited file is never lost: one that cannot be parsed is renamed to "Lumivex.conf.bad"
// before anything is written, and what could be read of its group is carried into a fresh file;
// one larger than 1 MB is kept aside the same way without being read.
// Only a regular file is ever opened, so a FIFO or a device at the path cannot block the program;
// the values then live in memory for the session. Each such problem, and a file that cannot be
// written, is told once to the problem handler.
class SettingsStore {
public:
    SettingsStore();                                  // the user's own store
    explicit SettingsStore(const QString &iniPath);   // an explicit file (tests, portable use)
    ~SettingsStore();

    SettingsStore(const SettingsStore &) = delete;
    SettingsStore &operator=(const SettingsStore &) = delete;

    // The stored text, or defaultValue when the key was never written. An existing empty value
    // comes back empty.
    QString GetSetting(const QString &key, const QString &defaultValue) const;
    void SaveSetting(const QString &key, const QString &value);

    QString fileName() const;
    static QString defaultFileName();

    // Receives each problem's text once; problems found before a handler is set are handed to it
    // as soon as it is.
    using ProblemHandler = std::function<void(const QString &text)>;
    void setProblemHandler(ProblemHandler handler);

private:
    enum class Problem { NotRegular, KeptAside, CannotWrite };

    // Checks the file before Qt reads it: not a regular file, or changed on disk into something
    // that does not parse. Returns false when the values live in memory only.
    bool checkFile() const;
    void openSettings() const;
    void report(Problem problem, const QString &text) const;

    QString m_path;
    mutable std::unique_ptr<QSettings> m_settings;
    mutable QHash<QString, QString> m_memory; // used once the path is not a regular file
    mutable bool m_inMemory = false;
    mutable QString m_checkedStamp;            // the file's identity and time when last found sound
    mutable QList<Problem> m_reported;
    mutable QStringList m_pending;
    ProblemHandler m_handler;
};

// Whole-number and boolean texts as the store holds them. Both throw StepFailure on text that
// does not convert, so a guarded step reports it.
int parseWholeNumber(const QString &text);
bool parseBoolean(const QString &text);
inline QString booleanText(bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); }

} // namespace lumivex
