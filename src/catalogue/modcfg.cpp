#include "catalogue/modcfg.h"

#include "platform/pathcase.h"

#include <QDateTime>
#include <QDomDocument>
#include <QDomElement>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>
#include <QVector>

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

QString cfgPathFor(const QString &game)
{
    return QStringLiteral("./config/%1.xml").arg(game);
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

bool isRecordXmlText(const QString &id, const ModRecord &record)
{
    if (!isXmlText(id) || !isXmlText(record.info) || !isXmlText(record.time)) {
        return false;
    }
    for (const QList<FileItem> *items : {&record.replace, &record.add}) {
        for (const FileItem &item : *items) {
            if (!isXmlText(item.path)) {
                return false;
            }
        }
    }
    return true;
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

} // namespace

ModCfg::ModCfg(QObject *parent) : QObject(parent)
{
    m_gameName = QStringLiteral("HoneySelect");
    m_cfgPath = cfgPathFor(m_gameName);
    load();
}

ModCfg::~ModCfg() = default;

void ModCfg::setGame(const QString &game)
{
    m_gameName = game;
    m_cfgPath = cfgPathFor(m_gameName);
    m_mods.clear();
    m_installedCount.clear();
    m_installedFolded.clear();
    load();
}

bool ModCfg::load()
{
    QDomDocument doc;
    if (!readDocument(doc)) {
        return false;
    }
    const QDomElement root = doc.documentElement();
    for (QDomElement e = root.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        m_mods.insert(e.attribute(QStringLiteral("id")), readRecord(e));
    }
    rebuildIndex();
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
    QDomDocument doc;
    doc.appendChild(declaration(doc));
    doc.appendChild(doc.createElement(rootTagFor(m_gameName)));
    return writeDocument(doc);
}

bool ModCfg::addItem(const QString &id, const QString &path, bool replaced)
{
    if (!isXmlText(id) || !isXmlText(path)) {
        return false;
    }
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
    for (const RecordedFile &file : files) {
        if (isXmlText(file.path)) {
            recordable.append(file);
        }
    }
    const bool allRecordable = recordable.size() == files.size();
    if (recordable.isEmpty()) {
        return false;
    }
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
    const int flag = installed ? 1 : 0;
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
    for (auto it = changed.cbegin(); it != changed.cend(); ++it) {
        if (!isRecordXmlText(it.key(), it.value())) {
            return false;
        }
    }
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
    return PathCase::ignoresCase() ? m_installedFolded.value(path.toCaseFolded(), 0)
                                   : m_installedCount.value(path, 0);
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

bool ModCfg::writeDocument(const QDomDocument &doc) const
{
    // Written beside the old file and renamed over it, so that a crash or a
    // full disk leaves the previous catalogue whole.
    QSaveFile file(m_cfgPath);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    QTextStream out(&file);
    doc.save(out, kIndent, QDomNode::EncodingFromDocument);
    out.flush();
    if (out.status() != QTextStream::Ok) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
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
    // Both are counted: which one applies depends on the file system of the
    // game folder, which the next command may find different.
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
    add(m_installedFolded, path.toCaseFolded());
}

void ModCfg::rebuildIndex()
{
    m_installedCount.clear();
    m_installedFolded.clear();
    for (const ModRecord &record : qAsConst(m_mods)) {
        countRecord(record, 1);
    }
}
