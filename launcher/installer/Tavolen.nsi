; Tavolen-Setup.exe: installs Tavolen for the current user, without administrator rights,
; into the user's local programs folder (so the settings file beside the launcher stays
; writable): Tavolen.exe, both builds of Zendrel.dll, each registered for the current user
; in its own registry view, the pages and icons, DevMgr\SETUP.exe with the service, a
; Start-menu entry and an uninstaller that removes exactly what was installed.
; makensis -DBUILD32=<win32 build> -DBUILD64=<win64 build> -DPAGES=<pages> -DOUTFILE=<exe> Tavolen.nsi
Unicode true
!include "LogicLib.nsh"
!include "x64.nsh"

Name "Tavolen"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\Tavolen"
SetCompressor /SOLID lzma
ShowInstDetails nevershow

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tavolen"
!define CLSID "{E4B1A2C3-7D5F-4E69-8A2B-C0D1E2F3A4B5}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; regsvr32 of each word size: a 32-bit installer sees the 64-bit one as "sysnative". The
; 32-bit build comes last: where the user's classes have one view for both word sizes
; (Wine), the launcher's own build is the one that stays.
!macro RegisterControls VERB
  ${If} ${RunningX64}
    ExecWait '"$WINDIR\sysnative\regsvr32.exe" /s ${VERB} /n /i:user "$INSTDIR\x64\Zendrel.dll"' $1
  ${EndIf}
  ExecWait '"$SYSDIR\regsvr32.exe" /s ${VERB} /n /i:user "$INSTDIR\Zendrel.dll"' $0
!macroend

Section "Tavolen"
  SetOutPath "$INSTDIR"
  File "${BUILD32}\bin\Tavolen.exe"
  File "${BUILD32}\bin\Zendrel.dll"
  File "${PAGES}\Marvesk.htm"
  File "${PAGES}\Settings.htm"
  File "${PAGES}\FlyOut.htm"
  SetOutPath "$INSTDIR\x64"
  File "${BUILD64}\bin\Zendrel.dll"
  SetOutPath "$INSTDIR\images"
  File "${PAGES}\images\*.bmp"
  SetOutPath "$INSTDIR\Manual"
  File "${PAGES}\Manual\*.htm"
  SetOutPath "$INSTDIR\icon"
  File /r "${PAGES}\icon\*.ico"
  SetOutPath "$INSTDIR\DevMgr"
  File "${BUILD32}\DevMgr\SETUP.exe"
  File "${BUILD32}\DevMgr\SembridService.exe"

  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  !insertmacro RegisterControls ""
  ${If} $0 != 0
    MessageBox MB_ICONEXCLAMATION "The gadget control could not be registered (regsvr32 $0)." /SD IDOK
  ${EndIf}

  CreateDirectory "$SMPROGRAMS\Tavolen"
  CreateShortCut "$SMPROGRAMS\Tavolen\Tavolen.lnk" "$INSTDIR\Tavolen.exe"
  CreateShortCut "$SMPROGRAMS\Tavolen\Uninstall Tavolen.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Tavolen"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Varnkeld"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Tavolen.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  !insertmacro RegisterControls "/u"
  Delete "$SMPROGRAMS\Tavolen\Tavolen.lnk"
  Delete "$SMPROGRAMS\Tavolen\Uninstall Tavolen.lnk"
  RMDir "$SMPROGRAMS\Tavolen"

  Delete "$INSTDIR\Tavolen.exe"
  Delete "$INSTDIR\Zendrel.dll"
  Delete "$INSTDIR\Marvesk.htm"
  Delete "$INSTDIR\Settings.htm"
  Delete "$INSTDIR\FlyOut.htm"
  Delete "$INSTDIR\x64\Zendrel.dll"
  RMDir "$INSTDIR\x64"
  Delete "$INSTDIR\images\*.bmp"
  RMDir "$INSTDIR\images"
  Delete "$INSTDIR\Manual\index.htm"
  Delete "$INSTDIR\Manual\ja.htm"
  RMDir "$INSTDIR\Manual"
  RMDir /r "$INSTDIR\icon"
  Delete "$INSTDIR\DevMgr\SETUP.exe"
  Delete "$INSTDIR\DevMgr\SembridService.exe"
  RMDir "$INSTDIR\DevMgr"
  Delete "$INSTDIR\uninstall.exe"
  ; The folder goes when empty: the user's settings file beside the launcher stays.
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
