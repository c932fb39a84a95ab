; Example: installer of the municipal precinct application (folder LCKaptaO), whose
; uninstaller removes either the whole application or the data of chosen precincts through
; tarvo-untarvo.exe.
;
;   makensis -DAPP_FILES=<folder with lc-okrsek.exe, icon.ico, ...> \
;            -DTARVO_UNTARVO_EXE=<built tarvo-untarvo.exe> lckaptao.nsi
;
; Silent install, with the data folders and shortcuts of two precincts:
;   lckaptao-setup.exe /S /OKRSKY=12345;23456 [/D=C:\Tarvo]
; Silent uninstall of the whole application, or of precinct 12345 only:
;   C:\Tarvo\Zudeded2026.exe /S [/APP=LCKaptaO] [/STATUSFILE=<file>] [_?=C:\Tarvo]
;   C:\Tarvo\Zudeded2026.exe /S /MODE=selected /OKRSKY=12345 [/STATUSFILE=<file>] [_?=C:\Tarvo]
;
; This file is UTF-8 with a byte-order mark, which is how makensis recognises UTF-8 scripts.

!ifndef TARVO_TARGET
  !define TARVO_TARGET amd64-unicode
!endif
Target ${TARVO_TARGET}

!ifndef APP_FILES
  !error "define APP_FILES: the folder whose files make up the application"
!endif
!ifndef OUT_FILE
  !define OUT_FILE "lckaptao-setup.exe"
!endif

; The application's fixed values: the helper checks each of them.
!define PRODUCT_NAME "LCokrsek"
!define APP_KIND "okrsek"
!define APP_FOLDER "LCKaptaO"
!define MAIN_BINARY "lc-okrsek.exe"
!define BUNDLE_ID "com.lc-okrsek"
!define MARKER ".lc-okrsek-install.meta"
!define UNINSTALLER "Zudeded2026.exe"
!define ARP_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarvo ${APP_FOLDER}"
!define SHORTCUT_PREFIX "Lokal-Kaptáže"
!define START_MENU_FOLDER "Lokal-Kaptáže okrsky"
!ifndef UNINSTALL_BUNDLE_ID
  !define UNINSTALL_BUNDLE_ID "${BUNDLE_ID}"
!endif

!addincludedir "${__FILEDIR__}\.."
!ifndef TARVO_UNTARVO_EXE
  !define TARVO_UNTARVO_EXE "${__FILEDIR__}\tarvo-untarvo.exe"
!endif
!define TARVO_UNTARVO_UNINSTALLER "${UNINSTALLER}"
!include "TarvoUntarvo.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "TarvoExampleCommon.nsh"

Name "${PRODUCT_NAME}"
OutFile "${OUT_FILE}"
InstallDir "C:\Tarvo"
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Var Precincts
Var Precinct
Var Index
Var Char
Var Mode

; One precinct: its data folder and its shortcuts, which start the application on it.
Function AddPrecinct
  ${If} $Precinct != ""
    CreateDirectory "$INSTDIR\${APP_FOLDER}\Data\$Precinct"
    CreateShortCut "$DESKTOP\${SHORTCUT_PREFIX} $Precinct.lnk" \
        "$INSTDIR\${APP_FOLDER}\${MAIN_BINARY}" "--okrsek $Precinct"
    CreateShortCut "$SMPROGRAMS\${START_MENU_FOLDER}\${SHORTCUT_PREFIX} $Precinct.lnk" \
        "$INSTDIR\${APP_FOLDER}\${MAIN_BINARY}" "--okrsek $Precinct"
  ${EndIf}
  StrCpy $Precinct ""
FunctionEnd

Section "Install"
  SetShellVarContext all
  SetOutPath "$INSTDIR\${APP_FOLDER}"
  File /r "${APP_FILES}\*.*"
  CreateDirectory "$INSTDIR\${APP_FOLDER}\Data"
  CreateDirectory "$INSTDIR\${APP_FOLDER}\Export"
  !insertmacro TarvoExample_WriteMarker "$INSTDIR\${APP_FOLDER}\${MARKER}" \
      "${BUNDLE_ID}" "${APP_FOLDER}" "${MAIN_BINARY}" "${UNINSTALLER}"
  CreateDirectory "$SMPROGRAMS\${START_MENU_FOLDER}"

  ; The precincts of /OKRSKY=, separated by ";" or ",".
  !insertmacro TarvoExample_Option $Precincts OKRSKY ""
  StrCpy $Precinct ""
  StrCpy $Index 0
  ${Do}
    StrCpy $Char $Precincts 1 $Index
    ${If} $Char == ""
      Call AddPrecinct
      ${ExitDo}
    ${ElseIf} $Char == ";"
    ${OrIf} $Char == ","
      Call AddPrecinct
    ${Else}
      StrCpy $Precinct "$Precinct$Char"
    ${EndIf}
    IntOp $Index $Index + 1
  ${Loop}

  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  !insertmacro TarvoExample_WriteArpEntry "${ARP_KEY}" "${PRODUCT_NAME}" "${APP_FOLDER}" "${UNINSTALLER}"
SectionEnd

Function un.onInit
  !insertmacro TarvoExample_CheckApp "${APP_FOLDER}"
FunctionEnd

Section "Uninstall"
  SetShellVarContext all
  !insertmacro TarvoExample_Option $Mode MODE "full"
  !insertmacro TarvoExample_Option $Precincts OKRSKY ""
  !insertmacro TarvoUntarvo_Uninstall "$Mode" "${APP_KIND}" "${APP_FOLDER}" "${MAIN_BINARY}" \
      "${PRODUCT_NAME}" "${UNINSTALL_BUNDLE_ID}" "$SMPROGRAMS\${START_MENU_FOLDER}" "$Precincts"
  ${If} ${Errors}
    ; Not removed: the Add/Remove Programs entry stays, and with it the uninstaller, so that
    ; the removal can be tried again once the run log has told what stopped it.
    !insertmacro TarvoExample_WriteStatusFile
    Abort "${PRODUCT_NAME} was not removed completely (status $TarvoUntarvoStatus), see $INSTDIR\logs"
  ${EndIf}
  ${If} $Mode == full
    DeleteRegKey HKLM "${ARP_KEY}"
  ${EndIf}
  !insertmacro TarvoExample_WriteStatusFile
SectionEnd
