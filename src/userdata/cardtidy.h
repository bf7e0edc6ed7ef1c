#ifndef VELDANE_USERDATA_CARDTIDY_H
#define VELDANE_USERDATA_CARDTIDY_H

#include <QString>
#include <QStringList>

// What a tidy-up did, card by card: the window words it.
struct CardTidyReport
{
    QStringList done;    // cards moved (their old paths)
    QStringList renamed; // new paths of moved cards that took a free name
    QStringList failed;  // cards left where they were
    // Moving to the trash failed for a card that is still there: the trash
    // cannot be used, and the rest were not tried.
    bool trashUnavailable = false;
};

// Moves cards without ever destroying one: a move never replaces a file (a
// taken name becomes "name (2).png" and so on), and deleting means moving to
// the system's trash, from where the user can restore the card. There is no
// permanent delete.
class CardTidy
{
public:
    static CardTidyReport moveTo(const QStringList &paths, const QString &folder);
    static CardTidyReport moveToTrash(const QStringList &paths);

    // The first of "name.ext", "name (2).ext", "name (3).ext", ... that is free
    // in `folder`.
    static QString freeName(const QString &folder, const QString &fileName);
};

#endif
