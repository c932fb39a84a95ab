; TarvoUntarvo.nsh: removes a Tarvo application from an NSIS uninstaller through
; tarvo-untarvo.exe.
;
; NSIS 3.09 or later is required, or a build that carries the fix for CVE-2023-37378 (such as
; Debian 12's 3.08-3+deb12u1). An uninstaller run the default way (not with _?=) copies itself
; to the temporary folder and runs the copy: 3.09 names that copy ~nsuN.tmp\Un.exe, stock 3.00
; to 3.08 name it ~nsu.tmp\Un_A.exe, a fixed path that another program can take over (the CVE).
; The helper accepts only Un.exe, so an uninstaller built with a stock 3.08 or older removes
; nothing. This include warns at compile time when makensis is older than 3.09 (define
; TARVO_UNTARVO_NSIS_COPY_IS_UN_EXE when your build carries the fix), and at run time refuses,
; with a message, to start the helper from an uninstaller running under any other name.
;
; The helper refuses to act unless it can prove who started it: its parent must be the
; uninstaller ("Zudeded2026.exe" in the install directory, or NSIS's own temporary copy
; "Un.exe" below $TEMP), named by path and process id on the command line, and the helper
; itself must run from outside the installation. This include does exactly that: it stages
; the helper in a folder of its own under $TEMP, starts it with the whole installation
; described on its command line, waits for it, removes the staged copy and hands the exit
; status back.
;
; Use, in the uninstaller section, after SetShellVarContext has been set as the installer set it:
;
;   Target amd64-unicode                                       ; a Unicode uninstaller
;   !define TARVO_UNTARVO_EXE "path\to\tarvo-untarvo.exe"      ; at compile time; default: next to the script
;   !include "TarvoUntarvo.nsh"
;   ...
;   Section "Uninstall"
;     SetShellVarContext all
;     !insertmacro TarvoUntarvo_Uninstall full pm LCkapta lc-kapta.exe "Lokal-kaptáže" \
;         com.lc-kapta "$SMPROGRAMS\Lokal-kaptáže" ""
;     ${If} ${Errors}
;       ; Not removed: keep the Add/Remove Programs entry and the uninstaller, so that the
;       ; removal can be tried again once the cause is fixed.
;       Abort "Lokal-kaptáže was not removed, see $INSTDIR\logs"
;     ${EndIf}
;     DeleteRegKey HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarvo LCkapta"
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
; docs/applications.md lists every application's values.
;
; It is a compile-time error to use the macro outside the uninstaller (the Uninstall section,
; an un. section or an un. function) or in an ANSI build: the helper accepts no installer as
; its caller, and the install folders and product names are not ASCII.
;
; Afterwards:
;   $TarvoUntarvoStatus  the helper's exit status: 0 removed; 1 a precinct or processing
;                        application was not (fully) removed; 2 a data-entry application was
;                        not (fully) removed or the command line was refused; 3 the helper
;                        ran out of memory; -1 the helper was not started (nothing was removed)
;   error flag           set when $TarvoUntarvoStatus is not 0, clear when it is 0
;   error level          SetErrorLevel with that status (2 for -1), so that whoever started the
;                        uninstaller with _?= sees it as the uninstaller's exit code
;   $OUTPATH             $TEMP: no folder of the installation stays the uninstaller's working
;                        directory while the helper removes it
; The helper's run log is in $INSTDIR\logs. What happened is also said in the details and
; recorded in the Windows Application event log (source tarvo-untarvo: event 1 removed, 2 the
; helper did not remove the application, 3 the helper was not started), which no file or
; link on the workstation can redirect: a silent uninstall whose helper could not even start
; leaves that record. With !define TARVO_UNTARVO_FAILURE_MESSAGE before the include, a failure
; is also shown in a message box, which a silent uninstall answers on its own (/SD). An
; uninstaller running under a name the helper refuses always shows its message.
;
; When the helper did not remove the application, keep what lets the removal be tried again:
; test ${Errors} (or $TarvoUntarvoStatus) and Abort before the Add/Remove Programs entry or
; the uninstaller is deleted, as in the example above.
;
; The staging folder. The uninstaller often runs elevated, while $TEMP belongs to the user and
; any program of the user can create, replace or link names in it. So the folder is created
; by this include itself, in one step that fails when anything at all already has its name (a
; folder, a file, a link), never reused; when the uninstaller runs elevated it is created with
; a security descriptor that admits only SYSTEM and the Administrators group, and owned by the
; Administrators group; it is held open, so that it cannot be renamed or deleted, until the
; staged copy is gone; every later path goes through its final name, which no link in $TEMP
; can re-point; and the staged helper is held open against writing and deletion from when it
; has been written until it has run, after a check that it is a plain file with one name in
; that folder. Any failure of these steps starts nothing.
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

!ifndef NSIS_PACKEDVERSION
  !error "TarvoUntarvo.nsh needs NSIS 3.09 or later"
!endif
!if ${NSIS_PACKEDVERSION} < 0x03009000
  !ifndef TARVO_UNTARVO_NSIS_COPY_IS_UN_EXE
    !warning "TarvoUntarvo.nsh: makensis ${NSIS_VERSION} is older than 3.09. Unless this build carries the fix for CVE-2023-37378 (then !define TARVO_UNTARVO_NSIS_COPY_IS_UN_EXE), its uninstallers run their temporary copy as Un_A.exe, which the helper refuses: they remove nothing. Use NSIS 3.09 or later."
  !endif
!endif

!include LogicLib.nsh

!ifndef TARVO_UNTARVO_EXE
  !define TARVO_UNTARVO_EXE "tarvo-untarvo.exe"
!endif
!ifndef TARVO_UNTARVO_UNINSTALLER
  !define TARVO_UNTARVO_UNINSTALLER "Zudeded2026.exe"
!endif
; The staging folder of an elevated uninstaller: owned by the Administrators group, its access
; list not inherited from $TEMP and holding only SYSTEM and the Administrators group, both
; passed on to what is created inside.
!define _TARVO_UNTARVO_STAGE_SDDL "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"

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

; Test builds only (!define TARVO_UNTARVO_TEST_PAUSE <file>): writes PATH to <file>.STEP and
; waits until that file is deleted, so that a test can change the world between two steps.
!macro _TarvoUntarvo_TestPause STEP PATH
  !ifdef TARVO_UNTARVO_TEST_PAUSE
    FileOpen $_TU_c "${TARVO_UNTARVO_TEST_PAUSE}.${STEP}" w
    FileWrite $_TU_c "${PATH}"
    FileClose $_TU_c
    ${For} $_TU_i 1 1200
      ${IfNot} ${FileExists} "${TARVO_UNTARVO_TEST_PAUSE}.${STEP}"
        ${Break}
      ${EndIf}
      Sleep 100
    ${Next}
  !endif
!macroend

; The running uninstaller must be one the helper accepts as its caller: the installed one, or
; the temporary copy Un.exe. Any other name means an NSIS build without the fix for
; CVE-2023-37378 (its copy is Un_A.exe), and the helper would refuse it after all.
!macro _TarvoUntarvo_CheckCaller
  StrLen $_TU_i $EXEPATH
  ${Do}
    IntOp $_TU_i $_TU_i - 1
    StrCpy $_TU_c $EXEPATH 1 $_TU_i
    ${If} $_TU_c == "\"
    ${OrIf} $_TU_i <= 0
      ${ExitDo}
    ${EndIf}
  ${Loop}
  IntOp $_TU_i $_TU_i + 1
  StrCpy $_TU_value $EXEPATH "" $_TU_i
  ; StrCmp ignores letter case, as the helper does for these two names.
  ${If} $_TU_value != "${TARVO_UNTARVO_UNINSTALLER}"
  ${AndIf} $_TU_value != "Un.exe"
    StrCpy $_TU_why "this uninstaller runs as $_TU_value, not as ${TARVO_UNTARVO_UNINSTALLER} or as NSIS's temporary copy Un.exe, and the helper accepts no other caller: it was built with NSIS older than 3.09 (or without the fix for CVE-2023-37378); rebuild it with NSIS 3.09 or later"
    StrCpy $_TU_tell 1
  ${EndIf}
!macroend

; Makes the staging folder and writes the helper into it, both held open; on failure sets
; $_TU_why. Registers: $0-$9 (saved by the caller).
!macro _TarvoUntarvo_Stage
  System::Call 'kernel32::GetCurrentProcessId() i .r0'
  StrCpy $_TU_pid $0
  System::Call 'kernel32::GetTickCount() i .r1'
  IntFmt $1 "%08X" $1
  StrCpy $_TU_value "$TEMP\tarvo-untarvo-stage-$0-$1"
  !insertmacro _TarvoUntarvo_TestPause named $_TU_value

  ; An elevated uninstaller gets a folder that only SYSTEM and the Administrators group may
  ; change; otherwise the folder has what $TEMP passes on, for the user runs the helper.
  StrCpy $2 0
  System::Call 'shell32::IsUserAnAdmin() i .r3'
  ${If} $3 <> 0
    System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorW(w "${_TARVO_UNTARVO_STAGE_SDDL}", i 1, *p .r2, p 0) i .r4 ?e'
    Pop $5
    ${If} $4 == 0
      StrCpy $2 0
      StrCpy $_TU_why "cannot make the security descriptor of the staging folder (error $5)"
    ${EndIf}
  ${EndIf}

  ; NtCreateFile makes the folder and opens it in one step, and fails when anything already
  ; has the name: CreateDirectoryW followed by an open would leave a moment in which the new
  ; folder could be moved away and replaced. The handle shares no deletion, so the folder can
  ; be neither renamed nor deleted while it is held.
  ${If} $_TU_why == ""
    System::Call '*(&i16) p .r6'  ; UNICODE_STRING, the folder's NT name
    Push $_TU_value
    System::Call 'ntdll::RtlDosPathNameToNtPathName_U(w s, p r6, p 0, p 0) i .r4'
    ${If} $4 == 0
      StrCpy $_TU_why "cannot name the staging folder $_TU_value"
    ${Else}
      ; OBJECT_ATTRIBUTES: the name, OBJ_CASE_INSENSITIVE, the security descriptor
      !if ${NSIS_PTR_SIZE} > 4
        System::Call '*(i 48, i 0, p 0, p r6, i 0x40, i 0, p r2, p 0) p .r7'
      !else
        System::Call '*(i 24, p 0, p r6, i 0x40, p r2, p 0) p .r7'
      !endif
      System::Call '*(&i16) p .r8'  ; IO_STATUS_BLOCK
      ; FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | READ_CONTROL | SYNCHRONIZE; share read and
      ; write, not delete; FILE_CREATE; FILE_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT
      System::Call 'ntdll::NtCreateFile(*p .r9, i 0x120081, p r7, p r8, p 0, i 0, i 3, i 2, i 0x21, p 0, i 0) i .r4'
      IntFmt $4 "0x%08X" $4
      ${If} $4 == 0x00000000
        StrCpy $_TU_dir $9
        StrCpy $_TU_stage $_TU_value
      ${ElseIf} $4 == 0xC0000035  ; STATUS_OBJECT_NAME_COLLISION
        StrCpy $_TU_why "cannot make the staging folder $_TU_value: something already has its name (a folder, a file or a link), and nothing found there is used"
      ${Else}
        StrCpy $_TU_why "cannot make the staging folder $_TU_value (status $4)"
      ${EndIf}
      System::Free $7
      System::Free $8
      System::Call 'ntdll::RtlFreeUnicodeString(p r6)'
    ${EndIf}
    System::Free $6
  ${EndIf}
  ${If} $2 <> 0
    System::Call 'kernel32::LocalFree(p r2)'
  ${EndIf}

  ; From here on the folder is named by its final name, which no link can re-point.
  ${If} $_TU_why == ""
    System::Call 'kernel32::GetFinalPathNameByHandleW(p $_TU_dir, w .r0, i ${NSIS_MAX_STRLEN}, i 0) i .r1'
    ${If} $1 == 0
    ${OrIf} $1 >= ${NSIS_MAX_STRLEN}
      StrCpy $_TU_why "cannot read the final name of the staging folder $_TU_value"
    ${Else}
      StrCpy $_TU_final $0
      StrCpy $_TU_stage $0 "" 4  ; without \\?\ ...
      StrCpy $1 $_TU_stage 4
      ${If} $1 == "UNC\"
        StrCpy $_TU_stage $_TU_stage "" 3  ; ... and \\?\UNC\server is \\server
        StrCpy $_TU_stage "\$_TU_stage"
      ${EndIf}
    ${EndIf}
  ${EndIf}

  ${If} $_TU_why == ""
    ClearErrors
    File "/oname=$_TU_stage\tarvo-untarvo.exe" "${TARVO_UNTARVO_EXE}"
    ${If} ${Errors}
      StrCpy $_TU_why "cannot write the helper into the staging folder $_TU_stage"
    ${EndIf}
  ${EndIf}

  ; Held against writing and deletion until it has run; and it must be what was written: a
  ; plain file with no other name, in this very folder.
  ${If} $_TU_why == ""
    Push "$_TU_stage\tarvo-untarvo.exe"
    ; GENERIC_READ, share read only, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT
    System::Call 'kernel32::CreateFileW(w s, i 0x80000000, i 1, p 0, i 3, i 0x00200000, p 0) p .r0 ?e'
    Pop $1
    ${If} $0 == -1
      StrCpy $_TU_why "cannot hold the staged helper $_TU_stage\tarvo-untarvo.exe (error $1)"
    ${Else}
      StrCpy $_TU_exe $0
      System::Call '*(&i52) p .r2'  ; BY_HANDLE_FILE_INFORMATION
      System::Call 'kernel32::GetFileInformationByHandle(p r0, p r2) i .r3'
      System::Call '*$2(i .r4, i, i, i, i, i, i, i, i, i, i .r5)'  ; attributes, number of links
      System::Free $2
      System::Call 'kernel32::GetFinalPathNameByHandleW(p r0, w .r6, i ${NSIS_MAX_STRLEN}, i 0) i .r7'
      IntOp $4 $4 & 0x410  ; FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT
      ${If} $3 == 0
      ${OrIf} $4 <> 0
      ${OrIf} $5 <> 1
      ${OrIf} $6 != "$_TU_final\tarvo-untarvo.exe"
        StrCpy $_TU_why "the staged helper is not the plain file that was written into the staging folder $_TU_stage"
      ${EndIf}
    ${EndIf}
  ${EndIf}
!macroend

; Closes what the staging holds and removes the staged copy, by the folder's final name and
; while the folder is still held; never anything at a name this run did not create.
!macro _TarvoUntarvo_Unstage
  ${If} $_TU_exe <> 0
    System::Call 'kernel32::CloseHandle(p $_TU_exe)'
    StrCpy $_TU_exe 0
  ${EndIf}
  ${If} $_TU_stage != ""
    ; The helper has ended, but a virus scanner may still hold its image for a moment.
    ${For} $_TU_i 1 30
      Delete "$_TU_stage\tarvo-untarvo.exe"
      ${IfNot} ${FileExists} "$_TU_stage\tarvo-untarvo.exe"
        ${Break}
      ${EndIf}
      Sleep 100
    ${Next}
  ${EndIf}
  ${If} $_TU_dir <> 0
    System::Call 'kernel32::CloseHandle(p $_TU_dir)'
    StrCpy $_TU_dir 0
  ${EndIf}
  ${If} $_TU_stage != ""
    RMDir "$_TU_stage"
    ${If} ${FileExists} "$_TU_stage\*.*"
      Delete /REBOOTOK "$_TU_stage\tarvo-untarvo.exe"
      RMDir /REBOOTOK "$_TU_stage"
    ${EndIf}
  ${EndIf}
!macroend

; Says how the removal ended: in the details, in the Application event log and, when asked
; for (or when the uninstaller itself cannot be the helper's caller), in a message box.
!macro _TarvoUntarvo_Report APP_FOLDER MODE
  StrCpy $_TU_text "tarvo-untarvo, ${APP_FOLDER} (--mode ${MODE}):"
  ${If} $_TU_why != ""
    StrCpy $_TU_text "$_TU_text not started: $_TU_why. Nothing was removed, and the helper wrote no run log."
    StrCpy $1 1  ; EVENTLOG_ERROR_TYPE
    StrCpy $2 3
  ${ElseIf} $TarvoUntarvoStatus == 0
    StrCpy $_TU_text "$_TU_text done."
    StrCpy $1 4  ; EVENTLOG_INFORMATION_TYPE
    StrCpy $2 1
  ${Else}
    StrCpy $_TU_text "$_TU_text failed: the helper ended with status $TarvoUntarvoStatus. Its run log in $INSTDIR\logs says why."
    StrCpy $1 1
    StrCpy $2 2
  ${EndIf}
  DetailPrint $_TU_text

  System::Call 'advapi32::RegisterEventSourceW(p 0, w "tarvo-untarvo") p .r3'
  ${If} $3 <> 0
    Push $_TU_text
    System::Call '*(&w${NSIS_MAX_STRLEN} s) p .r4'
    System::Call '*(p r4) p .r5'
    System::Call 'advapi32::ReportEventW(p r3, i r1, i 0, i r2, p 0, i 1, i 0, p r5, p 0)'
    System::Free $5
    System::Free $4
    System::Call 'advapi32::DeregisterEventSource(p r3)'
  ${EndIf}

  !ifdef TARVO_UNTARVO_FAILURE_MESSAGE
    ${If} $TarvoUntarvoStatus != 0
      StrCpy $_TU_tell 1
    ${EndIf}
  !endif
  ${If} $_TU_tell == 1
    MessageBox MB_OK|MB_ICONSTOP $_TU_text /SD IDOK
  ${EndIf}
!macroend

!macro TarvoUntarvo_Uninstall MODE APP_KIND APP_FOLDER MAIN_BINARY PRODUCT_NAME BUNDLE_ID START_MENU ITEMS
  !ifndef __UNINSTALL__
    !error "TarvoUntarvo_Uninstall belongs in the uninstaller (Section $\"Uninstall$\", an un. section or an un. function): the helper accepts no other caller"
  !endif
  !ifndef NSIS_UNICODE
    !error "TarvoUntarvo_Uninstall needs a Unicode uninstaller (Target amd64-unicode or x86-unicode): install folders and product names are not ASCII"
  !endif
  !ifndef _TARVO_UNTARVO_UNINSTALL_VARS
    !define _TARVO_UNTARVO_UNINSTALL_VARS
    Var /GLOBAL _TU_value
    Var /GLOBAL _TU_quoted
    Var /GLOBAL _TU_cmd
    Var /GLOBAL _TU_stage
    Var /GLOBAL _TU_final
    Var /GLOBAL _TU_pid
    Var /GLOBAL _TU_exit
    Var /GLOBAL _TU_why
    Var /GLOBAL _TU_tell
    Var /GLOBAL _TU_dir
    Var /GLOBAL _TU_exe
    Var /GLOBAL _TU_text
  !endif
  System::Store S
  StrCpy $TarvoUntarvoStatus -1
  StrCpy $_TU_why ""   ; why the helper was not started
  StrCpy $_TU_tell 0   ; whether a message box says so
  StrCpy $_TU_stage "" ; set only once this run has made the staging folder
  StrCpy $_TU_dir 0
  StrCpy $_TU_exe 0
  ; The working directory of this process must not hold the installation open.
  SetOutPath $TEMP

  !insertmacro _TarvoUntarvo_CheckCaller
  ${If} $_TU_why == ""
    !insertmacro _TarvoUntarvo_Stage
  ${EndIf}

  ${If} $_TU_why == ""
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
    ; The helper checks that its parent is this very process.
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
      StrCpy $_TU_why "the command line is longer than this NSIS build allows (NSIS_MAX_STRLEN ${NSIS_MAX_STRLEN}); build the uninstaller with the large-strings build of NSIS"
    ${EndIf}
  ${EndIf}

  ${If} $_TU_why == ""
    !insertmacro _TarvoUntarvo_TestPause staged $_TU_stage
    DetailPrint "tarvo-untarvo: $_TU_cmd"
    ClearErrors
    ExecWait $_TU_cmd $_TU_exit
    ${If} ${Errors}
      StrCpy $_TU_why "the helper could not be started (a policy such as AppLocker may block programs in $TEMP: see the signing advice in TarvoUntarvo.nsh)"
    ${Else}
      StrCpy $TarvoUntarvoStatus $_TU_exit
    ${EndIf}
  ${EndIf}

  !insertmacro _TarvoUntarvo_Unstage
  !insertmacro _TarvoUntarvo_Report `${APP_FOLDER}` `${MODE}`
  System::Store L

  ${If} $TarvoUntarvoStatus == -1
    SetErrorLevel 2
  ${Else}
    SetErrorLevel $TarvoUntarvoStatus
  ${EndIf}
  ; Last, so that nothing above clears it.
  ClearErrors
  ${If} $TarvoUntarvoStatus != 0
    SetErrors
  ${EndIf}
!macroend

!endif ; TARVO_UNTARVO_NSH
