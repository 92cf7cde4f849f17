; The Windows installer, LumbrookReverb-setup.exe: the 64-bit plug-in where
; Windows is 64-bit and the 32-bit one always (hosts load the plug-in of their
; own bitness), each in its own Program Files folder, each registered by the
; system's regsvr32 of that bitness (classes, ProgIDs, media object, filter)
; and by its own register-typelib.exe. The uninstaller, also listed in
; Add/Remove Programs, unregisters both and removes every file and key the
; installer made. Both are silent with /S and exit non-zero on a failed step.
; Built by installer/CMakeLists.txt from the programs in build/win32/bin and
; build/win64/bin:
;   makensis -DVERSION=1.0.0 -DWIN32_DIR=... -DWIN64_DIR=... -DOUTFILE=... LumbrookReverb.nsi

Unicode true
!include LogicLib.nsh
!include x64.nsh

!define PRODUCT "Lumbrook Reverb"
!define PUBLISHER "Lumbrook Audio"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 ProductName "${PRODUCT}"
VIAddVersionKey /LANG=1033 CompanyName "${PUBLISHER}"
VIAddVersionKey /LANG=1033 FileDescription "${PRODUCT} setup"
VIAddVersionKey /LANG=1033 FileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 ProductVersion "${VERSION}"
VIAddVersionKey /LANG=1033 LegalCopyright "Copyright (C) 2026 ${PUBLISHER}"

Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; The two folders; Folder64 is empty on 32-bit Windows. The uninstaller
; sits in the folder of the system's own bitness, $INSTDIR.
Var Folder32
Var Folder64
; Set when a step failed: the installer stops, the uninstaller goes on
; removing what it can and reports it in its exit code.
Var Failed

!macro ChooseFolders
  StrCpy $Folder32 "$PROGRAMFILES32\${PRODUCT}"
  StrCpy $Folder64 ""
  StrCpy $INSTDIR $Folder32
  ${If} ${RunningX64}
    StrCpy $Folder64 "$PROGRAMFILES64\${PRODUCT}"
    StrCpy $INSTDIR $Folder64
    ; Add/Remove Programs lists the product in the system's own view.
    SetRegView 64
  ${EndIf}
!macroend

; Runs a command and waits; a non-zero exit code marks the run as failed.
!macro Run COMMAND WHAT
  DetailPrint "${WHAT}"
  ClearErrors
  ExecWait `${COMMAND}` $0
  ${If} ${Errors}
  ${OrIf} $0 != 0
    DetailPrint "Failed: ${WHAT} (exit code $0)"
    StrCpy $Failed 1
  ${EndIf}
!macroend

; Registers ("") or unregisters ("/u") the plug-in of one bitness. The
; system folder of a 32-bit program like this one is the 32-bit system's;
; with redirection off it is the 64-bit one.
!macro Registration FOLDER BITS HOW
  !if ${BITS} == 64
    ${DisableX64FSRedirection}
  !endif
  !insertmacro Run `"$SYSDIR\regsvr32.exe" /s ${HOW} "${FOLDER}\LumbrookReverb.dll"` \
    "regsvr32 ${HOW} ${FOLDER}\LumbrookReverb.dll"
  !if ${BITS} == 64
    ${EnableX64FSRedirection}
  !endif
  !insertmacro Run `"${FOLDER}\register-typelib.exe" ${HOW}` "register-typelib ${HOW} (${BITS}-bit)"
!macroend

!macro InstallFiles SOURCE FOLDER
  SetOutPath "${FOLDER}"
  File "${SOURCE}/LumbrookReverb.dll"
  File "${SOURCE}/CWDXPX1.dll"
  File "${SOURCE}/ReverbControl.tlb"
  File "${SOURCE}/reverb-host.exe"
  File "${SOURCE}/register-typelib.exe"
!macroend

!macro RemoveFiles FOLDER
  Delete "${FOLDER}\LumbrookReverb.dll"
  Delete "${FOLDER}\CWDXPX1.dll"
  Delete "${FOLDER}\ReverbControl.tlb"
  Delete "${FOLDER}\reverb-host.exe"
  Delete "${FOLDER}\register-typelib.exe"
!macroend

Function .onInit
  !insertmacro ChooseFolders
FunctionEnd

Function un.onInit
  !insertmacro ChooseFolders
FunctionEnd

Section "${PRODUCT}"
  StrCpy $Failed 0
  !insertmacro InstallFiles "${WIN32_DIR}" $Folder32
  ${If} ${RunningX64}
    !insertmacro InstallFiles "${WIN64_DIR}" $Folder64
  ${EndIf}
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" DisplayName "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" DisplayVersion "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" Publisher "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" InstallLocation "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" UninstallString '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" QuietUninstallString '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" NoModify 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" NoRepair 1

  !insertmacro Registration $Folder32 32 ""
  ${If} ${RunningX64}
    !insertmacro Registration $Folder64 64 ""
  ${EndIf}
  ${If} $Failed != 0
    SetErrorLevel 1
    MessageBox MB_ICONSTOP "${PRODUCT} could not be registered; see the details. Run the uninstaller to remove it." /SD IDOK
    Abort
  ${EndIf}
SectionEnd

Section "Uninstall"
  StrCpy $Failed 0
  ${If} ${RunningX64}
    !insertmacro Registration $Folder64 64 /u
    !insertmacro RemoveFiles $Folder64
  ${EndIf}
  !insertmacro Registration $Folder32 32 /u
  !insertmacro RemoveFiles $Folder32
  Delete "$INSTDIR\uninstall.exe"
  RMDir $Folder32
  ${If} ${RunningX64}
    RMDir $Folder64
  ${EndIf}
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${If} $Failed != 0
    SetErrorLevel 1
  ${EndIf}
SectionEnd
