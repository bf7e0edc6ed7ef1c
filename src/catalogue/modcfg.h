#ifndef VELDANE_CATALOGUE_MODCFG_H
#define VELDANE_CATALOGUE_MODCFG_H

#include "catalogue/modrecord.h"
#include "catalogue/recordedfile.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

// The catalogue of one game: ./config/<game>.xml and its records in memory.
// Every change re-reads the file, edits the parsed document and replaces the
// file atomically, so a failed write leaves the previous catalogue whole.
class ModCfg : public QObject
{
    Q_OBJECT

public:
    explicit ModCfg(QObject *parent = nullptr);
    ~ModCfg() override;

    void setGame(const QString &game);
    bool load();
    bool exists() const;
    bool create();

    bool addItem(const QString &id, const QString &path, bool replaced);
    // Records many files of one mod with a single read and write; the result
    // equals the same sequence of addItem calls.
    bool addItems(const QString &id, const QList<RecordedFile> &files);

    bool setInstall(const QString &id, bool installed);
    bool setInfo(const QString &id, const QString &text);
    bool deleteMod(const QString &id);

    // Replaces, in one read and write, the install flag and both item lists of
    // each given record (notes and time stay as the file has them; an id the
    // file lacks is appended as a new mod with the record's notes and time),
    // and removes the records named in `removed`. Memory changes only after a
    // successful write.
    bool applyChanges(const QMap<QString, ModRecord> &changed,
                      const QStringList &removed = QStringList());

    int installedItemCount(const QString &path) const;

    QString m_gameName;
    QString m_cfgPath;
    QMap<QString, ModRecord> m_mods;
};

#endif
