; The Windows installer: Tessiva for the current user, with no elevation, as that user's
; screensaver. makensis -DSCR=tessiva.scr -DCLIP=vorn.evc -DVERSION=x.y.z -DOUTFILE=tessiva-setup.exe tessiva.nsi
;
; Facts relied on (NSIS 3.08, Windows and Wine 8):
; - A 64-bit Unicode stub runs under 64-bit Wine, where the default 32-bit one does nothing;
;   /S runs installer and uninstaller without a window; /D= comes last and unquoted.
; - Windows starts SCRNSAVE.EXE only while the screensaver is switched on
;   (SPI_SETSCREENSAVEACTIVE); choosing "(None)" in the Display settings switches it off and
;   deletes SCRNSAVE.EXE. The Display settings store the 8.3 short path where there is one.
; - WriteINIStr goes through WritePrivateProfileStringW, which keeps a file that starts with a
;   UTF-16LE byte-order mark in Unicode, and writes any other file in the ANSI code page,
;   where a folder name in another script loses its letters.
; - rundll32.exe desk.cpl,InstallScreenSaver PATH selects a saver and opens its settings.
; - Where Tessiva is installed for every user (tessiva-VERSION-x64.msi), Windows'
;   IniFileMapping takes every Tessiva.ini, in any folder, to the registry: a WriteINIStr of
;   "path" here would replace the machine's folder under HKLM for every user.
Unicode true
Target amd64-unicode
RequestExecutionLevel user
ManifestDPIAware true
SetCompressor /SOLID lzma

!include LogicLib.nsh
!include FileFunc.nsh

!ifndef SCR | CLIP | VERSION | OUTFILE
  !error "define SCR, CLIP, VERSION and OUTFILE"
!endif

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tessiva"
!define MAPPING_KEY "SOFTWARE\Microsoft\Windows NT\CurrentVersion\IniFileMapping\Tessiva.ini"
; The exit status of a run that refuses to install beside the machine's Tessiva: Windows
; Installer's "another version of this product is already installed".
!define ALREADY_INSTALLED 1638
!define DESKTOP_KEY "Control Panel\Desktop"
; SystemParametersInfoW's actions, and its flags that store the change and tell every window.
!define SPI_GETSCREENSAVETIMEOUT 14
!define SPI_SETSCREENSAVETIMEOUT 15
!define SPI_SETSCREENSAVEACTIVE 17
!define SPIF_STORE_AND_TELL 3
; Ten minutes, for a user who never had a timeout.
!define DEFAULT_TIMEOUT 600

Name "Tessiva"
Caption "Tessiva screensaver setup"
OutFile "${OUTFILE}"
; A folder of the user's own, so that the settings dialog can save beside the program.
InstallDir "$LOCALAPPDATA\Programs\Tessiva"
ShowInstDetails nevershow
ShowUninstDetails nevershow

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; $R0 := the path under which Windows starts the saver: the short form where the folder has
; one, as the Display settings write it, or the long one. Needs the installed file.
!macro SaverPath
  GetFullPathName /SHORT $R0 "$INSTDIR\tessiva.scr"
  ${If} $R0 == ""
    StrCpy $R0 "$INSTDIR\tessiva.scr"
  ${EndIf}
!macroend

; Makes $INSTDIR\Tessiva.ini a Unicode file: a new one holds the byte-order mark alone, and
; an ANSI one from an earlier version is copied line by line, so the user's entries stay.
Function UnicodeSettingsFile
  ClearErrors
  FileOpen $0 "$INSTDIR\Tessiva.ini" r
  ${IfNot} ${Errors}
    FileReadWord $0 $1
    FileClose $0
    ${If} $1 == 0xFEFF
    ${OrIf} $1 == 65279
      Return
    ${EndIf}
  ${EndIf}
  FileOpen $1 "$INSTDIR\Tessiva.ini.new" w
  FileWriteWord $1 0xFEFF
  ClearErrors
  FileOpen $0 "$INSTDIR\Tessiva.ini" r
  ${IfNot} ${Errors}
    ${Do}
      ClearErrors
      FileRead $0 $2
      ${If} ${Errors}
        ${Break}
      ${EndIf}
      FileWriteUTF16LE $1 $2
    ${Loop}
    FileClose $0
  ${EndIf}
  FileClose $1
  Delete "$INSTDIR\Tessiva.ini"
  Rename "$INSTDIR\Tessiva.ini.new" "$INSTDIR\Tessiva.ini"
FunctionEnd

Section "Tessiva"
  SetOutPath "$INSTDIR"
  File "/oname=tessiva.scr" "${SCR}"
  File "/oname=vorn.evc" "${CLIP}"
  ; The one place where something other than the program writes "path": the folder of the
  ; clip, with the final separator the program expects. A "sound" the user chose stays.
  Call UnicodeSettingsFile
  WriteINIStr "$INSTDIR\Tessiva.ini" "config" "path" "$INSTDIR\"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  !insertmacro SaverPath
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$R0"
  ; A saver that was switched off (by "(None)", say) would never start.
  System::Call 'user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i 1, p 0, i ${SPIF_STORE_AND_TELL})'
  System::Call 'user32::SystemParametersInfoW(i ${SPI_GETSCREENSAVETIMEOUT}, i 0, *i 0 r1, i 0)'
  ${If} $1 == 0
    System::Call 'user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVETIMEOUT}, i ${DEFAULT_TIMEOUT}, p 0, i ${SPIF_STORE_AND_TELL})'
  ${EndIf}

  ${GetSize} "$INSTDIR" "/S=0K" $2 $3 $4
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Tessiva screensaver"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Tessiva"
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $2
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tessiva.scr,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The machine's Tessiva serves this user already, and an install of the user's own would
; write through the mapping: nothing is installed, with a message, or just the exit status
; when silent.
Function .onInit
  SetRegView 64
  ClearErrors
  EnumRegKey $0 HKLM "${MAPPING_KEY}" 0
  EnumRegValue $1 HKLM "${MAPPING_KEY}" 0
  SetRegView default
  ${If} "$0$1" != ""
    MessageBox MB_OK|MB_ICONINFORMATION "Tessiva is already installed on this computer for every user.$\r$\n$\r$\nChoose $\"Tessiva$\" in the Screen Saver settings. Your administrator installs and removes it." /SD IDOK
    SetErrorLevel ${ALREADY_INSTALLED}
    Quit
  ${EndIf}
FunctionEnd

; An interactive install ends with the Screen Saver settings, Tessiva selected, if the user
; wants them; a silent one opens nothing.
Function .onInstSuccess
  ${If} ${Silent}
    Return
  ${EndIf}
  MessageBox MB_YESNO|MB_ICONQUESTION "Tessiva is now your screensaver.$\r$\n$\r$\nOpen the Screen Saver settings?" /SD IDNO IDNO done
    !insertmacro SaverPath
    Exec '"$SYSDIR\rundll32.exe" desk.cpl,InstallScreenSaver $R0'
  done:
FunctionEnd

Section "Uninstall"
  ; When the saver is still ours, the desktop goes back to none, as "(None)" does; another
  ; screensaver chosen since stays chosen and on. NSIS compares without regard to case.
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  !insertmacro SaverPath
  ${If} $0 == "$INSTDIR\tessiva.scr"
  ${OrIf} $0 == $R0
    DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    System::Call 'user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i 0, p 0, i ${SPIF_STORE_AND_TELL})'
  ${EndIf}
  Delete "$INSTDIR\tessiva.scr"
  Delete "$INSTDIR\vorn.evc"
  Delete "$INSTDIR\Tessiva.ini"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
