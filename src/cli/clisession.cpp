#include "cli/clisession.h"

#include "catalogue/conflictcounts.h"
#include "catalogue/modlistorder.h"
#include "cli/commandline.h"
#include "config/foldername.h"
#include "config/gamesettings.h"
#include "deploy/commandmessages.h"
#include "deploy/installbatch.h"
#include "deploy/installpreview.h"
#include "deploy/layerstack.h"
#include "deploy/modcommands.h"
#include "deploy/modsource.h"
#include "platform/console.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>

#include <memory>

namespace {

QString outcomeName(CommandReport::Outcome outcome)
{
    switch (outcome) {
    case CommandReport::Done:
        return QStringLiteral("done");
    case CommandReport::SourceMissing:
        return QStringLiteral("sourceMissing");
    case CommandReport::SourceOverlapsGame:
        return QStringLiteral("sourceOverlapsGame");
    case CommandReport::NoGameFolder:
        return QStringLiteral("noGameFolder");
    case CommandReport::NameTaken:
        return QStringLiteral("nameTaken");
    case CommandReport::UnsafeName:
        return QStringLiteral("unsafeName");
    case CommandReport::NotRecorded:
        return QStringLiteral("notRecorded");
    case CommandReport::AlreadyInstalled:
        return QStringLiteral("alreadyInstalled");
    case CommandReport::NotInstalled:
        return QStringLiteral("notInstalled");
    case CommandReport::RecordedElsewhere:
        return QStringLiteral("recordedElsewhere");
    case CommandReport::CatalogueFailed:
        return QStringLiteral("catalogueFailed");
    case CommandReport::NameIsGame:
        return QStringLiteral("nameIsGame");
    case CommandReport::RestoredRecordKept:
        return QStringLiteral("restoredRecordKept");
    case CommandReport::GameBusy:
        return QStringLiteral("gameBusy");
    case CommandReport::ChangedFiles:
        return QStringLiteral("changedFiles");
    case CommandReport::ArchiveRefused:
        return QStringLiteral("archiveRefused");
    case CommandReport::KeptFolderTaken:
        return QStringLiteral("keptFolderTaken");
    case CommandReport::GameFileHeld:
        return QStringLiteral("gameFileHeld");
    }
    return QString();
}

QJsonValue nameOrNull(const QString &name)
{
    return name.isEmpty() ? QJsonValue() : QJsonValue(name);
}

QString operationWord(bool replaced)
{
    return replaced ? CliSession::tr("替换") : CliSession::tr("增加");
}

} // namespace

CliSession::CliSession(const Workspace &workspace, const CommandLine &line)
    : m_workspace(workspace), m_line(line), m_catalogue(m_workspace.configFolder()),
      m_showProgress(Console::errorIsTerminal())
{
}

int CliSession::run()
{
    const QString command = m_line.command();
    const QStringList args = m_line.arguments();
    if (command == QLatin1String("games")) {
        return games();
    }
    if (!chooseGame()) {
        return Refused;
    }
    if (command == QLatin1String("list")) {
        return list();
    }
    if (m_line.several()) {
        return several(command, args);
    }
    if (command == QLatin1String("files")) {
        return files(args.at(0));
    }
    if (command == QLatin1String("install")) {
        return install(args.at(0), args.at(1));
    }
    if (command == QLatin1String("uninstall")) {
        return uninstall(args.at(0));
    }
    if (command == QLatin1String("reinstall")) {
        return reinstall(args.at(0));
    }
    if (command == QLatin1String("remove")) {
        return remove(args.at(0));
    }
    if (command == QLatin1String("verify")) {
        return verify(args.value(0));
    }
    return UsageError;
}

bool CliSession::chooseGame()
{
    const GameSettings settings(m_workspace);
    QString game = m_line.game();
    if (game.isEmpty()) {
        game = settings.currentGame();
        if (game.isEmpty()) {
            refuse(tr("无法获取游戏路径,请检查注册表!"));
            return false;
        }
    }
    // The name becomes the catalogue's, the kept copies' and the backups'
    // folder name.
    if (!isSafeFolderName(game)) {
        refuse(tr("游戏名“%1”不能用作文件夹名，请在%2中改正！")
                   .arg(game, QDir::toNativeSeparators(settings.file())));
        return false;
    }
    if (!settings.games().contains(game) && settings.gamePath(game).isEmpty()) {
        refuse(tr("找不到游戏“%1”，请先在设置中添加。").arg(game));
        return false;
    }
    m_game = game;
    m_layout = GameLayout::forGame(m_workspace, game);
    m_catalogue.setGame(game);
    // An unreadable catalogue would list as empty and fail every change: say
    // so once, up front. Loading again adds nothing to records already read.
    if (m_catalogue.exists() && m_catalogue.m_mods.isEmpty() && !m_catalogue.load()) {
        refuse(tr("无法读取MOD记录（%1），未做任何改动。")
                   .arg(QDir::toNativeSeparators(
                       QFileInfo(m_catalogue.m_cfgPath).absoluteFilePath())));
        return false;
    }
    return true;
}

int CliSession::games()
{
    const GameSettings settings(m_workspace);
    const QString current = settings.currentGame();
    QJsonArray list;
    QString text;
    for (const QString &game : settings.games()) {
        const QString folder = settings.gamePath(game);
        list.append(QJsonObject{{QStringLiteral("name"), game},
                                {QStringLiteral("folder"), folder},
                                {QStringLiteral("selected"), game == current}});
        text += QStringLiteral("%1 %2\t%3\n")
                    .arg(game == current ? QStringLiteral("*") : QStringLiteral(" "), game,
                         QDir::toNativeSeparators(folder));
    }
    if (m_line.json()) {
        printJson(QJsonDocument(QJsonObject{{QStringLiteral("selected"), nameOrNull(current)},
                                            {QStringLiteral("games"), list}}));
    } else {
        print(text);
    }
    return Success;
}

int CliSession::list()
{
    QJsonArray mods;
    QString text;
    for (const QString &id : ModListOrder::parse(m_line.sort()).ids(m_catalogue.m_mods)) {
        const ModRecord &record = *m_catalogue.m_mods.constFind(id);
        const bool installed = record.install != 0;
        const ConflictCounts conflicts = ConflictCounts::of(m_catalogue, id);
        mods.append(QJsonObject{{QStringLiteral("name"), id},
                                {QStringLiteral("installed"), installed},
                                {QStringLiteral("time"), record.time},
                                {QStringLiteral("added"), record.add.size()},
                                {QStringLiteral("replaced"), record.replace.size()},
                                {QStringLiteral("overwrites"), conflicts.overwrites},
                                {QStringLiteral("overwritten_by"), conflicts.overwrittenBy}});
        text += tr("%1\t%2\t%3\t增加 %4\t替换 %5\n")
                    .arg(id, installed ? tr("已安装") : tr("未安装"), record.time)
                    .arg(record.add.size())
                    .arg(record.replace.size());
    }
    if (m_line.json()) {
        printJson(QJsonDocument(
            QJsonObject{{QStringLiteral("game"), m_game}, {QStringLiteral("mods"), mods}}));
    } else {
        print(text);
    }
    return Success;
}

int CliSession::files(const QString &mod)
{
    const auto record = m_catalogue.m_mods.constFind(mod);
    if (record == m_catalogue.m_mods.cend()) {
        CommandReport report;
        report.outcome = CommandReport::NotRecorded;
        return finish(report, mod, QString(), QString());
    }
    const QMap<QString, QStringList> stacks = LayerStack::stacks(m_catalogue.m_mods);
    QJsonArray list;
    QString text;
    const auto add = [&](const FileItem &file, bool replaced) {
        // The window's rule for a file shown in blue: a mod installed later
        // wrote the same file over this one.
        const bool overwritten = file.order < m_catalogue.installedItemCount(file.path);
        const QString by = overwritten
                               ? stacks.value(file.path).value(stacks.value(file.path).size() - 1)
                               : QString();
        list.append(QJsonObject{{QStringLiteral("path"), file.path},
                                {QStringLiteral("operation"),
                                 replaced ? QStringLiteral("replaced") : QStringLiteral("added")},
                                {QStringLiteral("layer"), file.order},
                                {QStringLiteral("overwritten"), overwritten},
                                {QStringLiteral("overwrittenBy"), nameOrNull(by)}});
        text += QStringLiteral("%1\t%2\t%3")
                    .arg(operationWord(replaced))
                    .arg(file.order)
                    .arg(QDir::toNativeSeparators(file.path));
        if (overwritten) {
            text += tr("\t被“%1”覆盖").arg(by);
        }
        text += QLatin1Char('\n');
    };
    for (const FileItem &file : record->add) {
        add(file, false);
    }
    for (const FileItem &file : record->replace) {
        add(file, true);
    }
    if (m_line.json()) {
        printJson(QJsonDocument(QJsonObject{{QStringLiteral("game"), m_game},
                                            {QStringLiteral("mod"), mod},
                                            {QStringLiteral("installed"), record->install != 0},
                                            {QStringLiteral("files"), list}}));
    } else {
        print(text);
    }
    return Success;
}

int CliSession::install(const QString &path, const QString &name)
{
    ModSource source(path);
    // The engine unpacks an archive straight into the kept copy; only the dry
    // run, which keeps nothing, unpacks into a temporary folder.
    const bool unpackedByInstall = !m_line.dryRun() && ModCommands::isArchive(path);
    if (!unpackedByInstall) {
        CommandProgress unpacking = progress(tr("解压"));
        if (source.isArchive()) {
            unpacking.range(0, 1000);
        }
        if (!source.prepare([&unpacking](int perMille) { unpacking.value(perMille); })) {
            return refuse(CommandMessages::sourceFailure(source));
        }
    }
    if (m_line.dryRun()) {
        return preview(source.folder(), name);
    }
    const QString installed =
        unpackedByInstall ? QFileInfo(path).absoluteFilePath() : source.folder();

    ModCommands commands(m_catalogue, m_layout, progress(tr("安装")));
    CommandReport report;
    report.outcome = commands.installRefusal(installed, name);
    if (report.outcome == CommandReport::Done && !prepareCatalogue()) {
        report.outcome = CommandReport::CatalogueFailed;
    }
    if (report.outcome == CommandReport::Done) {
        report = commands.install(installed, name);
    }
    return finish(report, name, tr("安装成功!"), tr("安装"));
}

int CliSession::preview(const QString &folder, const QString &name)
{
    const InstallPreview plan = InstallPreview::plan(m_catalogue, m_layout, folder, name);
    const QString message =
        plan.refusal == CommandReport::Done
            ? QString()
            : CommandMessages::describe(CommandReport{plan.refusal}, name, QString(), QString(),
                                        m_catalogue.m_cfgPath);
    if (m_line.json()) {
        QJsonArray replaced;
        for (const InstallPreview::Replacement &file : plan.replaced) {
            replaced.append(
                QJsonObject{{QStringLiteral("path"), file.path},
                            {QStringLiteral("providedBy"), nameOrNull(file.providedBy)}});
        }
        QJsonObject refusal;
        if (plan.refusal != CommandReport::Done) {
            refusal = QJsonObject{{QStringLiteral("code"), outcomeName(plan.refusal)},
                                  {QStringLiteral("message"), message}};
        }
        printJson(QJsonDocument(QJsonObject{
            {QStringLiteral("game"), m_game},
            {QStringLiteral("mod"), name},
            {QStringLiteral("refusal"), refusal.isEmpty() ? QJsonValue() : QJsonValue(refusal)},
            {QStringLiteral("added"), QJsonArray::fromStringList(plan.added)},
            {QStringLiteral("replaced"), replaced},
            {QStringLiteral("skippedLinks"), QJsonArray::fromStringList(plan.skippedLinks)},
            {QStringLiteral("unrecordableNames"),
             QJsonArray::fromStringList(plan.unrecordableNames)}}));
    } else {
        QString text;
        for (const QString &file : plan.added) {
            text += tr("增加\t%1\n").arg(QDir::toNativeSeparators(file));
        }
        for (const InstallPreview::Replacement &file : plan.replaced) {
            text += tr("替换\t%1\t%2\n")
                        .arg(QDir::toNativeSeparators(file.path),
                             file.providedBy.isEmpty() ? tr("游戏原文件")
                                                       : tr("来自“%1”").arg(file.providedBy));
        }
        for (const QString &link : plan.skippedLinks) {
            text += tr("跳过链接\t%1\n").arg(QDir::toNativeSeparators(link));
        }
        for (const QString &entry : plan.unrecordableNames) {
            text += tr("无法记录\t%1\n").arg(QDir::toNativeSeparators(entry));
        }
        print(text);
    }
    if (plan.refusal != CommandReport::Done) {
        return refuse(message);
    }
    return Success;
}

int CliSession::uninstall(const QString &mod)
{
    // As in the window: without its kept copy the mod could never be
    // installed again, so uninstalling it means removing it.
    if (m_catalogue.m_mods.contains(mod) && !QFileInfo(m_layout.keptCopy(mod)).isDir()) {
        return remove(mod);
    }
    if (!prepareCatalogue()) {
        return finish(CommandReport{CommandReport::CatalogueFailed}, mod, QString(), QString());
    }
    const CommandReport report = ModCommands(m_catalogue, m_layout, progress(tr("卸载")))
                                     .uninstall(mod, m_line.changeDecision());
    return finish(report, mod, tr("卸载成功!"), tr("卸载"));
}

int CliSession::verify(const QString &mod)
{
    if (!mod.isEmpty()) {
        const auto record = m_catalogue.m_mods.constFind(mod);
        CommandReport report;
        if (record == m_catalogue.m_mods.cend()) {
            report.outcome = CommandReport::NotRecorded;
        } else if (record->install == 0) {
            report.outcome = CommandReport::NotInstalled;
        }
        if (report.outcome != CommandReport::Done) {
            return finish(report, mod, QString(), QString());
        }
    }
    const QList<ModFileCheck> checks = ModCommands(m_catalogue, m_layout).verify(mod);
    QJsonArray list;
    QString text;
    for (const ModFileCheck &check : checks) {
        list.append(
            QJsonObject{{QStringLiteral("mod"), check.mod},
                        {QStringLiteral("changed"), QJsonArray::fromStringList(check.changed)},
                        {QStringLiteral("missing"), QJsonArray::fromStringList(check.missing)},
                        {QStringLiteral("unchanged"), check.unchanged},
                        {QStringLiteral("unrecorded"), check.unrecorded}});
        text += tr("%1\t改动 %2，缺失 %3，未改动 %4\n")
                    .arg(check.mod)
                    .arg(check.changed.size())
                    .arg(check.missing.size())
                    .arg(check.unchanged);
        for (const QString &path : check.changed) {
            text += tr("已改动\t%1\n").arg(QDir::toNativeSeparators(path));
        }
        for (const QString &path : check.missing) {
            text += tr("缺失\t%1\n").arg(QDir::toNativeSeparators(path));
        }
    }
    if (m_line.json()) {
        printJson(QJsonDocument(
            QJsonObject{{QStringLiteral("game"), m_game}, {QStringLiteral("mods"), list}}));
    } else {
        print(text);
    }
    return Success;
}

int CliSession::reinstall(const QString &mod)
{
    if (!prepareCatalogue()) {
        return finish(CommandReport{CommandReport::CatalogueFailed}, mod, QString(), QString());
    }
    const CommandReport report =
        ModCommands(m_catalogue, m_layout, progress(tr("安装"))).reinstall(mod);
    return finish(report, mod, tr("安装成功!"), tr("安装"));
}

int CliSession::remove(const QString &mod)
{
    if (!m_catalogue.m_mods.contains(mod)) {
        return finish(CommandReport{CommandReport::NotRecorded}, mod, QString(), QString());
    }
    if (!m_line.yes() && !confirmRemoval()) {
        return Refused;
    }
    const CommandReport report = ModCommands(m_catalogue, m_layout, progress(tr("移除")))
                                     .remove(mod, m_line.changeDecision());
    return finish(report, mod, tr("移除成功!"), tr("移除"));
}

bool CliSession::confirmRemoval()
{
    const QString warning = tr("MOD将会完全被移除，是否继续操作!");
    // Nobody can answer: a script has to say --yes.
    if (!Console::inputIsTerminal()) {
        refuse(warning + tr(" 没有终端可以确认，请加 --yes。未做任何改动。"));
        return false;
    }
    endProgressLine();
    Console::writeError((warning + QStringLiteral(" [y/N] ")).toUtf8());
    const QByteArray answer = Console::readLine().trimmed().toLower();
    if (answer == "y" || answer == "yes") {
        return true;
    }
    refuse(tr("未做任何改动。"));
    return false;
}

bool CliSession::prepareCatalogue()
{
    if (m_catalogue.exists()) {
        return true;
    }
    QDir().mkpath(m_workspace.configFolder());
    return m_catalogue.create();
}

CommandProgress CliSession::progress(const QString &label)
{
    CommandProgress progress;
    if (!m_showProgress) {
        return progress;
    }
    auto maximum = std::make_shared<int>(0);
    progress.setRange = [maximum](int, int top) { *maximum = top; };
    progress.setValue = [this, maximum, label](int value) {
        Console::writeError(
            QStringLiteral("\r%1 %2/%3").arg(label).arg(value).arg(*maximum).toUtf8());
        m_progressLineOpen = true;
    };
    return progress;
}

void CliSession::endProgressLine() const
{
    if (m_progressLineOpen) {
        Console::writeError("\n");
        m_progressLineOpen = false;
    }
}

int CliSession::finish(const CommandReport &report, const QString &mod, const QString &success,
                       const QString &action)
{
    const QString text =
        CommandMessages::describe(report, mod, success, action, m_catalogue.m_cfgPath);
    if (report.outcome == CommandReport::Done && report.clean()) {
        print(text + QLatin1Char('\n'));
        return Success;
    }
    if (report.outcome == CommandReport::ChangedFiles) {
        // The window asks here; a command line says how to answer.
        QStringList lines{text};
        lines += report.changedFiles.mid(0, 10);
        if (report.changedFiles.size() > 10) {
            lines << tr("……");
        }
        lines << tr("加 --keep-changed 让改动后的文件留在游戏中，"
                    "或加 --restore-anyway 照常恢复；另一个版本都会另存到留存文件夹。");
        return refuse(lines.join(QLatin1Char('\n')));
    }
    return refuse(text);
}

void CliSession::print(const QString &text) const
{
    endProgressLine();
    Console::writeOut(text.toUtf8());
}

void CliSession::printJson(const QJsonDocument &document) const
{
    endProgressLine();
    Console::writeOut(document.toJson(QJsonDocument::Indented));
}

int CliSession::refuse(const QString &reason) const
{
    endProgressLine();
    Console::writeError(reason.toUtf8() + '\n');
    return Refused;
}

int CliSession::several(const QString &command, const QStringList &args)
{
    if (command == QLatin1String("install")) {
        return installBatch(args);
    }
    for (const QString &mod : args) {
        if (!m_catalogue.m_mods.contains(mod)) {
            return finish(CommandReport{CommandReport::NotRecorded}, mod, QString(), QString());
        }
    }
    if (!prepareCatalogue()) {
        return finish(CommandReport{CommandReport::CatalogueFailed}, args.value(0), QString(),
                      QString());
    }
    ModCommands commands(m_catalogue, m_layout, progress(command));
    if (command == QLatin1String("reinstall")) {
        return finishSeveral(
            ModBatch::run(args, [&](const QString &mod) { return commands.reinstall(mod); }),
            tr("安装"), tr("安装成功!"));
    }
    // As for one mod: an uninstall without the kept copy is a removal, and a
    // removal is confirmed, once for all of them.
    const bool removing = command == QLatin1String("remove");
    QStringList removed;
    for (const QString &mod : args) {
        if (removing || !QFileInfo(m_layout.keptCopy(mod)).isDir()) {
            removed << mod;
        }
    }
    if (!removed.isEmpty() && !m_line.yes() && !confirmRemoval()) {
        return Refused;
    }
    const ChangeDecision decision = m_line.changeDecision();
    return finishSeveral(ModBatch::run(args,
                                       [&](const QString &mod) {
                                           return removed.contains(mod)
                                                      ? commands.remove(mod, decision)
                                                      : commands.uninstall(mod, decision);
                                       }),
                         removing ? tr("移除") : tr("卸载"),
                         removing ? tr("移除成功!") : tr("卸载成功!"));
}

int CliSession::installBatch(const QStringList &paths)
{
    QList<InstallBatch::Row> rows = InstallBatch::rows(paths);
    ModCommands commands(m_catalogue, m_layout, progress(tr("安装")));
    InstallBatch::checkNames(commands, rows);
    // Every refusal is told before anything is copied, so that one run of
    // corrections is enough.
    QStringList refusals;
    QStringList names;
    QHash<QString, QString> sourceOf;
    for (const InstallBatch::Row &row : qAsConst(rows)) {
        if (row.refused()) {
            refusals << tr("%1（MOD名“%2”）：%3")
                            .arg(QDir::toNativeSeparators(row.source), row.name,
                                 CommandMessages::batchRefusal(row, row.refusal));
        }
        names << row.name;
        sourceOf.insert(row.name, row.source);
    }
    if (!refusals.isEmpty()) {
        refusals << tr("未做任何改动。");
        return refuse(refusals.join(QLatin1Char('\n')));
    }
    if (m_line.dryRun()) {
        QString text;
        for (const InstallBatch::Row &row : qAsConst(rows)) {
            text += QStringLiteral("%1\t%2\n").arg(row.name, QDir::toNativeSeparators(row.source));
        }
        print(text);
        return Success;
    }
    if (!prepareCatalogue()) {
        return finish(CommandReport{CommandReport::CatalogueFailed}, names.value(0), QString(),
                      QString());
    }
    return finishSeveral(ModBatch::run(names,
                                       [&](const QString &name) {
                                           return commands.install(sourceOf.value(name), name);
                                       }),
                         tr("安装"), tr("安装成功!"));
}

int CliSession::finishSeveral(const ModBatch::Report &report, const QString &action,
                              const QString &success)
{
    const QString text =
        CommandMessages::batchSummary(report, action, success, m_catalogue.m_cfgPath);
    if (!report.complete()) {
        return refuse(text);
    }
    print(text + QLatin1Char('\n'));
    return Success;
}
