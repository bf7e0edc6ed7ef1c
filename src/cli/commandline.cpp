#include "cli/commandline.h"

#include "config/languagesetting.h"
#include "config/workspace.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QMap>

namespace {

// Mods a command may take after its first.
const int kMany = 100000;

struct CommandShape
{
    int arguments;
    bool json;
    int optional = 0; // arguments that may follow the required ones
};

// Commands, their argument counts and whether they print JSON.
const QMap<QString, CommandShape> &commands()
{
    static const QMap<QString, CommandShape> known{
        {QStringLiteral("games"), {0, true}},
        {QStringLiteral("list"), {0, true}},
        {QStringLiteral("files"), {1, true}},
        {QStringLiteral("install"), {2, false}},
        {QStringLiteral("uninstall"), {1, false, kMany}},
        {QStringLiteral("reinstall"), {1, false, kMany}},
        {QStringLiteral("remove"), {1, false, kMany}},
        {QStringLiteral("verify"), {0, true, 1}},
    };
    return known;
}

// The --lang values and the languages they choose.
QString languageOfOption(const QString &value)
{
    if (value == QLatin1String("zh")) {
        return LanguageSetting::chinese();
    }
    if (value == QLatin1String("en")) {
        return LanguageSetting::english();
    }
    return QString();
}

// The value of option `name` in the raw arguments, in any of the forms the
// parser takes ("--name value", "--name=value", one dash as well).
QString rawValue(const QStringList &arguments, const QString &name)
{
    QString value;
    for (int i = 1; i < arguments.size(); ++i) {
        QString argument = arguments.at(i);
        if (argument == QLatin1String("--")) {
            break;
        }
        if (argument.startsWith(QLatin1String("--"))) {
            argument.remove(0, 1);
        }
        if (argument == QLatin1Char('-') + name) {
            value = arguments.value(i + 1);
        } else if (argument.startsWith(QLatin1Char('-') + name + QLatin1Char('='))) {
            value = argument.mid(name.size() + 2);
        }
    }
    return value;
}

QString severalUsage()
{
    return CommandLine::tr(
        "\n"
        "  install --batch PATH...  安装多个MOD，名称取自文件夹或压缩包名；\n"
        "                           有任何一个会被拒绝时，什么都不复制\n"
        "  uninstall|reinstall|remove MOD...  按顺序处理多个MOD，遇到第一个失败即停止\n"
        "  list --sort name|time    按名称（默认）或安装时间排序\n");
}

} // namespace

QString CommandLine::languageFor(const QStringList &arguments)
{
    const QString chosen = languageOfOption(rawValue(arguments, QStringLiteral("lang")));
    if (!chosen.isEmpty()) {
        return chosen;
    }
    const QString workdir = rawValue(arguments, QStringLiteral("workdir"));
    const Workspace workspace(workdir.isEmpty() ? QStringLiteral(".") : workdir);
    return LanguageSetting::read(workspace.settingsFile());
}

static QString commonUsage()
{
    return CommandLine::tr("用法: veldane-cli [--workdir DIR] [--game NAME] [--lang zh|en] COMMAND [ARGS]\n"
              "\n"
              "  games                    列出游戏及其目录\n"
              "  list                     列出当前游戏的MOD\n"
              "  files MOD                列出MOD的文件\n"
              "  install PATH NAME        安装MOD文件夹或 zip、7z、rar 压缩包\n"
              "  install --dry-run PATH NAME  只显示安装计划，不做任何改动\n"
              "  uninstall MOD            卸载MOD\n"
              "  reinstall MOD            重新安装已卸载的MOD\n"
              "  remove MOD [--yes]       完全移除MOD\n"
              "  verify [MOD]             检查已安装MOD的文件在安装后是否被改动\n"
              "\n"
              "  --workdir DIR  Veldane 的文件夹（默认为当前目录）\n"
              "  --game NAME    要操作的游戏（默认为设置中选中的游戏）\n"
              "  --lang zh|en   输出的语言（默认为设置中的界面语言）\n"
              "  --json         games、list、files、verify 与 --dry-run 输出 JSON\n"
              "  --yes          移除时不再询问\n"
              "  --keep-changed    uninstall、remove：安装后被改动过的游戏文件留在游戏中，\n"
              "                    本要恢复的版本另存到留存文件夹\n"
              "  --restore-anyway  uninstall、remove：改动过的文件另存到留存文件夹，照常恢复\n");
}

QString CommandLine::usage()
{
    return commonUsage() + severalUsage();
}

bool CommandLine::fail(const QString &error)
{
    m_error = error;
    return false;
}

bool CommandLine::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption workdir(QStringLiteral("workdir"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption game(QStringLiteral("game"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption lang(QStringLiteral("lang"), QString(), QStringLiteral("LANG"));
    const QCommandLineOption json(QStringLiteral("json"));
    const QCommandLineOption yes(QStringLiteral("yes"));
    const QCommandLineOption dryRun(QStringLiteral("dry-run"));
    const QCommandLineOption keepChanged(QStringLiteral("keep-changed"));
    const QCommandLineOption restoreAnyway(QStringLiteral("restore-anyway"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption batch(QStringLiteral("batch"));
    const QCommandLineOption sort(QStringLiteral("sort"), QString(), QStringLiteral("KEY"));
    parser.addOptions(
        {workdir, game, lang, json, yes, dryRun, keepChanged, restoreAnyway, help, batch, sort});
    if (!parser.parse(arguments)) {
        return fail(parser.errorText());
    }
    if (parser.isSet(help)) {
        m_help = true;
        return true;
    }
    for (const QCommandLineOption *single : {&workdir, &game, &lang, &sort}) {
        if (parser.values(*single).size() > 1) {
            return fail(tr("--%1 只能给一次").arg(single->names().constFirst()));
        }
    }
    m_workdir = parser.value(workdir);
    m_game = parser.value(game);
    m_json = parser.isSet(json);
    m_yes = parser.isSet(yes);
    m_dryRun = parser.isSet(dryRun);
    m_batch = parser.isSet(batch);
    m_sort = parser.value(sort);
    if (parser.isSet(workdir) && m_workdir.isEmpty()) {
        return fail(tr("--workdir 不能为空"));
    }
    if (parser.isSet(lang) && languageOfOption(parser.value(lang)).isEmpty()) {
        return fail(tr("--lang 只能是 zh 或 en"));
    }

    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        return fail(tr("缺少命令"));
    }
    m_command = positional.takeFirst();
    m_arguments = positional;
    if (!parseSeveral(positional)) {
        return false;
    }
    const auto shape = commands().constFind(m_command);
    if (shape == commands().cend()) {
        return fail(tr("未知命令“%1”").arg(m_command));
    }
    // install --batch takes paths only; the names come from them.
    if (!m_batch && (m_arguments.size() < shape->arguments ||
                     m_arguments.size() > shape->arguments + shape->optional)) {
        return fail(tr("命令“%1”需要 %2 个参数").arg(m_command).arg(shape->arguments));
    }
    if (m_dryRun && m_command != QLatin1String("install")) {
        return fail(tr("--dry-run 只用于 install"));
    }
    if (m_json && !shape->json && !m_dryRun) {
        return fail(tr("命令“%1”没有 JSON 输出").arg(m_command));
    }
    const bool takesOut =
        m_command == QLatin1String("remove") || m_command == QLatin1String("uninstall");
    if (m_yes && !takesOut) {
        return fail(tr("--yes 只用于 remove 与 uninstall"));
    }
    if (parser.isSet(keepChanged) || parser.isSet(restoreAnyway)) {
        if (!takesOut) {
            return fail(tr("--keep-changed 与 --restore-anyway 只用于 remove 与 uninstall"));
        }
        if (parser.isSet(keepChanged) && parser.isSet(restoreAnyway)) {
            return fail(tr("--keep-changed 与 --restore-anyway 只能选一个"));
        }
        m_changeDecision =
            parser.isSet(keepChanged) ? ChangeDecision::KeepChanged : ChangeDecision::RestoreAnyway;
    }
    return true;
}

bool CommandLine::parseSeveral(const QStringList &positional)
{
    if (m_batch && (m_command != QLatin1String("install") || positional.isEmpty())) {
        return fail(tr("--batch 只用于 install，且至少需要一个路径"));
    }
    if (!m_sort.isEmpty() &&
        (m_command != QLatin1String("list") ||
         (m_sort != QLatin1String("name") && m_sort != QLatin1String("time")))) {
        return fail(tr("--sort 只用于 list，取值为 name 或 time"));
    }
    return true;
}
