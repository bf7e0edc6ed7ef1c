#ifndef VELDANE_GUI_MAINWINDOW_H
#define VELDANE_GUI_MAINWINDOW_H

#include "catalogue/modcfg.h"
#include "deploy/changedecision.h"
#include "deploy/commandreport.h"
#include "deploy/modbatch.h"
#include "gui/progressdialog.h"
#include "state/recoveryreport.h"

#include <QList>
#include <QMainWindow>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

class QAction;
class QCloseEvent;
class QListWidgetItem;
class QMenu;
class QTreeWidgetItem;
class CardLibraryView;
class ModCommands;
class Ui_MainWindow;

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // False when the per-game set-up failed at construction (the first-start
    // settings dialog was cancelled): the caller must end without showing it.
    bool isReady() const { return m_ready; }

    const ModCfg &modCfg() const { return m_modCfg; }
    const QString &gameName() const { return m_gameName; }
    const QString &gamePath() const { return m_gamePath; }
    const QString &bakRoot() const { return m_bakRoot; }
    const QString &modStore() const { return m_modStore; }
    const QString &modName() const { return m_modName; }
    const QMap<QString, QString> &userDataDirs() const { return m_userDataDirs; }
    const ProgressDialog &progress() const { return m_progress; }

    bool initGame();
    void refreshModList();

    // Mod deployment commands. installModFolder runs the install of a chosen
    // folder from the name dialog on (pre-filled with suggestedName); the
    // other three are the thin workers behind the slots, acting on m_modName.
    void installModFolder(const QString &folder, const QString &suggestedName = QString());
    CommandReport installFolder(const QString &folder);
    CommandReport uninstallMod(ChangeDecision decision = ChangeDecision::Ask);
    CommandReport removeMod(ChangeDecision decision = ChangeDecision::Ask);

protected:
    void closeEvent(QCloseEvent *event) override;

private slots:
    void sltItemClick(QTreeWidgetItem *item, int column);
    // A row made current from the keyboard shows its mod as a press does.
    void sltCurrentRowChanged(QTreeWidgetItem *current);
    void showMovedRow();
    void sltInstallOpenMod();
    void sltInstallSelectMod();
    void sltRemoveMod();
    void sltUninstall();
    void sltSet();
    void sltAbout();
    void sltOpenGameFolder();
    void sltTabChange(int index);
    void sltItemDoubleClick(QListWidgetItem *item);
    void sltSelectTextChange(QString selectText);
    void sltOpenSelectFolder();
    void sltRefresh();
    void sltCustomContextMenuRequested(const QPoint &pos);
    void sltItemDoubleClicked(QTreeWidgetItem *item, int column);
    void sltVerify();
    void sltFilterChanged(const QString &text);
    void sltSortChanged(int column, Qt::SortOrder order);
    void sltSelectionChanged();

private:
    void connectSignals();
    // Game folder, backup root, mod store and user-data folders of m_gameName
    // from the settings.
    void takeGameSettings();
    // Stores the notes box as the notes of m_modName.
    void keepNotes();

    // Mod deployment commands.
    ModCommands modCommands();
    // Tells the user once what the start finished of commands cut short.
    void tellFinishedCommands(const RecoveryReport &recovery);
    bool refuseWithoutGameFolder();
    // Runs an uninstall or removal; when game files changed since the install
    // it asks once what to do with them and runs the command again.
    CommandReport takeOutAsking(const std::function<CommandReport(ChangeDecision)> &command);
    ChangeDecision askAboutChangedFiles(const QStringList &changedFiles);
    void showCommandResult(const CommandReport &report, const QString &success,
                           const QString &action);
    // Mod tab and user-data tab helpers.
    void showModFiles(const ModRecord &record);
    void refreshUserDataList();

    // Several mods at once. The selected mods in the order the user picked
    // them; a single one leaves the commands to m_modName.
    QStringList selectedMods() const;
    // Shows only the rows that match the filter box; a selected mod that the
    // filter hides is let go (its notes stored first) and chosen again once
    // it shows.
    void applyFilter();
    QTreeWidgetItem *hideFilteredRows();
    void selectRow(QTreeWidgetItem *item);
    bool askForSeveral(const QString &question, const QStringList &mods);
    void runOnSeveral(const QStringList &mods, const ModBatch::Command &command,
                      const QString &action, const QString &success);
    void uninstallSeveral(const QStringList &mods);
    void reinstallSeveral(const QStringList &mods);
    void removeSeveral(const QStringList &mods);
    // Installs the chosen or dropped folders and archives: one through the
    // name dialog, several through one table of names. Anything else (a web
    // address among them) is named in a notice as it came.
    void installSources(const QList<QUrl> &sources, bool dropped);
    void installSeveral(const QStringList &sources);

    ModCfg m_modCfg;
    Ui_MainWindow *ui;
    QMenu *m_contextMenu = nullptr;
    QAction *m_installAction = nullptr;
    QAction *m_uninstallAction = nullptr;
    QAction *m_verifyAction = nullptr;
    QString m_gameName;
    QString m_gamePath;
    QString m_bakRoot;
    QString m_modStore;
    QString m_modName;
    QMap<QString, QString> m_userDataDirs;
    ProgressDialog m_progress;
    bool m_ready = false;
    QStringList m_selectionOrder;
    // The mod the filter hid while it was selected, to select again.
    QString m_hiddenByFilter;
    // A row was made current and no mod has been shown since.
    bool m_rowMoved = false;

    // Installing what is dropped on the mod list: folders and zip, 7z or rar
    // archives, one after the other through installModFolder.
private slots:
    void sltInstallDropped(const QList<QUrl> &urls);

private:
    void installDroppedArchive(const QString &archive);
    bool m_installingDrop = false;

    // The card library beside the PNG tab's plain list: thumbnails, search,
    // duplicates and tidying up, shown instead of the list when toggled on.
private slots:
    void sltToggleThumbnails(bool on);

private:
    void buildCardLibrary();
    void showCardPreview(const QString &path);
    CardLibraryView *m_cardLibrary = nullptr;
};

#endif
