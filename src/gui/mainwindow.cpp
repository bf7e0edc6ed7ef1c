#include "gui/mainwindow.h"

#include "catalogue/modlistorder.h"
#include "config/gamesettings.h"
#include "deploy/commandmessages.h"
#include "deploy/gamelayout.h"
#include "deploy/installbatch.h"
#include "deploy/modcommands.h"
#include "deploy/modsource.h"
#include "gui/batchinstalldialog.h"
#include "gui/cardlibraryview.h"
#include "gui/cardpreview.h"
#include "gui/dialog.h"
#include "gui/modchooser.h"
#include "gui/moddropfilter.h"
#include "gui/modlistitem.h"
#include "gui/orderdlg.h"
#include "gui/setdialog.h"
#include "gui/verifydialog.h"
#include "log/ceasylog.h"
#include "platform/folderopener.h"
#include "platform/pathcase.h"
#include "ui_mainwindow.h"
#include "userdata/cardlibrarysettings.h"
#include "userdata/pngcardlister.h"

#include <QAction>
#include <QBrush>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QListWidgetItem>
#include <QMenu>
#include <QMessageBox>
#include <QPixmap>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QStyle>
#include <QTreeWidgetItem>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), m_modCfg(nullptr), ui(new Ui_MainWindow), m_progress(nullptr)
{
    // The icons are compiled into the static core library, whose resource
    // initialiser is not linked in unless something names it.
    Q_INIT_RESOURCE(resource);
    ui->setupUi(this);

    // The window's workspace is the working directory, as it always was.
    const QString configFolder = Workspace().configFolder();
    if (!QDir(configFolder).exists()) {
        QDir().mkdir(configFolder);
    }

    ui->treeWidget->header()->setSectionResizeMode(QHeaderView::Interactive);
    ui->treeWidget->setHeaderLabels({tr("名字"), tr("安装时间"), tr("文件数"), tr("冲突")});
    ui->treeWidget->headerItem()->setToolTip(
        ModListItem::ConflictColumn,
        tr("覆盖：本MOD替换了其他已安装MOD的文件数；被覆盖：本MOD被后装的MOD替换的文件数"));
    {
        // The order chosen last time; the name order until one is chosen.
        const ModListOrder order = ModListOrder::parse(GameSettings().modListOrder());
        ui->treeWidget->header()->setSortIndicator(static_cast<int>(order.key), order.direction);
        ui->treeWidget->setSortingEnabled(true);
    }
    ui->treeWidget->setContextMenuPolicy(Qt::CustomContextMenu);
    ui->tabWidget->setCurrentIndex(0);

    // The path is the long column: it takes whatever width the name and the
    // action leave, and each row's tool tip shows it whole.
    QHeaderView *fileHeader = ui->treeWidget2->header();
    fileHeader->setStretchLastSection(false);
    fileHeader->setSectionResizeMode(QHeaderView::Interactive);
    fileHeader->setSectionResizeMode(1, QHeaderView::Stretch);
    fileHeader->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    ui->treeWidget2->setHeaderLabels({tr("名字"), tr("路径"), tr("操作")});

    m_contextMenu = new QMenu(this);
    m_installAction = new QAction(tr("安装"), this);
    m_uninstallAction = new QAction(tr("卸载"), this);
    m_verifyAction = new QAction(tr("检查文件"), this);
    m_contextMenu->addAction(m_installAction);
    m_contextMenu->addAction(m_uninstallAction);
    m_contextMenu->addAction(m_verifyAction);
    buildCardLibrary();

    if (!initGame()) {
        QMessageBox::warning(this, tr("错误"), tr("无法获取游戏路径,请检查注册表!"),
                             QMessageBox::Ok);
        // The window is left unfinished; main() ends the process with code 0
        // without showing it, after releasing the single-instance guard.
        return;
    }
    refreshModList();

    // Connected last, so that nothing done above to the widgets runs a slot.
    connectSignals();
    // Queued, so that the drop has returned to the drag source before the
    // name dialog and the message boxes run.
    connect(new ModDropFilter(ui->treeWidget), &ModDropFilter::urlsDropped, this,
            &MainWindow::sltInstallDropped, Qt::QueuedConnection);
    m_ready = true;
}

MainWindow::~MainWindow()
{
    delete ui;
}

void MainWindow::connectSignals()
{
    connect(ui->treeWidget, &QTreeWidget::itemPressed, this, &MainWindow::sltItemClick);
    connect(ui->treeWidget, &QTreeWidget::currentItemChanged, this,
            &MainWindow::sltCurrentRowChanged);
    connect(ui->buttonInstall, &QPushButton::clicked, this, &MainWindow::sltInstallOpenMod);
    connect(m_installAction, &QAction::triggered, this, &MainWindow::sltInstallSelectMod);
    connect(m_uninstallAction, &QAction::triggered, this, &MainWindow::sltUninstall);
    connect(m_verifyAction, &QAction::triggered, this, &MainWindow::sltVerify);
    connect(ui->buttonRemove, &QPushButton::clicked, this, &MainWindow::sltRemoveMod);
    connect(ui->buttonSet, &QPushButton::clicked, this, &MainWindow::sltSet);
    connect(ui->buttonAbout, &QPushButton::clicked, this, &MainWindow::sltAbout);
    connect(ui->buttonOpen, &QPushButton::clicked, this, &MainWindow::sltOpenGameFolder);
    connect(ui->tabWidget, &QTabWidget::tabBarClicked, this, &MainWindow::sltTabChange);
    connect(ui->listWidget, &QListWidget::itemDoubleClicked, this, &MainWindow::sltItemDoubleClick);
    connect(ui->comboBox, &QComboBox::currentTextChanged, this, &MainWindow::sltSelectTextChange);
    connect(ui->buttonOpenFolder, &QPushButton::clicked, this, &MainWindow::sltOpenSelectFolder);
    connect(ui->buttonRefresh, &QPushButton::clicked, this, &MainWindow::sltRefresh);
    connect(ui->buttonThumbnails, &QPushButton::toggled, this, &MainWindow::sltToggleThumbnails);
    connect(m_cardLibrary, &CardLibraryView::cardSelected, this, &MainWindow::showCardPreview);
    connect(ui->treeWidget, &QTreeWidget::customContextMenuRequested, this,
            &MainWindow::sltCustomContextMenuRequested);
    connect(ui->treeWidget2, &QTreeWidget::itemDoubleClicked, this,
            &MainWindow::sltItemDoubleClicked);
    connect(ui->filterEdit, &QLineEdit::textChanged, this, &MainWindow::sltFilterChanged);
    connect(ui->treeWidget->header(), &QHeaderView::sortIndicatorChanged, this,
            &MainWindow::sltSortChanged);
    connect(ui->treeWidget, &QTreeWidget::itemSelectionChanged, this,
            &MainWindow::sltSelectionChanged);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    keepNotes();
    event->accept();
}

bool MainWindow::initGame()
{
    const Workspace workspace;
    const GameSettings settings(workspace);
    QString game;
    if (settings.hasGames()) {
        game = settings.currentGame();
    } else {
        SetDialog dialog(this);
        if (dialog.exec() != QDialog::Accepted) {
            return false;
        }
        game = dialog.m_game;
    }

    if (game.isEmpty()) {
        return false;
    }

    m_gameName = game;
    m_modCfg.setGame(game);
    m_modName = game;
    takeGameSettings();
    // A command cut short by a crash is finished before the list is drawn.
    tellFinishedCommands(modCommands().recover());
    return true;
}

void MainWindow::takeGameSettings()
{
    const QString &game = m_gameName;
    const Workspace workspace;
    const GameSettings settings(workspace);
    m_gamePath = settings.gamePath(game);
    // The blue marks and the relations dialog compare paths as the game's
    // file system does, before any command has looked at it.
    PathCase::probe(m_gamePath);
    m_modStore = workspace.modStore(game);
    m_bakRoot = settings.backupRoot(game);

    m_userDataDirs.clear();
    const auto userData = [this](const char *relative) -> QString {
        return m_gamePath + QDir::toNativeSeparators(QString::fromLatin1(relative));
    };
    if (QDir::current().exists(userData("UserData/chara"))) {
        if (game.compare(QLatin1String("HoneySelect"), Qt::CaseInsensitive) == 0) {
            m_userDataDirs.insert(tr("男人"), userData("UserData/chara/male"));
            m_userDataDirs.insert(tr("女人"), userData("UserData/chara/female"));
            m_userDataDirs.insert(tr("背景"), userData("UserData/background"));
            m_userDataDirs.insert(tr("摄像"), userData("UserData/cap"));
            m_userDataDirs.insert(tr("老场景"), userData("UserData/studio"));
            m_userDataDirs.insert(tr("新场景"), userData("UserData/studioneo/scene"));
        } else if (game.compare(QLatin1String("PlayClub"), Qt::CaseInsensitive) == 0) {
            m_userDataDirs.insert(tr("女人"), userData("UserData/chara"));
            m_userDataDirs.insert(tr("摄像"), userData("UserData/cap"));
            m_userDataDirs.insert(tr("场景"), userData("UserData/save/Studio"));
        } else {
            m_userDataDirs.insert(tr("男人"), userData("UserData/chara/male"));
            m_userDataDirs.insert(tr("女人"), userData("UserData/chara/female"));
            m_userDataDirs.insert(tr("背景"), userData("UserData/background"));
            m_userDataDirs.insert(tr("摄像"), userData("UserData/cap"));
            m_userDataDirs.insert(tr("场景"), userData("UserData/studio"));
        }
    }
}

void MainWindow::tellFinishedCommands(const RecoveryReport &recovery)
{
    if (recovery.isEmpty()) {
        return;
    }
    QStringList finished;
    QStringList pending;
    for (const RecoveryReport::Step &step : recovery.steps) {
        switch (step.kind) {
        case RecoveryReport::Step::Installed:
            finished << tr("安装“%1”").arg(step.mod);
            break;
        case RecoveryReport::Step::InstallUndone:
            finished << tr("撤销安装“%1”（MOD文件已不完整，游戏文件已恢复原样）").arg(step.mod);
            break;
        case RecoveryReport::Step::Uninstalled:
            finished << tr("卸载“%1”").arg(step.mod);
            break;
        case RecoveryReport::Step::Removed:
            finished << tr("移除“%1”").arg(step.mod);
            break;
        case RecoveryReport::Step::Pending:
            pending << step.mod;
            break;
        }
    }
    QStringList lines;
    if (!finished.isEmpty()) {
        lines << tr("上次的操作被中断，已自动完成：%1。").arg(finished.join(tr("；")));
    }
    if (!pending.isEmpty()) {
        lines << tr("上次被中断的操作（MOD“%1”）暂时无法完成：无法写入MOD记录（%2）。"
                    "下次启动时会再试。")
                     .arg(pending.join(tr("”、“")),
                          QDir::toNativeSeparators(
                              QFileInfo(m_modCfg.m_cfgPath).absoluteFilePath()));
    }
    if (recovery.failed != 0) {
        lines << tr("其中 %1 个文件未能处理，详情请查看日志：%2")
                     .arg(recovery.failed)
                     .arg(CommandMessages::logFile());
    }
    QMessageBox::information(this, tr("提示"), lines.join(QLatin1Char('\n')));
}

void MainWindow::refreshModList()
{
    ui->treeWidget->clear();
    ui->treeWidget2->clear();
    ui->textEdit->clear();
    // The box, the selection and m_modName must agree after every rebuild:
    // the next press or close stores the box as m_modName's notes.
    const QString shown = m_modName;
    m_modName = m_modCfg.m_gameName;

    QTreeWidgetItem *root = nullptr;
    if (m_modCfg.exists()) {
        root = new QTreeWidgetItem(QStringList(m_modCfg.m_gameName));
        QList<QTreeWidgetItem *> children;
        children.reserve(m_modCfg.m_mods.size());
        for (auto it = m_modCfg.m_mods.cbegin(); it != m_modCfg.m_mods.cend(); ++it) {
            children << new ModListItem(m_modCfg, it.key(), it.value());
        }
        root->addChildren(children);
    } else {
        if (!m_modCfg.create()) {
            return;
        }
        root = new QTreeWidgetItem(QStringList(m_modCfg.m_gameName));
    }
    ui->treeWidget->insertTopLevelItem(0, root);
    ui->treeWidget->sortItems(ui->treeWidget->header()->sortIndicatorSection(),
                              ui->treeWidget->header()->sortIndicatorOrder());
    ui->treeWidget->expandAll();
    // Whole names, times and counts rather than the header's default width.
    // The conflicts get room for large counts instead: measured, every row
    // would be counted at once.
    for (int column = 0; column < ModListItem::ConflictColumn; ++column) {
        ui->treeWidget->resizeColumnToContents(column);
    }
    ui->treeWidget->setColumnWidth(ModListItem::ConflictColumn,
                                   ui->treeWidget->fontMetrics().horizontalAdvance(
                                       ModListItem::tr("覆盖 %1 / 被覆盖 %2").arg(999).arg(999)) +
                                       12);
    // Filtered before the selection below, so that a mod the filter hides is
    // never the one whose notes the box shows.
    hideFilteredRows();

    // The mod acted on stays selected, with its notes, while it is listed.
    const auto record = m_modCfg.m_mods.constFind(shown);
    if (record == m_modCfg.m_mods.cend()) {
        return;
    }
    QTreeWidgetItem *shownRow = nullptr;
    for (int i = 0; i < root->childCount(); ++i) {
        if (root->child(i)->text(0) == shown) {
            shownRow = root->child(i);
            break;
        }
    }
    if (!shownRow || shownRow->isHidden()) {
        m_hiddenByFilter = shown;
        return;
    }
    ui->treeWidget->setCurrentItem(shownRow);
    m_modName = shown;
    ui->textEdit->setPlainText(record->info);
    showModFiles(*record);
}

void MainWindow::keepNotes()
{
    // Unchanged notes, and the game's own row, which has none, cost no write
    // of the catalogue.
    const auto record = m_modCfg.m_mods.constFind(m_modName);
    const QString notes = ui->textEdit->toPlainText();
    if (record != m_modCfg.m_mods.cend() && record->info != notes) {
        m_modCfg.setInfo(m_modName, notes);
    }
}

void MainWindow::sltItemClick(QTreeWidgetItem *item, int column)
{
    Q_UNUSED(column);
    if (!item) {
        return;
    }
    m_rowMoved = false;
    ui->treeWidget2->clear();
    // The notes typed so far belong to the mod selected until now: store them
    // before the box shows another mod's.
    keepNotes();
    m_modName = item->text(0);
    if (item->parent()) {
        m_hiddenByFilter.clear();
    }

    if (!m_modCfg.exists()) {
        return;
    }
    const auto record = m_modCfg.m_mods.constFind(m_modName);
    if (record == m_modCfg.m_mods.cend()) {
        ui->textEdit->clear();
        return;
    }
    // Plain text: notes that look like markup must come back as typed.
    ui->textEdit->setPlainText(record->info);
    showModFiles(*record);
}

void MainWindow::sltCurrentRowChanged(QTreeWidgetItem *current)
{
    // Shown once the event that moved it is done: a press makes its row
    // current before it reports the press, and a rebuild or the menu shows a
    // row itself. Either cancels this on the way (sltItemClick), and only a
    // move by the keyboard is left to show.
    m_rowMoved = current != nullptr;
    QMetaObject::invokeMethod(this, &MainWindow::showMovedRow, Qt::QueuedConnection);
}

void MainWindow::showMovedRow()
{
    QTreeWidgetItem *current = ui->treeWidget->currentItem();
    if (m_rowMoved && current && current->text(0) != m_modName) {
        sltItemClick(current, 0);
    }
    m_rowMoved = false;
}

void MainWindow::showModFiles(const ModRecord &record)
{
    const QChar separator = QDir::separator();
    const auto row = [&](const FileItem &file, const QString &operation) {
        const QString name = file.path.mid(file.path.lastIndexOf(separator) + 1);
        auto *item = new QTreeWidgetItem(QStringList{name, file.path, operation});
        item->setStatusTip(0, m_modName);
        for (int column = 0; column < 3; ++column) {
            item->setToolTip(column, file.path);
        }
        // Blue: a mod installed later wrote the same file over this one.
        if (file.order < m_modCfg.installedItemCount(file.path)) {
            for (int column = 0; column < 3; ++column) {
                item->setForeground(column, QBrush(Qt::blue));
            }
        }
        return item;
    };

    QList<QTreeWidgetItem *> rows;
    rows.reserve(record.add.size() + record.replace.size());
    for (const FileItem &file : record.add) {
        rows.append(row(file, tr("增加")));
    }
    for (const FileItem &file : record.replace) {
        rows.append(row(file, tr("替换")));
    }
    ui->treeWidget2->addTopLevelItems(rows);
    ui->treeWidget2->resizeColumnToContents(0);
}

void MainWindow::sltInstallOpenMod()
{
    if (refuseWithoutGameFolder()) {
        return;
    }
    ModChooser chooser(this);
    if (chooser.exec() != QDialog::Accepted || chooser.chosen().isEmpty()) {
        return;
    }
    QList<QUrl> chosen;
    for (const QString &path : chooser.chosen()) {
        chosen << QUrl::fromLocalFile(path);
    }
    installSources(chosen, false);
}

void MainWindow::installModFolder(const QString &folder, const QString &suggestedName)
{
    if (refuseWithoutGameFolder()) {
        return;
    }
    Dialog dialog(this);
    dialog.setSuggestedName(suggestedName);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const QString name = dialog.m_name;
    if (m_modCfg.m_mods.contains(name)) {
        QMessageBox::information(this, tr("提示"),
                                 tr("已有名为“%1”的MOD，未做任何改动。请换一个名称。").arg(name));
        return;
    }
    // The list is rebuilt after the command, and the box with it.
    keepNotes();
    const QString previous = m_modName;
    m_modName = name;
    const CommandReport report = installFolder(folder);
    m_progress.finish();
    // The message names the refused name; the selection then goes back.
    showCommandResult(report, tr("安装成功!"),
                      tr("安装", "the command named in a partial-success message"));
    if (report.outcome != CommandReport::Done) {
        m_modName = previous;
    }
}

CommandReport MainWindow::installFolder(const QString &folder)
{
    return modCommands().install(folder, m_modName);
}

void MainWindow::sltInstallSelectMod()
{
    const QStringList several = selectedMods();
    if (several.size() > 1) {
        reinstallSeveral(several);
        return;
    }
    if (m_modName == m_modCfg.m_gameName) {
        return;
    }
    keepNotes();
    const CommandReport report = modCommands().reinstall(m_modName);
    m_progress.finish();
    showCommandResult(report, tr("安装成功!"),
                      tr("安装", "the command named in a partial-success message"));
}

CommandReport MainWindow::uninstallMod(ChangeDecision decision)
{
    return modCommands().uninstall(m_modName, decision);
}

CommandReport MainWindow::removeMod(ChangeDecision decision)
{
    return modCommands().remove(m_modName, decision);
}

CommandReport MainWindow::takeOutAsking(const std::function<CommandReport(ChangeDecision)> &command)
{
    CommandReport report = command(ChangeDecision::Ask);
    m_progress.finish();
    if (report.outcome != CommandReport::ChangedFiles) {
        return report;
    }
    const ChangeDecision decision = askAboutChangedFiles(report.changedFiles);
    if (decision == ChangeDecision::Ask) {
        return report;
    }
    report = command(decision);
    m_progress.finish();
    return report;
}

ChangeDecision MainWindow::askAboutChangedFiles(const QStringList &changedFiles)
{
    const QString gameRoot =
        QDir::fromNativeSeparators(GameLayout(m_gamePath, m_bakRoot, m_modStore).gameRoot());
    QStringList shown;
    for (const QString &path : changedFiles.mid(0, 10)) {
        const QString plain = QDir::fromNativeSeparators(path);
        shown << QDir::toNativeSeparators(
            plain.startsWith(gameRoot + QLatin1Char('/')) ? plain.mid(gameRoot.size() + 1) : plain);
    }
    if (changedFiles.size() > shown.size()) {
        shown << tr("……（另有 %1 个）").arg(changedFiles.size() - shown.size());
    }
    const QString setAsideRoot = GameLayout(m_gamePath, m_bakRoot, m_modStore).setAsideRoot();
    QMessageBox box(QMessageBox::Question, tr("提示"),
                    tr("有 %1 个文件在MOD安装后被改动过（例如游戏更新或手动修改）：\n%2\n\n"
                       "保留改动：游戏保留改动后的文件，原本要恢复的版本移到留存文件夹。\n"
                       "照常恢复：改动后的文件移到留存文件夹，再照常恢复。\n"
                       "取消：不做任何改动。\n\n留存文件夹：%3")
                        .arg(changedFiles.size())
                        .arg(shown.join(QLatin1Char('\n')), setAsideRoot),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
    box.button(QMessageBox::Yes)->setText(tr("保留改动"));
    box.button(QMessageBox::No)->setText(tr("照常恢复"));
    box.button(QMessageBox::Cancel)->setText(tr("取消"));
    box.setDefaultButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return ChangeDecision::KeepChanged;
    case QMessageBox::No:
        return ChangeDecision::RestoreAnyway;
    default:
        return ChangeDecision::Ask;
    }
}

void MainWindow::sltUninstall()
{
    const QStringList several = selectedMods();
    if (several.size() > 1) {
        uninstallSeveral(several);
        return;
    }
    if (m_modName == m_modCfg.m_gameName) {
        return;
    }
    // Without its kept copy the mod could never be installed again, so
    // uninstalling it means removing it.
    if (!QFileInfo(GameLayout(m_gamePath, m_bakRoot, m_modStore).keptCopy(m_modName)).isDir()) {
        sltRemoveMod();
        return;
    }
    keepNotes();
    const CommandReport report =
        takeOutAsking([this](ChangeDecision decision) { return uninstallMod(decision); });
    showCommandResult(report, tr("卸载成功!"),
                      tr("卸载", "the command named in a partial-success message"));
}

void MainWindow::sltRemoveMod()
{
    const QStringList several = selectedMods();
    if (several.size() > 1) {
        removeSeveral(several);
        return;
    }
    if (m_modName == m_modCfg.m_gameName) {
        return;
    }
    const auto answer =
        QMessageBox::information(this, tr("注意"), tr("MOD将会完全被移除，是否继续操作!"),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton);
    if (answer != QMessageBox::Yes) {
        return;
    }
    keepNotes();
    const CommandReport report =
        takeOutAsking([this](ChangeDecision decision) { return removeMod(decision); });
    showCommandResult(report, tr("移除成功!"),
                      tr("移除", "the command named in a partial-success message"));
}

ModCommands MainWindow::modCommands()
{
    // The busy indicator appears when a command starts its file work, so that
    // refusals and record-only changes show none.
    CommandProgress progress = m_progress.commandProgress();
    const auto setRange = progress.setRange;
    progress.setRange = [this, setRange](int minimum, int maximum) {
        m_progress.show();
        setRange(minimum, maximum);
    };
    return ModCommands(m_modCfg, GameLayout(m_gamePath, m_bakRoot, m_modStore), progress);
}

bool MainWindow::refuseWithoutGameFolder()
{
    // Checked before any dialog, so that the user is not asked for a mod that
    // cannot be installed anyway.
    if (modCommands().gameFolderUsable()) {
        return false;
    }
    CommandReport report;
    report.outcome = CommandReport::NoGameFolder;
    showCommandResult(report, QString(), QString());
    return true;
}

void MainWindow::showCommandResult(const CommandReport &report, const QString &success,
                                   const QString &action)
{
    // The user cancelled at the question: nothing was done, nothing to tell.
    if (report.outcome == CommandReport::ChangedFiles) {
        return;
    }
    const QString text =
        CommandMessages::describe(report, m_modName, success, action, m_modCfg.m_cfgPath);
    QMessageBox::information(this, tr("提示"), text);
    if (report.outcome == CommandReport::Done ||
        report.outcome == CommandReport::RestoredRecordKept) {
        refreshModList();
    }
}

void MainWindow::sltSet()
{
    SetDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    keepNotes();
    if (dialog.m_game != m_gameName) {
        initGame();
        refreshModList();
    } else {
        // A folder corrected after a refusal is used by the next command; the
        // catalogue and the box stay as they are.
        takeGameSettings();
    }
}

void MainWindow::sltAbout()
{
    QMessageBox::information(this, tr("关于"),
                             tr("版本：%1\n作者：Veldane 开发团队").arg(QStringLiteral("1.7.1")),
                             QMessageBox::Ok);
}

void MainWindow::sltOpenGameFolder()
{
    FolderOpener::openFolder(m_gamePath);
}

void MainWindow::sltTabChange(int index)
{
    if (index != 1) {
        return;
    }
    if (m_userDataDirs.isEmpty()) {
        QMessageBox::information(this, tr("提示"), tr("暂时不支持此游戏！"), QMessageBox::Ok);
        return;
    }
    {
        // Refilled silently: each text change would list the folder once more,
        // and only the first category's list is wanted.
        const QSignalBlocker blocker(ui->comboBox);
        ui->comboBox->clear();
        ui->comboBox->addItems(m_userDataDirs.keys());
        ui->comboBox->setCurrentIndex(0);
    }
    refreshUserDataList();
}

void MainWindow::sltItemDoubleClick(QListWidgetItem *item)
{
    if (!item) {
        return;
    }
    showCardPreview(item->statusTip());
}

void MainWindow::showCardPreview(const QString &path)
{
    const QImage picture = CardPreview::load(path, ui->picLabel->size());
    ui->picLabel->setPixmap(QPixmap::fromImage(picture));
    ui->picLabel->setAlignment(Qt::AlignCenter);
}

void MainWindow::sltSelectTextChange(QString selectText)
{
    if (!selectText.isEmpty()) {
        refreshUserDataList();
    }
}

void MainWindow::sltOpenSelectFolder()
{
    // The combo may still show the categories of a game that is no longer
    // active, or nothing at all: such a text names no folder to open.
    const auto folder = m_userDataDirs.constFind(ui->comboBox->currentText());
    if (folder == m_userDataDirs.cend()) {
        return;
    }
    FolderOpener::openFolder(folder.value());
}

void MainWindow::sltRefresh()
{
    refreshUserDataList();
}

void MainWindow::refreshUserDataList()
{
    const auto folder = m_userDataDirs.constFind(ui->comboBox->currentText());
    if (folder == m_userDataDirs.cend()) {
        return;
    }
    const QList<PngCard> cards = PngCardLister::list(folder.value());

    // A preview of the previous list may show a card of another category.
    ui->picLabel->clear();
    ui->listWidget->clear();
    ui->listWidget->setUpdatesEnabled(false);
    for (const PngCard &card : cards) {
        auto *item = new QListWidgetItem(card.fileName);
        item->setStatusTip(card.absolutePath);
        ui->listWidget->addItem(item);
    }
    ui->listWidget->setUpdatesEnabled(true);
    if (ui->buttonThumbnails->isChecked()) {
        m_cardLibrary->showFolder(folder.value());
    }
}

void MainWindow::buildCardLibrary()
{
    m_cardLibrary = new CardLibraryView(ui->tab_2);
    m_cardLibrary->setObjectName(QStringLiteral("cardLibrary"));
    m_cardLibrary->setGeometry(50, 40, 531, 471);
    m_cardLibrary->hide();
    ui->buttonThumbnails->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    // Set before the signals are connected: the tab is filled on its first click.
    ui->buttonThumbnails->setChecked(CardLibrarySettings::thumbnails());
    sltToggleThumbnails(ui->buttonThumbnails->isChecked());
}

void MainWindow::sltToggleThumbnails(bool on)
{
    // The preview moves aside for the thumbnails and comes back with the list.
    ui->listWidget->setVisible(!on);
    m_cardLibrary->setVisible(on);
    ui->picLabel->setGeometry(on ? QRect(590, 40, 251, 471) : QRect(260, 20, 561, 481));
    ui->picLabel->clear();
    if (CardLibrarySettings::thumbnails() != on) {
        CardLibrarySettings::setThumbnails(on);
    }
    const auto folder = m_userDataDirs.constFind(ui->comboBox->currentText());
    if (on && folder != m_userDataDirs.cend()) {
        m_cardLibrary->showFolder(folder.value());
    }
}

void MainWindow::sltCustomContextMenuRequested(const QPoint &pos)
{
    QTreeWidgetItem *item = ui->treeWidget->itemAt(pos);
    if (!item) {
        return;
    }
    const QString id = item->text(0);
    // The game's root row offers only the check of every installed mod.
    const bool gameRow = item->parent() == nullptr;
    if (!gameRow && !m_modCfg.m_mods.contains(id)) {
        return;
    }
    // The actions work on the selected mod. A mouse press has normally selected
    // the mod under the cursor already; a request from the keyboard has not, and
    // the menu must not install or uninstall another mod than the one it shows.
    if (m_modName != id) {
        sltItemClick(item, 0);
    }
    m_installAction->setVisible(!gameRow);
    m_uninstallAction->setVisible(!gameRow);
    // On a row of a selection of several, the actions take every selected
    // mod that is in the other state; elsewhere the selection is this row.
    const QStringList several = selectedMods();
    if (!gameRow && several.size() > 1 && several.contains(id)) {
        bool anyInstalled = false;
        bool anyUninstalled = false;
        for (const QString &mod : several) {
            const bool installed = m_modCfg.m_mods.value(mod).install != 0;
            anyInstalled = anyInstalled || installed;
            anyUninstalled = anyUninstalled || !installed;
        }
        m_installAction->setEnabled(anyUninstalled);
        m_uninstallAction->setEnabled(anyInstalled);
        m_verifyAction->setEnabled(false);
        m_contextMenu->exec(QCursor::pos());
        return;
    }
    if (several.size() > 1) {
        ui->treeWidget->setCurrentItem(item);
    }
    const bool installed = m_modCfg.m_mods.value(id).install != 0;
    m_installAction->setEnabled(!installed);
    m_uninstallAction->setEnabled(installed);
    m_verifyAction->setEnabled(gameRow || installed);
    m_contextMenu->exec(QCursor::pos());
}

void MainWindow::sltItemDoubleClicked(QTreeWidgetItem *item, int column)
{
    Q_UNUSED(column);
    if (!item) {
        return;
    }
    OrderDlg dialog(this, m_modName, item->text(1));
    dialog.exec();
}

void MainWindow::sltVerify()
{
    if (refuseWithoutGameFolder()) {
        return;
    }
    const bool allMods = m_modName == m_modCfg.m_gameName;
    const QList<ModFileCheck> checks = modCommands().verify(allMods ? QString() : m_modName);
    VerifyDialog dialog(checks, GameLayout(m_gamePath, m_bakRoot, m_modStore).gameRoot(), this);
    dialog.exec();
}

void MainWindow::sltInstallDropped(const QList<QUrl> &urls)
{
    if (m_installingDrop) {
        QMessageBox::information(this, tr("提示"), tr("正在安装拖入的MOD，请等待完成后再拖入。"));
        return;
    }
    m_installingDrop = true;
    installSources(urls, true);
    m_installingDrop = false;
}

void MainWindow::installSources(const QList<QUrl> &sources, bool dropped)
{
    QStringList folders;
    QStringList refused;
    for (const QUrl &source : sources) {
        const QString path = source.toLocalFile();
        if (!source.isLocalFile()) {
            refused << source.toDisplayString();
        } else if (ModSource::isModSource(path)) {
            folders << QFileInfo(path).absoluteFilePath();
        } else {
            refused << QDir::toNativeSeparators(path);
        }
    }
    if (!refused.isEmpty()) {
        QMessageBox::information(this, tr("提示"),
                                 tr("只能拖入MOD文件夹或 zip、7z、rar 压缩包，以下项目未安装：\n%1")
                                     .arg(refused.join(QLatin1Char('\n'))));
    }
    if (folders.size() > 1) {
        installSeveral(folders);
    } else if (folders.size() == 1) {
        const QFileInfo info(folders.constFirst());
        if (info.isDir()) {
            // A chosen folder is named in the dialog as it always was.
            installModFolder(info.absoluteFilePath(), dropped ? info.fileName() : QString());
        } else {
            installDroppedArchive(info.absoluteFilePath());
        }
    }
}

void MainWindow::installDroppedArchive(const QString &archive)
{
    // Refused before the name is asked when its headers give it away; the
    // engine unpacks it once the name is chosen.
    const CommandReport refusal = ModCommands::checkArchive(archive);
    if (refusal.outcome != CommandReport::Done) {
        showCommandResult(refusal, QString(), QString());
        return;
    }
    installModFolder(archive, ModSource(archive).suggestedName());
}

void MainWindow::sltFilterChanged(const QString &text)
{
    Q_UNUSED(text);
    // The notes typed so far are searched as well, and belong to m_modName
    // whatever the filter does to its row.
    keepNotes();
    applyFilter();
}

QTreeWidgetItem *MainWindow::hideFilteredRows()
{
    QTreeWidgetItem *root = ui->treeWidget->topLevelItem(0);
    if (!root) {
        return nullptr;
    }
    const QString filter = ui->filterEdit->text().trimmed();
    for (int i = 0; i < root->childCount(); ++i) {
        auto *mod = static_cast<ModListItem *>(root->child(i));
        const bool hide = !mod->matches(filter);
        mod->setHidden(hide);
        // A hidden row is never part of a command on the selection.
        if (hide && mod->isSelected()) {
            mod->setSelected(false);
        }
    }
    return root;
}

void MainWindow::applyFilter()
{
    QTreeWidgetItem *root = hideFilteredRows();
    if (!root) {
        return;
    }
    QTreeWidgetItem *selected = nullptr;
    QTreeWidgetItem *shownAgain = nullptr;
    for (int i = 0; i < root->childCount(); ++i) {
        QTreeWidgetItem *mod = root->child(i);
        if (mod->text(0) == m_modName) {
            selected = mod;
        } else if (mod->text(0) == m_hiddenByFilter) {
            shownAgain = mod;
        }
    }
    if (selected && selected->isHidden()) {
        const QString hidden = m_modName;
        selectRow(root);
        m_hiddenByFilter = hidden;
    } else if (shownAgain && !shownAgain->isHidden() && m_modName == m_modCfg.m_gameName) {
        selectRow(shownAgain);
    }
}

void MainWindow::selectRow(QTreeWidgetItem *item)
{
    ui->treeWidget->setCurrentItem(item);
    sltItemClick(item, 0);
}

void MainWindow::sltSortChanged(int column, Qt::SortOrder order)
{
    ModListOrder chosen;
    switch (column) {
    case ModListItem::TimeColumn:
        chosen.key = ModListOrder::Time;
        break;
    case ModListItem::FilesColumn:
        chosen.key = ModListOrder::Files;
        break;
    case ModListItem::ConflictColumn:
        // Shown for this session only: the settings keep the orders the
        // command-line tool knows as well.
        return;
    default:
        chosen.key = ModListOrder::Name;
        break;
    }
    chosen.direction = order;
    GameSettings().setModListOrder(chosen.text());
}

void MainWindow::sltSelectionChanged()
{
    QTreeWidgetItem *root = ui->treeWidget->topLevelItem(0);
    QStringList selected;
    for (int i = 0; root && i < root->childCount(); ++i) {
        if (root->child(i)->isSelected() && !root->child(i)->isHidden()) {
            selected << root->child(i)->text(0);
        }
    }
    // The order of picking: kept for the mods still selected, new ones after.
    QStringList order;
    for (const QString &mod : qAsConst(m_selectionOrder)) {
        if (selected.contains(mod)) {
            order << mod;
        }
    }
    for (const QString &mod : qAsConst(selected)) {
        if (!order.contains(mod)) {
            order << mod;
        }
    }
    m_selectionOrder = order;
}

QStringList MainWindow::selectedMods() const
{
    QStringList mods;
    for (const QString &mod : m_selectionOrder) {
        if (m_modCfg.m_mods.contains(mod)) {
            mods << mod;
        }
    }
    return mods;
}

bool MainWindow::askForSeveral(const QString &question, const QStringList &mods)
{
    const int shown = 20;
    QStringList lines = mods.mid(0, shown);
    if (mods.size() > shown) {
        lines << tr("……（另有 %1 个）").arg(mods.size() - shown);
    }
    const auto answer = QMessageBox::information(
        this, tr("注意"), question + QLatin1String("\n\n") + lines.join(QLatin1Char('\n')),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton);
    return answer == QMessageBox::Yes;
}

void MainWindow::runOnSeveral(const QStringList &mods, const ModBatch::Command &command,
                              const QString &action, const QString &success)
{
    keepNotes();
    const ModBatch::Report report = ModBatch::run(mods, [this, &command](const QString &mod) {
        const CommandReport result = command(mod);
        m_progress.finish();
        return result;
    });
    QMessageBox::information(
        this, tr("提示"),
        CommandMessages::batchSummary(report, action, success, m_modCfg.m_cfgPath));
    if (report.changedAnything()) {
        refreshModList();
    }
}

void MainWindow::uninstallSeveral(const QStringList &mods)
{
    QStringList installed;
    QStringList withoutCopy;
    const GameLayout layout(m_gamePath, m_bakRoot, m_modStore);
    for (const QString &mod : mods) {
        if (m_modCfg.m_mods.value(mod).install == 0) {
            continue;
        }
        installed << mod;
        // As for one mod: without its kept copy it could never come back.
        if (!QFileInfo(layout.keptCopy(mod)).isDir()) {
            withoutCopy << mod;
        }
    }
    if (installed.isEmpty()) {
        return;
    }
    QString question = tr("将按以下顺序卸载 %1 个MOD，是否继续操作?").arg(installed.size());
    if (!withoutCopy.isEmpty()) {
        question +=
            tr("\n其中“%1”的存放副本已不存在，将会完全被移除。").arg(withoutCopy.join(tr("”、“")));
    }
    if (!askForSeveral(question, installed)) {
        return;
    }
    runOnSeveral(
        installed,
        [this, &withoutCopy](const QString &mod) {
            const bool remove = withoutCopy.contains(mod);
            return takeOutAsking([this, &mod, remove](ChangeDecision decision) {
                return remove ? modCommands().remove(mod, decision)
                              : modCommands().uninstall(mod, decision);
            });
        },
        tr("卸载", "the command named in a partial-success message"), tr("卸载成功!"));
}

void MainWindow::reinstallSeveral(const QStringList &mods)
{
    QStringList uninstalled;
    for (const QString &mod : mods) {
        if (m_modCfg.m_mods.value(mod).install == 0) {
            uninstalled << mod;
        }
    }
    if (uninstalled.isEmpty() ||
        !askForSeveral(tr("将按以下顺序安装 %1 个MOD，是否继续操作?").arg(uninstalled.size()),
                       uninstalled)) {
        return;
    }
    runOnSeveral(
        uninstalled, [this](const QString &mod) { return modCommands().reinstall(mod); },
        tr("安装", "the command named in a partial-success message"), tr("安装成功!"));
}

void MainWindow::removeSeveral(const QStringList &mods)
{
    if (!askForSeveral(tr("以下 %1 个MOD将会完全被移除，是否继续操作!").arg(mods.size()), mods)) {
        return;
    }
    runOnSeveral(
        mods,
        [this](const QString &mod) {
            return takeOutAsking([this, &mod](ChangeDecision decision) {
                return modCommands().remove(mod, decision);
            });
        },
        tr("移除", "the command named in a partial-success message"), tr("移除成功!"));
}

void MainWindow::installSeveral(const QStringList &sources)
{
    if (refuseWithoutGameFolder()) {
        return;
    }
    const ModCommands commands = modCommands();
    BatchInstallDialog dialog(
        InstallBatch::rows(sources),
        [&](QList<InstallBatch::Row> &rows, const QList<bool> &skipped) {
            InstallBatch::checkNames(commands, rows, skipped);
        },
        this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    QStringList names;
    QHash<QString, QString> sourceOf;
    for (const InstallBatch::Row &row : dialog.chosenRows()) {
        names << row.name;
        sourceOf.insert(row.name, row.source);
    }
    keepNotes();
    const ModBatch::Report report = ModBatch::run(names, [&](const QString &name) {
        const CommandReport result = modCommands().install(sourceOf.value(name), name);
        m_progress.finish();
        return result;
    });
    QStringList lines{CommandMessages::batchSummary(
        report, tr("安装", "the command named in a partial-success message"), tr("安装成功!"),
        m_modCfg.m_cfgPath)};
    for (const InstallBatch::Row &row : dialog.leftOutRows()) {
        lines << tr("未安装“%1”：%2")
                     .arg(QFileInfo(row.source).fileName(),
                          row.sourceRefused()
                              ? CommandMessages::batchRefusal(row, row.sourceRefusal)
                              : tr("未勾选"));
    }
    QMessageBox::information(this, tr("提示"), lines.join(QLatin1Char('\n')).trimmed());
    if (report.changedAnything()) {
        refreshModList();
    }
}
