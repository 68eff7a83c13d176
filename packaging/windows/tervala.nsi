; The Windows installer of Tervala, made by scripts/build-windows.sh:
;   makensis -DVERSION=1.16.5 -DSTAGE=build-win/install -DOUTFILE=...setup.exe tervala.nsi
; STAGE holds the installed folder: tervala.exe, the Qt and MinGW DLLs, Qt's plug-ins, qt.conf
; and the report file's schema. The Firebird client is not included: the program uses the
; Firebird 3 installed on the computer (the one Lokra uses).
; A 64-bit installer for a 64-bit program (it runs under wine64 alone, too).
Target amd64-unicode
!include "MUI2.nsh"

Name "Tervala ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Tervala"
InstallDirRegKey HKLM "Software\Tervala" "InstallDir"
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tervala"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\tervala.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Polish"

Section "Tervala"
    SetShellVarContext all
    SetOutPath "$INSTDIR"
    File /r "${STAGE}/*.*"
    WriteUninstaller "$INSTDIR\Odinstaluj.exe"
    CreateDirectory "$SMPROGRAMS\Tervala"
    CreateShortcut "$SMPROGRAMS\Tervala\Tervala.lnk" "$INSTDIR\tervala.exe"
    CreateShortcut "$SMPROGRAMS\Tervala\Odinstaluj program Tervala.lnk" "$INSTDIR\Odinstaluj.exe"
    WriteRegStr HKLM "Software\Tervala" "InstallDir" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Tervala"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Zespół Tervala"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tervala.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Odinstaluj.exe"'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Removes what was installed and nothing else: a TV.ini, the folder Eksport and the update
; files of a copy kept beside the program stay.
Section "Uninstall"
    SetShellVarContext all
    Delete "$INSTDIR\tervala.exe"
    Delete "$INSTDIR\Qt6*.dll"
    Delete "$INSTDIR\libstdc++-6.dll"
    Delete "$INSTDIR\libgcc_s_seh-1.dll"
    Delete "$INSTDIR\libwinpthread-1.dll"
    Delete "$INSTDIR\qt.conf"
    Delete "$INSTDIR\tervala-report.xsd"
    RMDir /r "$INSTDIR\platforms"
    RMDir /r "$INSTDIR\styles"
    RMDir /r "$INSTDIR\tls"
    RMDir /r "$INSTDIR\translations"
    Delete "$INSTDIR\Odinstaluj.exe"
    RMDir "$INSTDIR"
    RMDir /r "$SMPROGRAMS\Tervala"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    DeleteRegKey HKLM "Software\Tervala"
SectionEnd
