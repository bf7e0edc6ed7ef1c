#include "catalogue/cataloguedocument.h"

#include <QFile>
#include <QTextStream>

namespace {

const int kIndent = 4;

QDomProcessingInstruction declaration(QDomDocument &doc)
{
    return doc.createProcessingInstruction(QStringLiteral("xml"),
                                           QStringLiteral("version=\"1.0\" encoding=\"UTF-8\""));
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

} // namespace

bool CatalogueDocument::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    if (!m_doc.setContent(&file) || m_doc.documentElement().isNull()) {
        return false;
    }
    // The parser hands the declaration back rebuilt with single quotes, or with
    // whatever encoding a hand edit gave it; every write uses the one form.
    const QDomNode first = m_doc.firstChild();
    if (first.isProcessingInstruction() && first.nodeName() == QLatin1String("xml")) {
        m_doc.replaceChild(declaration(m_doc), first);
    } else {
        m_doc.insertBefore(declaration(m_doc), first);
    }
    return true;
}

bool CatalogueDocument::save(QByteArray &bytes) const
{
    QTextStream out(&bytes, QIODevice::WriteOnly);
    m_doc.save(out, kIndent, QDomNode::EncodingFromDocument);
    out.flush();
    return out.status() == QTextStream::Ok;
}

// The writers' rule: the first child element of the root with this id.
QDomElement CatalogueDocument::findMod(const QString &id) const
{
    for (QDomElement e = root().firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (e.attribute(QStringLiteral("id")) == id) {
            return e;
        }
    }
    return QDomElement();
}

QHash<QString, QDomElement> CatalogueDocument::firstMods() const
{
    QHash<QString, QDomElement> mods;
    for (QDomElement e = root().firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        const QString id = e.attribute(QStringLiteral("id"));
        if (!mods.contains(id)) {
            mods.insert(id, e);
        }
    }
    return mods;
}

QDomElement CatalogueDocument::appendMod(const QString &id, const QString &info,
                                         const QString &time, int install)
{
    QDomElement mod = m_doc.createElement(QStringLiteral("mod"));
    mod.setAttribute(QStringLiteral("id"), id);
    for (const auto &child :
         {qMakePair(QStringLiteral("info"), info), qMakePair(QStringLiteral("time"), time),
          qMakePair(QStringLiteral("install"), QString::number(install)),
          qMakePair(QStringLiteral("replace"), QString()),
          qMakePair(QStringLiteral("add"), QString())}) {
        QDomElement element = m_doc.createElement(child.first);
        setElementText(element, child.second);
        mod.appendChild(element);
    }
    m_doc.documentElement().appendChild(mod);
    return mod;
}

void CatalogueDocument::appendItem(QDomElement &mod, bool replaced, const FileItem &item)
{
    listElement(mod, replaced).appendChild(createItem(item));
}

void CatalogueDocument::fillList(QDomElement &mod, bool replaced, const QList<FileItem> &items)
{
    QDomElement list = listElement(mod, replaced);
    setElementText(list, QString());
    for (const FileItem &item : items) {
        list.appendChild(createItem(item));
    }
}

void CatalogueDocument::setInstall(QDomElement &mod, int install)
{
    QDomElement element = mod.firstChildElement(QStringLiteral("install"));
    if (element.isNull()) {
        element = m_doc.createElement(QStringLiteral("install"));
        mod.appendChild(element);
    }
    setElementText(element, QString::number(install));
}

void CatalogueDocument::setInfo(QDomElement &mod, const QString &text)
{
    QDomElement info = mod.firstChildElement(QStringLiteral("info"));
    if (info.isNull()) {
        // Without the element the notes would be lost at the next load.
        info = m_doc.createElement(QStringLiteral("info"));
        mod.insertBefore(info, QDomNode());
    }
    setElementText(info, text);
}

ModRecord CatalogueDocument::readRecord(const QDomElement &mod)
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

bool CatalogueDocument::readMods(const QByteArray &bytes, QMap<QString, ModRecord> &mods,
                                 QString &rootTag)
{
    QDomDocument doc;
    if (!doc.setContent(bytes) || doc.documentElement().isNull()) {
        return false;
    }
    const QDomElement root = doc.documentElement();
    rootTag = root.tagName();
    for (QDomElement e = root.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        mods.insert(e.attribute(QStringLiteral("id")), readRecord(e));
    }
    return true;
}

QDomElement CatalogueDocument::createItem(const FileItem &item)
{
    QDomElement element = m_doc.createElement(QStringLiteral("item"));
    element.setAttribute(QStringLiteral("order"), item.order);
    element.appendChild(m_doc.createTextNode(item.path));
    return element;
}

// Sets an element's whole text; an empty text leaves the element empty, so
// that it is written in the empty-element form.
void CatalogueDocument::setElementText(QDomElement &element, const QString &text)
{
    while (element.hasChildNodes()) {
        element.removeChild(element.firstChild());
    }
    if (!text.isEmpty()) {
        element.appendChild(m_doc.createTextNode(text));
    }
}

// The mod's `replace` or `add` element. A mod element written by hand may lack
// one; it is then added (`replace` before `add`), because an item appended to
// nothing would be silently missing from the file.
QDomElement CatalogueDocument::listElement(QDomElement &mod, bool replaced)
{
    const QString tag = replaced ? QStringLiteral("replace") : QStringLiteral("add");
    QDomElement list = mod.firstChildElement(tag);
    if (list.isNull()) {
        list = m_doc.createElement(tag);
        const QDomElement add = mod.firstChildElement(QStringLiteral("add"));
        if (replaced && !add.isNull()) {
            mod.insertBefore(list, add);
        } else {
            mod.appendChild(list);
        }
    }
    return list;
}
