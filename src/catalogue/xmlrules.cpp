#include "catalogue/xmlrules.h"

#include <QDomDocument>
#include <QVector>

bool XmlRules::isChar(uint c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

bool XmlRules::isText(const QString &text)
{
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate()) {
            if (i + 1 >= text.size() || !text.at(i + 1).isLowSurrogate()) {
                return false;
            }
            ++i;
        } else if (c.isLowSurrogate() || !isChar(c.unicode())) {
            return false;
        }
    }
    return true;
}

bool XmlRules::isName(const QString &name)
{
    const QVector<uint> chars = name.toUcs4();
    if (chars.isEmpty() || !isText(name) || !isNameStartChar(chars.first())) {
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

bool XmlRules::recordPasses(const ModRecord &record, TextRule text, TextRule path)
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

bool XmlRules::isRecordText(const QString &id, const ModRecord &record)
{
    return isText(id) && recordPasses(record, isText, isText);
}

// NameStartChar and NameChar of XML 1.0, fifth edition.
bool XmlRules::isNameStartChar(uint c)
{
    return c == ':' || (c >= 'A' && c <= 'Z') || c == '_' || (c >= 'a' && c <= 'z') ||
           (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
           (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) ||
           (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
           (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
           (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0xEFFFF);
}

bool XmlRules::isNameChar(uint c)
{
    return isNameStartChar(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7 ||
           (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}
