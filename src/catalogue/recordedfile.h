#ifndef VELDANE_CATALOGUE_RECORDEDFILE_H
#define VELDANE_CATALOGUE_RECORDEDFILE_H

#include <QString>

// One file handed to the catalogue's batch recording: the same two facts that
// a single addItem call takes.
struct RecordedFile
{
    QString path;
    bool replaced = false;
};

#endif
