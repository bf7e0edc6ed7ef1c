#ifndef VELDANE_CATALOGUE_CATALOGUEDOCUMENT_H
#define VELDANE_CATALOGUE_CATALOGUEDOCUMENT_H

#include "catalogue/modrecord.h"

#include <QByteArray>
#include <QDomDocument>
#include <QDomElement>
#include <QHash>
#include <QMap>
#include <QString>

// A catalogue that is not in the canonical text (written by hand, with
// comments, foreign elements or repeated ids), kept as a document tree and
// edited as one, so that nothing in it is lost. Where the file has several
// mod elements with one id, every change goes to the first.
class CatalogueDocument
{
public:
    // Reads and parses the file; the declaration is put in its one form.
    bool read(const QString &path);
    // The document as the catalogue file holds it.
    bool save(QByteArray &bytes) const;

    QDomElement root() const { return m_doc.documentElement(); }
    QDomElement findMod(const QString &id) const;
    // The first mod element of each id, in one walk.
    QHash<QString, QDomElement> firstMods() const;

    // A complete new mod element, appended to the root.
    QDomElement appendMod(const QString &id, const QString &info, const QString &time, int install);
    void appendItem(QDomElement &mod, bool replaced, const FileItem &item);
    void fillList(QDomElement &mod, bool replaced, const QList<FileItem> &items);
    void setInstall(QDomElement &mod, int install);
    void setInfo(QDomElement &mod, const QString &text);

    static ModRecord readRecord(const QDomElement &mod);
    // Every mod of parsed `bytes` (the last of each id) and the root tag.
    static bool readMods(const QByteArray &bytes, QMap<QString, ModRecord> &mods, QString &rootTag);

private:
    void setElementText(QDomElement &element, const QString &text);
    QDomElement listElement(QDomElement &mod, bool replaced);
    QDomElement createItem(const FileItem &item);

    QDomDocument m_doc;
};

#endif
