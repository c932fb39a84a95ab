; TarvoUntarvo.nsh: removes a Tarvo application from an NSIS uninstaller through
; tarvo-untarvo.exe.
;
; The helper refuses to act unless it can prove who started it: its parent must be the
; uninstaller ("Zudeded2026.exe" in the install directory, or NSIS's own temporary copy
; "Un.exe" below $TEMP), named by path and process id on the command line, and the helper
; itself must run from outside the installation. This include does exactly that: it stages
; the helper in a fresh folder under $TEMP, starts it with the whole installation described on
; its command line, waits for it, removes the staged copy and hands the exit status back.
;
; Use, in the uninstaller section, after SetShellVarContext has been set as the installer set it:
;
;   !define TARVO_UNTARVO_EXE "path\to\tarvo-untarvo.exe"   ; at compile time; default: next to the script
;   !include "TarvoUntarvo.nsh"
;   ...
;   Section "Uninstall"
;     SetShellVarContext all
;     !insertmacro TarvoUntarvo_Uninstall full pm LCkapta lc-kapta.exe "Lokal-kaptáže" \
;         com.lc-kapta "$SMPROGRAMS\Lokal-kaptáže" ""
;     ${If} $TarvoUntarvoStatus != 0
;       DetailPrint "The application was not removed, see $INSTDIR\logs"
;     ${EndIf}
;   SectionEnd
;
; Parameters of TarvoUntarvo_Uninstall, in order:
;   MODE          full, or selected (precinct applications: only the precincts in ITEMS)
;   APP_KIND      pm, sumar or okrsek
;   APP_FOLDER    the application's folder below $INSTDIR, e.g. LCkapta
;   MAIN_BINARY   the main executable's file name, e.g. lc-kapta.exe
;   PRODUCT_NAME  the product name, e.g. Lokal-kaptáže
;   BUNDLE_ID     the bundle identifier, as written into the install marker
;   START_MENU    the application's start-menu folder, or "" when it has none
;   ITEMS         precincts separated by ";" or ",", or "" (passed as --items when not empty)
; The install directory is $INSTDIR, the desktop $DESKTOP, the uninstaller's name
; ${TARVO_UNTARVO_UNINSTALLER}; the process id and $EXEPATH are the running uninstaller's own.
;
; Afterwards:
;   $TarvoUntarvoStatus  the helper's exit status: 0 removed; 1 a precinct or processing
;                        application was not (fully) removed; 2 a data-entry application was
;                        not (fully) removed or the command line was refused; -1 the helper
;                        could not be staged or started (nothing was removed)
;   error level          SetErrorLevel with that status (2 for -1), so that whoever started the
;                        uninstaller with _?= sees it as the uninstaller's exit code
;   $OUTPATH             $TEMP: no folder of the installation stays the uninstaller's working
;                        directory while the helper removes it
; The helper's run log is in $INSTDIR\logs.
;
; Every value is quoted for the Windows command-line parser (CommandLineToArgvW and the C
; runtime agree on these rules): spaces and non-ASCII characters need nothing more than the
; quotes, a " inside a value is escaped as \", and backslashes are doubled where they stand
; before a quote, so that a folder such as C:\ cannot swallow the quote that ends it and run
; into the next argument. Folders are passed without trailing backslashes (a drive root keeps
; its own).
;
; Signing. Where AppLocker or App Control for Business (WDAC) admits programs by their
; publisher, both programs that run from $TEMP need a signature the policy accepts: the
; helper staged here, and the uninstaller itself, which NSIS runs as its copy
; $TEMP\~nsuN.tmp\Un.exe. Sign the uninstaller with the certificate that signs the helper
; (tools/release.sh signs the helper). makensis 3.08 and later runs the command given with
; !uninstfinalize on the finished uninstaller, %1 being its path, before it packs it into the
; installer; "= 0" makes the build fail when signing fails. In the installer script:
;
;   ; on Linux, with osslsigncode (it cannot sign in place):
;   !uninstfinalize 'osslsigncode sign -pkcs12 "sign.p12" -readpass "password.txt" -h sha256 \
;       -in "%1" -out "%1.signed" && mv -f "%1.signed" "%1"' = 0
;   ; on Windows, with signtool from the Windows SDK (certificate in the user's store):
;   !uninstfinalize 'signtool sign /fd sha256 /n "Subject name of the certificate" "%1"' = 0
;
; A time-stamp server keeps the signature valid after the certificate expires: add
; -ts <url> to osslsigncode, /tr <url> /td sha256 to signtool. !finalize, with the same
; command, signs the installer itself.
;
; This file is UTF-8 with a byte-order mark, as makensis expects of non-ASCII scripts.

!ifndef TARVO_UNTARVO_NSH
!define TARVO_UNTARVO_NSH

!include LogicLib.nsh

!ifndef TARVO_UNTARVO_EXE
  !define TARVO_UNTARVO_EXE "tarvo-untarvo.exe"
!endif
!ifndef TARVO_UNTARVO_UNINSTALLER
  !define TARVO_UNTARVO_UNINSTALLER "Zudeded2026.exe"
!endif

Var TarvoUntarvoStatus
; Working variables of the macros below, so that no register of the calling script is touched.
; Those of TarvoUntarvo_Uninstall are declared where it is first used: a script that only
; quotes would otherwise be warned about variables it never uses.
Var _TU_in
Var _TU_out
Var _TU_c
Var _TU_i
Var _TU_slashes

; OUT = IN quoted as one argument of a Windows command line.
!macro TarvoUntarvo_QuoteArg OUT IN
  StrCpy $_TU_in `${IN}`
  StrCpy $_TU_out '"'
  StrCpy $_TU_slashes ""
  StrCpy $_TU_i 0
  ${Do}
    StrCpy $_TU_c $_TU_in 1 $_TU_i
    ${If} $_TU_c == ""
      ${ExitDo}
    ${ElseIf} $_TU_c == "\"
      ; Backslashes mean nothing until we know what follows them.
      StrCpy $_TU_slashes "$_TU_slashes\"
    ${ElseIf} $_TU_c == '"'
      StrCpy $_TU_out '$_TU_out$_TU_slashes$_TU_slashes\"'
      StrCpy $_TU_slashes ""
    ${Else}
      StrCpy $_TU_out "$_TU_out$_TU_slashes$_TU_c"
      StrCpy $_TU_slashes ""
    ${EndIf}
    IntOp $_TU_i $_TU_i + 1
  ${Loop}
  ; Backslashes before the closing quote are doubled, or the quote would become part of the value.
  StrCpy ${OUT} '$_TU_out$_TU_slashes$_TU_slashes"'
!macroend

; OUT = the folder IN without trailing backslashes; a root keeps its own (C: alone would name
; the current folder of drive C, and nothing at all no folder).
!macro TarvoUntarvo_TrimFolder OUT IN
  StrCpy $_TU_in `${IN}`
  ${Do}
    StrCpy $_TU_c $_TU_in 1 -1
    StrLen $_TU_i $_TU_in
    ${If} $_TU_c != "\"
    ${OrIf} $_TU_i <= 1
      ${ExitDo}
    ${EndIf}
    StrCpy $_TU_in $_TU_in -1
  ${Loop}
  StrLen $_TU_i $_TU_in
  StrCpy $_TU_c $_TU_in 1 1
  ${If} $_TU_i == 2
  ${AndIf} $_TU_c == ":"
    StrCpy $_TU_in "$_TU_in\"
  ${EndIf}
  StrCpy ${OUT} $_TU_in
!macroend

; Appends NAME and the quoted VALUE to the command line being built.
!macro _TarvoUntarvo_AddArg NAME VALUE
  !insertmacro TarvoUntarvo_QuoteArg $_TU_quoted `${VALUE}`
  StrCpy $_TU_cmd "$_TU_cmd ${NAME} $_TU_quoted"
!macroend

!macro TarvoUntarvo_Uninstall MODE APP_KIND APP_FOLDER MAIN_BINARY PRODUCT_NAME BUNDLE_ID START_MENU ITEMS
  !ifndef _TARVO_UNTARVO_UNINSTALL_VARS
    !define _TARVO_UNTARVO_UNINSTALL_VARS
    Var /GLOBAL _TU_value
    Var /GLOBAL _TU_quoted
    Var /GLOBAL _TU_cmd
    Var /GLOBAL _TU_stage
    Var /GLOBAL _TU_pid
    Var /GLOBAL _TU_exit
  !endif
  StrCpy $TarvoUntarvoStatus -1

  ; A fresh folder that only this uninstaller knows: GetTempFileName reserves a unique name
  ; in $TEMP, which is turned into a folder. The helper must not run from the installation.
  ; (IfErrors, and so ${Errors}, clears the flag it tests: hence the state in $_TU_exit.)
  StrCpy $_TU_exit staged
  ClearErrors
  GetTempFileName $_TU_stage
  ${If} ${Errors}
  ${OrIf} $_TU_stage == ""
    StrCpy $_TU_exit failed
  ${Else}
    Delete $_TU_stage
    CreateDirectory $_TU_stage
    ${If} ${Errors}
      StrCpy $_TU_exit failed
    ${Else}
      File "/oname=$_TU_stage\tarvo-untarvo.exe" "${TARVO_UNTARVO_EXE}"
      ${If} ${Errors}
        StrCpy $_TU_exit failed
      ${EndIf}
    ${EndIf}
  ${EndIf}

  ${If} $_TU_exit == failed
    DetailPrint "tarvo-untarvo: cannot stage the helper in $TEMP"
  ${Else}
    ; The helper checks that its parent is this very process.
    System::Call 'kernel32::GetCurrentProcessId() i .s'
    Pop $_TU_pid

    StrCpy $_TU_cmd '"$_TU_stage\tarvo-untarvo.exe"'
    !insertmacro _TarvoUntarvo_AddArg --mode `${MODE}`
    !insertmacro _TarvoUntarvo_AddArg --app-kind `${APP_KIND}`
    !insertmacro TarvoUntarvo_TrimFolder $_TU_value "$INSTDIR"
    !insertmacro _TarvoUntarvo_AddArg --install-dir "$_TU_value"
    !insertmacro _TarvoUntarvo_AddArg --app-folder `${APP_FOLDER}`
    !insertmacro _TarvoUntarvo_AddArg --main-binary `${MAIN_BINARY}`
    !insertmacro _TarvoUntarvo_AddArg --uninstaller `${TARVO_UNTARVO_UNINSTALLER}`
    !insertmacro TarvoUntarvo_TrimFolder $_TU_value "$DESKTOP"
    !insertmacro _TarvoUntarvo_AddArg --desktop "$_TU_value"
    StrCpy $_TU_value `${START_MENU}`
    ${If} $_TU_value != ""
      !insertmacro TarvoUntarvo_TrimFolder $_TU_value "$_TU_value"
      !insertmacro _TarvoUntarvo_AddArg --start-menu "$_TU_value"
    ${EndIf}
    !insertmacro _TarvoUntarvo_AddArg --product-name `${PRODUCT_NAME}`
    !insertmacro _TarvoUntarvo_AddArg --bundle-id `${BUNDLE_ID}`
    !insertmacro _TarvoUntarvo_AddArg --parent-pid "$_TU_pid"
    !insertmacro _TarvoUntarvo_AddArg --parent-path "$EXEPATH"
    StrCpy $_TU_value `${ITEMS}`
    ${If} $_TU_value != ""
      !insertmacro _TarvoUntarvo_AddArg --items "$_TU_value"
    ${EndIf}

    ; NSIS cuts strings at NSIS_MAX_STRLEN: a command line that long may have lost its end.
    StrLen $_TU_i $_TU_cmd
    IntOp $_TU_i $_TU_i + 1
    ${If} $_TU_i >= ${NSIS_MAX_STRLEN}
      DetailPrint "tarvo-untarvo: the command line is too long for this NSIS build"
    ${Else}
      ; The working directory of this process must not hold the installation open.
      SetOutPath $TEMP
      DetailPrint "tarvo-untarvo: $_TU_cmd"
      ClearErrors
      ExecWait $_TU_cmd $_TU_exit
      ${If} ${Errors}
        DetailPrint "tarvo-untarvo: the helper could not be started"
      ${Else}
        StrCpy $TarvoUntarvoStatus $_TU_exit
        DetailPrint "tarvo-untarvo: exit status $TarvoUntarvoStatus"
      ${EndIf}
    ${EndIf}
  ${EndIf}

  ; The helper has ended, but a virus scanner may still hold its image for a moment.
  ${If} $_TU_stage != ""
  ${For} $_TU_i 1 30
    Delete "$_TU_stage\tarvo-untarvo.exe"
    RMDir "$_TU_stage"
    ${IfNot} ${FileExists} "$_TU_stage\*.*"
      ${Break}
    ${EndIf}
    Sleep 100
  ${Next}
  ${If} ${FileExists} "$_TU_stage\*.*"
    Delete /REBOOTOK "$_TU_stage\tarvo-untarvo.exe"
    RMDir /REBOOTOK "$_TU_stage"
  ${EndIf}
  ${EndIf}

  ${If} $TarvoUntarvoStatus == -1
    SetErrorLevel 2
  ${Else}
    SetErrorLevel $TarvoUntarvoStatus
  ${EndIf}
!macroend

!endif ; TARVO_UNTARVO_NSH
