#pragma once

#include <QString>
#include <memory>

class QSettings;

namespace lumivex {

// Per-user text values under application "Quenwick", section "Lumivex". Kept as an INI file
// ($XDG_CONFIG_HOME or ~/.config)/Quenwick/Lumivex.conf, group [Lumivex], so users and scripts
// can find and edit it. Every write is synced at once: a crash right after a change loses nothing.
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

private:
    std::unique_ptr<QSettings> m_settings;
};

// Whole-number and boolean texts as the store holds them. Both throw StepFailure on text that
// does not convert, so a guarded step reports it.
int parseWholeNumber(const QString &text);
bool parseBoolean(const QString &text);
inline QString booleanText(bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); }

} // namespace lumivex
