<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>BatchInstallDialog</name>
    <message>
        <source>安装多个MOD</source>
        <translation>Install several mods</translation>
    </message>
    <message>
        <source>确认或修改每个MOD的名称；取消勾选的项目不会安装。</source>
        <translation>Confirm or edit each mod&apos;s name; unticked items are not installed.</translation>
    </message>
    <message>
        <source>MOD名</source>
        <translation>Mod name</translation>
    </message>
    <message>
        <source>来源</source>
        <translation>Source</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>State</translation>
    </message>
    <message>
        <source>安装</source>
        <translation>Install</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>不安装</source>
        <translation>Not installed</translation>
    </message>
    <message>
        <source>可以安装</source>
        <translation>Ready to install</translation>
    </message>
</context>
<context>
    <name>CardLibraryModel</name>
    <message>
        <source>%1组 %2</source>
        <translation>Group %1: %2</translation>
    </message>
    <message>
        <source>%1
%2，%3</source>
        <translation>%1
%2, %3</translation>
    </message>
</context>
<context>
    <name>CardLibraryView</name>
    <message>
        <source>……（另有 %1 个）</source>
        <translation>… (and %1 more)</translation>
    </message>
    <message>
        <source>查找文件名</source>
        <translation>Find a file name</translation>
    </message>
    <message>
        <source>按名称</source>
        <translation>By name</translation>
    </message>
    <message>
        <source>按日期</source>
        <translation>By date</translation>
    </message>
    <message>
        <source>按大小</source>
        <translation>By size</translation>
    </message>
    <message>
        <source>包含子文件夹</source>
        <translation>Subfolders</translation>
    </message>
    <message>
        <source>缩略图大小</source>
        <translation>Thumbnail size</translation>
    </message>
    <message>
        <source>查找重复</source>
        <translation>Duplicates</translation>
    </message>
    <message>
        <source>移动到…</source>
        <translation>Move to…</translation>
    </message>
    <message>
        <source>删除到回收站</source>
        <translation>To the trash</translation>
    </message>
    <message>
        <source>正在读取卡片…</source>
        <translation>Reading the cards…</translation>
    </message>
    <message>
        <source>%1 张重复卡片</source>
        <translation>%1 duplicate cards</translation>
    </message>
    <message>
        <source>%1 张卡片</source>
        <translation>%1 cards</translation>
    </message>
    <message>
        <source>正在查找重复卡片…</source>
        <translation>Looking for duplicates…</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>请先选择要移动的卡片。</source>
        <translation>Select the cards to move first.</translation>
    </message>
    <message>
        <source>选择文件夹</source>
        <translation>Choose a Folder</translation>
    </message>
    <message>
        <source>已移动 %1 张卡片到 %2。</source>
        <translation>Moved %1 cards to %2.</translation>
    </message>
    <message>
        <source>其中 %1 张因重名改了名字（没有覆盖任何文件）：
%2</source>
        <translation>%1 of them took a new name because the name was taken (no file was replaced):
%2</translation>
    </message>
    <message>
        <source>%1 张卡片未能移动，仍在原处：
%2</source>
        <translation>%1 cards could not be moved and are still where they were:
%2</translation>
    </message>
    <message>
        <source>请先选择要删除的卡片。</source>
        <translation>Select the cards to delete first.</translation>
    </message>
    <message>
        <source>注意</source>
        <translation>Please Confirm</translation>
    </message>
    <message>
        <source>把选中的 %1 张卡片移到回收站？可以从回收站还原。</source>
        <translation>Move the %1 selected cards to the trash? They can be restored from there.</translation>
    </message>
    <message>
        <source>已将 %1 张卡片移到回收站。</source>
        <translation>Moved %1 cards to the trash.</translation>
    </message>
    <message>
        <source>回收站不可用，以下 %1 张卡片没有删除：
%2</source>
        <translation>The trash cannot be used; these %1 cards were not deleted:
%2</translation>
    </message>
    <message>
        <source>%1 张卡片已不在原处，未做处理：
%2</source>
        <translation>%1 cards were no longer there and were left alone:
%2</translation>
    </message>
</context>
<context>
    <name>CliSession</name>
    <message>
        <source>替换</source>
        <translation>Replaced</translation>
    </message>
    <message>
        <source>增加</source>
        <translation>Added</translation>
    </message>
    <message>
        <source>无法获取游戏路径,请检查注册表!</source>
        <translation>Cannot find the game folder. Please check the registry.</translation>
    </message>
    <message>
        <source>游戏名“%1”不能用作文件夹名，请在%2中改正！</source>
        <translation>The game name “%1” cannot be used as a folder name. Please correct it in %2.</translation>
    </message>
    <message>
        <source>找不到游戏“%1”，请先在设置中添加。</source>
        <translation>Game “%1” not found. Please add it in the settings first.</translation>
    </message>
    <message>
        <source>无法读取MOD记录（%1），未做任何改动。</source>
        <translation>Cannot read the mod records (%1). Nothing was changed.</translation>
    </message>
    <message>
        <source>%1	%2	%3	增加 %4	替换 %5
</source>
        <translation>%1	%2	%3	added %4	replaced %5
</translation>
    </message>
    <message>
        <source>已安装</source>
        <translation>installed</translation>
    </message>
    <message>
        <source>未安装</source>
        <translation>not installed</translation>
    </message>
    <message>
        <source>	被“%1”覆盖</source>
        <translation>	covered by “%1”</translation>
    </message>
    <message>
        <source>解压</source>
        <translation>Unpacking</translation>
    </message>
    <message>
        <source>安装</source>
        <translation>Install</translation>
    </message>
    <message>
        <source>安装成功!</source>
        <translation>Installed successfully.</translation>
    </message>
    <message>
        <source>增加	%1
</source>
        <translation>Added	%1
</translation>
    </message>
    <message>
        <source>替换	%1	%2
</source>
        <translation>Replaced	%1	%2
</translation>
    </message>
    <message>
        <source>游戏原文件</source>
        <translation>original game file</translation>
    </message>
    <message>
        <source>来自“%1”</source>
        <translation>from “%1”</translation>
    </message>
    <message>
        <source>跳过链接	%1
</source>
        <translation>Skipped link	%1
</translation>
    </message>
    <message>
        <source>无法记录	%1
</source>
        <translation>Cannot record	%1
</translation>
    </message>
    <message>
        <source>卸载</source>
        <translation>Uninstall</translation>
    </message>
    <message>
        <source>卸载成功!</source>
        <translation>Uninstalled successfully.</translation>
    </message>
    <message>
        <source>%1	改动 %2，缺失 %3，未改动 %4
</source>
        <translation>%1	changed %2, missing %3, unchanged %4
</translation>
    </message>
    <message>
        <source>已改动	%1
</source>
        <translation>Changed	%1
</translation>
    </message>
    <message>
        <source>缺失	%1
</source>
        <translation>Missing	%1
</translation>
    </message>
    <message>
        <source>移除</source>
        <translation>Removal</translation>
    </message>
    <message>
        <source>移除成功!</source>
        <translation>Removed successfully.</translation>
    </message>
    <message>
        <source>MOD将会完全被移除，是否继续操作!</source>
        <translation>The mod will be removed completely. Continue?</translation>
    </message>
    <message>
        <source> 没有终端可以确认，请加 --yes。未做任何改动。</source>
        <translation> There is no terminal to confirm on; add --yes. Nothing was changed.</translation>
    </message>
    <message>
        <source>未做任何改动。</source>
        <translation>Nothing was changed.</translation>
    </message>
    <message>
        <source>……</source>
        <translation>…</translation>
    </message>
    <message>
        <source>加 --keep-changed 让改动后的文件留在游戏中，或加 --restore-anyway 照常恢复；另一个版本都会另存到留存文件夹。</source>
        <translation>Add --keep-changed to leave the changed files in the game, or --restore-anyway to restore as usual; either way the other version is set aside in the kept-files folder.</translation>
    </message>
    <message>
        <source>%1（MOD名“%2”）：%3</source>
        <translation>%1 (mod name “%2”): %3</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>用法: veldane-cli [--workdir DIR] [--game NAME] [--lang zh|en] COMMAND [ARGS]

  games                    列出游戏及其目录
  list                     列出当前游戏的MOD
  files MOD                列出MOD的文件
  install PATH NAME        安装MOD文件夹或 zip、7z、rar 压缩包
  install --dry-run PATH NAME  只显示安装计划，不做任何改动
  uninstall MOD            卸载MOD
  reinstall MOD            重新安装已卸载的MOD
  remove MOD [--yes]       完全移除MOD
  verify [MOD]             检查已安装MOD的文件在安装后是否被改动

  --workdir DIR  Veldane 的文件夹（默认为当前目录）
  --game NAME    要操作的游戏（默认为设置中选中的游戏）
  --lang zh|en   输出的语言（默认为设置中的界面语言）
  --json         games、list、files、verify 与 --dry-run 输出 JSON
  --yes          移除时不再询问
  --keep-changed    uninstall、remove：安装后被改动过的游戏文件留在游戏中，
                    本要恢复的版本另存到留存文件夹
  --restore-anyway  uninstall、remove：改动过的文件另存到留存文件夹，照常恢复
</source>
        <translation>Usage: veldane-cli [--workdir DIR] [--game NAME] [--lang zh|en] COMMAND [ARGS]

  games                    list the games and their folders
  list                     list the mods of the current game
  files MOD                list the files of a mod
  install PATH NAME        install a mod folder or a zip, 7z or rar archive
  install --dry-run PATH NAME  only show the install plan, change nothing
  uninstall MOD            uninstall a mod
  reinstall MOD            install an uninstalled mod again
  remove MOD [--yes]       remove a mod completely
  verify [MOD]             check whether installed mods&apos; files changed since the install

  --workdir DIR  the Veldane folder (default: the current folder)
  --game NAME    the game to work on (default: the game selected in the settings)
  --lang zh|en   the language of the output (default: the interface language in the settings)
  --json         JSON output for games, list, files, verify and --dry-run
  --yes          remove without asking
  --keep-changed    uninstall, remove: game files changed since the install stay in the game;
                    the version to restore is set aside in the kept-files folder
  --restore-anyway  uninstall, remove: changed files are set aside in the kept-files folder, then restored as usual
</translation>
    </message>
    <message>
        <source>--%1 只能给一次</source>
        <translation>--%1 may be given only once</translation>
    </message>
    <message>
        <source>--workdir 不能为空</source>
        <translation>--workdir cannot be empty</translation>
    </message>
    <message>
        <source>--lang 只能是 zh 或 en</source>
        <translation>--lang must be zh or en</translation>
    </message>
    <message>
        <source>缺少命令</source>
        <translation>No command given</translation>
    </message>
    <message>
        <source>未知命令“%1”</source>
        <translation>Unknown command “%1”</translation>
    </message>
    <message>
        <source>命令“%1”需要 %2 个参数</source>
        <translation>Command “%1” takes %2 argument(s)</translation>
    </message>
    <message>
        <source>--dry-run 只用于 install</source>
        <translation>--dry-run is only for install</translation>
    </message>
    <message>
        <source>命令“%1”没有 JSON 输出</source>
        <translation>Command “%1” has no JSON output</translation>
    </message>
    <message>
        <source>--yes 只用于 remove 与 uninstall</source>
        <translation>--yes is only for remove and uninstall</translation>
    </message>
    <message>
        <source>--keep-changed 与 --restore-anyway 只用于 remove 与 uninstall</source>
        <translation>--keep-changed and --restore-anyway are only for remove and uninstall</translation>
    </message>
    <message>
        <source>--keep-changed 与 --restore-anyway 只能选一个</source>
        <translation>Choose only one of --keep-changed and --restore-anyway</translation>
    </message>
    <message>
        <source>文件夹“%1”不存在
</source>
        <translation>Folder “%1” does not exist
</translation>
    </message>
    <message>
        <source>
  install --batch PATH...  安装多个MOD，名称取自文件夹或压缩包名；
                           有任何一个会被拒绝时，什么都不复制
  uninstall|reinstall|remove MOD...  按顺序处理多个MOD，遇到第一个失败即停止
  list --sort name|time    按名称（默认）或安装时间排序
</source>
        <translation>
  install --batch PATH...  install several mods, each named after its folder or archive;
                           if any of them would be refused, nothing is copied
  uninstall|reinstall|remove MOD...  act on several mods in order, stopping at the first failure
  list --sort name|time    sort by name (the default) or by install time
</translation>
    </message>
    <message>
        <source>--batch 只用于 install，且至少需要一个路径</source>
        <translation>--batch is only for install, and needs at least one path</translation>
    </message>
    <message>
        <source>--sort 只用于 list，取值为 name 或 time</source>
        <translation>--sort is only for list, and takes name or time</translation>
    </message>
</context>
<context>
    <name>CommandMessages</name>
    <message>
        <source>移除未完成：%1 个文件未能恢复，MOD已保留为未安装状态，备份仍在。详情请查看日志：%2</source>
        <translation>Removal stopped: %1 file(s) could not be restored. The mod was kept as not installed, and its backups are still there. Details are in the log: %2</translation>
    </message>
    <message>
        <source>%1完成，但有 %2 个文件失败，%3 个文件未改动。详情请查看日志：%4</source>
        <translation>%1 finished, but not every file went through (failed: %2, left unchanged: %3). Details are in the log: %4</translation>
    </message>
    <message>
        <source>安装失败!</source>
        <translation>Installation failed.</translation>
    </message>
    <message>
        <source>所选文件夹与游戏目录重叠（是游戏目录本身、在其中或包含它），无法安装，未做任何改动。</source>
        <translation>The chosen folder overlaps the game folder (it is the game folder itself, lies inside it or contains it), so it cannot be installed. Nothing was changed.</translation>
    </message>
    <message>
        <source>游戏目录未设置或不存在，未做任何改动。请先在设置中选择游戏目录。</source>
        <translation>The game folder is not set or does not exist; nothing was changed. Please choose the game folder in the settings first.</translation>
    </message>
    <message>
        <source>已有名为“%1”的MOD，未做任何改动。请换一个名称。</source>
        <translation>A mod named “%1” already exists; nothing was changed. Please choose another name.</translation>
    </message>
    <message>
        <source>MOD名“%1”不能用作文件夹名，未做任何改动。</source>
        <translation>The mod name “%1” cannot be used as a folder name; nothing was changed.</translation>
    </message>
    <message>
        <source>找不到MOD“%1”的记录。</source>
        <translation>There is no record of the mod “%1”.</translation>
    </message>
    <message>
        <source>MOD已经安装!</source>
        <translation>The mod is already installed.</translation>
    </message>
    <message>
        <source>MOD没有安装!</source>
        <translation>The mod is not installed.</translation>
    </message>
    <message>
        <source>MOD“%1”的文件记录在另一个游戏目录下，未做任何改动。请检查设置中的游戏目录。</source>
        <translation>The files of the mod “%1” were recorded under another game folder; nothing was changed. Please check the game folder in the settings.</translation>
    </message>
    <message>
        <source>无法写入MOD记录（%1），游戏文件未做任何改动。</source>
        <translation>Cannot write the mod records (%1); the game&apos;s files were not changed.</translation>
    </message>
    <message>
        <source>另一个 Veldane 正在操作这个游戏，请稍后再试。</source>
        <translation>Another Veldane is working on this game. Please try again in a moment.</translation>
    </message>
    <message>
        <source>MOD名“%1”与游戏名相同，无法使用，未做任何改动。请换一个名称。</source>
        <translation>The mod name “%1” is the name of the game and cannot be used; nothing was changed. Please choose another name.</translation>
    </message>
    <message>
        <source>游戏文件已恢复，但无法删除MOD记录（%1），记录已保留为未安装状态。请再试一次移除。</source>
        <translation>The game files were restored, but the mod&apos;s record could not be deleted (%1); it was kept as not installed. Please try removing the mod again.</translation>
    </message>
    <message>
        <source>

%1 个文件的另一个版本已移到：
%2
Veldane不会删除它们。</source>
        <translation>

Another version of %1 file(s) was moved to:
%2
Veldane will not delete them.</translation>
    </message>
    <message>
        <source>有 %1 个文件在MOD安装后被改动过（例如游戏更新或手动修改），未做任何改动。</source>
        <translation>Files changed since the mod was installed (for example by a game update or by hand): %1. Nothing was changed.</translation>
    </message>
    <message>
        <source>压缩包“%1”未安装：
%2</source>
        <translation>The archive “%1” was not installed:
%2</translation>
    </message>
    <message>
        <source>MOD存放文件夹中已有名为“%1”的文件夹，它不属于任何已记录的MOD，未做任何改动。请换一个名称，或先移走该文件夹。</source>
        <translation>The mod store already holds a folder named “%1” that belongs to no recorded mod. Nothing was changed. Choose another name, or move that folder away first.</translation>
    </message>
    <message>
        <source>无法打开压缩包，文件无法读取或不是 zip、7z、rar 格式：%1</source>
        <translation>Cannot open the archive: the file cannot be read or is not a zip, 7z or rar archive: %1</translation>
    </message>
    <message>
        <source>压缩包已损坏或不完整，无法解压：%1</source>
        <translation>The archive is damaged or incomplete and cannot be unpacked: %1</translation>
    </message>
    <message>
        <source>压缩包中有使用绝对路径的条目，已拒绝：%1</source>
        <translation>The archive contains an entry with an absolute path and was refused: %1</translation>
    </message>
    <message>
        <source>压缩包中有含“..”的路径，已拒绝：%1</source>
        <translation>The archive contains a path with “..” and was refused: %1</translation>
    </message>
    <message>
        <source>压缩包中有不安全的文件名，已拒绝：%1</source>
        <translation>The archive contains an unsafe file name and was refused: %1</translation>
    </message>
    <message>
        <source>压缩包中有链接，已拒绝：%1</source>
        <translation>The archive contains a link and was refused: %1</translation>
    </message>
    <message>
        <source>压缩包中有设备、管道等特殊文件，已拒绝：%1</source>
        <translation>The archive contains a special file, such as a device or a pipe, and was refused: %1</translation>
    </message>
    <message>
        <source>压缩包中有加密的条目，无法解压：%1</source>
        <translation>The archive contains an encrypted entry and cannot be unpacked: %1</translation>
    </message>
    <message>
        <source>压缩包解压后超过 %1 的大小上限，已拒绝。</source>
        <translation>Unpacked, the archive would exceed the size limit of %1, so it was refused.</translation>
    </message>
    <message>
        <source>压缩包中没有文件。</source>
        <translation>The archive contains no files.</translation>
    </message>
    <message>
        <source>无法写入临时文件夹：%1</source>
        <translation>Cannot write to the temporary folder: %1</translation>
    </message>
    <message>
        <source>不能为空</source>
        <translation>must not be empty</translation>
    </message>
    <message>
        <source>不能是“.”或“..”</source>
        <translation>must not be “.” or “..”</translation>
    </message>
    <message>
        <source>不能包含“/”或“\”</source>
        <translation>must not contain “/” or “\”</translation>
    </message>
    <message>
        <source>不能包含控制字符</source>
        <translation>must not contain control characters</translation>
    </message>
    <message>
        <source>不能包含以下字符：&lt; &gt; : &quot; | ? *</source>
        <translation>must not contain any of these characters: &lt; &gt; : &quot; | ? *</translation>
    </message>
    <message>
        <source>不能以点或空格结尾</source>
        <translation>must not end with a dot or a space</translation>
    </message>
    <message>
        <source>不能是Windows设备名（如CON、NUL、COM1、LPT1）</source>
        <translation>must not be a Windows device name (such as CON, NUL, COM1 or LPT1)</translation>
    </message>
    <message>
        <source>太长</source>
        <translation>is too long</translation>
    </message>
    <message>
        <source>游戏文件正被另一个程序（通常是正在运行的游戏）占用，无法更改：
%1
请关闭游戏后再试。未做任何改动。</source>
        <translation>A game file is in use by another program (usually the running game) and cannot be changed:
%1
Please close the game and try again. Nothing was changed.</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>已%1 %2 个MOD：%3。</source>
        <translation>%1 done for %2 mods: %3.</translation>
    </message>
    <message>
        <source>“%1”：%2</source>
        <translation>“%1”: %2</translation>
    </message>
    <message>
        <source>在“%1”处停止：%2</source>
        <translation>Stopped at “%1”: %2</translation>
    </message>
    <message>
        <source>未处理：%1。</source>
        <translation>Not done: %1.</translation>
    </message>
    <message>
        <source>不是MOD文件夹或 zip、7z、rar 压缩包</source>
        <translation>Not a mod folder or a zip, 7z or rar archive</translation>
    </message>
    <message>
        <source>与第 %1 行的MOD名相同。</source>
        <translation>Same mod name as row %1.</translation>
    </message>
    <message>
        <source>只能安装MOD文件夹或 zip、7z、rar 压缩包，以下项目未安装：
%1</source>
        <translation>Only mod folders and zip, 7z or rar archives can be installed. These were not installed:
%1</translation>
    </message>
    <message>
        <source>无法创建临时文件夹，压缩包“%1”未安装：
%2</source>
        <translation>Cannot create a temporary folder, so the archive “%1” was not installed:
%2</translation>
    </message>
    <message>
        <source>无法创建文件夹：%1</source>
        <translation>Cannot create the folder: %1</translation>
    </message>
</context>
<context>
    <name>Dialog</name>
    <message>
        <source>MOD名称</source>
        <translation>Mod Name</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>mod名不能为空</source>
        <translation>The mod name must not be empty.</translation>
    </message>
    <message>
        <source>mod名%1</source>
        <translation>The mod name %1.</translation>
    </message>
    <message>
        <source>不能是“%1”（留存文件的文件夹）</source>
        <translation>must not be “%1” (the folder for set-aside files)</translation>
    </message>
</context>
<context>
    <name>FolderChooser</name>
    <message>
        <source>选择文件夹</source>
        <translation>Choose a Folder</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>MOD</source>
        <translation>Mods</translation>
    </message>
    <message>
        <source>安装MOD</source>
        <translation>Install a mod</translation>
    </message>
    <message>
        <source>备注：</source>
        <translation>Notes:</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>打开游戏目录</source>
        <translation>Open the game folder</translation>
    </message>
    <message>
        <source>移除MOD</source>
        <translation>Remove the mod</translation>
    </message>
    <message>
        <source>PNG</source>
        <translation>Cards</translation>
    </message>
    <message>
        <source>刷新</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>打开文件夹</source>
        <translation>Open the folder</translation>
    </message>
    <message>
        <source>名字</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>安装时间</source>
        <translation>Installed</translation>
    </message>
    <message>
        <source>路径</source>
        <translation>Path</translation>
    </message>
    <message>
        <source>操作</source>
        <translation>Action</translation>
    </message>
    <message>
        <source>安装</source>
        <translation>Install</translation>
    </message>
    <message>
        <source>卸载</source>
        <translation>Uninstall</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>无法获取游戏路径,请检查注册表!</source>
        <translation>Cannot find the game folder. Please check the registry.</translation>
    </message>
    <message>
        <source>男人</source>
        <translation>Male characters</translation>
    </message>
    <message>
        <source>女人</source>
        <translation>Female characters</translation>
    </message>
    <message>
        <source>背景</source>
        <translation>Backgrounds</translation>
    </message>
    <message>
        <source>摄像</source>
        <translation>Screenshots</translation>
    </message>
    <message>
        <source>老场景</source>
        <translation>Studio scenes</translation>
    </message>
    <message>
        <source>新场景</source>
        <translation>Studio Neo scenes</translation>
    </message>
    <message>
        <source>场景</source>
        <translation>Scenes</translation>
    </message>
    <message>
        <source>增加</source>
        <translation>Added</translation>
    </message>
    <message>
        <source>替换</source>
        <translation>Replaced</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>已有名为“%1”的MOD，未做任何改动。请换一个名称。</source>
        <translation>A mod named “%1” already exists; nothing was changed. Please choose another name.</translation>
    </message>
    <message>
        <source>安装成功!</source>
        <translation>Installed successfully.</translation>
    </message>
    <message>
        <source>安装</source>
        <comment>the command named in a partial-success message</comment>
        <translation>Installation</translation>
    </message>
    <message>
        <source>卸载成功!</source>
        <translation>Uninstalled successfully.</translation>
    </message>
    <message>
        <source>卸载</source>
        <comment>the command named in a partial-success message</comment>
        <translation>Uninstallation</translation>
    </message>
    <message>
        <source>注意</source>
        <translation>Please Confirm</translation>
    </message>
    <message>
        <source>MOD将会完全被移除，是否继续操作!</source>
        <translation>The mod will be removed completely. Continue?</translation>
    </message>
    <message>
        <source>移除成功!</source>
        <translation>Removed successfully.</translation>
    </message>
    <message>
        <source>移除</source>
        <comment>the command named in a partial-success message</comment>
        <translation>Removal</translation>
    </message>
    <message>
        <source>关于</source>
        <translation>About</translation>
    </message>
    <message>
        <source>版本：%1
作者：Veldane 开发团队</source>
        <translation>Version: %1
Authors: the Veldane developers</translation>
    </message>
    <message>
        <source>暂时不支持此游戏！</source>
        <translation>This game is not supported yet.</translation>
    </message>
    <message>
        <source>正在安装拖入的MOD，请等待完成后再拖入。</source>
        <translation>The mods dropped earlier are still being installed. Please wait until they are done before dropping more.</translation>
    </message>
    <message>
        <source>只能拖入MOD文件夹或 zip、7z、rar 压缩包，以下项目未安装：
%1</source>
        <translation>Only mod folders and zip, 7z or rar archives can be dropped. These items were not installed:
%1</translation>
    </message>
    <message>
        <source>安装“%1”</source>
        <translation>installing “%1”</translation>
    </message>
    <message>
        <source>撤销安装“%1”（MOD文件已不完整，游戏文件已恢复原样）</source>
        <translation>undoing the installation of “%1” (the mod&apos;s files were no longer complete; the game files are as they were)</translation>
    </message>
    <message>
        <source>卸载“%1”</source>
        <translation>uninstalling “%1”</translation>
    </message>
    <message>
        <source>移除“%1”</source>
        <translation>removing “%1”</translation>
    </message>
    <message>
        <source>上次的操作被中断，已自动完成：%1。</source>
        <translation>The last operation was interrupted and has now been finished: %1.</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>上次被中断的操作（MOD“%1”）暂时无法完成：无法写入MOD记录（%2）。下次启动时会再试。</source>
        <translation>The interrupted operation (mod “%1”) cannot be finished now: the mod records could not be written (%2). Veldane will try again at the next start.</translation>
    </message>
    <message>
        <source>”、“</source>
        <translation>”, “</translation>
    </message>
    <message>
        <source>其中 %1 个文件未能处理，详情请查看日志：%2</source>
        <translation>Files that could not be handled: %1. See the log for details: %2</translation>
    </message>
    <message>
        <source>检查文件</source>
        <translation>Check files</translation>
    </message>
    <message>
        <source>……（另有 %1 个）</source>
        <translation>… (and %1 more)</translation>
    </message>
    <message>
        <source>有 %1 个文件在MOD安装后被改动过（例如游戏更新或手动修改）：
%2

保留改动：游戏保留改动后的文件，原本要恢复的版本移到留存文件夹。
照常恢复：改动后的文件移到留存文件夹，再照常恢复。
取消：不做任何改动。

留存文件夹：%3</source>
        <translation>Files changed since the mod was installed (for example by a game update or by hand): %1
%2

Keep changes: the game keeps the changed files; the versions that would have been restored are moved to the set-aside folder.
Restore anyway: the changed files are moved to the set-aside folder, then the restore goes ahead.
Cancel: nothing is changed.

Set-aside folder: %3</translation>
    </message>
    <message>
        <source>保留改动</source>
        <translation>Keep changes</translation>
    </message>
    <message>
        <source>照常恢复</source>
        <translation>Restore anyway</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>筛选：MOD名或备注</source>
        <translation>Filter: mod name or notes</translation>
    </message>
    <message>
        <source>文件数</source>
        <translation>Files</translation>
    </message>
    <message>
        <source>冲突</source>
        <translation>Conflicts</translation>
    </message>
    <message>
        <source>覆盖：本MOD替换了其他已安装MOD的文件数；被覆盖：本MOD被后装的MOD替换的文件数</source>
        <translation>Over: files of other installed mods that this mod replaced; under: files of this mod that mods installed later replaced</translation>
    </message>
    <message>
        <source>将按以下顺序卸载 %1 个MOD，是否继续操作?</source>
        <translation>%1 mods will be uninstalled in this order. Continue?</translation>
    </message>
    <message>
        <source>
其中“%1”的存放副本已不存在，将会完全被移除。</source>
        <translation>
The kept copy of “%1” is gone: it will be removed completely.</translation>
    </message>
    <message>
        <source>将按以下顺序安装 %1 个MOD，是否继续操作?</source>
        <translation>%1 mods will be installed in this order. Continue?</translation>
    </message>
    <message>
        <source>以下 %1 个MOD将会完全被移除，是否继续操作!</source>
        <translation>These %1 mods will be removed completely. Continue?</translation>
    </message>
    <message>
        <source>未安装“%1”：%2</source>
        <translation>“%1” not installed: %2</translation>
    </message>
    <message>
        <source>未勾选</source>
        <translation>unticked</translation>
    </message>
    <message>
        <source>缩略图</source>
        <translation>Thumbnails</translation>
    </message>
</context>
<context>
    <name>ModChooser</name>
    <message>
        <source>选择MOD</source>
        <translation>Choose Mods</translation>
    </message>
    <message>
        <source>MOD文件夹或压缩包 (*.zip *.7z *.rar)</source>
        <translation>Mod folders or archives (*.zip *.7z *.rar)</translation>
    </message>
    <message>
        <source>所有文件 (*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>安装</source>
        <translation>Install</translation>
    </message>
</context>
<context>
    <name>ModListItem</name>
    <message>
        <source>覆盖 %1 / 被覆盖 %2</source>
        <translation>over %1 / under %2</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>……</source>
        <translation>…</translation>
    </message>
    <message>
        <source>覆盖以下MOD的 %1 个文件：%2</source>
        <translation>Overwrites %1 files of: %2</translation>
    </message>
    <message>
        <source>%1 个文件被以下MOD覆盖：%2</source>
        <translation>%1 files overwritten by: %2</translation>
    </message>
</context>
<context>
    <name>OrderDlg</name>
    <message>
        <source>替换关系</source>
        <translation>Override Order</translation>
    </message>
    <message>
        <source>顺序</source>
        <translation>Order</translation>
    </message>
    <message>
        <source>MOD</source>
        <translation>Mod</translation>
    </message>
</context>
<context>
    <name>ProgressDialog</name>
    <message>
        <source>请稍等</source>
        <translation>Please Wait</translation>
    </message>
    <message>
        <source>处理中...</source>
        <translation>Working...</translation>
    </message>
</context>
<context>
    <name>SetDialog</name>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>全局</source>
        <translation>General</translation>
    </message>
    <message>
        <source>备份路径：</source>
        <translation>Backup folder:</translation>
    </message>
    <message>
        <source>浏览</source>
        <translation>Browse...</translation>
    </message>
    <message>
        <source>界面语言：</source>
        <translation>Language:</translation>
    </message>
    <message>
        <source>下次启动时生效</source>
        <translation>Applies at the next start</translation>
    </message>
    <message>
        <source>游戏</source>
        <translation>Game</translation>
    </message>
    <message>
        <source>选择游戏：</source>
        <translation>Game:</translation>
    </message>
    <message>
        <source>添加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>游戏路径：</source>
        <translation>Game folder:</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>路径不能为空!</source>
        <translation>Please fill in both folders.</translation>
    </message>
    <message>
        <source>请先添加游戏！</source>
        <translation>Please add a game first.</translation>
    </message>
    <message>
        <source>游戏名“%1”不能用作文件夹名，请在%2中改正！</source>
        <translation>The game name “%1” cannot be used as a folder name. Please correct it in %2.</translation>
    </message>
    <message>
        <source>设置保存失败，请检查%1是否可写！</source>
        <translation>The settings could not be saved. Please check that %1 is writable.</translation>
    </message>
    <message>
        <source>游戏配置已存在，无需添加！</source>
        <translation>This game has already been added.</translation>
    </message>
    <message>
        <source>添加失败，请检查%1是否可写！</source>
        <translation>The game could not be added. Please check that %1 is writable.</translation>
    </message>
    <message>
        <source>添加成功！</source>
        <translation>Game added.</translation>
    </message>
    <message>
        <source>没有可删除的游戏！</source>
        <translation>There is no game to delete.</translation>
    </message>
    <message>
        <source>备份路径不能为空!</source>
        <translation>The backup folder must not be empty.</translation>
    </message>
    <message>
        <source>游戏名“%1”不能用作文件夹名，未删除任何文件！</source>
        <translation>The game name “%1” cannot be used as a folder name; no files were deleted.</translation>
    </message>
    <message>
        <source>备份路径下的“%1”包含本程序自己的文件夹，未删除任何文件！</source>
        <translation>“%1” in the backup folder contains this program&apos;s own folders; no files were deleted.</translation>
    </message>
    <message>
        <source>注意</source>
        <translation>Please Confirm</translation>
    </message>
    <message>
        <source>游戏管理相关文件将被完全删除，是否继续？</source>
        <translation>All the files this program keeps for the game will be deleted. Continue?</translation>
    </message>
    <message>
        <source>以下文件未能删除，游戏配置已保留，请检查后重试：
</source>
        <translation>These files could not be deleted, so the game&apos;s settings were kept. Please check them and try again:
</translation>
    </message>
    <message>
        <source>游戏文件已删除，但%1写入失败！</source>
        <translation>The game&apos;s files were deleted, but %1 could not be written.</translation>
    </message>
    <message>
        <source>游戏成功移除!</source>
        <translation>Game removed.</translation>
    </message>
    <message>
        <source>删除“%1”会一并删除游戏安装目录或用户文件夹“%2”，未删除任何文件！请换一个备份路径。</source>
        <translation>Deleting “%1” would also delete the game&apos;s install folder or the user folder “%2”, so no files were deleted. Please choose another backup folder.</translation>
    </message>
    <message>
        <source>该游戏仍有 %1 个MOD处于安装状态，它们的备份是被替换的游戏文件仅有的副本，删除后将无法恢复。
</source>
        <translation>Mods of this game still installed: %1. Their backups are the only copies of the game files they replaced, and those files cannot be restored once the backups are deleted.
</translation>
    </message>
    <message>
        <source>
卸载时留存的文件未删除：
%1</source>
        <translation>
Files set aside during uninstalls were not deleted:
%1</translation>
    </message>
</context>
<context>
    <name>SetGameDlg</name>
    <message>
        <source>添加游戏</source>
        <translation>Add Game</translation>
    </message>
    <message>
        <source>提示：游戏名一般是和你游戏文件夹名字一致的，别写错了</source>
        <translation>Note: the game name is usually the name of the game&apos;s folder. Check the spelling.</translation>
    </message>
    <message>
        <source>游戏名：</source>
        <translation>Game name:</translation>
    </message>
    <message>
        <source>游戏路径：</source>
        <translation>Game folder:</translation>
    </message>
    <message>
        <source>浏览</source>
        <translation>Browse...</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>请补充相关参数！</source>
        <translation>Please fill in both fields.</translation>
    </message>
    <message>
        <source>游戏名%1</source>
        <translation>The game name %1.</translation>
    </message>
    <message>
        <source>游戏名不能是“Global”，它是设置文件自用的名称</source>
        <translation>The game name cannot be “Global”: the settings file uses that name itself.</translation>
    </message>
</context>
<context>
    <name>VerifyDialog</name>
    <message>
        <source>检查文件</source>
        <translation>Check files</translation>
    </message>
    <message>
        <source>MOD / 文件</source>
        <translation>Mod / file</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>改动 %1，缺失 %2，未改动 %3</source>
        <translation>changed %1, missing %2, unchanged %3</translation>
    </message>
    <message>
        <source>（其中 %1 个安装时未记录）</source>
        <translation> (%1 of them not recorded at install)</translation>
    </message>
    <message>
        <source>已改动</source>
        <translation>Changed</translation>
    </message>
    <message>
        <source>缺失</source>
        <translation>Missing</translation>
    </message>
    <message>
        <source>没有已安装的MOD。</source>
        <translation>No mods are installed.</translation>
    </message>
    <message>
        <source>%1 个MOD的 %2 个文件都与安装时相同。</source>
        <translation>All %2 files of %1 mod(s) are as they were installed.</translation>
    </message>
    <message>
        <source>%1 个MOD中有 %2 个文件在安装后被改动，%3 个文件缺失，%4 个文件未改动。卸载时会先询问如何处理改动的文件。</source>
        <translation>In %1 mod(s), %2 files were changed after installing, %3 are missing and %4 are unchanged. Uninstalling will first ask what to do with the changed files.</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
</context>
</TS>
