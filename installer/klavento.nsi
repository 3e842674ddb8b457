; Setup for Klavento 7: per machine, German, silent with /S.
; Built by the "installer" target of the Windows tree, which passes the
; version and the include made from the list of what is installed with /D.

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
; What is installed, from installer/payload.txt, the list the Windows
; Installer packages are made from too.
!ifndef PAYLOAD
  !error "PAYLOAD fehlt (/DPAYLOAD=…payload.nsh)"
!endif
!ifndef OUTFILE
  !define OUTFILE "klavento-${VERSION}-setup.exe"
!endif

!include "${PAYLOAD}"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Klavento 7"
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
!include "LogicLib.nsh"

!ifdef ICON
  !define MUI_ICON "${ICON}"
  !define MUI_UNICON "${ICON}"
!endif
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\klavento.exe"
!define MUI_FINISHPAGE_RUN_TEXT "${PRODUCT} jetzt starten"

!insertmacro MUI_PAGE_WELCOME
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
  ; A Windows Installer package's installation owns the same files and keys;
  ; Windows Installer would repair them back or leave ours behind. Asked of
  ; Windows Installer itself, by the packages' fixed upgrade code.
  System::Call 'msi::MsiEnumRelatedProductsW(w "${UPGRADE_CODE}", i 0, i 0, w .r1) i .r0'
  ${If} $0 == 0
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} ist auf diesem PC bereits als Windows-Installer-Paket (MSI) installiert, zum Beispiel über eine Gruppenrichtlinie oder eine Softwareverteilung.$\r$\n$\r$\nAktualisieren Sie es mit einem neueren MSI-Paket, oder entfernen Sie es zuerst unter „Programme und Features“; dann lässt sich das Einrichtungsprogramm verwenden." /SD IDOK
    SetErrorLevel 3
    Abort
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
  !insertmacro KV_INSTALL_FILES
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  !insertmacro KV_CREATE_SHORTCUTS
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\${PRODUCT} deinstallieren.lnk" "$INSTDIR\${UNINSTALLER}"

  !insertmacro KV_WRITE_KEYS

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

Section "Uninstall"
  !insertmacro KV_REMOVE_FILES
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"

  !insertmacro KV_REMOVE_SHORTCUTS
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT} deinstallieren.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"

  !insertmacro KV_REMOVE_KEYS
  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
