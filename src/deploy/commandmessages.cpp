#include "deploy/commandmessages.h"

#include "deploy/modsource.h"
#include "log/ceasylog.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

QString CommandMessages::logFile()
{
    return QDir::toNativeSeparators(QFileInfo(CEasyLog::todayFilePath()).absoluteFilePath());
}

QString CommandMessages::describe(const CommandReport &report, const QString &mod,
                                  const QString &success, const QString &action,
                                  const QString &catalogueFile)
{
    switch (report.outcome) {
    case CommandReport::Done:
        return finished(report, success, action);
    case CommandReport::NameTaken:
    case CommandReport::UnsafeName:
    case CommandReport::NotRecorded:
    case CommandReport::RecordedElsewhere:
    case CommandReport::NameIsGame:
    case CommandReport::KeptFolderTaken:
        return nameRefusal(report.outcome, mod);
    case CommandReport::GameBusy:
    case CommandReport::ChangedFiles:
    case CommandReport::SourceMissing:
    case CommandReport::SourceOverlapsGame:
    case CommandReport::NoGameFolder:
    case CommandReport::AlreadyInstalled:
    case CommandReport::NotInstalled:
    case CommandReport::CatalogueFailed:
    case CommandReport::ArchiveRefused:
    case CommandReport::GameFileHeld:
    case CommandReport::RestoredRecordKept:
        return refusal(report, catalogueFile);
    }
    return QString();
}

QString CommandMessages::finished(const CommandReport &report, const QString &success,
                                  const QString &action)
{
    QString text;
    if (report.removalStopped) {
        text = tr("移除未完成：%1 个文件未能恢复，MOD已保留为未安装状态，备份仍在。"
                  "详情请查看日志：%2")
                   .arg(report.failed)
                   .arg(logFile());
    } else if (report.clean()) {
        text = success;
    } else {
        text = tr("%1完成，但有 %2 个文件失败，%3 个文件未改动。详情请查看日志：%4")
                   .arg(action)
                   .arg(report.failed)
                   .arg(report.leftAlone)
                   .arg(logFile());
    }
    if (!report.setAsideFolder.isEmpty()) {
        text += tr("\n\n%1 个文件的另一个版本已移到：\n%2\nVeldane不会删除它们。")
                    .arg(report.setAside)
                    .arg(QDir::toNativeSeparators(report.setAsideFolder));
    }
    return text;
}

QString CommandMessages::nameRefusal(CommandReport::Outcome outcome, const QString &mod)
{
    switch (outcome) {
    case CommandReport::NameTaken:
        return tr("已有名为“%1”的MOD，未做任何改动。请换一个名称。").arg(mod);
    case CommandReport::UnsafeName:
        return tr("MOD名“%1”不能用作文件夹名，未做任何改动。").arg(mod);
    case CommandReport::NotRecorded:
        return tr("找不到MOD“%1”的记录。").arg(mod);
    case CommandReport::RecordedElsewhere:
        return tr("MOD“%1”的文件记录在另一个游戏目录下，未做任何改动。"
                  "请检查设置中的游戏目录。")
            .arg(mod);
    case CommandReport::NameIsGame:
        return tr("MOD名“%1”与游戏名相同，无法使用，未做任何改动。请换一个名称。").arg(mod);
    case CommandReport::KeptFolderTaken:
        return tr("MOD存放文件夹中已有名为“%1”的文件夹，它不属于任何已记录的MOD，"
                  "未做任何改动。请换一个名称，或先移走该文件夹。")
            .arg(mod);
    default:
        return QString();
    }
}

QString CommandMessages::refusal(const CommandReport &report, const QString &catalogueFile)
{
    const auto catalogue = [&catalogueFile] {
        return QDir::toNativeSeparators(QFileInfo(catalogueFile).absoluteFilePath());
    };
    switch (report.outcome) {
    case CommandReport::GameBusy:
        return tr("另一个 Veldane 正在操作这个游戏，请稍后再试。");
    case CommandReport::ChangedFiles:
        return tr("有 %1 个文件在MOD安装后被改动过（例如游戏更新或手动修改），"
                  "未做任何改动。")
            .arg(report.changedFiles.size());
    case CommandReport::SourceMissing:
        return tr("安装失败!");
    case CommandReport::SourceOverlapsGame:
        return tr("所选文件夹与游戏目录重叠（是游戏目录本身、在其中或包含它），"
                  "无法安装，未做任何改动。");
    case CommandReport::NoGameFolder:
        return tr("游戏目录未设置或不存在，未做任何改动。请先在设置中选择游戏目录。");
    case CommandReport::AlreadyInstalled:
        return tr("MOD已经安装!");
    case CommandReport::NotInstalled:
        return tr("MOD没有安装!");
    case CommandReport::CatalogueFailed:
        return tr("无法写入MOD记录（%1），游戏文件未做任何改动。").arg(catalogue());
    case CommandReport::ArchiveRefused:
        return tr("压缩包“%1”未安装：\n%2")
            .arg(QFileInfo(report.path).fileName(), archiveFailure(report.archiveFailure));
    case CommandReport::GameFileHeld:
        return tr("游戏文件正被另一个程序（通常是正在运行的游戏）占用，无法更改：\n%1\n"
                  "请关闭游戏后再试。未做任何改动。")
            .arg(QDir::toNativeSeparators(report.path));
    case CommandReport::RestoredRecordKept:
        return tr("游戏文件已恢复，但无法删除MOD记录（%1），记录已保留为未安装状态。"
                  "请再试一次移除。")
            .arg(catalogue());
    default:
        return QString();
    }
}

QString CommandMessages::batchSummary(const ModBatch::Report &report, const QString &action,
                                      const QString &success, const QString &catalogueFile)
{
    const QString separator = tr("、");
    QStringList lines;
    if (!report.done.isEmpty()) {
        lines << tr("已%1 %2 个MOD：%3。")
                     .arg(action)
                     .arg(report.done.size())
                     .arg(report.done.join(separator));
    }
    // Versions moved aside are the user's: every folder that received one is
    // named, as a single command names it.
    for (int i = 0; i < report.reports.size(); ++i) {
        if (!report.reports.at(i).setAsideFolder.isEmpty()) {
            lines << tr("“%1”：%2")
                         .arg(report.done.at(i), describe(report.reports.at(i), report.done.at(i),
                                                          QString(), action, catalogueFile)
                                                     .trimmed());
        }
    }
    if (!report.complete()) {
        lines << tr("在“%1”处停止：%2")
                     .arg(report.stoppedAt,
                          describe(report.stop, report.stoppedAt, success, action, catalogueFile));
        if (!report.notRun.isEmpty()) {
            lines << tr("未处理：%1。").arg(report.notRun.join(separator));
        }
    }
    return lines.join(QLatin1Char('\n'));
}

QString CommandMessages::batchRefusal(const InstallBatch::Row &row, InstallBatch::Refusal refusal)
{
    using Refusal = InstallBatch::Refusal;
    switch (refusal) {
    case Refusal::None:
        return QString();
    case Refusal::NotAModSource:
        return tr("不是MOD文件夹或 zip、7z、rar 压缩包");
    case Refusal::Archive:
        return archiveFailure(row.archiveFailure);
    case Refusal::Install:
        // Install refusals never concern the catalogue file.
        return describe(CommandReport{row.installRefusal}, row.name, QString(), QString(),
                        QString());
    case Refusal::NameTwice:
        return tr("与第 %1 行的MOD名相同。").arg(row.sameNameAs + 1);
    }
    return QString();
}

QString CommandMessages::sourceFailure(const ModSource &source)
{
    switch (source.failure()) {
    case ModSource::Failure::None:
        return QString();
    case ModSource::Failure::NotAModSource:
        return tr("只能安装MOD文件夹或 zip、7z、rar 压缩包，以下项目未安装：\n%1")
            .arg(QDir::toNativeSeparators(source.path()));
    case ModSource::Failure::NoTempFolder:
        return tr("无法创建临时文件夹，压缩包“%1”未安装：\n%2")
            .arg(QFileInfo(source.path()).fileName(), source.outcome().detail());
    case ModSource::Failure::Unpacking: {
        CommandReport refused{CommandReport::ArchiveRefused};
        refused.path = source.path();
        refused.archiveFailure = source.archiveFailure();
        return describe(refused, QString(), QString(), QString(), QString());
    }
    }
    return QString();
}

QString CommandMessages::archiveFailure(const Outcome<ArchiveExtractor::Failure> &failure,
                                        qint64 sizeLimit)
{
    using Failure = ArchiveExtractor::Failure;
    const QString &detail = failure.detail();
    switch (failure.code()) {
    case Failure::None:
        return QString();
    case Failure::CannotOpen:
        return tr("无法打开压缩包，文件无法读取或不是 zip、7z、rar 格式：%1").arg(detail);
    case Failure::Damaged:
        return tr("压缩包已损坏或不完整，无法解压：%1").arg(detail);
    case Failure::AbsolutePath:
        return tr("压缩包中有使用绝对路径的条目，已拒绝：%1").arg(detail);
    case Failure::ParentReference:
        return tr("压缩包中有含“..”的路径，已拒绝：%1").arg(detail);
    case Failure::UnsafeName:
        return tr("压缩包中有不安全的文件名，已拒绝：%1").arg(detail);
    case Failure::Link:
        return tr("压缩包中有链接，已拒绝：%1").arg(detail);
    case Failure::SpecialFile:
        return tr("压缩包中有设备、管道等特殊文件，已拒绝：%1").arg(detail);
    case Failure::Encrypted:
        return tr("压缩包中有加密的条目，无法解压：%1").arg(detail);
    case Failure::TooLarge:
        return tr("压缩包解压后超过 %1 的大小上限，已拒绝。")
            .arg(QLocale::system().formattedDataSize(sizeLimit));
    case Failure::NoFiles:
        return tr("压缩包中没有文件。");
    case Failure::FolderNotMade:
        return tr("无法创建文件夹：%1").arg(detail);
    case Failure::WriteFailed:
        return tr("无法写入临时文件夹：%1").arg(detail);
    }
    return QString();
}

QString CommandMessages::folderNameReason(FolderNameFault fault)
{
    switch (fault) {
    case FolderNameFault::None:
        return QString();
    case FolderNameFault::Empty:
        return tr("不能为空");
    case FolderNameFault::DotOrDotDot:
        return tr("不能是“.”或“..”");
    case FolderNameFault::Separator:
        return tr("不能包含“/”或“\\”");
    case FolderNameFault::ControlCharacter:
        return tr("不能包含控制字符");
    case FolderNameFault::ReservedCharacter:
        return tr("不能包含以下字符：< > : \" | ? *");
    case FolderNameFault::TrailingDotOrBlank:
        return tr("不能以点或空格结尾");
    case FolderNameFault::DeviceName:
        return tr("不能是Windows设备名（如CON、NUL、COM1、LPT1）");
    case FolderNameFault::TooLong:
        return tr("太长");
    }
    return QString();
}
