; The Windows installer: for the user alone, no administrator rights. The
; program under %LOCALAPPDATA%\Programs\dudo, a Start menu entry, an entry in
; Apps & features with the version and an uninstaller, and, only when chosen,
; "start with Windows" through the Run key. The uninstaller removes all of
; that and nothing else: the pictures the user saved stay.
; makensis -DVERSION=<x.y.z> -DEXE=<dudo.exe> -DREADME=<readme.txt> -DOUTFILE=<setup.exe> dudo.nsi
; /S installs silently; with /AUTOSTART it also starts the program with Windows.
Unicode true
; The program is 64-bit, and so is its installer (a 32-bit one would need
; WoW64, which a 64-bit-only Wine prefix lacks).
Target amd64-unicode
!ifndef VERSION
  !error "VERSION, EXE, README and OUTFILE are given by the build"
!endif

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "Sections.nsh"
!include "WinMessages.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\dudo"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

Name "dudo ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\dudo"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
SetCompressor /SOLID lzma
BrandingText "dudo ${VERSION}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "dudo"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "dudo ${VERSION} setup"
VIAddVersionKey /LANG=0 "CompanyName" "dudo developers"
VIAddVersionKey /LANG=0 "LegalCopyright" "dudo developers"

!define MUI_ICON "${NSISDIR}\Contrib\Graphics\Icons\modern-install.ico"
!define MUI_UNICON "${NSISDIR}\Contrib\Graphics\Icons\modern-uninstall.ico"
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION RunFromStartMenu
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "TradChinese"
!insertmacro MUI_LANGUAGE "English"

LangString ProgramSection ${LANG_TRADCHINESE} "dudo"
LangString ProgramSection ${LANG_ENGLISH} "dudo"
LangString ProgramText ${LANG_TRADCHINESE} "程式、開始功能表項目與解除安裝程式。"
LangString ProgramText ${LANG_ENGLISH} "The program, its Start menu entry and its uninstaller."
LangString AutostartSection ${LANG_TRADCHINESE} "隨 Windows 啟動"
LangString AutostartSection ${LANG_ENGLISH} "Start with Windows"
LangString AutostartText ${LANG_TRADCHINESE} "登入 Windows 時啟動 dudo，圖片存到您的使用者資料夾。"
LangString AutostartText ${LANG_ENGLISH} "Starts dudo when you sign in; pictures go to your user folder."
LangString CloseIt ${LANG_TRADCHINESE} "dudo 正在執行。要先結束它再繼續嗎？"
LangString CloseIt ${LANG_ENGLISH} "dudo is running. Close it and go on?"
LangString StillRunning ${LANG_TRADCHINESE} "dudo 沒有結束，請先從它的面板或通知區域圖示結束它。"
LangString StillRunning ${LANG_ENGLISH} "dudo did not close. Close it from its panel or its notification-area icon first."

; A running copy holds its program file: it is asked to close, as its own
; close box would, and given five seconds to go. Silently, it is closed.
!macro CLOSE_RUNNING prefix
Function ${prefix}CloseRunning
  FindWindow $0 "dudo" ""
  IntCmp $0 0 gone
  MessageBox MB_OKCANCEL|MB_ICONEXCLAMATION "$(CloseIt)" /SD IDOK IDOK close
  Abort
close:
  SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=2000
  StrCpy $1 0
wait:
  Sleep 100
  FindWindow $0 "dudo" ""
  IntCmp $0 0 gone
  IntOp $1 $1 + 1
  IntCmp $1 50 0 wait
  MessageBox MB_OK|MB_ICONSTOP "$(StillRunning)" /SD IDOK
  Abort
gone:
FunctionEnd
!macroend
!insertmacro CLOSE_RUNNING ""
!insertmacro CLOSE_RUNNING "un."

; Pictures go into the folder the program starts in: from the menu or at
; log-in, that is the user's own folder, never the program's.
Section "$(ProgramSection)" ProgramSection
  SectionIn RO
  Call CloseRunning
  SetOutPath "$INSTDIR"
  File "/oname=dudo.exe" "${EXE}"
  File "/oname=readme.txt" "${README}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  SetOutPath "$PROFILE"
  CreateShortcut "$SMPROGRAMS\dudo.lnk" "$INSTDIR\dudo.exe" "" "$INSTDIR\dudo.exe" 0 SW_SHOWNORMAL "" "dudo"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "dudo"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "dudo developers"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\dudo.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
  ; Not chosen this time: an earlier choice is taken back.
  DeleteRegValue HKCU "${RUN_KEY}" "dudo"
  Delete "$INSTDIR\dudo-autostart.lnk"
SectionEnd

; Windows starts the Run key's entries in its own folder, so the entry is a
; shortcut that starts the program in the user's folder.
Section /o "$(AutostartSection)" AutostartSection
  SetOutPath "$PROFILE"
  CreateShortcut "$INSTDIR\dudo-autostart.lnk" "$INSTDIR\dudo.exe" "" "$INSTDIR\dudo.exe" 0 SW_SHOWNORMAL "" "dudo"
  WriteRegStr HKCU "${RUN_KEY}" "dudo" '"$INSTDIR\dudo-autostart.lnk"'
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${ProgramSection} "$(ProgramText)"
  !insertmacro MUI_DESCRIPTION_TEXT ${AutostartSection} "$(AutostartText)"
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function .onInit
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/AUTOSTART" $1
  IfErrors done
  !insertmacro SelectSection ${AutostartSection}
done:
FunctionEnd

Function RunFromStartMenu
  ExecShell "" "$SMPROGRAMS\dudo.lnk"
FunctionEnd

Section "Uninstall"
  Call un.CloseRunning
  DeleteRegValue HKCU "${RUN_KEY}" "dudo"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  Delete "$SMPROGRAMS\dudo.lnk"
  Delete "$INSTDIR\dudo.exe"
  Delete "$INSTDIR\readme.txt"
  Delete "$INSTDIR\dudo-autostart.lnk"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
