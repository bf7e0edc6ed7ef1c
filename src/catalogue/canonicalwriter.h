#ifndef VELDANE_CATALOGUE_CANONICALWRITER_H
#define VELDANE_CATALOGUE_CANONICALWRITER_H

#include "catalogue/modrecord.h"

#include <QByteArray>
#include <QString>

// The catalogue's canonical text, written without a document tree: what
// saving the tree at an indentation of 4 gives for a catalogue of complete
// mod elements. One element per line, texts escaped as the tree escapes them,
// empty elements in the empty-element form.
class CanonicalWriter
{
public:
    // The XML declaration line every catalogue starts with.
    static const char *declaration();

    static void appendHead(QByteArray &out, const QString &root, bool empty);
    static void appendMod(QByteArray &out, const QString &id, const ModRecord &record);
    static void appendTail(QByteArray &out, const QString &root);

    // Appends `text` in UTF-8 with the escapes the document tree writes: in a
    // text `<`, `&`, the `>` of "]]>" and carriage returns; in an attribute
    // value also `"`, tabs and line feeds, which a reader would otherwise turn
    // into blanks.
    static void appendEscaped(QByteArray &out, const QString &text, bool attribute);

    // The document tree drops a text that is nothing but blanks, and writes an
    // item whose path is empty differently on the call that creates it: texts
    // like these are left to the tree, so that the file comes out as it always
    // did.
    static bool carries(const QString &text);
    static bool carriesPath(const QString &path);
    static bool carriesRecord(const ModRecord &record);

private:
    static void appendNumber(QByteArray &out, int value);
    static void appendTextElement(QByteArray &out, const char *tag, const QString &text);
    static void appendList(QByteArray &out, const char *tag, const QList<FileItem> &items);
};

#endif
