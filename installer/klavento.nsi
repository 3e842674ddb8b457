; Setup for Klavento 7: per machine, German, silent with /S.
; Built by the "installer" target of the Windows tree, which passes the paths
; of the freshly built programs and the version with /D.

Unicode true
; A 32-bit setup runs on every Windows from XP on. It carries both builds and
; installs the 64-bit program on 64-bit Windows (into the 64-bit program
; folder and registry view, as before) and the 32-bit one on 32-bit Windows.
Target x86-unicode
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
!ifndef KLAVENTO32_EXE
  !error "KLAVENTO32_EXE fehlt"
!endif
!ifndef KVTOOL32_EXE
  !error "KVTOOL32_EXE fehlt"
!endif
!ifndef OUTFILE
  !define OUTFILE "klavento-${VERSION}-setup.exe"
!endif

!define PRODUCT "Klavento 7"
!define PUBLISHER "Klavento-Projekt"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Klavento 7"
!define APP_PATHS_KEY "Software\Microsoft\Windows\CurrentVersion\App Paths\KVWIN7.EXE"
!define PROGID "Klavento.Uebung"
!define TEST_PROGID "Klavento.Klassenarbeit"
!define UNINSTALLER "Deinstallieren.exe"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
; On 32-bit Windows this is the one program folder there is.
InstallDir "$PROGRAMFILES64\${PRODUCT}"
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
  SetShellVarContext all
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
  ; A folder chosen earlier wins on a repeated installation, unless /D= names
  ; one. Read here, in the view the program's keys are in.
  ${If} $INSTDIR == "$PROGRAMFILES64\${PRODUCT}"
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 != ""
      StrCpy $INSTDIR $0
    ${EndIf}
  ${EndIf}
FunctionEnd

Function un.onInit
  SetShellVarContext all
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
FunctionEnd

Section "${PRODUCT} (Programm)" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  ${If} ${RunningX64}
    File "/oname=klavento.exe" "${KLAVENTO_EXE}"
    File "/oname=kvtool.exe" "${KVTOOL_EXE}"
  ${Else}
    File "/oname=klavento.exe" "${KLAVENTO32_EXE}"
    File "/oname=kvtool.exe" "${KVTOOL32_EXE}"
  ${EndIf}
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

  ; A class test opens by double-click too, with the learner's start page.
  WriteRegStr HKLM "Software\Classes\.kvk" "" "${TEST_PROGID}"
  WriteRegStr HKLM "Software\Classes\.kvk" "Content Type" "application/x-klavento-klassenarbeit"
  WriteRegStr HKLM "Software\Classes\${TEST_PROGID}" "" "Klassenarbeit (Klavento 7)"
  WriteRegStr HKLM "Software\Classes\${TEST_PROGID}\DefaultIcon" "" "$INSTDIR\klavento.exe,0"
  WriteRegStr HKLM "Software\Classes\${TEST_PROGID}\shell" "" "open"
  WriteRegStr HKLM "Software\Classes\${TEST_PROGID}\shell\open" "" "&Öffnen"
  WriteRegStr HKLM "Software\Classes\${TEST_PROGID}\shell\open\command" "" '"$INSTDIR\klavento.exe" "%1"'

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
  DeleteRegKey HKLM "Software\Classes\${TEST_PROGID}"
  ReadRegStr $0 HKLM "Software\Classes\.kvk" ""
  StrCmp $0 "${TEST_PROGID}" 0 +2
    DeleteRegKey HKLM "Software\Classes\.kvk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
