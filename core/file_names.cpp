// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/file_names.h"

namespace lumivex {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// A low surrogate with no high one before it: never part of decoded text.
bool isEscapedByte(const QString &name, int at)
{
    const char16_t c = name[at].unicode();
    return c >= 0xDC80 && c <= 0xDCFF && (at == 0 || !name[at - 1].isHighSurrogate());
}

// Length of the valid UTF-8 sequence at `at`, or 0 when the byte there does not start one.
int utf8SequenceLength(const unsigned char *p, int left)
{
    const unsigned char c = p[0];
    int length;
    char32_t value;
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
        value = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        value = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        value = c & 0x07;
    } else {
        return 0;
    }
    if (left < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (p[i] & 0x3F);
    }
    // Overlong forms, UTF-16 surrogates and values past U+10FFFF are not valid UTF-8.
    if ((length == 3 && value < 0x800) || (length == 4 && (value < 0x10000 || value > 0x10FFFF)) ||
        (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

QString fileNameFromBytes(const QByteArray &bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const int size = int(bytes.size());
    QString name;
    name.reserve(size);
    int runStart = 0;
    for (int i = 0; i < size;) {
        const int length = utf8SequenceLength(p + i, size - i);
        if (length > 0) {
            i += length;
            continue;
        }
        name += QString::fromUtf8(bytes.constData() + runStart, i - runStart);
        name += QChar(char16_t(kEscapeBase + p[i]));
        runStart = ++i;
    }
    name += QString::fromUtf8(bytes.constData() + runStart, size - runStart);
    return name;
}

QByteArray fileNameToBytes(const QString &name)
{
    if (!hasUndecodableBytes(name))
        return name.toUtf8();
    QByteArray bytes;
    int runStart = 0;
    for (int i = 0; i < name.size(); ++i) {
        if (!isEscapedByte(name, i))
            continue;
        bytes += QStringView(name).mid(runStart, i - runStart).toUtf8();
        bytes += char(name[i].unicode() - kEscapeBase);
        runStart = i + 1;
    }
    bytes += QStringView(name).mid(runStart).toUtf8();
    return bytes;
}

bool hasUndecodableBytes(const QString &name)
{
    for (int i = 0; i < name.size(); ++i) {
        if (isEscapedByte(name, i))
            return true;
    }
    return false;
}

QString printableFileName(const QString &name)
{
    if (!hasUndecodableBytes(name))
        return name;
    QString text;
    for (int i = 0; i < name.size(); ++i) {
        if (isEscapedByte(name, i))
            text += QStringLiteral("\\x") +
                    QString::number(int(name[i].unicode() - kEscapeBase), 16).toUpper().rightJustified(2, QLatin1Char('0'));
        else
            text += name[i];
    }
    return text;
}

} // namespace lumivex
