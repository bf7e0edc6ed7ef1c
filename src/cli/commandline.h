#ifndef VELDANE_CLI_COMMANDLINE_H
#define VELDANE_CLI_COMMANDLINE_H

#include "deploy/changedecision.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

// The tool's arguments: `veldane-cli [--workdir DIR] [--game NAME] [--lang
// zh|en] COMMAND [ARGS]`, options anywhere. parse() checks the command's argument count and
// which options it takes, so that a mistyped call changes nothing.
class CommandLine
{
    Q_DECLARE_TR_FUNCTIONS(CommandLine)

public:
    bool parse(const QStringList &arguments);

    // Why parse() failed, for standard error.
    QString error() const { return m_error; }
    bool helpWanted() const { return m_help; }
    static QString usage();
    // The language the tool speaks: --lang when given, else the one in the
    // workspace's settings. Taken from the raw arguments, before parse(), so
    // that parse()'s complaints come in it too.
    static QString languageFor(const QStringList &arguments);

    QString workdir() const { return m_workdir; }
    QString game() const { return m_game; }
    QString command() const { return m_command; }
    QStringList arguments() const { return m_arguments; }
    bool json() const { return m_json; }
    bool yes() const { return m_yes; }
    bool dryRun() const { return m_dryRun; }
    // install --batch PATH...: names from the folders' and archives' names.
    bool batch() const { return m_batch; }
    // list --sort name|time (ModListOrder's spelling); empty for the name order.
    QString sort() const { return m_sort; }
    // Several mods for uninstall, reinstall or remove, or --batch.
    bool several() const
    {
        return m_batch || (m_arguments.size() > 1 && m_command != QLatin1String("install"));
    }
    // What uninstall and remove do with game files changed since the install:
    // Ask (refuse and name them) unless --keep-changed or --restore-anyway.
    ChangeDecision changeDecision() const { return m_changeDecision; }

private:
    bool fail(const QString &error);
    // The checks of --batch, --sort and several mods, before the common ones.
    bool parseSeveral(const QStringList &positional);

    QString m_error;
    bool m_help = false;
    QString m_workdir;
    QString m_game;
    QString m_command;
    QStringList m_arguments;
    bool m_json = false;
    bool m_yes = false;
    bool m_dryRun = false;
    bool m_batch = false;
    QString m_sort;
    ChangeDecision m_changeDecision = ChangeDecision::Ask;
};

#endif
