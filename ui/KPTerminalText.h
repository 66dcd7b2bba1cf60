#pragma once

#include <QString>
#include <QStringView>

// Names as the terminal shows them. A file name may hold a newline, an escape sequence or
// a right-to-left override; printed as it is, it could clear the line, colour it, move
// the cursor or forge a line such as "OK ..." of its own. Every terminal line that shows
// a name or a path the user gave shows it through `escaped`, in the manner of a C string:
// - a backslash is doubled ("\\"), so that every escape below is unambiguous;
// - a newline, a carriage return and a tab are "\n", "\r" and "\t";
// - any other control character of U+0000..U+001F and U+007F is "\x" and two hex digits;
// - a byte of the name that is no UTF-8 is "\x" and its two hex digits ("caf\xe9.jpg");
// - the C1 controls U+0080..U+009F, the marks and overrides that reorder text (U+061C,
//   U+200E, U+200F, U+202A..U+202E, U+2066..U+2069) and the line and paragraph
//   separators U+2028 and U+2029 are "\u" and four hex digits ("\u202e").
// Everything else, letters of any script among them, is printed as it is.
class KPTerminalText
{
public:
    KPTerminalText() = delete;

    static QString escaped(QStringView text);
};
