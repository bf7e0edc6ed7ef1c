#ifndef VELDANE_DEPLOY_CHANGEDECISION_H
#define VELDANE_DEPLOY_CHANGEDECISION_H

// What an uninstall or removal does with game files that changed since the
// mod put them there (a game update, a hand edit). Either way the version that
// does not stay in the game is set aside, never deleted.
enum class ChangeDecision
{
    Ask,          // touch nothing and report the changed files
    KeepChanged,  // the game keeps them; what would have come back is set aside
    RestoreAnyway // the changed versions are set aside and the restore goes on
};

#endif
