#include "ui/KPTerminalText.h"

namespace {
bool reordersOrBreaks(char16_t c)
{
    return (c >= 0x80 && c <= 0x9f) || c == 0x061c || c == 0x200e || c == 0x200f ||
           (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069) || c == 0x2028 ||
           c == 0x2029;
}

void appendHex(QString& out, const char* prefix, uint value, int digits)
{
    out += QLatin1String(prefix) + QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0'));
}
} // namespace

QString KPTerminalText::escaped(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out += text[i];
            out += text[++i];
        } else if (c == u'\\') {
            out += QStringLiteral("\\\\");
        } else if (c == u'\n') {
            out += QStringLiteral("\\n");
        } else if (c == u'\r') {
            out += QStringLiteral("\\r");
        } else if (c == u'\t') {
            out += QStringLiteral("\\t");
        } else if (c < 0x20 || c == 0x7f) {
            appendHex(out, "\\x", c, 2);
        } else if (c >= 0xdc80 && c <= 0xdcff) {
            appendHex(out, "\\x", c - 0xdc00, 2); // a byte that is no UTF-8 (see KPPath)
        } else if (QChar::isSurrogate(c) || reordersOrBreaks(c)) {
            appendHex(out, "\\u", c, 4);
        } else {
            out += text[i];
        }
    }
    return out;
}
