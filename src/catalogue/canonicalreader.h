#ifndef VELDANE_CATALOGUE_CANONICALREADER_H
#define VELDANE_CATALOGUE_CANONICALREADER_H

#include "catalogue/modrecord.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

// Reads the catalogue's canonical text (what CanonicalWriter writes) in one
// pass, line by line as the writer lays it out. Every text is taken as the
// writer escapes it; anything else (another escape, a character XML does not
// allow, other elements or blanks) fails, and the document tree reads the
// file instead.
class CanonicalReader
{
public:
    // Reads a whole file: its records, their ids in file order and the root
    // tag. What is read is written again and compared with the file, so that
    // a file this accepts is one the writer reproduces byte for byte.
    static bool read(const QByteArray &bytes, QMap<QString, ModRecord> &mods, QStringList &order,
                     QString &rootTag);

private:
    explicit CanonicalReader(const QByteArray &bytes);

    bool literal(const char *text);
    // The text up to `stop` (`<` after a text, `"` after an attribute value).
    bool text(char stop, QString &out);
    // A decimal number up to the closing quote of an attribute.
    bool number(int &value);
    bool name(char stop, QString &out);

    bool root(QString &rootTag, bool &empty);
    // One mod element, after its opening `<mod id="`.
    bool mod(QMap<QString, ModRecord> &mods, QStringList &order);
    // One element of text: empty form, or text between its tags.
    bool textElement(const char *emptyForm, const char *start, const char *end, QString &text);
    bool list(const char *emptyForm, const char *start, const char *end, QList<FileItem> &items);

    static bool decode(const char *from, const char *to, QString &out);
    static bool reproduces(const QByteArray &bytes, const QMap<QString, ModRecord> &mods,
                           const QStringList &order, const QString &rootTag);

    const char *m_p;
    const char *m_end;
};

#endif
