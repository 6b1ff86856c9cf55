; The Tarnwell installer. Built by packaging/windows/build-installer:
;   makensis -DVERSION=x.y.z -DSTAGE=<folder with the files> -DARTWORK=<folder> -DOUTFILE=<setup.exe> tarnwell.nsi
; STAGE holds tarnwell-convert.exe, tnw_inst.dll, Tarnwell.GIF, README.txt and, once the desktop
; program is built, Tarnwell.exe; all of them go into one folder, where the programs find the
; logo. ARTWORK holds the program's icon and the pages' pictures as scripts/build-windows drew
; them (tarnwell.ico, installer-welcome.bmp, installer-header.bmp).
;
; Run by an administrator it installs for all users into Program Files; run by anyone else, for
; that user alone under %LOCALAPPDATA%\Programs. "/S" installs and uninstalls silently, "/D=DIR"
; (last on the command line, unquoted) chooses the folder.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel highest
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh

!ifndef VERSION
  !error "VERSION is not defined"
!endif
!ifndef STAGE
  !error "STAGE is not defined"
!endif
!ifndef ARTWORK
  !error "ARTWORK is not defined"
!endif
!ifndef OUTFILE
  !define OUTFILE "Tarnwell-${VERSION}-setup.exe"
!endif

!define PRODUCT "Tarnwell"
!define PUBLISHER "Hollowmere"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarnwell"
!define PROG_ID "Tarnwell.Document"
!define CLASSES "Software\Classes"

; The desktop program may not be built yet: then the installer carries the converter alone.
!if /FileExists "${STAGE}\Tarnwell.exe"
  !define HAVE_PROGRAM
!endif

Name "${PRODUCT}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"

!define MUI_ABORTWARNING
; The program's own icon and pictures, drawn by the same code as the program's.
!define MUI_ICON "${ARTWORK}\tarnwell.ico"
!define MUI_UNICON "${ARTWORK}\tarnwell.ico"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${ARTWORK}\installer-welcome.bmp"
!define MUI_HEADERIMAGE
!define MUI_HEADERIMAGE_RIGHT
!define MUI_HEADERIMAGE_BITMAP "${ARTWORK}\installer-header.bmp"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!ifdef HAVE_PROGRAM
  !define MUI_FINISHPAGE_RUN
  !define MUI_FINISHPAGE_RUN_TEXT "Run Tarnwell"
  !define MUI_FINISHPAGE_RUN_FUNCTION RunTarnwell
!endif
; Offered, not forced: the read-me opens in the program for text files.
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Read README.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; All users when the installer holds an administrator's rights, else the current user. The
; shell folders ($SMPROGRAMS) and SHCTX follow that choice.
Function .onInit
  SetRegView 64
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 == "Admin"
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
  ; $INSTDIR holds the folder of "/D=" when one was given.
  ${If} $INSTDIR == ""
    ${If} $0 == "Admin"
      StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
    ${Else}
      StrCpy $INSTDIR "$LOCALAPPDATA\Programs\${PRODUCT}"
    ${EndIf}
  ${EndIf}
FunctionEnd

!ifdef HAVE_PROGRAM
Function RunTarnwell
  ; Through the setup library, which starts the program as the desktop's user.
  System::Call '"$INSTDIR\tnw_inst.dll"::fnTNWInst(i $HWNDPARENT) i.r0 ?u'
FunctionEnd
!endif

Section "Tarnwell"
  SetOutPath "$INSTDIR"
  File "${STAGE}\tarnwell-convert.exe"
  File "${STAGE}\tnw_inst.dll"
  File "${STAGE}\Tarnwell.GIF"
  File "${STAGE}\README.txt"
!ifdef HAVE_PROGRAM
  File "${STAGE}\Tarnwell.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\Tarnwell.exe" "" "$INSTDIR\Tarnwell.exe" 0
!endif
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
!ifdef HAVE_PROGRAM
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Tarnwell.exe,0"
!endif
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0

!ifdef HAVE_PROGRAM
  ; The program registers itself for ".pas" files, for the desktop's user.
  System::Call '"$INSTDIR\tnw_inst.dll"::fnTNWInstReg(i $HWNDPARENT) i.r0 ?u'
!endif
SectionEnd

; The uninstaller undoes the installation where it was made: for all users when the machine's
; list of programs names this folder.
Function un.onInit
  SetRegView 64
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
FunctionEnd

; Removes a key of the current user's classes when nothing is left in it.
!macro RemoveIfEmpty key
  ClearErrors
  EnumRegKey $1 HKCU "${key}" 0
  EnumRegValue $2 HKCU "${key}" 0
  ReadRegStr $3 HKCU "${key}" ""
  ${If} $1 == ""
  ${AndIf} $2 == ""
  ${AndIf} $3 == ""
    DeleteRegKey /ifempty HKCU "${key}"
  ${EndIf}
!macroend

Section "Uninstall"
!ifdef HAVE_PROGRAM
  ; The workbooks the program handed over to the user's spreadsheet program, while it can still
  ; tell them: only its own listed, unchanged ones that nothing holds open, and their folder
  ; (%LOCALAPPDATA%\Tarnwell, with the list and the settings) when nothing else is in it.
  ExecWait '"$INSTDIR\Tarnwell.exe" /RemoveExports'
!endif
  Delete "$INSTDIR\Tarnwell.exe"
  Delete "$INSTDIR\tarnwell-convert.exe"
  Delete "$INSTDIR\tnw_inst.dll"
  Delete "$INSTDIR\Tarnwell.GIF"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\Uninstall.exe"
  ; Only when empty: a workbook the user saved there stays, and so does the folder.
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"

  ; What Tarnwell registered for the user: its document type, and ".pas" only where it is ours.
  DeleteRegKey HKCU "${CLASSES}\${PROG_ID}"
  ReadRegStr $0 HKCU "${CLASSES}\.pas" ""
  ${If} $0 == "${PROG_ID}"
    DeleteRegValue HKCU "${CLASSES}\.pas" ""
  ${EndIf}
  DeleteRegValue HKCU "${CLASSES}\.pas\OpenWithProgids" "${PROG_ID}"
  !insertmacro RemoveIfEmpty "${CLASSES}\.pas\OpenWithProgids"
  !insertmacro RemoveIfEmpty "${CLASSES}\.pas"
  ; SHCNE_ASSOCCHANGED: Explorer forgets the icon and verb it cached.
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
