; Nimbrook-setup.exe: installs the client, the updater and the data files beside them into Program
; Files, with a Start-menu folder and an uninstaller registered with Windows. Built by the win64 build:
;   makensis -INPUTCHARSET UTF8 -DPROGRAM_DIR=... -DOUTPUT=... -DVERSION=1.5.1 -DICON=...
;            [-DEXTRA_DIR=...] nimbrook.nsi
; PROGRAM_DIR is the build's staged program directory; only the product's files are taken from it
; (it also holds test tools). EXTRA_DIR, when given, holds further files laid out as in the program
; directory (the operator's openvpn\openvpn.exe and driver folders, cert\ca.crt, config\version.ini).
;
; Command line: /S (silent), /LANG=eng|chs|cht (the client's language, written to config\config.ini;
; without it a silent installation leaves the choice to the client), /D=folder (last).
; The uninstaller removes everything in the installation folder except "config", the subscriber's
; settings and account data, about which it asks (silent: kept).

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "x64.nsh"

!define PRODUCT "Nimbrook"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
; The client's start-with-Windows value (HKLM Run), removed with the program it points at.
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "nimbrook.exe"
; The client's single-instance mutex and the updater's window class: either means a program runs.
!define CLIENT_MUTEX "SINGLE_INSTANCE_KEYWORD"
!define UPDATER_WINDOW_CLASS "WinMainFrame"

Name "${PRODUCT}"
OutFile "${OUTPUT}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "CompanyName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "${PRODUCT}"

Var ClientLanguage  ; "eng", "chs", "cht", or empty: leave config.ini's language alone

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_LANGDLL_ALWAYSSHOW
!define MUI_LANGDLL_REGISTRY_ROOT HKLM
!define MUI_LANGDLL_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MUI_LANGDLL_REGISTRY_VALUENAME "InstallerLanguage"

!define MUI_PAGE_CUSTOMFUNCTION_LEAVE VerifyInstallFolder
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Nimbrook.exe"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "TradChinese"
!insertmacro MUI_RESERVEFILE_LANGDLL

LangString RunningText ${LANG_ENGLISH} "Nimbrook or its updater is running. Close it, then start again."
LangString RunningText ${LANG_SIMPCHINESE} "Nimbrook 或其更新程序正在运行。请先关闭它，然后重新开始。"
LangString RunningText ${LANG_TRADCHINESE} "Nimbrook 或其更新程式正在執行。請先關閉它，然後重新開始。"
LangString FolderText ${LANG_ENGLISH} "$INSTDIR already holds other files. Choose an empty folder or an earlier Nimbrook installation."
LangString FolderText ${LANG_SIMPCHINESE} "$INSTDIR 中已有其他文件。请选择一个空文件夹或以前安装 Nimbrook 的文件夹。"
LangString FolderText ${LANG_TRADCHINESE} "$INSTDIR 中已有其他檔案。請選擇一個空資料夾或先前安裝 Nimbrook 的資料夾。"
LangString RemoveConfigText ${LANG_ENGLISH} "Also remove your settings and account data (the config folder)?"
LangString RemoveConfigText ${LANG_SIMPCHINESE} "是否同时删除您的设置和账号数据（config 文件夹）？"
LangString RemoveConfigText ${LANG_TRADCHINESE} "是否同時刪除您的設定和帳號資料（config 資料夾）？"
LangString AdminText ${LANG_ENGLISH} "Installing Nimbrook needs administrator rights. Start the installer as an administrator."
LangString AdminText ${LANG_SIMPCHINESE} "安装 Nimbrook 需要管理员权限。请以管理员身份运行安装程序。"
LangString AdminText ${LANG_TRADCHINESE} "安裝 Nimbrook 需要系統管理員權限。請以系統管理員身分執行安裝程式。"
LangString UninstallLink ${LANG_ENGLISH} "Uninstall Nimbrook"
LangString UninstallLink ${LANG_SIMPCHINESE} "卸载 Nimbrook"
LangString UninstallLink ${LANG_TRADCHINESE} "解除安裝 Nimbrook"

; Sets $R0 to 1 when the client or the updater runs.
!macro ProgramsRunning prefix
Function ${prefix}ProgramsRunning
  StrCpy $R0 0
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${CLIENT_MUTEX}") p .r1'
  ${If} $1 != 0
    System::Call 'kernel32::CloseHandle(p r1)'
    StrCpy $R0 1
  ${EndIf}
  FindWindow $1 "${UPDATER_WINDOW_CLASS}"
  ${If} $1 != 0
    StrCpy $R0 1
  ${EndIf}
FunctionEnd
!macroend
!insertmacro ProgramsRunning ""
!insertmacro ProgramsRunning "un."

; Sets $R0 to 1 when $INSTDIR may be installed into: missing, empty, or an earlier installation. The
; uninstaller empties the folder it was installed into, so it must never have held anything else.
Function CheckInstallFolder
  StrCpy $R0 1
  ${If} ${FileExists} "$INSTDIR\Nimbrook.exe"
  ${OrIf} ${FileExists} "$INSTDIR\uninstall.exe"
    Return
  ${EndIf}
  FindFirst $1 $2 "$INSTDIR\*"
  ${DoWhile} $2 != ""
    ${If} $2 != "."
    ${AndIf} $2 != ".."
      StrCpy $R0 0
      ${Break}
    ${EndIf}
    FindNext $1 $2
  ${Loop}
  FindClose $1
FunctionEnd

Function VerifyInstallFolder
  Call CheckInstallFolder
  ${If} $R0 != 1
    MessageBox MB_OK|MB_ICONEXCLAMATION "$(FolderText)"
    Abort
  ${EndIf}
FunctionEnd

Function .onInit
  SetRegView 64
  StrCpy $ClientLanguage ""
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/LANG=" $1
  ${IfNot} ${Errors}
    ${If} $1 == "chs"
      StrCpy $LANGUAGE ${LANG_SIMPCHINESE}
    ${ElseIf} $1 == "cht"
      StrCpy $LANGUAGE ${LANG_TRADCHINESE}
    ${Else}
      StrCpy $LANGUAGE ${LANG_ENGLISH}
    ${EndIf}
    StrCpy $ClientLanguage "-"
  ${Else}
    !insertmacro MUI_LANGDLL_DISPLAY
    ${IfNot} ${Silent}
      StrCpy $ClientLanguage "-"
    ${EndIf}
  ${EndIf}
  ; The client reads the same three codes.
  ${If} $ClientLanguage == "-"
    ${If} $LANGUAGE == ${LANG_SIMPCHINESE}
      StrCpy $ClientLanguage "chs"
    ${ElseIf} $LANGUAGE == ${LANG_TRADCHINESE}
      StrCpy $ClientLanguage "cht"
    ${Else}
      StrCpy $ClientLanguage "eng"
    ${EndIf}
  ${EndIf}
  ; Without UAC (older Windows) the manifest's request does not elevate: refuse a plain user, whose
  ; installation into Program Files and HKLM would fail half-way.
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    MessageBox MB_OK|MB_ICONSTOP "$(AdminText)" /SD IDOK
    SetErrorLevel 740
    Quit
  ${EndIf}
  Call ProgramsRunning
  ${If} $R0 == 1
    MessageBox MB_OK|MB_ICONSTOP "$(RunningText)" /SD IDOK
    SetErrorLevel 3
    Quit
  ${EndIf}
FunctionEnd

Section "Nimbrook"
  ; The directory page checks the folder; a silent installation has no page.
  Call CheckInstallFolder
  ${If} $R0 != 1
    MessageBox MB_OK|MB_ICONEXCLAMATION "$(FolderText)" /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}

  SetOutPath "$INSTDIR"
  File "${PROGRAM_DIR}/Nimbrook.exe"
  File "${PROGRAM_DIR}/Update.exe"
  SetOutPath "$INSTDIR\language"
  File "${PROGRAM_DIR}/language/eng.lng"
  File "${PROGRAM_DIR}/language/chs.lng"
  File "${PROGRAM_DIR}/language/cht.lng"
  SetOutPath "$INSTDIR\skin"
  File "${PROGRAM_DIR}/skin/skin.dll"
  File "${PROGRAM_DIR}/skin/quell.dll"
  SetOutPath "$INSTDIR\config"
  File "${PROGRAM_DIR}/config/template.dll"
  SetOutPath "$INSTDIR\openvpn"
  File "${PROGRAM_DIR}/openvpn/template.ovpn"
  SetOutPath "$INSTDIR\route"
  File "${PROGRAM_DIR}/route/cmroute.dll"
  File "${PROGRAM_DIR}/route/addroute.tem"
  File "${PROGRAM_DIR}/route/delroute.tem"
  File "${PROGRAM_DIR}/route/china.tem"
!ifdef EXTRA_DIR
  SetOutPath "$INSTDIR"
  File /r "${EXTRA_DIR}/*"
!endif

  ${If} $ClientLanguage != ""
    WriteINIStr "$INSTDIR\config\config.ini" "Setting" "language" "$ClientLanguage"
  ${EndIf}

  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  SetShellVarContext all
  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\Nimbrook.exe"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\$(UninstallLink).lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Nimbrook.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function un.onInit
  SetRegView 64
  !insertmacro MUI_UNGETLANGUAGE
  Call un.ProgramsRunning
  ${If} $R0 == 1
    MessageBox MB_OK|MB_ICONSTOP "$(RunningText)" /SD IDOK
    SetErrorLevel 3
    Quit
  ${EndIf}
FunctionEnd

Section "Uninstall"
  ; Everything but "config": the installed files and what the programs made at run time (the log,
  ; release files the updater fetched, client.ovpn, openvpn.log, downloaded update files).
  FindFirst $0 $1 "$INSTDIR\*"
  ${DoWhile} $1 != ""
    ${If} $1 != "."
    ${AndIf} $1 != ".."
    ${AndIf} $1 != "config"
      ${If} ${FileExists} "$INSTDIR\$1\*"
        RMDir /r "$INSTDIR\$1"
      ${Else}
        Delete "$INSTDIR\$1"
      ${EndIf}
    ${EndIf}
    FindNext $0 $1
  ${Loop}
  FindClose $0

  ${If} ${FileExists} "$INSTDIR\config\*"
    MessageBox MB_YESNO|MB_ICONQUESTION "$(RemoveConfigText)" /SD IDNO IDNO keep_config
    RMDir /r "$INSTDIR\config"
    keep_config:
  ${EndIf}
  RMDir "$INSTDIR"

  SetShellVarContext all
  RMDir /r "$SMPROGRAMS\${PRODUCT}"

  ReadRegStr $0 HKLM "${RUN_KEY}" "${RUN_VALUE}"
  ${If} $0 == "$INSTDIR\Nimbrook.exe"
    DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"
  ${EndIf}
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
