; The Windows installer: Tessiva for the current user, with no elevation, as that user's
; screensaver. makensis -DSCR=tessiva.scr -DCLIP=vorn.evc -DOUTFILE=tessiva-setup.exe tessiva.nsi
;
; Facts relied on (NSIS 3.08): a 64-bit Unicode stub runs under 64-bit Wine, where the
; default 32-bit one does nothing; /S runs installer and uninstaller without a window;
; WriteINIStr goes through the desktop's private-profile functions, so other entries stay.
Unicode true
Target amd64-unicode
RequestExecutionLevel user
ManifestDPIAware true
SetCompressor /SOLID lzma

!ifndef SCR | CLIP | OUTFILE
  !error "define SCR, CLIP and OUTFILE"
!endif

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tessiva"

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

Section "Tessiva"
  SetOutPath "$INSTDIR"
  File "/oname=tessiva.scr" "${SCR}"
  File "/oname=vorn.evc" "${CLIP}"
  ; The one place where something other than the program writes "path": the folder of the
  ; clip, with the final separator the program expects. A "sound" the user chose stays.
  WriteINIStr "$INSTDIR\Tessiva.ini" "config" "path" "$INSTDIR\"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  WriteRegStr HKCU "Control Panel\Desktop" "SCRNSAVE.EXE" "$INSTDIR\tessiva.scr"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Tessiva screensaver"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tessiva.scr"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  ; Another screensaver chosen since stays chosen.
  ReadRegStr $0 HKCU "Control Panel\Desktop" "SCRNSAVE.EXE"
  StrCmp $0 "$INSTDIR\tessiva.scr" 0 +2
    DeleteRegValue HKCU "Control Panel\Desktop" "SCRNSAVE.EXE"
  Delete "$INSTDIR\tessiva.scr"
  Delete "$INSTDIR\vorn.evc"
  Delete "$INSTDIR\Tessiva.ini"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
