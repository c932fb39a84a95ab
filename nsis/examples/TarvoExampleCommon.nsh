; Pieces the example installers share: the install marker, the Add/Remove Programs entry, the
; check that the uninstaller is asked to remove its own application, and the status file for
; unattended uninstalls. Not part of the TarvoUntarvo.nsh contract; copy what you need.

!ifndef TARVO_EXAMPLE_COMMON_NSH
!define TARVO_EXAMPLE_COMMON_NSH

!include LogicLib.nsh
!include FileFunc.nsh

; With -DSIGN_PKCS12=<file> -DSIGN_PASSWORD_FILE=<file> makensis signs the uninstaller, on a
; Linux build machine with osslsigncode, before it packs it into the installer (see
; TarvoUntarvo.nsh: sign the uninstaller with the certificate that signs the helper).
!ifdef SIGN_PKCS12
  !uninstfinalize 'osslsigncode sign -pkcs12 "${SIGN_PKCS12}" -readpass "${SIGN_PASSWORD_FILE}" -h sha256 -in "%1" -out "%1.signed" && mv -f "%1.signed" "%1"' = 0
!endif

Var _TE_file
Var _TE_params
Var _TE_value

; Writes the install marker that tarvo-untarvo.exe compares with its command line before it
; removes anything: one "key=value" line per fact. FileWrite writes the system code page, so
; the values must stay ASCII (they are: identifiers and file names).
!macro TarvoExample_WriteMarker PATH BUNDLE_ID APP_FOLDER MAIN_BINARY UNINSTALLER
  FileOpen $_TE_file "${PATH}" w
  FileWrite $_TE_file "# Install marker, read by tarvo-untarvo.exe before it removes this application.$\r$\n"
  FileWrite $_TE_file "bundle_id=${BUNDLE_ID}$\r$\n"
  FileWrite $_TE_file "app_folder=${APP_FOLDER}$\r$\n"
  FileWrite $_TE_file "main_binary=${MAIN_BINARY}$\r$\n"
  FileWrite $_TE_file "helper_binary=tarvo-untarvo.exe$\r$\n"
  FileWrite $_TE_file "uninstaller=${UNINSTALLER}$\r$\n"
  FileClose $_TE_file
  SetFileAttributes "${PATH}" HIDDEN
!macroend

; The Add/Remove Programs entry of one application. Its uninstall commands name the
; application (/APP=), because every application of an install directory writes the same
; uninstaller, Zudeded2026.exe: see TarvoExample_CheckApp.
!macro TarvoExample_WriteArpEntry KEY PRODUCT_NAME APP_FOLDER UNINSTALLER
  WriteRegStr HKLM "${KEY}" "DisplayName" "${PRODUCT_NAME}"
  WriteRegStr HKLM "${KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}" /APP=${APP_FOLDER}'
  WriteRegStr HKLM "${KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S /APP=${APP_FOLDER}'
  WriteRegStr HKLM "${KEY}" "InstallLocation" "$INSTDIR"
  WriteRegDWORD HKLM "${KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${KEY}" "NoRepair" 1
!macroend

; For un.onInit: this uninstaller removes its own application only. Installing another
; application into the same folder replaces Zudeded2026.exe, so an earlier application's
; Add/Remove Programs entry may start an uninstaller made for another one: its /APP= tells,
; and the uninstaller stops before it touches anything (docs/applications.md: several
; applications in one install directory).
!macro TarvoExample_CheckApp APP_FOLDER
  ${GetParameters} $_TE_params
  ClearErrors
  ${GetOptions} $_TE_params "/APP=" $_TE_value
  ${IfNot} ${Errors}
  ${AndIf} $_TE_value != "${APP_FOLDER}"
    MessageBox MB_OK|MB_ICONSTOP "This uninstaller removes ${APP_FOLDER}, not $_TE_value: $_TE_value's uninstaller was replaced when ${APP_FOLDER} was installed into the same folder. Nothing was removed." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
!macroend

; Run without _?=, an NSIS uninstaller copies itself to $TEMP, starts the copy and exits at
; once, so whoever started it never sees how the removal ended. With /STATUSFILE=<file> on
; its command line the uninstaller writes the status there (written aside and renamed, so
; that a reader never sees half of it).
!macro TarvoExample_WriteStatusFile
  ${GetParameters} $_TE_params
  ClearErrors
  ${GetOptions} $_TE_params "/STATUSFILE=" $_TE_value
  ${IfNot} ${Errors}
  ${AndIf} $_TE_value != ""
    Delete "$_TE_value.part"
    FileOpen $_TE_file "$_TE_value.part" w
    FileWrite $_TE_file "$TarvoUntarvoStatus"
    FileClose $_TE_file
    Delete "$_TE_value"
    Rename "$_TE_value.part" "$_TE_value"
  ${EndIf}
!macroend

; OUT = the value of /NAME= on the (un)installer's command line, or DEFAULT.
; (FileFunc's GetParameters and GetOptions serve installer and uninstaller alike.)
!macro TarvoExample_Option OUT NAME DEFAULT
  ${GetParameters} $_TE_params
  ClearErrors
  ${GetOptions} $_TE_params "/${NAME}=" ${OUT}
  ${If} ${Errors}
    StrCpy ${OUT} "${DEFAULT}"
  ${EndIf}
!macroend

!endif
