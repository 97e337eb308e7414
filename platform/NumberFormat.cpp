#include "platform/NumberFormat.h"

#include <QLocale>
#include <limits>

QString FormatNumber(qint64 value) {
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return locale.toString(value);
}

static bool ReadWide(const QString& raw, qint64& out) {
    const QString text = raw.trimmed();
    if (text.isEmpty() || text.size() > 40) return false;
    bool ok = false;
    QLocale locale;
    locale.setNumberOptions(QLocale::DefaultNumberOptions);
    qint64 v = locale.toLongLong(text, &ok);
    if (!ok) v = QLocale::c().toLongLong(text, &ok);
    if (!ok) {
        // Plain digits with the caption's own grouping, whatever the locale says.
        QString stripped = text;
        stripped.remove(locale.groupSeparator());
        stripped.remove(QLatin1Char(','));
        v = stripped.toLongLong(&ok);
    }
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
