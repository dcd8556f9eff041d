#include "core/settings_store.h"

#include "core/error_report.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <cmath>

namespace lumivex {

namespace {
const QString kGroup = QStringLiteral("Lumivex");
}

QString SettingsStore::defaultFileName()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/Quenwick/Lumivex.conf");
}

SettingsStore::SettingsStore() : SettingsStore(defaultFileName()) {}

SettingsStore::SettingsStore(const QString &iniPath)
    : m_settings(std::make_unique<QSettings>(iniPath, QSettings::IniFormat))
{
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::fileName() const { return m_settings->fileName(); }

QString SettingsStore::GetSetting(const QString &key, const QString &defaultValue) const
{
    // Pick up edits made outside the program since the last read.
    m_settings->sync();
    const QString fullKey = kGroup + QLatin1Char('/') + key;
    if (!m_settings->contains(fullKey))
        return defaultValue;
    const QVariant value = m_settings->value(fullKey);
    // A hand-edited value with an unquoted comma reads back as a list; keep it as the text it was.
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

void SettingsStore::SaveSetting(const QString &key, const QString &value)
{
    m_settings->setValue(kGroup + QLatin1Char('/') + key, value);
    m_settings->sync();
}

int parseWholeNumber(const QString &text)
{
    // Accepts what a person would type or the program writes: optional blanks, sign, digits.
    // Decimal fractions round half to even, as numbers do everywhere in the program.
    const QString trimmed = text.trimmed();
    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    if (!ok || trimmed.isEmpty() || !std::isfinite(value))
        throw StepFailure(QStringLiteral("Type mismatch"));
    const double rounded = std::nearbyint(value);
    if (rounded < -2147483648.0 || rounded > 2147483647.0)
        throw StepFailure(QStringLiteral("Overflow"));
    return static_cast<int>(rounded);
}

bool parseBoolean(const QString &text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double value = t.toDouble(&ok);
    if (ok)
        return value != 0.0;
    throw StepFailure(QStringLiteral("Type mismatch"));
}

} // namespace lumivex
