; The installer, for one user and without administrator rights: the program goes to the user's
; own programs folder and everything else it writes is under HKCU.
; packaging/CMakeLists.txt compiles it with these defines:
;   VERSION       the version shown (2.0.1), FILE_VERSION the same in four parts (2.0.1.0),
;                 PRODUCT_VERSION the product's (2.0.1.1)
;   STAGE         the folder holding the files to install
;   ICON, OUTFILE the installer's icon and the installer to write

Unicode true
ManifestDPIAware true
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Paneveil"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define SETTINGS_DIR "$DOCUMENTS\Kestro\Paneveil"
!define SYNCHRONIZE 0x00100000
!define ERROR_ACCESS_DENIED 5
!define RUNNING_TEXT "Paneveil is running. Please exit it first: right-click its icon in the notification area, then click Exit."

; The package and the program must not disagree about the version.
!getdllversion "${STAGE}\Paneveil.exe" EXE_
!if "${EXE_1}.${EXE_2}.${EXE_3}.${EXE_4}" != "${FILE_VERSION}"
  !error "Paneveil.exe has version ${EXE_1}.${EXE_2}.${EXE_3}.${EXE_4}, the package ${FILE_VERSION}"
!endif

Name "Paneveil"
Caption "Paneveil ${VERSION} Setup"
UninstallCaption "Paneveil ${VERSION} Uninstall"
BrandingText "Paneveil ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\Paneveil"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"

VIProductVersion "${FILE_VERSION}"
VIAddVersionKey "ProductName" "Paneveil"
VIAddVersionKey "CompanyName" "Kestro"
VIAddVersionKey "FileDescription" "Paneveil ${VERSION} Setup"
VIAddVersionKey "FileVersion" "${FILE_VERSION}"
VIAddVersionKey "ProductVersion" "${PRODUCT_VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright (C) 2026 Kestro"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
; Finish pages are skipped by a silent install, so /S never starts the program.
!define MUI_FINISHPAGE_RUN "$INSTDIR\Paneveil.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Paneveil"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!define MUI_PAGE_HEADER_TEXT "Settings and Filters"
!define MUI_PAGE_HEADER_SUBTEXT "Choose whether to keep them."
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_COMPONENTSPAGE_TEXT_TOP "Your settings and filters (Documents\Kestro\Paneveil) are kept for a later installation unless you tick the box below."
!define MUI_COMPONENTSPAGE_TEXT_COMPLIST " "
!define MUI_PAGE_CUSTOMFUNCTION_SHOW un.HideSpaceRequired
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; Pushes 1 while a Paneveil holds its instance mutex, else 0. A mutex that exists but may not be
; opened (an instance started as administrator) counts as running.
!macro DefineIsPaneveilRunning prefix
  Function ${prefix}IsPaneveilRunning
    Push $0
    Push $1
    System::Call 'kernel32::OpenMutexW(i ${SYNCHRONIZE}, i 0, w "Paneveil_Mutex") i .r0 ?e'
    Pop $1
    ${If} $0 <> 0
      System::Call 'kernel32::CloseHandle(i r0)'
      StrCpy $0 1
    ${ElseIf} $1 = ${ERROR_ACCESS_DENIED}
      StrCpy $0 1
    ${EndIf}
    Pop $1
    Exch $0
  FunctionEnd
!macroend
!insertmacro DefineIsPaneveilRunning ""
!insertmacro DefineIsPaneveilRunning "un."

Section "Paneveil"
  ; Files in use could not be replaced, and ending the program from here would leave the
  ; windows it made translucent.
  check_running:
  Call IsPaneveilRunning
  Pop $0
  ${If} $0 <> 0
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${RUNNING_TEXT}$\n$\nThen click Retry." /SD IDCANCEL IDRETRY check_running
    Abort "Paneveil is running."
  ${EndIf}

  SetOutPath "$INSTDIR"
  File "${STAGE}\Paneveil.exe"
  File "${STAGE}\PVDLL.dll"
  File "${STAGE}\help.html"
  File "${STAGE}\README.txt"
  File "${STAGE}\LICENSE"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  SetShellVarContext current
  CreateDirectory "$SMPROGRAMS"
  CreateShortcut "$SMPROGRAMS\Paneveil.lnk" "$INSTDIR\Paneveil.exe" "" "$INSTDIR\Paneveil.exe" 0

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Paneveil"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Kestro"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Paneveil.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Refuses, also when silent (exit code 2), rather than stopping the program: a Paneveil ended
; from outside leaves windows translucent.
!macro RefuseWhileRunning
  Call un.IsPaneveilRunning
  Pop $0
  ${If} $0 <> 0
    MessageBox MB_OK|MB_ICONEXCLAMATION "${RUNNING_TEXT}$\n$\nThen run the uninstaller again." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
!macroend

Section "-un.Program"
  ; Paneveil may have been started since the uninstaller opened.
  !insertmacro RefuseWhileRunning
  SetShellVarContext current
  Delete "$INSTDIR\Paneveil.exe"
  Delete "$INSTDIR\PVDLL.dll"
  Delete "$INSTDIR\help.html"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE"
  Delete "$INSTDIR\Uninstall.exe"
  ; Not /r: whatever else the user put there stays.
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Paneveil.lnk"
  DeleteRegValue HKCU "${RUN_KEY}" "Paneveil"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.Remove my settings and filters" SecRemoveSettings
  SetShellVarContext current
  Delete "${SETTINGS_DIR}\Paneveil.dat"
  RMDir "${SETTINGS_DIR}"
  RMDir "$DOCUMENTS\Kestro"
  DeleteRegKey HKCU "Software\Kestro\Paneveil"
  DeleteRegKey /ifempty HKCU "Software\Kestro"
SectionEnd

; Removing files frees no space worth showing.
Function un.HideSpaceRequired
  FindWindow $0 "#32770" "" $HWNDPARENT
  GetDlgItem $0 $0 1023
  ShowWindow $0 ${SW_HIDE}
FunctionEnd

Function un.onInit
  !insertmacro RefuseWhileRunning
  ; A silent uninstall has no page to tick the box on.
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/RemoveSettings" $1
  ${IfNot} ${Errors}
    SectionSetFlags ${SecRemoveSettings} ${SF_SELECTED}
  ${EndIf}
FunctionEnd
