#pragma once
#include <QString>
#include <QtGlobal>

// "#,##0" formatting in the user's locale, and reading captions back as whole numbers.
QString FormatNumber(qint64 value);
// Formats a caption holding a whole number; any other text comes back unchanged.
QString FormatCaption(const QString& caption);
// Reads a whole number, accepting the digit-group separators of any locale. False when it is no
// whole number within 32 bits.
bool ReadWholeNumber(const QString& text, qint32& out);
