; Windows installer of the package folder, made by scripts/build-windows.sh:
;   makensis -DVERSION=<version> -DSOURCE=<package folder> -DFILES=<list> -DICON=<.ico> -DOUTFILE=<setup.exe> veldane.nsi
; FILES is a generated include with one uninstall line per installed file.
;
; Veldane keeps settings, catalogues, kept mod copies and backups in its working
; directory, which is the installation folder. So it installs per user into a
; folder the user can write to, and the uninstaller deletes exactly the files it
; installed and nothing else: a folder that still holds the user's data stays.
Unicode true
!include "MUI2.nsh"

Name "Veldane ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Veldane"
InstallDirRegKey HKCU "Software\Veldane" "InstallDir"
SetCompressor /SOLID lzma

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Veldane"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\veldane.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "English"

Section "Veldane"
    SetOutPath "$INSTDIR"
    File /r "${SOURCE}\*.*"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    ; The shortcut starts in the installation folder (the output path).
    CreateShortCut "$SMPROGRAMS\Veldane.lnk" "$INSTDIR\veldane.exe"
    WriteRegStr HKCU "Software\Veldane" "InstallDir" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Veldane"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\veldane.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    !include "${FILES}"
    Delete "$INSTDIR\uninstall.exe"
    Delete "$SMPROGRAMS\Veldane.lnk"
    ; Only when empty: the user's settings, mods and backups keep the folder.
    RMDir "$INSTDIR"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    DeleteRegKey HKCU "Software\Veldane"
SectionEnd
