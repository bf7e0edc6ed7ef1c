#ifndef VELDANE_GUI_CARDLIBRARYVIEW_H
#define VELDANE_GUI_CARDLIBRARYVIEW_H

#include "userdata/cardscanner.h"

#include <QFileSystemWatcher>
#include <QThreadPool>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <memory>

class CardLibraryModel;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QSlider;
class QToolButton;

// The card library of the PNG tab: the cards of a category, with subfolders
// if wanted, as thumbnails with their names under them; finding by name,
// sorting, finding duplicates, and tidying up by moving cards to another
// folder or to the system's trash. Listing and duplicate searches run on a
// worker thread, thumbnails on the loader's workers; the window only shows.
class CardLibraryView : public QWidget
{
    Q_OBJECT

public:
    explicit CardLibraryView(QWidget *parent = nullptr);
    ~CardLibraryView() override;

    // Lists the folder's cards (again) and watches its folders for changes.
    void showFolder(const QString &folder);
    QString folder() const { return m_folder; }

    CardLibraryModel *model() const { return m_model; }
    QListView *listView() const { return m_list; }
    // A listing or a duplicate search is running.
    bool isBusy() const { return m_busy != 0; }

signals:
    // The user made this card current, by click or by keyboard.
    void cardSelected(const QString &path);

private slots:
    void sltRescan();
    void sltFindDuplicates(bool on);
    void sltMoveSelected();
    void sltTrashSelected();

private:
    void buildWidgets();
    void buildList();
    void connectWidgets();
    // A first sight is the listing kept from last time, shown while the
    // folders are listed again.
    void takeScan(const CardScan &scan, quint64 generation, bool firstSight);
    void watch(const QStringList &folders);
    void prefetchAhead();
    // First and last row on screen; -1 for none.
    QPair<int, int> shownRows() const;
    void applyThumbnailSize(int pixels);
    QStringList selectedPaths() const;
    void showCount();
    std::shared_ptr<std::atomic_bool> startBackground();

    CardLibraryModel *m_model = nullptr;
    QListView *m_list = nullptr;
    QLineEdit *m_find = nullptr;
    QComboBox *m_sort = nullptr;
    QCheckBox *m_subfolders = nullptr;
    QSlider *m_size = nullptr;
    QToolButton *m_duplicates = nullptr;
    QToolButton *m_move = nullptr;
    QToolButton *m_trash = nullptr;
    QLabel *m_count = nullptr;

    QString m_folder;
    QFileSystemWatcher m_watcher;
    QTimer m_rescanTimer;
    QTimer m_prefetchTimer;
    QTimer m_recheckTimer;
    QThreadPool m_background;
    std::shared_ptr<std::atomic_bool> m_cancel;
    quint64 m_generation = 0;
    bool m_newFolder = false;
    int m_busy = 0;
};

#endif
