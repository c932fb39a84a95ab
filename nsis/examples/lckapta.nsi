; Example: installer of the municipal data-entry application "Lokal-kaptáže" (folder LCkapta),
; whose uninstaller removes it through tarvo-untarvo.exe.
;
;   makensis -DAPP_FILES=<folder with lc-kapta.exe, icon.ico, ...> \
;            -DTARVO_UNTARVO_EXE=<built tarvo-untarvo.exe> lckapta.nsi
;
; Silent install: lckapta-setup.exe /S [/D=C:\Tarvo]
; Silent uninstall: C:\Tarvo\Zudeded2026.exe /S [/APP=LCkapta] [/STATUSFILE=<file>] [_?=C:\Tarvo]
; (/APP= names the application to remove: the Add/Remove Programs entry passes it, and the
; uninstaller refuses any other, see TarvoExample_CheckApp.)
; Without _?= NSIS runs a temporary copy of the uninstaller and returns at once; /STATUSFILE=
; then tells a deployment tool how the removal ended (the helper's exit status, or -1).
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
  !define OUT_FILE "lckapta-setup.exe"
!endif

; The application's fixed values: the helper checks each of them.
!define PRODUCT_NAME "Lokal-kaptáže"
!define APP_KIND "pm"
!define APP_FOLDER "LCkapta"
!define MAIN_BINARY "lc-kapta.exe"
!define BUNDLE_ID "com.lc-kapta"
!define MARKER ".lc-kapta-install.meta"
!define UNINSTALLER "Zudeded2026.exe"
!define ARP_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarvo ${APP_FOLDER}"
!define START_MENU_FOLDER "Lokal-kaptáže"
; The bundle id the uninstaller hands to the helper; the tests build a faulty uninstaller
; with a different one to see the helper refuse it.
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

Section "Install"
  SetShellVarContext all
  SetOutPath "$INSTDIR\${APP_FOLDER}"
  File /r "${APP_FILES}\*.*"
  !insertmacro TarvoExample_WriteMarker "$INSTDIR\${APP_FOLDER}\${MARKER}" \
      "${BUNDLE_ID}" "${APP_FOLDER}" "${MAIN_BINARY}" "${UNINSTALLER}"

  CreateDirectory "$SMPROGRAMS\${START_MENU_FOLDER}"
  CreateShortCut "$SMPROGRAMS\${START_MENU_FOLDER}\${PRODUCT_NAME}.lnk" "$INSTDIR\${APP_FOLDER}\${MAIN_BINARY}"
  CreateShortCut "$SMPROGRAMS\${START_MENU_FOLDER}\Odinstalovat ${PRODUCT_NAME}.lnk" "$INSTDIR\${UNINSTALLER}"
  CreateShortCut "$SMPROGRAMS\${PRODUCT_NAME}.lnk" "$INSTDIR\${APP_FOLDER}\${MAIN_BINARY}"
  CreateShortCut "$DESKTOP\${PRODUCT_NAME}.lnk" "$INSTDIR\${APP_FOLDER}\${MAIN_BINARY}"

  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  !insertmacro TarvoExample_WriteArpEntry "${ARP_KEY}" "${PRODUCT_NAME}" "${APP_FOLDER}" "${UNINSTALLER}"
SectionEnd

Function un.onInit
  !insertmacro TarvoExample_CheckApp "${APP_FOLDER}"
FunctionEnd

Section "Uninstall"
  ; The shortcuts were made for all users: the helper must look in the same folders.
  SetShellVarContext all
  !insertmacro TarvoUntarvo_Uninstall full "${APP_KIND}" "${APP_FOLDER}" "${MAIN_BINARY}" \
      "${PRODUCT_NAME}" "${UNINSTALL_BUNDLE_ID}" "$SMPROGRAMS\${START_MENU_FOLDER}" ""
  ${If} ${Errors}
    ; Not removed: the Add/Remove Programs entry stays, and with it the uninstaller, so that
    ; the removal can be tried again once the run log has told what stopped it.
    !insertmacro TarvoExample_WriteStatusFile
    Abort "${PRODUCT_NAME} was not removed completely (status $TarvoUntarvoStatus), see $INSTDIR\logs"
  ${EndIf}
  DeleteRegKey HKLM "${ARP_KEY}"
  !insertmacro TarvoExample_WriteStatusFile
SectionEnd
