#include "catalogue/modcfg.h"

#include "platform/contenthasher.h"
#include "platform/pathcase.h"

#include <QDateTime>
#include <QDomDocument>
#include <QDomElement>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QTextStream>
#include <QVector>

#include <algorithm>
#include <cstring>

namespace {

const int kIndent = 4;

// Root tag of a new catalogue whose game name cannot be a tag.
QString fallbackRootTag()
{
    return QStringLiteral("catalogue");
}

QDomProcessingInstruction declaration(QDomDocument &doc)
{
    return doc.createProcessingInstruction(QStringLiteral("xml"),
                                           QStringLiteral("version=\"1.0\" encoding=\"UTF-8\""));
}

// The XML 1.0 Char production: what a text or attribute may hold at all.
bool isXmlChar(uint c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

bool isXmlText(const QString &text)
{
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate()) {
            if (i + 1 >= text.size() || !text.at(i + 1).isLowSurrogate()) {
                return false;
            }
            ++i;
        } else if (c.isLowSurrogate() || !isXmlChar(c.unicode())) {
            return false;
        }
    }
    return true;
}

// Whether the record's notes and time pass `text` and every item's path
// passes `path`.
bool recordPasses(const ModRecord &record, bool (*text)(const QString &),
                  bool (*path)(const QString &))
{
    if (!text(record.info) || !text(record.time)) {
        return false;
    }
    for (const QList<FileItem> *items : {&record.replace, &record.add}) {
        for (const FileItem &item : *items) {
            if (!path(item.path)) {
                return false;
            }
        }
    }
    return true;
}

bool isRecordXmlText(const QString &id, const ModRecord &record)
{
    return isXmlText(id) && recordPasses(record, isXmlText, isXmlText);
}

// NameStartChar and NameChar of XML 1.0, fifth edition.
bool isNameStartChar(uint c)
{
    return c == ':' || (c >= 'A' && c <= 'Z') || c == '_' || (c >= 'a' && c <= 'z') ||
           (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
           (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) ||
           (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
           (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
           (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0xEFFFF);
}

bool isNameChar(uint c)
{
    return isNameStartChar(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7 ||
           (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

// Sets an element's whole text; an empty text leaves the element empty, so
// that it is written in the empty-element form.
void setElementText(QDomDocument &doc, QDomElement &element, const QString &text)
{
    while (element.hasChildNodes()) {
        element.removeChild(element.firstChild());
    }
    if (!text.isEmpty()) {
        element.appendChild(doc.createTextNode(text));
    }
}

QDomElement appendTextElement(QDomDocument &doc, QDomElement &parent, const QString &tag,
                              const QString &text)
{
    QDomElement element = doc.createElement(tag);
    setElementText(doc, element, text);
    parent.appendChild(element);
    return element;
}

QDomElement createItem(QDomDocument &doc, const FileItem &item)
{
    QDomElement element = doc.createElement(QStringLiteral("item"));
    element.setAttribute(QStringLiteral("order"), item.order);
    element.appendChild(doc.createTextNode(item.path));
    return element;
}

// The mod's `replace` or `add` element. A mod element written by hand may lack
// one; it is then added (`replace` before `add`), because an item appended to
// nothing would be silently missing from the file.
QDomElement listElement(QDomDocument &doc, QDomElement &mod, bool replaced)
{
    const QString tag = replaced ? QStringLiteral("replace") : QStringLiteral("add");
    QDomElement list = mod.firstChildElement(tag);
    if (list.isNull()) {
        list = doc.createElement(tag);
        const QDomElement add = mod.firstChildElement(QStringLiteral("add"));
        if (replaced && !add.isNull()) {
            mod.insertBefore(list, add);
        } else {
            mod.appendChild(list);
        }
    }
    return list;
}

QList<FileItem> readItems(const QDomElement &list)
{
    QList<FileItem> items;
    for (QDomElement e = list.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        FileItem item;
        item.order = e.attribute(QStringLiteral("order")).toInt();
        item.path = e.text();
        items.append(item);
    }
    return items;
}

ModRecord readRecord(const QDomElement &mod)
{
    ModRecord record;
    record.info = mod.firstChildElement(QStringLiteral("info")).text();
    record.time = mod.firstChildElement(QStringLiteral("time")).text();
    const QDomElement install = mod.firstChildElement(QStringLiteral("install"));
    record.install = install.isNull() ? 1 : install.text().toInt();
    record.replace = readItems(mod.firstChildElement(QStringLiteral("replace")));
    record.add = readItems(mod.firstChildElement(QStringLiteral("add")));
    return record;
}

// The writers' rule: the first child element of the root with this id.
QDomElement findMod(const QDomElement &root, const QString &id)
{
    for (QDomElement e = root.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (e.attribute(QStringLiteral("id")) == id) {
            return e;
        }
    }
    return QDomElement();
}

QDomElement createMod(QDomDocument &doc, const QString &id, const QString &info,
                      const QString &time, int install)
{
    QDomElement mod = doc.createElement(QStringLiteral("mod"));
    mod.setAttribute(QStringLiteral("id"), id);
    appendTextElement(doc, mod, QStringLiteral("info"), info);
    appendTextElement(doc, mod, QStringLiteral("time"), time);
    appendTextElement(doc, mod, QStringLiteral("install"), QString::number(install));
    appendTextElement(doc, mod, QStringLiteral("replace"), QString());
    appendTextElement(doc, mod, QStringLiteral("add"), QString());
    return mod;
}

void fillList(QDomDocument &doc, QDomElement &mod, bool replaced, const QList<FileItem> &items)
{
    QDomElement list = listElement(doc, mod, replaced);
    setElementText(doc, list, QString());
    for (const FileItem &item : items) {
        list.appendChild(createItem(doc, item));
    }
}

// ---- The writer's own layout, written and read without a document tree ----
//
// The layout is what saving the document tree at an indentation of 4 gives
// for a catalogue of complete mod elements: one element per line, texts
// escaped as the tree escapes them, empty elements in the empty-element form.

const char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

// Appends `text` in UTF-8 with the escapes the document tree writes: in a text
// `<`, `&`, the `>` of "]]>" and carriage returns; in an attribute value also
// `"`, tabs and line feeds, which a reader would otherwise turn into blanks.
void appendEscaped(QByteArray &out, const QString &text, bool attribute)
{
    const int start = out.size();
    out.resize(start + text.size() * 6);
    char *const begin = out.data();
    char *d = begin + start;
    const auto put = [&d](const char *s) {
        while (*s) {
            *d++ = *s++;
        }
    };
    const ushort *p = text.utf16();
    const int n = text.size();
    for (int i = 0; i < n; ++i) {
        const ushort c = p[i];
        if (c < 0x80) {
            switch (c) {
            case '<':
                put("&lt;");
                break;
            case '&':
                put("&amp;");
                break;
            case '"':
                attribute ? put("&quot;") : void(*d++ = '"');
                break;
            case '>':
                (d - begin >= 2 && d[-1] == ']' && d[-2] == ']') ? put("&gt;") : void(*d++ = '>');
                break;
            case '\r':
                put("&#xd;");
                break;
            case '\n':
                attribute ? put("&#xa;") : void(*d++ = '\n');
                break;
            case '\t':
                attribute ? put("&#x9;") : void(*d++ = '\t');
                break;
            default:
                *d++ = char(c);
            }
        } else if (c < 0x800) {
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
    out.resize(int(d - begin));
}

// Decimal, as QString::number writes it, without a string of its own.
void appendNumber(QByteArray &out, int value)
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

void appendTextElement(QByteArray &out, const char *indent, const char *tag, const QString &text)
{
    out += indent;
    out += '<';
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

void appendList(QByteArray &out, const char *tag, const QList<FileItem> &items)
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

void appendMod(QByteArray &out, const QString &id, const ModRecord &record)
{
    out += "    <mod id=\"";
    appendEscaped(out, id, true);
    out += "\">\n";
    appendTextElement(out, "        ", "info", record.info);
    appendTextElement(out, "        ", "time", record.time);
    appendTextElement(out, "        ", "install", QString::number(record.install));
    appendList(out, "replace", record.replace);
    appendList(out, "add", record.add);
    out += "    </mod>\n";
}

void appendHead(QByteArray &out, const QString &root, bool empty)
{
    out += kDeclaration;
    out += '<';
    appendEscaped(out, root, false);
    out += empty ? "/>\n" : ">\n";
}

void appendTail(QByteArray &out, const QString &root)
{
    out += "</";
    appendEscaped(out, root, false);
    out += ">\n";
}

// The document tree drops a text that is nothing but blanks, and writes an
// item whose path is empty differently on the call that creates it: texts
// like these are left to the tree, so that the file comes out as it always did.
bool survivesReading(const QString &text)
{
    return text.isEmpty() || !text.trimmed().isEmpty();
}

bool isLayoutPath(const QString &path)
{
    return !path.isEmpty() && survivesReading(path);
}

bool isLayoutRecord(const ModRecord &record)
{
    return recordPasses(record, survivesReading, isLayoutPath);
}

quint64 contentHash(const QByteArray &bytes)
{
    ContentHasher hasher;
    hasher.add(bytes.constData(), bytes.size());
    return hasher.digest();
}

// Large catalogues are written through a buffer of this size: a buffer of
// the whole file would be fresh memory, page by page, every time.
const int kPieceSize = 1 << 20;

// A new catalogue written beside the old one in pieces, hashed as it goes,
// and renamed over the old file on commit, so that a crash or a full disk
// leaves the previous catalogue whole.
class CatalogueWriter
{
public:
    explicit CatalogueWriter(const QString &path) : m_file(path)
    {
        m_ok = m_file.open(QIODevice::WriteOnly);
    }

    // Writes `bytes` out once it holds a piece's worth, and empties it.
    void flushPiece(QByteArray &bytes)
    {
        if (bytes.size() >= kPieceSize) {
            write(bytes);
        }
    }

    // Writes the rest and puts the file in place; false leaves the old one.
    bool commit(QByteArray &bytes, quint64 *hash)
    {
        write(bytes);
        // Flushed here: commit() does not see a failure of its own final
        // flush, and would put a cut-off catalogue in place.
        if (!m_ok || !m_file.flush()) {
            m_file.cancelWriting();
            return false;
        }
        *hash = m_hasher.digest();
        return m_file.commit();
    }

private:
    void write(QByteArray &bytes)
    {
        m_ok = m_ok && m_file.write(bytes) == bytes.size();
        m_hasher.add(bytes.constData(), bytes.size());
        // A reserved array keeps its memory when emptied.
        bytes.resize(0);
    }

    QSaveFile m_file;
    ContentHasher m_hasher;
    bool m_ok = false;
};

// Reads the writer's own layout, line by line as the writer lays it out.
// Every text is taken as the writer escapes it; anything else (another
// escape, a character XML does not allow, other elements or blanks) fails,
// and the document tree reads the file instead.
class LayoutReader
{
public:
    explicit LayoutReader(const QByteArray &bytes)
        : m_p(bytes.constData()), m_end(bytes.constData() + bytes.size())
    {
    }

    bool atEnd() const { return m_p == m_end; }

    bool literal(const char *text)
    {
        const size_t n = std::strlen(text);
        if (size_t(m_end - m_p) < n || std::memcmp(m_p, text, n) != 0) {
            return false;
        }
        m_p += n;
        return true;
    }

    // The text up to `stop` (`<` after a text, `"` after an attribute value).
    bool text(char stop, QString &out)
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

    // A decimal number up to the closing quote of an attribute.
    bool number(int &value)
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

    bool name(char stop, QString &out)
    {
        const char *q = static_cast<const char *>(std::memchr(m_p, stop, size_t(m_end - m_p)));
        if (!q) {
            return false;
        }
        out = QString::fromUtf8(QByteArray::fromRawData(m_p, int(q - m_p)));
        m_p = q;
        return true;
    }

private:
    static bool decode(const char *from, const char *to, QString &out)
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
        return isXmlText(out);
    }

    const char *m_p;
    const char *m_end;
};

// One element of text: empty form, or text between its tags.
bool readTextElement(LayoutReader &in, const char *emptyForm, const char *start, const char *end,
                     QString &text)
{
    if (in.literal(emptyForm)) {
        text.clear();
        return true;
    }
    return in.literal(start) && in.text('<', text) && !text.isEmpty() && survivesReading(text) &&
           in.literal(end);
}

bool readList(LayoutReader &in, const char *emptyForm, const char *start, const char *end,
              QList<FileItem> &items)
{
    if (in.literal(emptyForm)) {
        return true;
    }
    if (!in.literal(start)) {
        return false;
    }
    while (in.literal("            <item order=\"")) {
        FileItem item;
        if (!in.number(item.order)) {
            return false;
        }
        if (!in.literal("\"/>\n")) {
            if (!in.literal("\">") || !in.text('<', item.path) || item.path.isEmpty() ||
                !survivesReading(item.path) || !in.literal("</item>\n")) {
                return false;
            }
        }
        items.append(item);
    }
    return in.literal(end);
}

} // namespace

// One reading of the file: its records, and how later changes are written.
struct ModCfg::Snapshot
{
    QMap<QString, ModRecord> mods;
    QHash<QString, int> index; // installed items by path, as m_installedCount
    bool inLayout = false;
    QStringList order;
    QString rootTag;
    FileStamp stamp;
};

namespace {

// Reads a file in the writer's own layout; false for anything else, which the
// document tree then reads. Whatever is read is written back again and
// compared with the file, so that a file this reader accepts is one that the
// writer reproduces byte for byte.
bool readLayout(const QByteArray &bytes, QMap<QString, ModRecord> &mods, QStringList &order,
                QString &rootTag)
{
    LayoutReader in(bytes);
    if (!in.literal(kDeclaration) || !in.literal("<") || !in.name('>', rootTag)) {
        return false;
    }
    const bool emptyRoot = rootTag.endsWith(QLatin1Char('/'));
    if (emptyRoot) {
        rootTag.chop(1);
    }
    if (!ModCfg::isXmlName(rootTag) || !in.literal(">\n")) {
        return false;
    }
    if (!emptyRoot) {
        while (in.literal("    <mod id=\"")) {
            QString id;
            ModRecord record;
            QString install;
            if (!in.text('"', id) || !in.literal("\">\n") || mods.contains(id) ||
                !readTextElement(in, "        <info/>\n", "        <info>", "</info>\n",
                                 record.info) ||
                !readTextElement(in, "        <time/>\n", "        <time>", "</time>\n",
                                 record.time) ||
                !readTextElement(in, "        <install/>\n", "        <install>", "</install>\n",
                                 install) ||
                !readList(in, "        <replace/>\n", "        <replace>\n", "        </replace>\n",
                          record.replace) ||
                !readList(in, "        <add/>\n", "        <add>\n", "        </add>\n",
                          record.add) ||
                !in.literal("    </mod>\n")) {
                return false;
            }
            record.install = install.toInt();
            mods.insert(id, record);
            order.append(id);
        }
        // The closing tag is compared below, with the rest.
    }

    // Compared piece by piece, so that no second copy of the file is made.
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
    appendHead(piece, rootTag, order.isEmpty());
    if (!matches()) {
        return false;
    }
    for (const QString &id : qAsConst(order)) {
        appendMod(piece, id, mods.value(id));
        if (!matches()) {
            return false;
        }
    }
    if (!order.isEmpty()) {
        appendTail(piece, rootTag);
        if (!matches()) {
            return false;
        }
    }
    return offset == bytes.size();
}

} // namespace

ModCfg::ModCfg(QObject *parent) : ModCfg(QStringLiteral("./config"), parent) {}

ModCfg::ModCfg(const QString &configFolder, QObject *parent)
    : QObject(parent), m_configFolder(configFolder)
{
    m_gameName = QStringLiteral("HoneySelect");
    m_cfgPath = QStringLiteral("%1/%2.xml").arg(m_configFolder, m_gameName);
    load();
}

ModCfg::~ModCfg() = default;

void ModCfg::setGame(const QString &game)
{
    m_gameName = game;
    m_cfgPath = QStringLiteral("%1/%2.xml").arg(m_configFolder, m_gameName);
    m_mods.clear();
    m_installedCount.clear();
    m_foldedStale = true;
    load();
}

bool ModCfg::load()
{
    Snapshot snapshot;
    if (!readSnapshot(snapshot)) {
        leaveLayout();
        m_stamp = FileStamp();
        return false;
    }
    adopt(snapshot, m_mods.isEmpty());
    return true;
}

bool ModCfg::exists() const
{
    return QFile::exists(m_cfgPath);
}

bool ModCfg::create()
{
    if (QFileInfo(m_cfgPath).exists() || QFileInfo(m_cfgPath).isSymLink()) {
        return false;
    }
    const QString root = rootTagFor(m_gameName);
    QByteArray bytes;
    appendHead(bytes, root, true);
    if (!commitBytes(bytes)) {
        return false;
    }
    m_rootTag = root;
    m_layoutOrder.clear();
    m_inLayout = true;
    return true;
}

bool ModCfg::addItem(const QString &id, const QString &path, bool replaced)
{
    if (!isXmlText(id) || !isXmlText(path)) {
        return false;
    }
    if (!sync()) {
        return false;
    }
    if (m_inLayout && isLayoutPath(path)) {
        recordInLayout(id, path, replaced, m_layoutOrder.contains(id));
        return writeLayout(m_layoutOrder, QMap<QString, ModRecord>());
    }
    leaveLayout();
    QDomDocument doc;
    if (!readDocument(doc)) {
        return false;
    }
    QDomElement mod = findMod(doc.documentElement(), id);
    recordFile(doc, mod, id, path, replaced);
    return writeDocument(doc);
}

bool ModCfg::addItems(const QString &id, const QList<RecordedFile> &files)
{
    if (files.isEmpty()) {
        return true;
    }
    if (!isXmlText(id)) {
        return false;
    }
    // A path XML cannot hold fails alone, as its own addItem call would: the
    // other files are in the game all the same and must stay on record.
    QList<RecordedFile> recordable;
    recordable.reserve(files.size());
    bool layoutPaths = true;
    for (const RecordedFile &file : files) {
        if (isXmlText(file.path)) {
            recordable.append(file);
            layoutPaths = layoutPaths && isLayoutPath(file.path);
        }
    }
    const bool allRecordable = recordable.size() == files.size();
    if (recordable.isEmpty()) {
        return false;
    }
    if (!sync()) {
        return false;
    }
    if (m_inLayout && layoutPaths) {
        // The first file may create the mod; the rest then find it.
        bool inFile = m_layoutOrder.contains(id);
        for (const RecordedFile &file : qAsConst(recordable)) {
            recordInLayout(id, file.path, file.replaced, inFile);
            inFile = true;
        }
        return writeLayout(m_layoutOrder, QMap<QString, ModRecord>()) && allRecordable;
    }
    leaveLayout();
    QDomDocument doc;
    if (!readDocument(doc)) {
        return false;
    }
    // The first file may create the mod element; the rest then find it, just
    // as a sequence of addItem calls would find it in the rewritten file.
    QDomElement mod = findMod(doc.documentElement(), id);
    for (const RecordedFile &file : qAsConst(recordable)) {
        recordFile(doc, mod, id, file.path, file.replaced);
    }
    return writeDocument(doc) && allRecordable;
}

bool ModCfg::setInstall(const QString &id, bool installed)
{
    if (!sync()) {
        return false;
    }
    const int flag = installed ? 1 : 0;
    if (m_inLayout) {
        if (!m_layoutOrder.contains(id)) {
            return false;
        }
        ModRecord record = m_mods.value(id);
        record.install = flag;
        putRecord(id, record);
        return writeLayout(m_layoutOrder, QMap<QString, ModRecord>());
    }
    QDomDocument doc;
    if (!readDocument(doc)) {
        return false;
    }
    QDomElement mod = findMod(doc.documentElement(), id);
    if (mod.isNull()) {
        return false;
    }
    QDomElement install = mod.firstChildElement(QStringLiteral("install"));
    if (install.isNull()) {
        install = doc.createElement(QStringLiteral("install"));
        mod.appendChild(install);
    }
    setElementText(doc, install, QString::number(flag));

    ModRecord record = m_mods.contains(id) ? m_mods.value(id) : readRecord(mod);
    record.install = flag;
    putRecord(id, record);
    return writeDocument(doc);
}

bool ModCfg::setInfo(const QString &id, const QString &text)
{
    if (!isXmlText(text)) {
        return false;
    }
    if (!sync()) {
        return false;
    }
    if (m_inLayout && survivesReading(text)) {
        if (!m_layoutOrder.contains(id)) {
            return true;
        }
        const auto current = m_mods.constFind(id);
        if (current.value().info == text) {
            return true; // the file holds these notes already
        }
        ModRecord record = current.value();
        record.info = text;
        if (!writeLayout(m_layoutOrder, {{id, record}})) {
            return false;
        }
        m_mods[id].info = text;
        return true;
    }
    leaveLayout();
    QDomDocument doc;
    if (!readDocument(doc)) {
        return false;
    }
    QDomElement mod = findMod(doc.documentElement(), id);
    if (mod.isNull()) {
        return true;
    }
    QDomElement info = mod.firstChildElement(QStringLiteral("info"));
    if (info.isNull()) {
        // Without the element the notes would be lost at the next load.
        info = doc.createElement(QStringLiteral("info"));
        mod.insertBefore(info, QDomNode());
    }
    setElementText(doc, info, text);
    if (!writeDocument(doc)) {
        return false;
    }
    ensureRecord(id, mod).info = text;
    return true;
}

bool ModCfg::deleteMod(const QString &id)
{
    if (!sync()) {
        return false;
    }
    if (m_inLayout) {
        QStringList order = m_layoutOrder;
        if (order.removeAll(id) == 0) {
            return false;
        }
        if (!writeLayout(order, QMap<QString, ModRecord>())) {
            return false;
        }
        m_layoutOrder = order;
        dropRecord(id);
        return true;
    }
    QDomDocument doc;
    if (!readDocument(doc)) {
        return false;
    }
    QDomElement root = doc.documentElement();
    const QDomElement mod = findMod(root, id);
    if (mod.isNull()) {
        return false;
    }
    root.removeChild(mod);
    if (!writeDocument(doc)) {
        return false;
    }
    dropRecord(id);
    return true;
}

bool ModCfg::applyChanges(const QMap<QString, ModRecord> &changed, const QStringList &removed)
{
    bool layoutRecords = true;
    for (auto it = changed.cbegin(); it != changed.cend(); ++it) {
        if (!isRecordXmlText(it.key(), it.value())) {
            return false;
        }
        layoutRecords = layoutRecords && isLayoutRecord(it.value());
    }
    if (!sync()) {
        return false;
    }
    if (m_inLayout && layoutRecords) {
        return applyInLayout(changed, removed);
    }
    leaveLayout();
    QDomDocument doc;
    if (!readDocument(doc)) {
        return false;
    }
    QDomElement root = doc.documentElement();
    // One walk finds every mod the writers would find: the first with each id.
    QHash<QString, QDomElement> mods;
    for (QDomElement e = root.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        const QString id = e.attribute(QStringLiteral("id"));
        if (!mods.contains(id)) {
            mods.insert(id, e);
        }
    }

    for (auto it = changed.cbegin(); it != changed.cend(); ++it) {
        const ModRecord &record = it.value();
        QDomElement mod = mods.value(it.key());
        if (mod.isNull()) {
            mod = createMod(doc, it.key(), record.info, record.time, record.install);
            root.appendChild(mod);
            mods.insert(it.key(), mod);
        } else {
            QDomElement install = mod.firstChildElement(QStringLiteral("install"));
            if (install.isNull()) {
                install = doc.createElement(QStringLiteral("install"));
                mod.appendChild(install);
            }
            setElementText(doc, install, QString::number(record.install));
        }
        fillList(doc, mod, true, record.replace);
        fillList(doc, mod, false, record.add);
    }
    for (const QString &id : removed) {
        const QDomElement mod = mods.take(id);
        if (!mod.isNull()) {
            root.removeChild(mod);
        }
    }

    if (!writeDocument(doc)) {
        return false;
    }

    for (auto it = changed.cbegin(); it != changed.cend(); ++it) {
        const QDomElement mod = mods.value(it.key());
        if (mod.isNull()) {
            continue; // removed in the same call
        }
        ModRecord record = it.value();
        record.info = mod.firstChildElement(QStringLiteral("info")).text();
        record.time = mod.firstChildElement(QStringLiteral("time")).text();
        putRecord(it.key(), record);
    }
    for (const QString &id : removed) {
        dropRecord(id);
    }
    return true;
}

int ModCfg::installedItemCount(const QString &path) const
{
    if (!PathCase::ignoresCase()) {
        return m_installedCount.value(path, 0);
    }
    if (m_foldedStale) {
        m_installedFolded.clear();
        for (auto it = m_installedCount.cbegin(); it != m_installedCount.cend(); ++it) {
            m_installedFolded[it.key().toCaseFolded()] += it.value();
        }
        m_foldedStale = false;
    }
    return m_installedFolded.value(path.toCaseFolded(), 0);
}

bool ModCfg::isXmlName(const QString &name)
{
    const QVector<uint> chars = name.toUcs4();
    if (chars.isEmpty() || !isXmlText(name) || !isNameStartChar(chars.first())) {
        return false;
    }
    for (uint c : chars) {
        if (!isNameChar(c)) {
            return false;
        }
    }
    // The reader predates the fifth edition's name rule and refuses some names
    // that the rule allows; a root tag must also pass the reader.
    QDomDocument probe;
    if (!probe.setContent(QStringLiteral("<%1/>").arg(name))) {
        return false;
    }
    return probe.documentElement().tagName() == name;
}

QString ModCfg::rootTagFor(const QString &game)
{
    return isXmlName(game) ? game : fallbackRootTag();
}

bool ModCfg::readDocument(QDomDocument &doc) const
{
    QFile file(m_cfgPath);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    if (!doc.setContent(&file) || doc.documentElement().isNull()) {
        return false;
    }
    // The parser hands the declaration back rebuilt with single quotes, or with
    // whatever encoding a hand edit gave it; every write uses the one form.
    const QDomNode first = doc.firstChild();
    if (first.isProcessingInstruction() && first.nodeName() == QLatin1String("xml")) {
        doc.replaceChild(declaration(doc), first);
    } else {
        doc.insertBefore(declaration(doc), first);
    }
    return true;
}

bool ModCfg::writeDocument(const QDomDocument &doc)
{
    QByteArray bytes;
    {
        QTextStream out(&bytes, QIODevice::WriteOnly);
        doc.save(out, kIndent, QDomNode::EncodingFromDocument);
        out.flush();
        if (out.status() != QTextStream::Ok) {
            return false;
        }
    }
    return commitBytes(bytes);
}

bool ModCfg::commitBytes(QByteArray &bytes)
{
    CatalogueWriter writer(m_cfgPath);
    quint64 hash = 0;
    if (!writer.commit(bytes, &hash)) {
        return false;
    }
    stampWritten(hash);
    return true;
}

void ModCfg::stampWritten(quint64 hash)
{
    m_stamp = stampOf(m_cfgPath);
    m_stamp.hash = hash;
}

// Writes the mods `order` names in the writer's layout, each from `overrides`
// or else from memory. A failed write leaves memory as the caller made it and
// the file as it was: the next change then edits the file's own document.
bool ModCfg::writeLayout(const QStringList &order, const QMap<QString, ModRecord> &overrides)
{
    CatalogueWriter writer(m_cfgPath);
    QByteArray bytes;
    bytes.reserve(2 * kPieceSize);
    appendHead(bytes, m_rootTag, order.isEmpty());
    const ModRecord none;
    for (const QString &id : order) {
        const ModRecord *record = &none;
        const auto given = overrides.constFind(id);
        const auto kept = m_mods.constFind(id);
        if (given != overrides.cend()) {
            record = &given.value();
        } else if (kept != m_mods.cend()) {
            record = &kept.value();
        }
        appendMod(bytes, id, *record);
        writer.flushPiece(bytes);
    }
    if (!order.isEmpty()) {
        appendTail(bytes, m_rootTag);
    }
    quint64 hash = 0;
    if (!writer.commit(bytes, &hash)) {
        leaveLayout();
        return false;
    }
    stampWritten(hash);
    return true;
}

void ModCfg::leaveLayout()
{
    m_inLayout = false;
    m_layoutOrder.clear();
}

// One addItem step in the writer's layout; `inFile` tells whether the file
// has a mod element with this id.
void ModCfg::recordInLayout(const QString &id, const QString &path, bool replaced, bool inFile)
{
    FileItem item;
    item.path = path;
    const auto known = m_installedCount.constFind(path);
    if (known != m_installedCount.cend()) {
        item.path = known.key(); // one text for the records and the index
    }
    if (!inFile) {
        dropRecord(id);
        item.order = installedItemCount(path) + 1;
        ModRecord record;
        record.time = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-M-d hh:mm:ss"));
        record.install = 1;
        (replaced ? record.replace : record.add).append(item);
        putRecord(id, record);
        m_layoutOrder.append(id);
        return;
    }
    ModRecord &record = m_mods[id];
    item.order = installedItemCount(path) + 1;
    (replaced ? record.replace : record.add).append(item);
    if (record.install != 0) {
        countPath(item.path, 1);
    }
}

bool ModCfg::applyInLayout(const QMap<QString, ModRecord> &changed, const QStringList &removed)
{
    QStringList order = m_layoutOrder;
    for (const QString &id : removed) {
        order.removeAll(id);
    }
    QMap<QString, ModRecord> written;
    for (auto it = changed.cbegin(); it != changed.cend(); ++it) {
        if (removed.contains(it.key())) {
            continue;
        }
        ModRecord record = it.value();
        const auto current = m_mods.constFind(it.key());
        if (m_layoutOrder.contains(it.key()) && current != m_mods.cend()) {
            // Notes and time stay as the file has them.
            record.info = current.value().info;
            record.time = current.value().time;
        } else {
            order.append(it.key());
        }
        written.insert(it.key(), record);
    }
    if (!writeLayout(order, written)) {
        return false;
    }
    m_layoutOrder = order;
    for (auto it = written.cbegin(); it != written.cend(); ++it) {
        putRecord(it.key(), it.value());
    }
    for (const QString &id : removed) {
        dropRecord(id);
    }
    return true;
}

bool ModCfg::FileStamp::timesTooRecent() const
{
    const qint64 clockSlackMs = 2500;
    return std::max(modified, changed) >= takenAt - clockSlackMs;
}

ModCfg::FileStamp ModCfg::stampOf(const QString &path)
{
    const QFileInfo info(path);
    FileStamp stamp;
    stamp.takenAt = QDateTime::currentMSecsSinceEpoch();
    stamp.valid = info.isFile();
    stamp.size = info.size();
    stamp.modified = info.lastModified().toMSecsSinceEpoch();
    stamp.changed = info.metadataChangeTime().toMSecsSinceEpoch();
    return stamp;
}

bool ModCfg::unchangedOnDisk() const
{
    const FileStamp now = stampOf(m_cfgPath);
    if (!now.valid || now.size != m_stamp.size || now.modified != m_stamp.modified ||
        now.changed != m_stamp.changed) {
        return false;
    }
    // Another write close to the stamp can leave the same times and size;
    // only the content tells then.
    quint64 hash = 0;
    return !m_stamp.timesTooRecent() ||
           (ContentHasher::hashFile(m_cfgPath, &hash) && hash == m_stamp.hash);
}

// Brings the records and the way of writing up to date with the file: read
// again, records included, when it is not the file last read or written here.
bool ModCfg::sync()
{
    if (m_stamp.valid && unchangedOnDisk()) {
        return true;
    }
    Snapshot snapshot;
    if (!readSnapshot(snapshot)) {
        return false;
    }
    adopt(snapshot, true);
    return true;
}

bool ModCfg::readSnapshot(Snapshot &snapshot) const
{
    // Stamped before reading: a change made meanwhile shows at the next check.
    FileStamp stamp = stampOf(m_cfgPath);
    QFile file(m_cfgPath);
    if (!stamp.valid || !file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFile::NoError) {
        return false;
    }
    file.close();
    if (stamp.timesTooRecent()) {
        stamp.hash = contentHash(bytes);
    }

    snapshot.inLayout = readLayout(bytes, snapshot.mods, snapshot.order, snapshot.rootTag);
    if (!snapshot.inLayout) {
        snapshot.mods.clear();
        snapshot.order.clear();
        QDomDocument doc;
        if (!doc.setContent(bytes) || doc.documentElement().isNull()) {
            return false;
        }
        const QDomElement root = doc.documentElement();
        snapshot.rootTag = root.tagName();
        for (QDomElement e = root.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
            snapshot.mods.insert(e.attribute(QStringLiteral("id")), readRecord(e));
        }
    }
    // The index, sharing one text per path between it and the records.
    int installedItems = 0;
    for (const ModRecord &record : qAsConst(snapshot.mods)) {
        installedItems += record.install != 0 ? record.add.size() + record.replace.size() : 0;
    }
    snapshot.index.reserve(installedItems);
    for (auto it = snapshot.mods.begin(); it != snapshot.mods.end(); ++it) {
        ModRecord &record = it.value();
        if (record.install == 0) {
            continue;
        }
        for (QList<FileItem> *items : {&record.add, &record.replace}) {
            for (FileItem &item : *items) {
                if (snapshot.index[item.path]++ != 0) {
                    item.path = snapshot.index.find(item.path).key();
                }
            }
        }
    }
    snapshot.stamp = stamp;
    return true;
}

void ModCfg::adopt(Snapshot &snapshot, bool replaceRecords)
{
    if (replaceRecords) {
        m_mods = std::move(snapshot.mods);
        m_installedCount = std::move(snapshot.index);
        m_foldedStale = true;
    } else {
        for (auto it = snapshot.mods.cbegin(); it != snapshot.mods.cend(); ++it) {
            m_mods.insert(it.key(), it.value());
        }
        rebuildIndex();
    }
    m_inLayout = snapshot.inLayout;
    m_layoutOrder = snapshot.order;
    m_rootTag = snapshot.rootTag;
    m_stamp = snapshot.stamp;
}

// One addItem step on an already parsed document: appends the item to the
// mod's element (creating the element when `mod` is null) and to memory.
void ModCfg::recordFile(QDomDocument &doc, QDomElement &mod, const QString &id, const QString &path,
                        bool replaced)
{
    FileItem item;
    item.path = path;
    if (mod.isNull()) {
        // A record left in memory by an earlier failed write is replaced: the
        // new mod does not count itself.
        dropRecord(id);
        item.order = installedItemCount(path) + 1;
        ModRecord record;
        record.time = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-M-d hh:mm:ss"));
        record.install = 1;
        (replaced ? record.replace : record.add).append(item);
        mod = createMod(doc, id, record.info, record.time, record.install);
        listElement(doc, mod, replaced).appendChild(createItem(doc, item));
        doc.documentElement().appendChild(mod);
        putRecord(id, record);
        return;
    }
    ModRecord &record = ensureRecord(id, mod);
    item.order = installedItemCount(path) + 1;
    listElement(doc, mod, replaced).appendChild(createItem(doc, item));
    (replaced ? record.replace : record.add).append(item);
    if (record.install != 0) {
        countPath(path, 1);
    }
}

// The record in memory for a mod element of the file; read from the element
// when memory has none (after a failed load), so that it matches the file
// instead of starting as an empty, uninstalled record.
ModRecord &ModCfg::ensureRecord(const QString &id, const QDomElement &mod)
{
    if (!m_mods.contains(id)) {
        putRecord(id, readRecord(mod));
    }
    return m_mods[id];
}

void ModCfg::putRecord(const QString &id, const ModRecord &record)
{
    dropRecord(id);
    m_mods.insert(id, record);
    countRecord(record, 1);
}

void ModCfg::dropRecord(const QString &id)
{
    const auto it = m_mods.constFind(id);
    if (it == m_mods.cend()) {
        return;
    }
    countRecord(it.value(), -1);
    m_mods.remove(id);
}

void ModCfg::countRecord(const ModRecord &record, int sign)
{
    if (record.install == 0) {
        return;
    }
    for (const QList<FileItem> *items : {&record.add, &record.replace}) {
        for (const FileItem &item : *items) {
            countPath(item.path, sign);
        }
    }
}

void ModCfg::countPath(const QString &path, int sign)
{
    // Which count applies depends on the file system of the game folder,
    // which the next command may find different.
    const auto add = [sign](QHash<QString, int> &index, const QString &key) {
        auto it = index.find(key);
        if (it == index.end()) {
            it = index.insert(key, 0);
        }
        *it += sign;
        if (*it == 0) {
            index.erase(it);
        }
    };
    add(m_installedCount, path);
    if (!m_foldedStale) {
        add(m_installedFolded, path.toCaseFolded());
    }
}

void ModCfg::rebuildIndex()
{
    m_installedCount.clear();
    m_foldedStale = true;
    for (const ModRecord &record : qAsConst(m_mods)) {
        countRecord(record, 1);
    }
}
