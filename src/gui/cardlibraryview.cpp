#include "gui/cardlibraryview.h"

#include "gui/cardlibrarymodel.h"
#include "userdata/cardlibrarysettings.h"
#include "userdata/cardlistcache.h"
#include "userdata/cardtidy.h"
#include "userdata/duplicatefinder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QRunnable>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

// At most this many folders are watched: each costs the system a watch, and
// the stamp check on use still notices changes in the others.
constexpr int watchLimit = 1000;

QString nativeList(const QStringList &paths)
{
    QStringList shown;
    for (const QString &path : paths.mid(0, 10)) {
        shown << QDir::toNativeSeparators(path);
    }
    if (paths.size() > shown.size()) {
        shown << CardLibraryView::tr("……（另有 %1 个）").arg(paths.size() - shown.size());
    }
    return shown.join(QLatin1Char('\n'));
}

} // namespace

CardLibraryView::CardLibraryView(QWidget *parent)
    : QWidget(parent), m_model(new CardLibraryModel(CardLibrarySettings::cacheFolder(), this))
{
    m_background.setMaxThreadCount(1);
    m_rescanTimer.setSingleShot(true);
    m_rescanTimer.setInterval(300);
    m_prefetchTimer.setSingleShot(true);
    m_prefetchTimer.setInterval(60);
    // Cards on screen are looked at every two seconds: a card rewritten in
    // place changes no folder, so no watch reports it.
    m_recheckTimer.setInterval(2000);
    m_recheckTimer.start();
    buildWidgets();
    connectWidgets();
}

CardLibraryView::~CardLibraryView()
{
    if (m_cancel) {
        m_cancel->store(true);
    }
    m_background.waitForDone();
}

void CardLibraryView::buildWidgets()
{
    m_find = new QLineEdit(this);
    m_find->setObjectName(QStringLiteral("lineEditFindCard"));
    m_find->setPlaceholderText(tr("查找文件名"));
    m_find->setClearButtonEnabled(true);
    m_sort = new QComboBox(this);
    m_sort->setObjectName(QStringLiteral("comboBoxCardSort"));
    m_sort->addItems({tr("按名称"), tr("按日期"), tr("按大小")});
    m_sort->setMinimumWidth(110);
    m_subfolders = new QCheckBox(tr("包含子文件夹"), this);
    m_subfolders->setObjectName(QStringLiteral("checkBoxSubfolders"));
    m_subfolders->setChecked(CardLibrarySettings::subfolders());
    m_size = new QSlider(Qt::Horizontal, this);
    m_size->setObjectName(QStringLiteral("sliderThumbnailSize"));
    m_size->setRange(64, ThumbnailStore::box().height());
    m_size->setValue(CardLibrarySettings::thumbnailSize());
    m_size->setMaximumWidth(110);
    m_size->setToolTip(tr("缩略图大小"));
    const auto toolButton = [this](const QString &name, const QString &text) {
        auto *button = new QToolButton(this);
        button->setObjectName(name);
        button->setText(text);
        return button;
    };
    m_duplicates = toolButton(QStringLiteral("buttonFindDuplicates"), tr("查找重复"));
    m_duplicates->setCheckable(true);
    m_move = toolButton(QStringLiteral("buttonMoveCards"), tr("移动到…"));
    m_trash = toolButton(QStringLiteral("buttonTrashCards"), tr("删除到回收站"));
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("labelCardCount"));
    buildList();

    auto *top = new QHBoxLayout;
    top->addWidget(m_find, 1);
    top->addWidget(m_sort);
    top->addWidget(m_subfolders);
    auto *tools = new QHBoxLayout;
    tools->addWidget(m_size);
    tools->addWidget(m_duplicates);
    tools->addWidget(m_move);
    tools->addWidget(m_trash);
    tools->addWidget(m_count, 1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(top);
    layout->addLayout(tools);
    layout->addWidget(m_list, 1);
}

void CardLibraryView::buildList()
{
    m_list = new QListView(this);
    m_list->setObjectName(QStringLiteral("listViewCards"));
    m_list->setViewMode(QListView::IconMode);
    m_list->setMovement(QListView::Static);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setUniformItemSizes(true);
    m_list->setLayoutMode(QListView::Batched);
    m_list->setBatchSize(2000);
    m_list->setWordWrap(false);
    m_list->setTextElideMode(Qt::ElideMiddle);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setModel(m_model);
    applyThumbnailSize(m_size->value());
    // The Delete key asks the same question as the trash button.
    auto *trashKey = new QShortcut(QKeySequence::Delete, m_list);
    trashKey->setContext(Qt::WidgetShortcut);
    connect(trashKey, &QShortcut::activated, this, &CardLibraryView::sltTrashSelected);
}

void CardLibraryView::connectWidgets()
{
    connect(m_find, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_model->setFilter(text);
        showCount();
    });
    connect(m_sort, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this](int index) { m_model->setSort(static_cast<CardSort>(index)); });
    connect(m_subfolders, &QCheckBox::toggled, this, [this](bool on) {
        CardLibrarySettings::setSubfolders(on);
        sltRescan();
    });
    connect(m_size, &QSlider::valueChanged, this, [this](int pixels) {
        applyThumbnailSize(pixels);
        CardLibrarySettings::setThumbnailSize(pixels);
    });
    connect(m_duplicates, &QToolButton::toggled, this, &CardLibraryView::sltFindDuplicates);
    connect(m_move, &QToolButton::clicked, this, &CardLibraryView::sltMoveSelected);
    connect(m_trash, &QToolButton::clicked, this, &CardLibraryView::sltTrashSelected);
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) {
                if (current.isValid()) {
                    emit cardSelected(m_model->path(current.row()));
                }
            });
    connect(m_list->verticalScrollBar(), &QScrollBar::valueChanged, &m_prefetchTimer,
            QOverload<>::of(&QTimer::start));
    connect(&m_prefetchTimer, &QTimer::timeout, this, &CardLibraryView::prefetchAhead);
    connect(&m_recheckTimer, &QTimer::timeout, this, [this] {
        const QPair<int, int> shown = shownRows();
        if (isVisible() && shown.first >= 0) {
            m_model->recheck(shown.first, shown.second - shown.first + 1);
        }
    });
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_rescanTimer,
            QOverload<>::of(&QTimer::start));
    connect(m_model, &CardLibraryModel::cardsChangedOnDisk, &m_rescanTimer,
            QOverload<>::of(&QTimer::start));
    connect(&m_rescanTimer, &QTimer::timeout, this, &CardLibraryView::sltRescan);
}

void CardLibraryView::applyThumbnailSize(int pixels)
{
    const int width = pixels * 252 / 352;
    m_list->setIconSize(QSize(width, pixels));
    // Room for the name under the picture, and a little air around it.
    const int textWidth = qMax(width, 96);
    m_list->setGridSize(QSize(textWidth + 12, pixels + m_list->fontMetrics().height() + 14));
    m_prefetchTimer.start();
}

void CardLibraryView::showFolder(const QString &folder)
{
    m_newFolder = true;
    m_folder = folder;
    sltRescan();
}

std::shared_ptr<std::atomic_bool> CardLibraryView::startBackground()
{
    // Only the newest listing or search matters: an older one stops early.
    if (m_cancel) {
        m_cancel->store(true);
    }
    m_cancel = std::make_shared<std::atomic_bool>(false);
    ++m_busy;
    return m_cancel;
}

void CardLibraryView::sltRescan()
{
    const quint64 generation = ++m_generation;
    const bool subfolders = m_subfolders->isChecked();
    const QString folder = m_folder;
    const QString kept =
        CardListCache::fileFor(CardLibrarySettings::cacheFolder(), folder, subfolders);
    const bool newFolder = std::exchange(m_newFolder, false);
    m_count->setText(tr("正在读取卡片…"));
    const auto cancel = startBackground();
    m_background.start(QRunnable::create([=] {
        const auto post = [this, generation](const CardScan &scan, bool firstSight) {
            QMetaObject::invokeMethod(
                this, [=] { takeScan(scan, generation, firstSight); }, Qt::QueuedConnection);
        };
        CardScan scan;
        if (newFolder && !folder.isEmpty() && CardListCache::read(kept, &scan)) {
            post(scan, true);
        }
        scan = CardScanner::scan(folder, subfolders, cancel.get());
        std::sort(scan.cards.begin(), scan.cards.end(), CardEntry::nameLess);
        if (!cancel->load() && !folder.isEmpty()) {
            CardListCache::write(kept, scan);
        }
        post(scan, false);
    }));
}

void CardLibraryView::takeScan(const CardScan &scan, quint64 generation, bool firstSight)
{
    if (!firstSight) {
        --m_busy;
    }
    if (generation != m_generation) {
        return;
    }
    // Nothing changed since the first sight: the screen stays as it is.
    if (!firstSight && scan.cards == m_model->cards() && !m_model->showsGroups()) {
        watch(scan.folders);
        showCount();
        return;
    }
    // The list is rebuilt; the card in hand and the scroll position stay.
    const QString current = m_model->path(m_list->currentIndex().row());
    const int scrolled = m_list->verticalScrollBar()->value();
    {
        const QSignalBlocker blocker(m_list->selectionModel());
        m_model->setCards(scan.cards);
        const int row = m_model->rowOf(current);
        if (row >= 0) {
            m_list->selectionModel()->setCurrentIndex(m_model->index(row),
                                                      QItemSelectionModel::SelectCurrent);
        }
    }
    m_list->doItemsLayout();
    m_list->verticalScrollBar()->setValue(scrolled);
    watch(scan.folders);
    showCount();
    m_prefetchTimer.start();
    if (!firstSight && m_duplicates->isChecked()) {
        sltFindDuplicates(true);
    }
}

void CardLibraryView::watch(const QStringList &folders)
{
    const QStringList watched = m_watcher.directories();
    if (!watched.isEmpty()) {
        m_watcher.removePaths(watched);
    }
    QStringList wanted = folders.mid(0, watchLimit);
    // A deleted category folder is noticed through its parent.
    if (!m_folder.isEmpty()) {
        wanted << QFileInfo(m_folder).absolutePath();
    }
    m_watcher.addPaths(wanted);
}

void CardLibraryView::showCount()
{
    if (m_busy != 0) {
        return;
    }
    if (m_model->showsGroups()) {
        m_count->setText(tr("%1 张重复卡片").arg(m_model->rowCount()));
    } else {
        m_count->setText(tr("%1 张卡片").arg(m_model->rowCount()));
    }
}

QPair<int, int> CardLibraryView::shownRows() const
{
    const QSize grid = m_list->gridSize();
    const QRect area = m_list->viewport()->rect();
    int first = -1;
    int last = -1;
    if (grid.isEmpty() || area.isEmpty() || m_model->rowCount() == 0) {
        return {first, last};
    }
    // Sample points across the top and the bottom band of the screen.
    for (int x = grid.width() / 2; x < area.width(); x += grid.width()) {
        for (int y : {4, grid.height() / 2}) {
            const int row = m_list->indexAt(QPoint(x, y)).row();
            first = row >= 0 && (first < 0 || row < first) ? row : first;
        }
        for (int y : {area.height() - grid.height() / 2, area.height() - 4}) {
            last = qMax(last, m_list->indexAt(QPoint(x, y)).row());
        }
    }
    const int columns = qMax(1, area.width() / grid.width());
    const int perScreen = columns * (area.height() / grid.height() + 1);
    first = qMax(0, first);
    if (last < first) {
        last = qMin(first + perScreen, m_model->rowCount()) - 1;
    }
    return {first, last};
}

void CardLibraryView::prefetchAhead()
{
    const QPair<int, int> shown = shownRows();
    if (shown.first < 0) {
        return;
    }
    // The screen below, and the one above for a user scrolling back.
    const int perScreen = shown.second - shown.first + 1;
    m_model->prefetch(shown.second + 1, perScreen);
    m_model->prefetch(qMax(0, shown.first - perScreen), perScreen);
}

void CardLibraryView::sltFindDuplicates(bool on)
{
    if (!on) {
        m_model->clearGroups();
        showCount();
        return;
    }
    const QVector<CardEntry> cards = m_model->cards();
    const quint64 generation = m_generation;
    m_count->setText(tr("正在查找重复卡片…"));
    const auto cancel = startBackground();
    m_background.start(QRunnable::create([this, cards, generation, cancel] {
        const QVector<QVector<int>> groups = DuplicateFinder::groups(cards, cancel.get());
        const bool cancelled = cancel->load();
        QMetaObject::invokeMethod(
            this,
            [this, groups, generation, cancelled] {
                --m_busy;
                if (!cancelled && generation == m_generation && m_duplicates->isChecked()) {
                    m_model->setGroups(groups);
                }
                showCount();
            },
            Qt::QueuedConnection);
    }));
}

QStringList CardLibraryView::selectedPaths() const
{
    QStringList paths;
    for (const QModelIndex &index : m_list->selectionModel()->selectedIndexes()) {
        paths << m_model->path(index.row());
    }
    paths.sort();
    return paths;
}

void CardLibraryView::sltMoveSelected()
{
    const QStringList paths = selectedPaths();
    if (paths.isEmpty()) {
        QMessageBox::information(this, tr("提示"), tr("请先选择要移动的卡片。"));
        return;
    }
    const QString target = QFileDialog::getExistingDirectory(this, tr("选择文件夹"), m_folder);
    if (target.isEmpty()) {
        return;
    }
    const CardTidyReport report = CardTidy::moveTo(paths, target);
    QStringList lines{tr("已移动 %1 张卡片到 %2。")
                          .arg(report.done.size())
                          .arg(QDir::toNativeSeparators(target))};
    if (!report.renamed.isEmpty()) {
        lines << tr("其中 %1 张因重名改了名字（没有覆盖任何文件）：\n%2")
                     .arg(report.renamed.size())
                     .arg(nativeList(report.renamed));
    }
    if (!report.failed.isEmpty()) {
        lines << tr("%1 张卡片未能移动，仍在原处：\n%2")
                     .arg(report.failed.size())
                     .arg(nativeList(report.failed));
    }
    QMessageBox::information(this, tr("提示"), lines.join(QLatin1Char('\n')));
    sltRescan();
}

void CardLibraryView::sltTrashSelected()
{
    const QStringList paths = selectedPaths();
    if (paths.isEmpty()) {
        QMessageBox::information(this, tr("提示"), tr("请先选择要删除的卡片。"));
        return;
    }
    const auto answer = QMessageBox::question(
        this, tr("注意"), tr("把选中的 %1 张卡片移到回收站？可以从回收站还原。").arg(paths.size()),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes) {
        return;
    }
    const CardTidyReport report = CardTidy::moveToTrash(paths);
    QStringList lines;
    if (!report.done.isEmpty()) {
        lines << tr("已将 %1 张卡片移到回收站。").arg(report.done.size());
    }
    if (report.trashUnavailable) {
        lines << tr("回收站不可用，以下 %1 张卡片没有删除：\n%2")
                     .arg(report.failed.size())
                     .arg(nativeList(report.failed));
    } else if (!report.failed.isEmpty()) {
        lines << tr("%1 张卡片已不在原处，未做处理：\n%2")
                     .arg(report.failed.size())
                     .arg(nativeList(report.failed));
    }
    QMessageBox::information(this, tr("提示"), lines.join(QLatin1Char('\n')));
    sltRescan();
}
