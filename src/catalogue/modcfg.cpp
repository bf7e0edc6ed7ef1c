#include "catalogue/modcfg.h"

#include "catalogue/canonicalwriter.h"
#include "catalogue/cataloguedocument.h"
#include "catalogue/cataloguesnapshot.h"
#include "catalogue/cataloguewriter.h"
#include "catalogue/xmlrules.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

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
    m_index.clear();
    load();
}

bool ModCfg::load()
{
    CatalogueSnapshot snapshot;
    if (!snapshot.read(m_cfgPath)) {
        leaveCanonical();
        m_file.forget();
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
    beginChange();
    if (QFileInfo(m_cfgPath).exists() || QFileInfo(m_cfgPath).isSymLink()) {
        return fail(CatalogueChange::FileExists, m_cfgPath);
    }
    const QString root = rootTagFor(m_gameName);
    QByteArray bytes;
    CanonicalWriter::appendHead(bytes, root, true);
    if (!commitBytes(bytes)) {
        return false;
    }
    m_rootTag = root;
    m_canonicalOrder.clear();
    m_canonical = true;
    return true;
}

bool ModCfg::addItem(const QString &id, const QString &path, bool replaced)
{
    RecordedFile file;
    file.path = path;
    file.replaced = replaced;
    return addItems(id, {file});
}

bool ModCfg::addItems(const QString &id, const QList<RecordedFile> &files)
{
    beginChange();
    if (files.isEmpty()) {
        return true;
    }
    if (!XmlRules::isText(id)) {
        return fail(CatalogueChange::NotXmlText, id);
    }
    // A path XML cannot hold fails alone, as its own addItem call would: the
    // other files are in the game all the same and must stay on record.
    QList<RecordedFile> recordable;
    recordable.reserve(files.size());
    bool carried = true;
    for (const RecordedFile &file : files) {
        if (XmlRules::isText(file.path)) {
            recordable.append(file);
            carried = carried && CanonicalWriter::carriesPath(file.path);
        }
    }
    if (recordable.isEmpty()) {
        return fail(CatalogueChange::NotXmlText, files.constFirst().path);
    }
    if (!reloadIfChanged()) {
        return false;
    }
    const bool written = m_canonical && carried ? addItemsCanonical(id, recordable)
                                                : addItemsInDocument(id, recordable);
    if (written && recordable.size() != files.size()) {
        for (const RecordedFile &file : files) {
            if (!XmlRules::isText(file.path)) {
                return fail(CatalogueChange::NotXmlText, file.path);
            }
        }
    }
    return written;
}

bool ModCfg::setInstall(const QString &id, bool installed)
{
    beginChange();
    if (!reloadIfChanged()) {
        return false;
    }
    const int flag = installed ? 1 : 0;
    return m_canonical ? setInstallCanonical(id, flag) : setInstallInDocument(id, flag);
}

bool ModCfg::setInfo(const QString &id, const QString &text)
{
    beginChange();
    if (!XmlRules::isText(text)) {
        return fail(CatalogueChange::NotXmlText, text);
    }
    if (!reloadIfChanged()) {
        return false;
    }
    if (m_canonical && CanonicalWriter::carries(text)) {
        return setInfoCanonical(id, text);
    }
    leaveCanonical();
    return setInfoInDocument(id, text);
}

bool ModCfg::deleteMod(const QString &id)
{
    beginChange();
    if (!reloadIfChanged()) {
        return false;
    }
    return m_canonical ? deleteModCanonical(id) : deleteModInDocument(id);
}

bool ModCfg::applyChanges(const QMap<QString, ModRecord> &changed, const QStringList &removed)
{
    beginChange();
    bool carried = true;
    for (auto it = changed.cbegin(); it != changed.cend(); ++it) {
        if (!XmlRules::isRecordText(it.key(), it.value())) {
            return fail(CatalogueChange::NotXmlText, it.key());
        }
        carried = carried && CanonicalWriter::carriesRecord(it.value());
    }
    if (!reloadIfChanged()) {
        return false;
    }
    if (m_canonical && carried) {
        return applyCanonical(changed, removed);
    }
    leaveCanonical();
    return applyInDocument(changed, removed);
}

int ModCfg::installedItemCount(const QString &path) const
{
    return m_index.count(path);
}

bool ModCfg::isXmlName(const QString &name)
{
    return XmlRules::isName(name);
}

QString ModCfg::rootTagFor(const QString &game)
{
    // A game name that cannot be a tag gets a neutral one.
    return isXmlName(game) ? game : QStringLiteral("catalogue");
}

bool ModCfg::reloadIfChanged()
{
    if (m_file.unchanged(m_cfgPath)) {
        return true;
    }
    CatalogueSnapshot snapshot;
    if (!snapshot.read(m_cfgPath)) {
        return fail(CatalogueChange::Unreadable, m_cfgPath);
    }
    adopt(snapshot, true);
    return true;
}

void ModCfg::adopt(CatalogueSnapshot &snapshot, bool replaceRecords)
{
    if (replaceRecords) {
        m_mods = std::move(snapshot.mods);
        m_index.adopt(std::move(snapshot.index));
    } else {
        for (auto it = snapshot.mods.cbegin(); it != snapshot.mods.cend(); ++it) {
            m_mods.insert(it.key(), it.value());
        }
        m_index.rebuild(m_mods);
    }
    m_canonical = snapshot.canonical;
    m_canonicalOrder = snapshot.order;
    m_rootTag = snapshot.rootTag;
    m_file.adopt(snapshot.stamp);
}

bool ModCfg::commitBytes(QByteArray &bytes)
{
    return m_file.commit(m_cfgPath, bytes) || fail(CatalogueChange::NotWritten, m_cfgPath);
}

bool ModCfg::fail(CatalogueChange code, const QString &detail)
{
    m_lastChange = CatalogueOutcome(code, detail);
    return false;
}

// ---- Changes written from memory, in the canonical text ----

// Writes the mods `order` names, each from `overrides` or else from memory. A
// failed write leaves memory as the caller made it and the file as it was:
// the next change then edits the file's own document.
bool ModCfg::writeCanonical(const QStringList &order, const QMap<QString, ModRecord> &overrides)
{
    CatalogueWriter writer(m_cfgPath);
    QByteArray bytes;
    bytes.reserve(2 * CatalogueWriter::kPieceSize);
    CanonicalWriter::appendHead(bytes, m_rootTag, order.isEmpty());
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
        CanonicalWriter::appendMod(bytes, id, *record);
        writer.flushPiece(bytes);
    }
    if (!order.isEmpty()) {
        CanonicalWriter::appendTail(bytes, m_rootTag);
    }
    quint64 hash = 0;
    if (!writer.commit(bytes, &hash)) {
        leaveCanonical();
        return fail(CatalogueChange::NotWritten, m_cfgPath);
    }
    m_file.stampWritten(m_cfgPath, hash);
    return true;
}

void ModCfg::leaveCanonical()
{
    m_canonical = false;
    m_canonicalOrder.clear();
}

// One addItem step; `inFile` tells whether the file has a mod element with
// this id.
void ModCfg::recordCanonical(const QString &id, const QString &path, bool replaced, bool inFile)
{
    FileItem item;
    item.path = m_index.sharedText(path); // one text for the records and the index
    if (!inFile) {
        dropRecord(id);
        item.order = installedItemCount(path) + 1;
        putRecord(id, firstRecord(item, replaced));
        m_canonicalOrder.append(id);
        return;
    }
    ModRecord &record = m_mods[id];
    item.order = installedItemCount(path) + 1;
    (replaced ? record.replace : record.add).append(item);
    if (record.install != 0) {
        m_index.addPath(item.path);
    }
}

bool ModCfg::addItemsCanonical(const QString &id, const QList<RecordedFile> &files)
{
    // The first file may create the mod; the rest then find it.
    bool inFile = m_canonicalOrder.contains(id);
    for (const RecordedFile &file : files) {
        recordCanonical(id, file.path, file.replaced, inFile);
        inFile = true;
    }
    return writeCanonical(m_canonicalOrder, QMap<QString, ModRecord>());
}

bool ModCfg::setInstallCanonical(const QString &id, int flag)
{
    if (!m_canonicalOrder.contains(id)) {
        return fail(CatalogueChange::UnknownMod, id);
    }
    ModRecord record = m_mods.value(id);
    record.install = flag;
    putRecord(id, record);
    return writeCanonical(m_canonicalOrder, QMap<QString, ModRecord>());
}

bool ModCfg::setInfoCanonical(const QString &id, const QString &text)
{
    if (!m_canonicalOrder.contains(id)) {
        return !fail(CatalogueChange::UnknownMod, id); // nothing to change is no failure here
    }
    const auto current = m_mods.constFind(id);
    if (current.value().info == text) {
        return true; // the file holds these notes already
    }
    ModRecord record = current.value();
    record.info = text;
    if (!writeCanonical(m_canonicalOrder, {{id, record}})) {
        return false;
    }
    m_mods[id].info = text;
    return true;
}

bool ModCfg::deleteModCanonical(const QString &id)
{
    QStringList order = m_canonicalOrder;
    if (order.removeAll(id) == 0) {
        return fail(CatalogueChange::UnknownMod, id);
    }
    if (!writeCanonical(order, QMap<QString, ModRecord>())) {
        return false;
    }
    m_canonicalOrder = order;
    dropRecord(id);
    return true;
}

bool ModCfg::applyCanonical(const QMap<QString, ModRecord> &changed, const QStringList &removed)
{
    QStringList order = m_canonicalOrder;
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
        if (m_canonicalOrder.contains(it.key()) && current != m_mods.cend()) {
            // Notes and time stay as the file has them.
            record.info = current.value().info;
            record.time = current.value().time;
        } else {
            order.append(it.key());
        }
        written.insert(it.key(), record);
    }
    if (!writeCanonical(order, written)) {
        return false;
    }
    m_canonicalOrder = order;
    for (auto it = written.cbegin(); it != written.cend(); ++it) {
        putRecord(it.key(), it.value());
    }
    for (const QString &id : removed) {
        dropRecord(id);
    }
    return true;
}

// ---- The same changes made to the document tree of any other file ----

bool ModCfg::addItemsInDocument(const QString &id, const QList<RecordedFile> &files)
{
    CatalogueDocument doc;
    if (!doc.read(m_cfgPath)) {
        return fail(CatalogueChange::Unreadable, m_cfgPath);
    }
    // The first file may create the mod element; the rest then find it, just
    // as a sequence of addItem calls would find it in the rewritten file.
    QDomElement mod = doc.findMod(id);
    for (const RecordedFile &file : files) {
        recordFile(doc, mod, id, file.path, file.replaced);
    }
    return writeDocument(doc);
}

bool ModCfg::setInstallInDocument(const QString &id, int flag)
{
    CatalogueDocument doc;
    if (!doc.read(m_cfgPath)) {
        return fail(CatalogueChange::Unreadable, m_cfgPath);
    }
    QDomElement mod = doc.findMod(id);
    if (mod.isNull()) {
        return fail(CatalogueChange::UnknownMod, id);
    }
    doc.setInstall(mod, flag);
    ModRecord record = m_mods.contains(id) ? m_mods.value(id) : CatalogueDocument::readRecord(mod);
    record.install = flag;
    putRecord(id, record);
    return writeDocument(doc);
}

bool ModCfg::setInfoInDocument(const QString &id, const QString &text)
{
    CatalogueDocument doc;
    if (!doc.read(m_cfgPath)) {
        return fail(CatalogueChange::Unreadable, m_cfgPath);
    }
    QDomElement mod = doc.findMod(id);
    if (mod.isNull()) {
        return !fail(CatalogueChange::UnknownMod, id); // nothing to change is no failure here
    }
    doc.setInfo(mod, text);
    if (!writeDocument(doc)) {
        return false;
    }
    ensureRecord(id, mod).info = text;
    return true;
}

bool ModCfg::deleteModInDocument(const QString &id)
{
    CatalogueDocument doc;
    if (!doc.read(m_cfgPath)) {
        return fail(CatalogueChange::Unreadable, m_cfgPath);
    }
    const QDomElement mod = doc.findMod(id);
    if (mod.isNull()) {
        return fail(CatalogueChange::UnknownMod, id);
    }
    doc.root().removeChild(mod);
    if (!writeDocument(doc)) {
        return false;
    }
    dropRecord(id);
    return true;
}

bool ModCfg::applyInDocument(const QMap<QString, ModRecord> &changed, const QStringList &removed)
{
    CatalogueDocument doc;
    if (!doc.read(m_cfgPath)) {
        return fail(CatalogueChange::Unreadable, m_cfgPath);
    }
    // One walk finds every mod the writers would find: the first with each id.
    QHash<QString, QDomElement> mods = doc.firstMods();
    editDocument(doc, mods, changed, removed);
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

// applyChanges on the tree: `mods` holds the first element of each id and
// follows the mods added and removed.
void ModCfg::editDocument(CatalogueDocument &doc, QHash<QString, QDomElement> &mods,
                          const QMap<QString, ModRecord> &changed, const QStringList &removed)
{
    for (auto it = changed.cbegin(); it != changed.cend(); ++it) {
        const ModRecord &record = it.value();
        QDomElement mod = mods.value(it.key());
        if (mod.isNull()) {
            mod = doc.appendMod(it.key(), record.info, record.time, record.install);
            mods.insert(it.key(), mod);
        } else {
            doc.setInstall(mod, record.install);
        }
        doc.fillList(mod, true, record.replace);
        doc.fillList(mod, false, record.add);
    }
    for (const QString &id : removed) {
        const QDomElement mod = mods.take(id);
        if (!mod.isNull()) {
            doc.root().removeChild(mod);
        }
    }
}

bool ModCfg::writeDocument(const CatalogueDocument &doc)
{
    QByteArray bytes;
    if (!doc.save(bytes)) {
        return fail(CatalogueChange::NotWritten, m_cfgPath);
    }
    return commitBytes(bytes);
}

// One addItem step on an already parsed document: appends the item to the
// mod's element (creating the element when `mod` is null) and to memory.
void ModCfg::recordFile(CatalogueDocument &doc, QDomElement &mod, const QString &id,
                        const QString &path, bool replaced)
{
    FileItem item;
    item.path = path;
    if (mod.isNull()) {
        // A record left in memory by an earlier failed write is replaced: the
        // new mod does not count itself.
        dropRecord(id);
        item.order = installedItemCount(path) + 1;
        const ModRecord record = firstRecord(item, replaced);
        mod = doc.appendMod(id, record.info, record.time, record.install);
        doc.appendItem(mod, replaced, item);
        putRecord(id, record);
        return;
    }
    ModRecord &record = ensureRecord(id, mod);
    item.order = installedItemCount(path) + 1;
    doc.appendItem(mod, replaced, item);
    (replaced ? record.replace : record.add).append(item);
    if (record.install != 0) {
        m_index.addPath(path);
    }
}

// The record in memory for a mod element of the file; read from the element
// when memory has none (after a failed load), so that it matches the file
// instead of starting as an empty, uninstalled record.
ModRecord &ModCfg::ensureRecord(const QString &id, const QDomElement &mod)
{
    if (!m_mods.contains(id)) {
        putRecord(id, CatalogueDocument::readRecord(mod));
    }
    return m_mods[id];
}

ModRecord ModCfg::firstRecord(const FileItem &item, bool replaced)
{
    ModRecord record;
    record.time = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-M-d hh:mm:ss"));
    record.install = 1;
    (replaced ? record.replace : record.add).append(item);
    return record;
}

void ModCfg::putRecord(const QString &id, const ModRecord &record)
{
    dropRecord(id);
    m_mods.insert(id, record);
    m_index.addRecord(record);
}

void ModCfg::dropRecord(const QString &id)
{
    const auto it = m_mods.constFind(id);
    if (it == m_mods.cend()) {
        return;
    }
    m_index.removeRecord(it.value());
    m_mods.remove(id);
}
