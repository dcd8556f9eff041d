// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings_store.h"

#include "core/error_report.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace lumivex {

namespace {
const QString kGroup = QStringLiteral("Lumivex");

// The program's settings are a few dozen short values; a file past this was never written by it,
// and parsing one of many megabytes would hold up the start.
constexpr off_t kLargestSettingsFile = off_t(1) << 20;

QString stampOf(const struct stat &st)
{
    return QStringLiteral("%1:%2:%3:%4.%5")
        .arg(st.st_dev)
        .arg(st.st_ino)
        .arg(st.st_size)
        .arg(st.st_mtim.tv_sec)
        .arg(st.st_mtim.tv_nsec);
}

QString valueText(const QVariant &value)
{
    // A hand-edited value with an unquoted comma reads back as a list; keep it as the text it was.
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

// How many keys a person wrote under [Lumivex]. Qt reports some damage as a format error, but an
// unterminated quote or a stray backslash can swallow the rest of the file without one.
int keysWrittenInGroup(const QByteArray &text)
{
    bool inGroup = false;
    QSet<QByteArray> keys;
    for (QByteArray line : text.split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#'))
            continue;
        // Junk glued before the header still means the lines after it were meant for the group.
        if (line.startsWith('[') || line.endsWith("[Lumivex]")) {
            inGroup = line.endsWith("[Lumivex]");
            continue;
        }
        const int equals = line.indexOf('=');
        if (inGroup && equals > 0)
            keys.insert(line.left(equals).trimmed());
    }
    return int(keys.size());
}

// Reads the group of a regular file into `values`; false when the file does not parse as a whole.
bool readsSoundly(const QString &path, QHash<QString, QString> *values)
{
    QSettings probe(path, QSettings::IniFormat);
    // Qt parses each group only when a key of it is asked for; all keys, so every group is.
    probe.allKeys();
    probe.beginGroup(kGroup);
    const QStringList keys = probe.childKeys();
    for (const QString &key : keys)
        values->insert(key, valueText(probe.value(key)));
    probe.endGroup();
    if (probe.status() == QSettings::FormatError)
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return true; // unreadable is Qt's to report; nothing here says it is damaged
    return keys.size() >= keysWrittenInGroup(file.readAll());
}

// Why the file or the folder it belongs in cannot be written, in the system's words.
QString writeProblem(const QString &path)
{
    QFileInfo at(path);
    if (!at.exists()) {
        at = QFileInfo(at.absolutePath());
        while (!at.exists() && !at.isRoot())
            at = QFileInfo(at.absolutePath());
        if (at.exists() && !at.isDir())
            return QString::fromLocal8Bit(std::strerror(ENOTDIR));
    }
    if (::access(QFile::encodeName(at.absoluteFilePath()).constData(), W_OK) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    return QStringLiteral("access denied");
}

} // namespace

QString SettingsStore::defaultFileName()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/Quenwick/Lumivex.conf");
}

SettingsStore::SettingsStore() : SettingsStore(defaultFileName()) {}

SettingsStore::SettingsStore(const QString &iniPath) : m_path(iniPath)
{
    // Before the first read or write, so a damaged file is kept aside before anything replaces it.
    checkFile();
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::fileName() const { return m_settings ? m_settings->fileName() : m_path; }

void SettingsStore::openSettings() const
{
    m_settings = std::make_unique<QSettings>(m_path, QSettings::IniFormat);
}

void SettingsStore::report(Problem problem, const QString &text) const
{
    if (m_reported.contains(problem))
        return;
    m_reported << problem;
    if (m_handler)
        m_handler(text);
    else
        m_pending << text;
}

void SettingsStore::setProblemHandler(ProblemHandler handler)
{
    m_handler = std::move(handler);
    const QStringList pending = std::exchange(m_pending, QStringList());
    if (m_handler) {
        for (const QString &text : pending)
            m_handler(text);
    }
}

bool SettingsStore::checkFile() const
{
    if (m_inMemory)
        return false;
    const QByteArray name = QFile::encodeName(m_path);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0) {
        if (!m_settings)
            openSettings();
        m_checkedStamp.clear();
        return true;
    }
    if (!S_ISREG(st.st_mode)) {
        // Opening a FIFO waits for a writer forever, a device may never end: neither is read.
        if (m_settings) {
            m_settings->beginGroup(kGroup);
            for (const QString &key : m_settings->childKeys())
                m_memory.insert(key, valueText(m_settings->value(key)));
            m_settings->endGroup();
            m_settings.reset();
        }
        m_inMemory = true;
        report(Problem::NotRegular, QCoreApplication::translate("lumivex::SettingsStore", "Not a regular file: %1\r\nSettings are kept only until the program ends.")
                                        .arg(m_path));
        return false;
    }
    if (m_settings && stampOf(st) == m_checkedStamp)
        return true;
    QHash<QString, QString> values;
    const bool oversized = st.st_size > kLargestSettingsFile;
    if (!oversized && readsSoundly(m_path, &values)) {
        if (!m_settings)
            openSettings();
        m_checkedStamp = stampOf(st);
        return true;
    }
    m_settings.reset();
    QString aside = m_path + QStringLiteral(".bad");
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside = m_path + QStringLiteral(".bad.") + QString::number(n);
    if (::rename(name.constData(), QFile::encodeName(aside).constData()) != 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        m_memory = values;
        m_inMemory = true;
        report(Problem::KeptAside, QCoreApplication::translate("lumivex::SettingsStore", "The settings file cannot be read, nor kept aside (%1): %2\r\n"
                                                                  "Settings are kept only until the program ends.")
                                       .arg(reason, m_path));
        return false;
    }
    if (oversized)
        report(Problem::KeptAside, QCoreApplication::translate("lumivex::SettingsStore", "The settings file is larger than 1 MB, which settings never are; it was kept "
                                                                  "as %1 unread: %2")
                                       .arg(aside, m_path));
    else
        report(Problem::KeptAside, QCoreApplication::translate("lumivex::SettingsStore", "The settings file cannot be read; it was kept as %1 and the values that "
                                                                  "could be read are used: %2")
                                       .arg(aside, m_path));
    openSettings();
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        m_settings->setValue(kGroup + QLatin1Char('/') + it.key(), it.value());
    m_settings->sync();
    struct stat now {};
    m_checkedStamp = ::stat(name.constData(), &now) == 0 ? stampOf(now) : QString();
    return true;
}

QString SettingsStore::GetSetting(const QString &key, const QString &defaultValue) const
{
    if (!checkFile())
        return m_memory.value(key, defaultValue);
    // Pick up edits made outside the program since the last read.
    m_settings->sync();
    const QString fullKey = kGroup + QLatin1Char('/') + key;
    if (!m_settings->contains(fullKey))
        return defaultValue;
    return valueText(m_settings->value(fullKey));
}

void SettingsStore::SaveSetting(const QString &key, const QString &value)
{
    if (!checkFile()) {
        m_memory.insert(key, value);
        return;
    }
    m_settings->setValue(kGroup + QLatin1Char('/') + key, value);
    m_settings->sync();
    if (m_settings->status() == QSettings::AccessError) {
        report(Problem::CannotWrite, QCoreApplication::translate("lumivex::SettingsStore", "Cannot save the settings (%1): %2").arg(writeProblem(m_path), m_path));
        return;
    }
    // What was just written is known to be sound.
    struct stat now {};
    if (::stat(QFile::encodeName(m_path).constData(), &now) == 0)
        m_checkedStamp = stampOf(now);
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
