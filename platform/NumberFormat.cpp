#include "platform/NumberFormat.h"

#include <QLocale>
#include <limits>

QString FormatNumber(qint64 value) {
    // Plain digits grouped by threes with the user's separator, as "#,##0" writes them.
    const QLocale locale;
    const QString sep = locale.groupSeparator();
    const quint64 magnitude = value < 0 ? 0 - static_cast<quint64>(value) : static_cast<quint64>(value);
    const QString digits = QString::number(magnitude);
    QString out;
    out.reserve(digits.size() + digits.size() / 3 * sep.size() + 1);
    if (value < 0) out += locale.negativeSign();
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += sep;
        out += digits.at(i);
    }
    return out;
}

// The digit-group separators of every locale, and the plain space and apostrophe typed for them:
// a table written under one locale ("12.345", "12 345", "12’345") is read under any other.
static bool IsGroupSeparator(QChar c) {
    switch (c.unicode()) {
    case u',': case u'.': case u' ': case u'\'': case 0x00A0: case 0x066C: case 0x2019: case 0x202F: case 0x2E41:
        return true;
    default:
        return false;
    }
}

// Digits grouped by threes with any locale's separator (or not grouped), and a leading sign. "12.5"
// is no grouping, so no whole number.
static bool ReadGrouped(const QString& text, const QString& sep, qint64& out) {
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    quint64 v = 0;
    int digits = 0;
    int group = 0;
    bool grouped = false;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            if (++digits > 18) return false;
            ++group;
            v = v * 10 + static_cast<quint64>(c.unicode() - '0');
            continue;
        }
        const bool localeSep = !sep.isEmpty() && text.mid(i, sep.size()) == sep;
        if (group == 0 || (!IsGroupSeparator(c) && !localeSep)) return false;
        if (grouped ? group != 3 : group > 3) return false;
        if (localeSep) i += sep.size() - 1;
        grouped = true;
        group = 0;
    }
    if (digits == 0 || (grouped && group != 3)) return false;
    out = negative ? -static_cast<qint64>(v) : static_cast<qint64>(v);
    return true;
}

static bool ReadWide(const QString& raw, qint64& out) {
    const QString text = raw.trimmed();
    if (text.isEmpty() || text.size() > 40) return false;
    const QLocale locale;
    if (ReadGrouped(text, locale.groupSeparator(), out)) return true;
    bool ok = false;
    const qint64 v = locale.toLongLong(text, &ok);
    if (!ok) return false;
    out = v;
    return true;
}

QString FormatCaption(const QString& caption) {
    qint64 v = 0;
    if (!ReadWide(caption, v)) return caption;
    return FormatNumber(v);
}

bool ReadWholeNumber(const QString& text, qint32& out) {
    qint64 v = 0;
    if (!ReadWide(text, v)) return false;
    if (v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max()) return false;
    out = static_cast<qint32>(v);
    return true;
}
