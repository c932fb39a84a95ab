; Runs the argument dump once with values that the Windows command-line parser treats
; specially, each quoted by TarvoUntarvo_QuoteArg, and once with folders trimmed by
; TarvoUntarvo_TrimFolder and then quoted. The test compares what arrived.
; UTF-8 with a byte-order mark, for the non-ASCII values.
!ifndef TARVO_TARGET
  !define TARVO_TARGET amd64-unicode
!endif
Target ${TARVO_TARGET}
!ifndef ARGV_DUMP_EXE
  !error "define ARGV_DUMP_EXE"
!endif
!ifndef OUT_FILE
  !define OUT_FILE "quoting.exe"
!endif
!addincludedir "${__FILEDIR__}\..\..\nsis"
!include "TarvoUntarvo.nsh"

Name "quoting"
OutFile "${OUT_FILE}"
RequestExecutionLevel user
SilentInstall silent

Var cmd
Var q
Var v

!macro Quoted VALUE
  StrCpy $v `${VALUE}`
  !insertmacro TarvoUntarvo_QuoteArg $q $v
  StrCpy $cmd "$cmd $q"
!macroend

!macro Trimmed VALUE
  StrCpy $v `${VALUE}`
  !insertmacro TarvoUntarvo_TrimFolder $v $v
  !insertmacro TarvoUntarvo_QuoteArg $q $v
  StrCpy $cmd "$cmd $q"
!macroend

Section
  InitPluginsDir
  File "/oname=$PLUGINSDIR\argv_dump.exe" "${ARGV_DUMP_EXE}"
  StrCpy $cmd '"$PLUGINSDIR\argv_dump.exe"'
  ; Keep in step with the expected values in include-test.sh.
  !insertmacro Quoted `plain`
  !insertmacro Quoted `with space`
  !insertmacro Quoted `Vyšák-Kaptáže`
  !insertmacro Quoted ``
  !insertmacro Quoted `C:\`
  !insertmacro Quoted `C:\Tarvo\`
  !insertmacro Quoted `\\server\share\dir with space\\`
  !insertmacro Quoted `a"b`
  !insertmacro Quoted `a\"b`
  !insertmacro Quoted `a\\"b\`
  !insertmacro Quoted `"quoted"`
  !insertmacro Quoted `--mode`
  !insertmacro Quoted ` spaces around `
  !insertmacro Quoted `12345;23456,34567`
  !insertmacro Quoted `a\b\\c`
  !insertmacro Trimmed `C:\Tarvo\`
  !insertmacro Trimmed `C:\Tarvo zkouška\\\`
  !insertmacro Trimmed `C:\`
  !insertmacro Trimmed `C:\\`
  !insertmacro Trimmed `\`
  !insertmacro Trimmed `\\server\share\`
  !insertmacro Trimmed `relative\dir\`
  !insertmacro Trimmed `C:\Tarvo`
  !insertmacro Trimmed ``
  ExecWait $cmd $TarvoUntarvoStatus
SectionEnd
