; SPDX-License-Identifier: GPL-3.0-or-later
; The Windows installer of Vorlix and the Kestrun Lobby, made by
; scripts/windows-package.sh with Debian's NSIS:
;   makensis -DVERSION=1.0.4 -DLISTS=<folder> -DOUTFILE=<setup.exe> vorlix.nsi
; The package script stages the programs and what they need, and writes
; files.nsh and unfiles.nsh into LISTS, naming every file,
; so that the uninstaller removes exactly what was installed. The player's
; settings and tally live in %APPDATA%\Vorlix and are never touched.
; /S installs and uninstalls without a question.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!define PRODUCT "Vorlix"
!define PUBLISHER "Kestrun"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vorlix"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
; Where the game looks for the lobby: C:\Program Files\Kestrun.
InstallDir "$PROGRAMFILES64\Kestrun"
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} and the Kestrun Lobby"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Kestrun"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Install"
  SetShellVarContext all
  !include "${LISTS}/files.nsh"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  CreateDirectory "$SMPROGRAMS\Kestrun"
  CreateShortcut "$SMPROGRAMS\Kestrun\Vorlix.lnk" "$INSTDIR\Vorlix.exe"
  CreateShortcut "$SMPROGRAMS\Kestrun\Kestrun Lobby.lnk" "$INSTDIR\KestrunLobby.exe"
  CreateShortcut "$SMPROGRAMS\Kestrun\Uninstall Vorlix.lnk" "$INSTDIR\Uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} and the Kestrun Lobby"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Vorlix.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  !include "${LISTS}/unfiles.nsh"
  Delete "$INSTDIR\Uninstall.exe"
  ; Only when empty: anything a player put there stays.
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\Kestrun\Vorlix.lnk"
  Delete "$SMPROGRAMS\Kestrun\Kestrun Lobby.lnk"
  Delete "$SMPROGRAMS\Kestrun\Uninstall Vorlix.lnk"
  RMDir "$SMPROGRAMS\Kestrun"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
