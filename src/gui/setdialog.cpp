#include "gui/setdialog.h"

#include "config/foldername.h"
#include "config/gameinfo.h"
#include "config/gamesettings.h"
#include "config/languagesetting.h"
#include "deploy/gamedeletion.h"
#include "gui/folderchooser.h"
#include "gui/setgamedlg.h"
#include "ui_setdialog.h"

#include <QMessageBox>

SetDialog::SetDialog(QWidget *parent) : QDialog(parent), ui(new Ui_SetDialog)
{
    ui->setupUi(this);

    const GameSettings settings;
    ui->lineEditBakPath->setText(settings.shownBackupPath());

    // Each language is named in itself, so that whoever cannot read the
    // current interface still finds their own.
    ui->comboBoxLanguage->addItem(QStringLiteral("中文"), LanguageSetting::chinese());
    ui->comboBoxLanguage->addItem(QStringLiteral("English"), LanguageSetting::english());
    ui->comboBoxLanguage->setCurrentIndex(
        qMax(0, ui->comboBoxLanguage->findData(LanguageSetting::read())));

    ui->comboBoxGame->addItems(settings.games());

    const QString selected = settings.selectedGame();
    const int index =
        ui->comboBoxGame->findText(selected, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0) {
        ui->comboBoxGame->setCurrentIndex(index);
    }
    // The folder of the entry that is current: OK stores the field under that
    // entry, also when the stored selection is no longer in the list.
    ui->lineEditGamePath->setText(GameInfo::gamePath(ui->comboBoxGame->currentText()));

    // Connected after filling, so that filling runs no slot.
    connect(ui->buttonView, &QPushButton::clicked, this, &SetDialog::sltViewBakFolder);
    connect(ui->buttonViewGP, &QPushButton::clicked, this, &SetDialog::sltViewGamePath);
    connect(ui->buttonOk, &QPushButton::clicked, this, &SetDialog::sltOk);
    connect(ui->buttonCancel, &QPushButton::clicked, this, &SetDialog::sltCancel);
    connect(ui->buttonAdd, &QPushButton::clicked, this, &SetDialog::sltAddGame);
    connect(ui->comboBoxGame, &QComboBox::currentTextChanged, this, &SetDialog::sltSelectChanged);
    connect(ui->buttonDelete, &QPushButton::clicked, this, &SetDialog::sltDeleteGame);
}

SetDialog::~SetDialog()
{
    delete ui;
}

void SetDialog::sltViewBakFolder()
{
    const QString folder = FolderChooser::chooseFolder();
    if (!folder.isEmpty()) {
        ui->lineEditBakPath->setText(folder);
    }
}

void SetDialog::sltViewGamePath()
{
    const QString folder = FolderChooser::chooseGameFolder();
    if (!folder.isEmpty()) {
        ui->lineEditGamePath->setText(folder);
    }
}

void SetDialog::sltOk()
{
    if (ui->lineEditBakPath->text().isEmpty() || ui->lineEditGamePath->text().isEmpty()) {
        QMessageBox::information(this, tr("提示"), tr("路径不能为空!"), QMessageBox::Ok);
        return;
    }
    // Without a game the path would be stored under no group at all and the
    // caller would start with no game.
    if (ui->comboBoxGame->currentText().isEmpty()) {
        QMessageBox::information(this, tr("提示"), tr("请先添加游戏！"), QMessageBox::Ok);
        return;
    }
    // Only a hand-edited settings file holds such a name; the program would
    // build the game's backup and mod folders from it.
    const QString game = ui->comboBoxGame->currentText();
    if (!isSafeFolderName(game)) {
        QMessageBox::information(
            this, tr("提示"),
            tr("游戏名“%1”不能用作文件夹名，请在%2中改正！").arg(game, GameInfo::settingsFile()),
            QMessageBox::Ok);
        return;
    }
    m_game = game;

    GameSettings settings;
    bool written = settings.setBackupPath(ui->lineEditBakPath->text());
    written = settings.setSelectedGame(m_game) && written;
    written = settings.setLanguage(ui->comboBoxLanguage->currentData().toString()) && written;
    written = settings.setGamePath(m_game, ui->lineEditGamePath->text()) && written;
    if (!written) {
        QMessageBox::information(
            this, tr("提示"), tr("设置保存失败，请检查%1是否可写！").arg(GameInfo::settingsFile()),
            QMessageBox::Ok);
        return;
    }
    accept();
}

void SetDialog::sltCancel()
{
    reject();
}

void SetDialog::sltAddGame()
{
    SetGameDlg dialog(this);
    if (dialog.exec() == 0) {
        return;
    }
    // Names differing only in letter case share the settings group, the
    // catalogue and the folders wherever the file system ignores case.
    if (ui->comboBoxGame->findText(dialog.m_gameName, Qt::MatchFixedString) >= 0) {
        QMessageBox::information(nullptr, tr("提示"), tr("游戏配置已存在，无需添加！"),
                                 QMessageBox::Ok);
        return;
    }
    // Stored before the entry is appended: when the list was empty the new
    // entry becomes current and the game-path field then shows the folder just
    // chosen.
    if (!GameInfo::setGamePath(dialog.m_gameName, dialog.m_gamePath)) {
        QMessageBox::information(nullptr, tr("提示"),
                                 tr("添加失败，请检查%1是否可写！").arg(GameInfo::settingsFile()),
                                 QMessageBox::Ok);
        return;
    }
    ui->comboBoxGame->addItem(dialog.m_gameName);
    QMessageBox::information(nullptr, tr("提示"), tr("添加成功！"), QMessageBox::Ok);
}

void SetDialog::sltDeleteGame()
{
    const QString game = ui->comboBoxGame->currentText();
    const QString backupRoot = ui->lineEditBakPath->text();

    QString refusal;
    QString heldFolder;
    switch (GameDeletion::check(backupRoot, game, &heldFolder)) {
    case GameDeletion::Refusal::None:
        break;
    case GameDeletion::Refusal::NoGame:
        refusal = tr("没有可删除的游戏！");
        break;
    case GameDeletion::Refusal::NoBackupRoot:
        refusal = tr("备份路径不能为空!");
        break;
    case GameDeletion::Refusal::UnsafeName:
        refusal = tr("游戏名“%1”不能用作文件夹名，未删除任何文件！").arg(game);
        break;
    case GameDeletion::Refusal::ProgramFolder:
        refusal = tr("备份路径下的“%1”包含本程序自己的文件夹，未删除任何文件！").arg(game);
        break;
    case GameDeletion::Refusal::UserFolder:
        refusal = tr("删除“%1”会一并删除游戏安装目录或用户文件夹“%2”，"
                     "未删除任何文件！请换一个备份路径。")
                      .arg(game, heldFolder);
        break;
    }
    if (!refusal.isEmpty()) {
        QMessageBox::information(this, tr("提示"), refusal, QMessageBox::Ok);
        return;
    }

    QString question = tr("游戏管理相关文件将被完全删除，是否继续？");
    const int installed = GameDeletion::installedMods(game);
    if (installed > 0) {
        question = tr("该游戏仍有 %1 个MOD处于安装状态，它们的备份是被替换的游戏文件"
                      "仅有的副本，删除后将无法恢复。\n")
                       .arg(installed) +
                   question;
    }
    if (QMessageBox::information(this, tr("注意"), question, QMessageBox::Yes | QMessageBox::No) !=
        QMessageBox::Yes) {
        return;
    }

    const GameDeletion::Result result = GameDeletion::removeGame(backupRoot, game);
    if (!result.failed.isEmpty()) {
        QMessageBox::information(this, tr("提示"),
                                 tr("以下文件未能删除，游戏配置已保留，请检查后重试：\n") +
                                     result.failed.join(QLatin1Char('\n')),
                                 QMessageBox::Ok);
        return;
    }
    // The entry goes even when the settings file could not be written: the
    // game's files are gone either way.
    ui->comboBoxGame->removeItem(ui->comboBoxGame->currentIndex());
    if (!result.settingsWritten) {
        QMessageBox::information(this, tr("提示"),
                                 tr("游戏文件已删除，但%1写入失败！").arg(GameInfo::settingsFile()),
                                 QMessageBox::Ok);
        return;
    }
    QString done = tr("游戏成功移除!");
    if (!result.keptSetAside.isEmpty()) {
        done += tr("\n卸载时留存的文件未删除：\n%1").arg(result.keptSetAside);
    }
    QMessageBox::information(this, tr("提示"), done, QMessageBox::Ok);
}

void SetDialog::sltSelectChanged(QString text)
{
    Q_UNUSED(text);
    ui->lineEditGamePath->setText(GameInfo::gamePath(ui->comboBoxGame->currentText()));
}
