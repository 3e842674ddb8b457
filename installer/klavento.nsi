; Setup for Klavento 7: per machine, German, silent with /S.
; Built by the "installer" target of the Windows tree, which passes the paths
; of the freshly built programs and the version with /D.

Unicode true
; The programs are 64-bit: a 64-bit setup writes the registry view and the
; program folder they read, and needs no 32-bit Wine to run.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!ifndef VERSION
  !error "VERSION fehlt (/DVERSION=…)"
!endif
!ifndef KLAVENTO_EXE
  !error "KLAVENTO_EXE fehlt"
!endif
!ifndef KVTOOL_EXE
  !error "KVTOOL_EXE fehlt"
!endif
!ifndef OUTFILE
  !define OUTFILE "klavento-${VERSION}-setup.exe"
!endif

!define PRODUCT "Klavento 7"
!define PUBLISHER "Klavento-Projekt"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Klavento 7"
!define APP_PATHS_KEY "Software\Microsoft\Windows\CurrentVersion\App Paths\KVWIN7.EXE"
!define PROGID "Klavento.Uebung"
!define UNINSTALLER "Deinstallieren.exe"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
; A folder chosen earlier wins on a repeated installation.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1031 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1031 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1031 "FileDescription" "Einrichtung von ${PRODUCT}"
VIAddVersionKey /LANG=1031 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1031 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1031 "LegalCopyright" "${PUBLISHER}"

!include "MUI2.nsh"
!include "x64.nsh"

!ifdef ICON
  !define MUI_ICON "${ICON}"
  !define MUI_UNICON "${ICON}"
!endif
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\klavento.exe"
!define MUI_FINISHPAGE_RUN_TEXT "${PRODUCT} jetzt starten"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "German"

Function .onInit
  ; The programs are x64 builds; refuse plainly instead of failing later.
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP|MB_OK "${PRODUCT} benötigt ein 64-Bit-Windows." /SD IDOK
    Abort
  ${EndIf}
  SetShellVarContext all
  SetRegView 64
FunctionEnd

Function un.onInit
  SetShellVarContext all
  SetRegView 64
FunctionEnd

Section "${PRODUCT} (Programm)" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "/oname=klavento.exe" "${KLAVENTO_EXE}"
  File "/oname=kvtool.exe" "${KVTOOL_EXE}"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\klavento.exe" "" "$INSTDIR\klavento.exe" 0
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\${PRODUCT} deinstallieren.lnk" "$INSTDIR\${UNINSTALLER}"

  ; The program reads its own folder from here at start-up.
  WriteRegStr HKLM "${APP_PATHS_KEY}" "" "$INSTDIR\klavento.exe"
  WriteRegStr HKLM "${APP_PATHS_KEY}" "Path" "$INSTDIR"

  WriteRegStr HKLM "Software\Classes\.kvw" "" "${PROGID}"
  WriteRegStr HKLM "Software\Classes\.kvw" "Content Type" "application/x-klavento-uebung"
  WriteRegStr HKLM "Software\Classes\${PROGID}" "" "Text mit Auswertung (Klavento 7)"
  WriteRegStr HKLM "Software\Classes\${PROGID}\DefaultIcon" "" "$INSTDIR\klavento.exe,0"
  WriteRegStr HKLM "Software\Classes\${PROGID}\shell" "" "open"
  WriteRegStr HKLM "Software\Classes\${PROGID}\shell\open" "" "&Öffnen"
  WriteRegStr HKLM "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\klavento.exe" "%1"'

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\klavento.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

  ; Explorer caches associations and icons until told.
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

!ifdef HANDBOOK_DIR
Section "Benutzerhandbuch" SecHandbook
  SetOutPath "$INSTDIR\Handbuch"
  File "${HANDBOOK_HTML}"
  SetOutPath "$INSTDIR\Handbuch\bilder"
  File "${HANDBOOK_DIR}\bilder\*.png"
  ; Opens in the browser the user has chosen.
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\Benutzerhandbuch.lnk" "$INSTDIR\Handbuch\Benutzerhandbuch.html"
SectionEnd
!endif

Section "Uninstall"
  Delete "$INSTDIR\klavento.exe"
  Delete "$INSTDIR\kvtool.exe"
  RMDir /r "$INSTDIR\Handbuch"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT} deinstallieren.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Benutzerhandbuch.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"

  DeleteRegKey HKLM "${APP_PATHS_KEY}"
  DeleteRegKey HKLM "Software\Classes\${PROGID}"
  ; Leave .kvw alone when another program has taken it over since.
  ReadRegStr $0 HKLM "Software\Classes\.kvw" ""
  StrCmp $0 "${PROGID}" 0 +2
    DeleteRegKey HKLM "Software\Classes\.kvw"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
