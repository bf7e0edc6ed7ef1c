#ifndef VELDANE_CATALOGUE_CATALOGUECHANGE_H
#define VELDANE_CATALOGUE_CATALOGUECHANGE_H

#include "platform/outcome.h"

// How a change to the catalogue went, with the same meaning for every change.
enum class CatalogueChange
{
    Done,
    NotXmlText, // a text XML cannot carry (detail: the text); refused, nothing changed
    Unreadable, // the file could not be read or parsed (detail: the file); nothing changed
    UnknownMod, // the file has no mod of that id (detail: the id)
    NotWritten, // the new file could not be put in place (detail: the file); the old one stands
    FileExists, // create() found a file already there (detail: the file)
};

using CatalogueOutcome = Outcome<CatalogueChange>;

#endif
