#ifndef VELDANE_CATALOGUE_XMLRULES_H
#define VELDANE_CATALOGUE_XMLRULES_H

#include "catalogue/modrecord.h"

#include <QString>

// What XML 1.0 lets a catalogue carry. A text outside these rules, written
// out, would make the whole catalogue unreadable, so it is refused before
// anything changes.
class XmlRules
{
public:
    // The Char production: what a text or attribute may hold at all.
    static bool isChar(uint c);
    // Every character a Char, surrogates in pairs.
    static bool isText(const QString &text);
    // An XML name that the catalogue reader also accepts as a tag.
    static bool isName(const QString &name);

    using TextRule = bool (*)(const QString &);
    // Whether the record's notes and time pass `text` and every item's path
    // passes `path`.
    static bool recordPasses(const ModRecord &record, TextRule text, TextRule path);
    // The id and every text of the record are XML texts.
    static bool isRecordText(const QString &id, const ModRecord &record);

private:
    static bool isNameStartChar(uint c);
    static bool isNameChar(uint c);
};

#endif
