#include "catalogue/canonicalreader.h"

#include "catalogue/canonicalwriter.h"
#include "catalogue/xmlrules.h"

#include <cstring>

inline CanonicalReader::CanonicalReader(const QByteArray &bytes)
    : m_p(bytes.constData()), m_end(bytes.constData() + bytes.size())
{
}

bool CanonicalReader::read(const QByteArray &bytes, QMap<QString, ModRecord> &mods,
                           QStringList &order, QString &rootTag)
{
    CanonicalReader in(bytes);
    bool emptyRoot = false;
    if (!in.root(rootTag, emptyRoot)) {
        return false;
    }
    if (!emptyRoot) {
        while (in.literal("    <mod id=\"")) {
            if (!in.mod(mods, order)) {
                return false;
            }
        }
        // The closing tag is compared below, with the rest.
    }
    return reproduces(bytes, mods, order, rootTag);
}

inline bool CanonicalReader::root(QString &rootTag, bool &empty)
{
    if (!literal(CanonicalWriter::declaration()) || !literal("<") || !name('>', rootTag)) {
        return false;
    }
    empty = rootTag.endsWith(QLatin1Char('/'));
    if (empty) {
        rootTag.chop(1);
    }
    return XmlRules::isName(rootTag) && literal(">\n");
}

inline bool CanonicalReader::mod(QMap<QString, ModRecord> &mods, QStringList &order)
{
    QString id;
    ModRecord record;
    QString install;
    if (!text('"', id) || !literal("\">\n") || mods.contains(id) ||
        !textElement("        <info/>\n", "        <info>", "</info>\n", record.info) ||
        !textElement("        <time/>\n", "        <time>", "</time>\n", record.time) ||
        !textElement("        <install/>\n", "        <install>", "</install>\n", install) ||
        !list("        <replace/>\n", "        <replace>\n", "        </replace>\n",
              record.replace) ||
        !list("        <add/>\n", "        <add>\n", "        </add>\n", record.add) ||
        !literal("    </mod>\n")) {
        return false;
    }
    record.install = install.toInt();
    mods.insert(id, record);
    order.append(id);
    return true;
}

inline bool CanonicalReader::textElement(const char *emptyForm, const char *start, const char *end,
                                         QString &out)
{
    if (literal(emptyForm)) {
        out.clear();
        return true;
    }
    return literal(start) && text('<', out) && !out.isEmpty() && CanonicalWriter::carries(out) &&
           literal(end);
}

inline bool CanonicalReader::list(const char *emptyForm, const char *start, const char *end,
                                  QList<FileItem> &items)
{
    if (literal(emptyForm)) {
        return true;
    }
    if (!literal(start)) {
        return false;
    }
    while (literal("            <item order=\"")) {
        FileItem item;
        if (!number(item.order)) {
            return false;
        }
        if (!literal("\"/>\n")) {
            if (!literal("\">") || !text('<', item.path) ||
                !CanonicalWriter::carriesPath(item.path) || !literal("</item>\n")) {
                return false;
            }
        }
        items.append(item);
    }
    return literal(end);
}

// Compared piece by piece, so that no second copy of the file is made.
bool CanonicalReader::reproduces(const QByteArray &bytes, const QMap<QString, ModRecord> &mods,
                                 const QStringList &order, const QString &rootTag)
{
    QByteArray piece;
    piece.reserve(1 << 16);
    int offset = 0;
    const auto matches = [&]() {
        const bool same =
            bytes.size() - offset >= piece.size() &&
            std::memcmp(bytes.constData() + offset, piece.constData(), size_t(piece.size())) == 0;
        offset += piece.size();
        piece.resize(0);
        return same;
    };
    CanonicalWriter::appendHead(piece, rootTag, order.isEmpty());
    if (!matches()) {
        return false;
    }
    for (const QString &id : order) {
        CanonicalWriter::appendMod(piece, id, mods.value(id));
        if (!matches()) {
            return false;
        }
    }
    if (!order.isEmpty()) {
        CanonicalWriter::appendTail(piece, rootTag);
        if (!matches()) {
            return false;
        }
    }
    return offset == bytes.size();
}

inline bool CanonicalReader::literal(const char *text)
{
    const size_t n = std::strlen(text);
    if (size_t(m_end - m_p) < n || std::memcmp(m_p, text, n) != 0) {
        return false;
    }
    m_p += n;
    return true;
}

inline bool CanonicalReader::text(char stop, QString &out)
{
    const char *q = static_cast<const char *>(std::memchr(m_p, stop, size_t(m_end - m_p)));
    if (!q) {
        return false;
    }
    bool plain = true;
    for (const char *c = m_p; c < q; ++c) {
        const uchar b = uchar(*c);
        if (b < 0x20 && b != '\t' && b != '\n') {
            return false;
        }
        plain = plain && b < 0x80 && b != '&';
    }
    if (plain) {
        out = QString::fromLatin1(m_p, int(q - m_p));
    } else if (!decode(m_p, q, out)) {
        return false;
    }
    m_p = q;
    return true;
}

inline bool CanonicalReader::number(int &value)
{
    const char *q = m_p;
    if (q < m_end && *q == '-') {
        ++q;
    }
    const char *digits = q;
    while (q < m_end && *q >= '0' && *q <= '9') {
        ++q;
    }
    if (q == digits || q - m_p > 10) {
        return false;
    }
    bool ok = false;
    value = QByteArray::fromRawData(m_p, int(q - m_p)).toInt(&ok);
    m_p = q;
    return ok;
}

inline bool CanonicalReader::name(char stop, QString &out)
{
    const char *q = static_cast<const char *>(std::memchr(m_p, stop, size_t(m_end - m_p)));
    if (!q) {
        return false;
    }
    out = QString::fromUtf8(QByteArray::fromRawData(m_p, int(q - m_p)));
    m_p = q;
    return true;
}

bool CanonicalReader::decode(const char *from, const char *to, QString &out)
{
    static const struct
    {
        const char *escape;
        char c;
    } escapes[] = {{"&lt;", '<'},   {"&amp;", '&'},  {"&gt;", '>'},  {"&quot;", '"'},
                   {"&#xd;", '\r'}, {"&#xa;", '\n'}, {"&#x9;", '\t'}};
    QByteArray utf8;
    utf8.reserve(int(to - from));
    for (const char *c = from; c < to;) {
        if (*c != '&') {
            utf8 += *c++;
            continue;
        }
        bool known = false;
        for (const auto &e : escapes) {
            const size_t n = std::strlen(e.escape);
            if (size_t(to - c) >= n && std::memcmp(c, e.escape, n) == 0) {
                utf8 += e.c;
                c += n;
                known = true;
                break;
            }
        }
        if (!known) {
            return false;
        }
    }
    out = QString::fromUtf8(utf8);
    return XmlRules::isText(out);
}
