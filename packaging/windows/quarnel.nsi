; SPDX-License-Identifier: MIT
; The Windows installer: installs Quarnel for the current user, without
; administrator rights, under %LOCALAPPDATA%\Programs\Quarnel, with a
; Start-menu shortcut and an uninstaller in the user's list of programs.
; makensis -DVERSION=1.2.3 -DVERSION_QUAD=1.2.3.0 -DOUTFILE=setup.exe
;          -DLISTS=<folder of defines.nsh, install-files.nsh, remove-files.nsh> -DICON=quarnel.ico
; A 64-bit setup for the 64-bit program: it runs where the program runs.
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quarnel"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

!include "${LISTS}/defines.nsh"
; The autostart value names the program by this file name.
!ifdef QUARNEL_PROGRAM
!define PROGRAM_FILE "${QUARNEL_PROGRAM}"
!else
!define PROGRAM_FILE "quarnel.exe"
!endif

Name "Quarnel ${VERSION}"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
InstallDir "$LOCALAPPDATA\Programs\Quarnel"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"

VIProductVersion "${VERSION_QUAD}"
VIAddVersionKey "ProductName" "Quarnel"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "Quarnel ${VERSION} setup"
VIAddVersionKey "CompanyName" "Quarnel developers"
VIAddVersionKey "LegalCopyright" "MIT licence"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; A running program holds its executable open: replacing or removing it would
; fail half-way. Sets $0 to 1 when the program in $INSTDIR is running.
!macro ProgramRunning un
Function ${un}ProgramRunning
  StrCpy $0 0
!ifdef QUARNEL_PROGRAM
  IfFileExists "$INSTDIR\${QUARNEL_PROGRAM}" 0 done
  ClearErrors
  FileOpen $1 "$INSTDIR\${QUARNEL_PROGRAM}" a
  IfErrors 0 +3
    StrCpy $0 1
    Goto done
  FileClose $1
  done:
!endif
FunctionEnd
!macroend
!insertmacro ProgramRunning ""
!insertmacro ProgramRunning "un."

Section "Quarnel"
  SetShellVarContext current
  Call ProgramRunning
  StrCmp $0 1 0 +3
    MessageBox MB_OK|MB_ICONSTOP "Quarnel is running. Exit it from its tray menu, then run the setup again." /SD IDOK
    Abort "Quarnel is running."
  SetOutPath "$INSTDIR"
  !include "${LISTS}/install-files.nsh"
  WriteUninstaller "$INSTDIR\uninstall.exe"
!ifdef QUARNEL_PROGRAM
  CreateShortcut "$SMPROGRAMS\Quarnel.lnk" "$INSTDIR\${QUARNEL_PROGRAM}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${QUARNEL_PROGRAM},0"
!endif
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Quarnel"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Quarnel developers"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Removes what the setup added. The folders and files the program writes
; itself (Barcodes, Orders, Trace.log: by default beside the program) and its
; settings under Software\Hollinde\Quarnel are the user's: they stay, and so
; does the installation folder while they are in it. The autostart value is
; the program's own setting; it goes only when it starts this installation,
; which no longer exists. One that starts another copy is left alone.
Section "Uninstall"
  SetShellVarContext current
  Call un.ProgramRunning
  StrCmp $0 1 0 +3
    MessageBox MB_OK|MB_ICONSTOP "Quarnel is running. Exit it from its tray menu, then uninstall it again." /SD IDOK
    Abort "Quarnel is running."
  ReadRegStr $1 HKCU "${RUN_KEY}" "Quarnel"
  ; StrCmp ignores case, as the file system does.
  StrCmp $1 "$INSTDIR\${PROGRAM_FILE}" remove_autostart
  StrCmp $1 '"$INSTDIR\${PROGRAM_FILE}"' remove_autostart keep_autostart
  remove_autostart:
    DeleteRegValue HKCU "${RUN_KEY}" "Quarnel"
  keep_autostart:
  Delete "$SMPROGRAMS\Quarnel.lnk"
  !include "${LISTS}/remove-files.nsh"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
