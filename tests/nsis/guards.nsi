; TarvoUntarvo_Uninstall where it must not be used, for the compile-time guards of the
; include: -DIN_INSTALLER puts it in the installer's section, -DANSI makes an ANSI build.
!ifdef ANSI
  Unicode false
!else
  Target amd64-unicode
!endif
!ifndef OUT_FILE
  !define OUT_FILE "guards.exe"
!endif
!addincludedir "${__FILEDIR__}\..\..\nsis"
!define TARVO_UNTARVO_EXE "${__FILE__}"
!include "TarvoUntarvo.nsh"

Name "guards"
OutFile "${OUT_FILE}"
RequestExecutionLevel user

Section "Install"
  !ifdef IN_INSTALLER
    !insertmacro TarvoUntarvo_Uninstall full pm LCkapta lc-kapta.exe "Lokal-kaptáže" com.lc-kapta "" ""
  !endif
  WriteUninstaller "$EXEDIR\guards-uninstall.exe"
SectionEnd

Section "Uninstall"
  !ifndef IN_INSTALLER
    !insertmacro TarvoUntarvo_Uninstall full pm LCkapta lc-kapta.exe "Lokal-kaptáže" com.lc-kapta "" ""
  !endif
SectionEnd
