#include "catalogue/canonicalwriter.h"

#include "catalogue/xmlrules.h"

namespace {

inline void put(char *&d, const char *s)
{
    while (*s) {
        *d++ = *s++;
    }
}

// One ASCII character as the document tree writes it; `begin` is the start of
// the output, for the "]]>" rule.
inline void putAscii(char *&d, const char *begin, ushort c, bool attribute)
{
    switch (c) {
    case '<':
        put(d, "&lt;");
        break;
    case '&':
        put(d, "&amp;");
        break;
    case '"':
        attribute ? put(d, "&quot;") : void(*d++ = '"');
        break;
    case '>':
        (d - begin >= 2 && d[-1] == ']' && d[-2] == ']') ? put(d, "&gt;") : void(*d++ = '>');
        break;
    case '\r':
        put(d, "&#xd;");
        break;
    case '\n':
        attribute ? put(d, "&#xa;") : void(*d++ = '\n');
        break;
    case '\t':
        attribute ? put(d, "&#x9;") : void(*d++ = '\t');
        break;
    default:
        *d++ = char(c);
    }
}

// The UTF-8 of the character at p[i], at least U+0080; a surrogate pair moves
// `i` past its second half.
inline void putUtf8(char *&d, const ushort *p, int &i, int n)
{
    const ushort c = p[i];
    if (c < 0x800) {
        *d++ = char(0xC0 | (c >> 6));
        *d++ = char(0x80 | (c & 0x3F));
    } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(p[i + 1])) {
        const uint u = QChar::surrogateToUcs4(c, p[++i]);
        *d++ = char(0xF0 | (u >> 18));
        *d++ = char(0x80 | ((u >> 12) & 0x3F));
        *d++ = char(0x80 | ((u >> 6) & 0x3F));
        *d++ = char(0x80 | (u & 0x3F));
    } else {
        *d++ = char(0xE0 | (c >> 12));
        *d++ = char(0x80 | ((c >> 6) & 0x3F));
        *d++ = char(0x80 | (c & 0x3F));
    }
}

} // namespace

const char *CanonicalWriter::declaration()
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
}

void CanonicalWriter::appendEscaped(QByteArray &out, const QString &text, bool attribute)
{
    const int start = out.size();
    out.resize(start + text.size() * 6);
    char *const begin = out.data();
    char *d = begin + start;
    const ushort *p = text.utf16();
    const int n = text.size();
    for (int i = 0; i < n; ++i) {
        if (p[i] < 0x80) {
            putAscii(d, begin, p[i], attribute);
        } else {
            putUtf8(d, p, i, n);
        }
    }
    out.resize(int(d - begin));
}

// Decimal, as QString::number writes it, without a string of its own.
inline void CanonicalWriter::appendNumber(QByteArray &out, int value)
{
    char digits[12];
    char *d = digits + sizeof(digits);
    unsigned magnitude = value < 0 ? 0u - unsigned(value) : unsigned(value);
    do {
        *--d = char('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) {
        *--d = '-';
    }
    out.append(d, int(digits + sizeof(digits) - d));
}

inline void CanonicalWriter::appendTextElement(QByteArray &out, const char *tag,
                                               const QString &text)
{
    out += "        <";
    out += tag;
    if (text.isEmpty()) {
        out += "/>\n";
        return;
    }
    out += '>';
    appendEscaped(out, text, false);
    out += "</";
    out += tag;
    out += ">\n";
}

inline void CanonicalWriter::appendList(QByteArray &out, const char *tag,
                                        const QList<FileItem> &items)
{
    if (items.isEmpty()) {
        out += "        <";
        out += tag;
        out += "/>\n";
        return;
    }
    out += "        <";
    out += tag;
    out += ">\n";
    static const char itemStart[] = "            <item order=\"";
    for (const FileItem &item : items) {
        out.append(itemStart, int(sizeof(itemStart)) - 1);
        appendNumber(out, item.order);
        if (item.path.isEmpty()) {
            out.append("\"/>\n", 4);
            continue;
        }
        out.append("\">", 2);
        appendEscaped(out, item.path, false);
        out.append("</item>\n", 8);
    }
    out += "        </";
    out += tag;
    out += ">\n";
}

void CanonicalWriter::appendMod(QByteArray &out, const QString &id, const ModRecord &record)
{
    out += "    <mod id=\"";
    appendEscaped(out, id, true);
    out += "\">\n";
    appendTextElement(out, "info", record.info);
    appendTextElement(out, "time", record.time);
    appendTextElement(out, "install", QString::number(record.install));
    appendList(out, "replace", record.replace);
    appendList(out, "add", record.add);
    out += "    </mod>\n";
}

void CanonicalWriter::appendHead(QByteArray &out, const QString &root, bool empty)
{
    out += declaration();
    out += '<';
    appendEscaped(out, root, false);
    out += empty ? "/>\n" : ">\n";
}

void CanonicalWriter::appendTail(QByteArray &out, const QString &root)
{
    out += "</";
    appendEscaped(out, root, false);
    out += ">\n";
}

bool CanonicalWriter::carries(const QString &text)
{
    return text.isEmpty() || !text.trimmed().isEmpty();
}

bool CanonicalWriter::carriesPath(const QString &path)
{
    return !path.isEmpty() && carries(path);
}

bool CanonicalWriter::carriesRecord(const ModRecord &record)
{
    return XmlRules::recordPasses(record, carries, carriesPath);
}
