; FolioHarvester's installer for one user: no administrator rights, the
; programs under %LOCALAPPDATA%\Programs\FolioHarvester, a Start-menu entry
; and an uninstaller in the user's own list of installed programs. /S installs
; silently. scripts/windows.sh builds it with makensis and these defines:
;   VERSION  the program's version (2.23)
;   SOURCE   the folder holding the three programs, README.md and LICENCES.txt
;   OUTFILE  the installer to write
Unicode true
Target amd64-unicode
!ifndef VERSION | SOURCE | OUTFILE
  !error "makensis needs -DVERSION=, -DSOURCE= and -DOUTFILE="
!endif

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\FolioHarvester"
!define PUBLISHER "The FolioHarvester developers"

Name "FolioHarvester ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\FolioHarvester"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
SetCompressor /SOLID lzma
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "FolioHarvester"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "FolioHarvester installer"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "See LICENCES.txt"

!include "MUI2.nsh"
!define MUI_FINISHPAGE_RUN "$INSTDIR\folioharvester.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

!macro ProgramFiles Action
  ${Action} "$INSTDIR\folioharvester.exe"
  ${Action} "$INSTDIR\folioharvester-cli.exe"
  ${Action} "$INSTDIR\folioharvester-fetch.exe"
  ${Action} "$INSTDIR\README.md"
  ${Action} "$INSTDIR\LICENCES.txt"
!macroend

Section "FolioHarvester"
  SetOutPath "$INSTDIR"
  File "${SOURCE}\folioharvester.exe"
  File "${SOURCE}\folioharvester-cli.exe"
  File "${SOURCE}\folioharvester-fetch.exe"
  File "${SOURCE}\README.md"
  File "${SOURCE}\LICENCES.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The window saves into the folder it starts in until another is chosen:
  ; the user's documents, never the program folder.
  SetOutPath "$DOCUMENTS"
  CreateShortCut "$SMPROGRAMS\FolioHarvester.lnk" "$INSTDIR\folioharvester.exe"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "FolioHarvester"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\folioharvester.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Only what the installer put there: the settings (HKCU\Software\FolioHarvester)
; and the PDFs stay, and so does the folder if anything else is in it.
Section "Uninstall"
  !insertmacro ProgramFiles Delete
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\FolioHarvester.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
