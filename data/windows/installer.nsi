; SPDX-License-Identifier: MIT
; Per-user installer: no administrator rights; the program goes where its user may write,
; so that the settings file beside it stays writable. Built by scripts/build-windows.sh:
;   makensis -INPUTCHARSET UTF8 -DVERSION=x.y.z.w -DSTAGE=<folder with dtusms.exe> -DICON=<.ico>
;            -DFINISH_BITMAP=<164x314 .bmp> -DUNINSTALL_LIST=<.nsh of Delete/RMDir lines for the staged files>
;            -DTITLE_ENGLISH=... -DTITLE_SIMPCHINESE=... -DTITLE_TRADCHINESE=... (the window's title per catalog)
;            -DOUTFILE=<setup.exe> installer.nsi
; A 64-bit installer for a 64-bit program (and one that wine64 alone can run).
Target amd64-unicode
!include "MUI2.nsh"
!include "nsDialogs.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"

!define APP "dtusms"
!define APP_KEY "Software\${APP}"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"
!define SETTINGS "ZEREVuzi.ini"
; What the program keeps per user (ui/UserSettings, core/Paths.h): one folder. Earlier versions
; kept the same under the window's English title.
!define USER_DATA "$LOCALAPPDATA\${APP}"
!define EARLIER_KEY "${APP_KEY}\${TITLE_ENGLISH}"
!define EARLIER_DATA "$APPDATA\${APP}\${TITLE_ENGLISH}"

Name "$(TITLE)"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\${APP}"
InstallDirRegKey HKCU "${APP_KEY}" "InstallDir"
SetCompressor /SOLID lzma
BrandingText "${APP} ${VERSION}"
VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${APP}"
VIAddVersionKey /LANG=1033 "CompanyName" "${APP}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${APP} installer"
VIAddVersionKey /LANG=1033 "LegalCopyright" "MIT licence; Qt under LGPLv3"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${FINISH_BITMAP}"
!define MUI_UNWELCOMEFINISHPAGE_BITMAP "${FINISH_BITMAP}"
; The language chosen at install: the uninstaller speaks it without asking.
!define MUI_LANGDLL_REGISTRY_ROOT HKCU
!define MUI_LANGDLL_REGISTRY_KEY "${APP_KEY}"
!define MUI_LANGDLL_REGISTRY_VALUENAME "Installer Language"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\dtusms.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
UninstPage custom un.UserDataPage un.UserDataPageLeave
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "TradChinese"

LangString TITLE ${LANG_ENGLISH} "${TITLE_ENGLISH}"
LangString TITLE ${LANG_SIMPCHINESE} "${TITLE_SIMPCHINESE}"
LangString TITLE ${LANG_TRADCHINESE} "${TITLE_TRADCHINESE}"
LangString DATA_HEADING ${LANG_ENGLISH} "Your settings and send history"
LangString DATA_HEADING ${LANG_SIMPCHINESE} "您的设置和发送记录"
LangString DATA_HEADING ${LANG_TRADCHINESE} "您的設定和傳送記錄"
LangString DATA_SUBHEADING ${LANG_ENGLISH} "They stay unless you ask to remove them."
LangString DATA_SUBHEADING ${LANG_SIMPCHINESE} "除非您要求删除，它们会保留。"
LangString DATA_SUBHEADING ${LANG_TRADCHINESE} "除非您要求刪除，它們會保留。"
LangString DATA_REMOVE ${LANG_ENGLISH} "Also remove my settings and send history"
LangString DATA_REMOVE ${LANG_SIMPCHINESE} "同时删除我的设置和发送记录"
LangString DATA_REMOVE ${LANG_TRADCHINESE} "同時刪除我的設定和傳送記錄"
LangString DATA_WHAT ${LANG_ENGLISH} "Ticked, this also removes:$\r$\n  the fields: $INSTDIR\${SETTINGS}$\r$\n  the remembered SIM numbers, send settings and send history: ${USER_DATA}$\r$\n  what earlier versions kept: ${EARLIER_DATA} and the registry key HKEY_CURRENT_USER\${EARLIER_KEY}$\r$\n$\r$\nFiles you saved yourself (lists, exports, images, send logs beside a list) always stay."
LangString DATA_WHAT ${LANG_SIMPCHINESE} "勾选后还将删除：$\r$\n  各字段：$INSTDIR\${SETTINGS}$\r$\n  记住的SIM卡号、发送设置和发送记录：${USER_DATA}$\r$\n  早期版本保存的：${EARLIER_DATA} 和注册表项 HKEY_CURRENT_USER\${EARLIER_KEY}$\r$\n$\r$\n您自己保存的文件（列表、导出、图片、列表旁的发送日志）始终保留。"
LangString DATA_WHAT ${LANG_TRADCHINESE} "勾選後還將刪除：$\r$\n  各字段：$INSTDIR\${SETTINGS}$\r$\n  記住的SIM卡號、傳送設定和傳送記錄：${USER_DATA}$\r$\n  早期版本保存的：${EARLIER_DATA} 和註冊表項 HKEY_CURRENT_USER\${EARLIER_KEY}$\r$\n$\r$\n您自己保存的文件（列表、導出、圖片、列表旁的傳送記錄）始終保留。"

Var RemoveUserData
Var RemoveUserDataBox

Function .onInit
  !insertmacro MUI_LANGDLL_DISPLAY
FunctionEnd

Section "dtusms"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File /r "${STAGE}/*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ; Named as the window is, in the language of the installation, so that a search finds it.
  CreateShortCut "$SMPROGRAMS\$(TITLE).lnk" "$INSTDIR\dtusms.exe"
  WriteRegStr HKCU "${APP_KEY}" "InstallDir" "$INSTDIR"
  WriteRegStr HKCU "${APP_KEY}" "Start Menu Entry" "$SMPROGRAMS\$(TITLE).lnk"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "$(TITLE)"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${APP}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "URLInfoAbout" "https://dtusms.github.io/"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\dtusms.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Function un.onInit
  StrCpy $RemoveUserData ${BST_UNCHECKED}
  !insertmacro MUI_UNGETLANGUAGE
FunctionEnd

; Not shown in silent mode, so a silent uninstall never removes the user's data.
Function un.UserDataPage
  !insertmacro MUI_HEADER_TEXT "$(DATA_HEADING)" "$(DATA_SUBHEADING)"
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateCheckbox} 0 0 100% 12u "$(DATA_REMOVE)"
  Pop $RemoveUserDataBox
  ${NSD_SetState} $RemoveUserDataBox $RemoveUserData
  ${NSD_CreateLabel} 0 18u 100% -18u "$(DATA_WHAT)"
  Pop $0
  nsDialogs::Show
FunctionEnd

Function un.UserDataPageLeave
  ${NSD_GetState} $RemoveUserDataBox $RemoveUserData
FunctionEnd

; Removes what the installer made: the staged files, the Start-menu entry, its own registry
; values and the Uninstall entry; the user's data only when asked on the page above.
Section "Uninstall"
  SetShellVarContext current
  !include "${UNINSTALL_LIST}"
  Delete "$INSTDIR\uninstall.exe"
  ${If} $RemoveUserData == ${BST_CHECKED}
  ${AndIf} $LOCALAPPDATA != ""
  ${AndIf} $APPDATA != ""
    Delete "$INSTDIR\${SETTINGS}"
    RMDir /r "${USER_DATA}"
    RMDir /r "${EARLIER_DATA}"
    RMDir "$APPDATA\${APP}"
    DeleteRegKey HKCU "${EARLIER_KEY}"
  ${EndIf}
  RMDir "$INSTDIR"
  ReadRegStr $0 HKCU "${APP_KEY}" "Start Menu Entry"
  ${If} $0 != ""
    Delete "$0"
  ${EndIf}
  Delete "$SMPROGRAMS\${APP}.lnk"  ; an earlier installer's name for it
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  DeleteRegValue HKCU "${APP_KEY}" "InstallDir"
  DeleteRegValue HKCU "${APP_KEY}" "Start Menu Entry"
  DeleteRegValue HKCU "${APP_KEY}" "Installer Language"
  DeleteRegKey /ifempty HKCU "${APP_KEY}"
SectionEnd
