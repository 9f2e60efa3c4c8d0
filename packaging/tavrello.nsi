; The Windows installer and uninstaller of Tavrello. scripts/package.sh runs makensis with:
;   VERSION  the program's version (1.40.320), from the build
;   STAGE    the folder with tavrello.exe, README.txt and LICENSE.txt
;   ICON     the program's icon
;   OUTFILE  the installer to write
;
; Silent use: setup.exe /S [/DRIVER=<path of wrimon.sys>] [/ALLOWDOWNGRADE] [/D=<folder>];
; uninstall.exe /S [/REMOVEDATA] [_?=<its folder>, to wait for it]. The installer's exit codes:
;   2  the driver file is missing, is no 64-bit kernel driver, or cannot be copied
;   3  Tavrello is running
;   4  the folder is not under the 64-bit Program Files folder (or differs from the installed one's)
;   5  a newer Tavrello is installed and /ALLOWDOWNGRADE is not given
Unicode true
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "nsDialogs.nsh"
!include "WordFunc.nsh"

!define PRODUCT "Tavrello"
!define COMPANY "Orvek software"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tavrello"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define COMPANY_KEY "Software\Orvek software"
!define SETTINGS_KEY "Software\Orvek software\Tavrello"
!define APP_MUTEX "Orvek software Tavrello App"
; SYNCHRONIZE: enough to learn whether the mutex exists.
!define MUTEX_ACCESS 0x00100000

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
; Only administrators can write below Program Files, so nobody else can swap the driver image that
; Tavrello loads as a kernel service; no page offers another folder, and /D= must name one below it too.
InstallDir "$PROGRAMFILES64\${PRODUCT}"
BrandingText "${PRODUCT} ${VERSION}"

Var DriverSource ; the wrimon.sys to copy beside the program, empty for none
Var DriverField
Var DriverNote ; what happened to the driver, for the finish page
Var InstalledVersion ; of the Tavrello being upgraded, empty for a new installation
Var RemoveData ; uninstaller: 1 when the collected data and settings go too
Var RemoveDataBox

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

!insertmacro MUI_PAGE_WELCOME
!define MUI_LICENSEPAGE_BUTTON "$(^NextBtn)"
!define MUI_LICENSEPAGE_TEXT_BOTTOM "Tavrello is free software under the MIT licence."
!insertmacro MUI_PAGE_LICENSE "${STAGE}/LICENSE.txt"
Page custom DriverPageCreate DriverPageLeave
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\tavrello.exe"
!define MUI_FINISHPAGE_RUN_NOTCHECKED
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!define MUI_FINISHPAGE_TEXT "Tavrello ${VERSION} is installed in $INSTDIR.$\r$\n$\r$\n$DriverNote"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
UninstPage custom un.DataPageCreate un.DataPageLeave
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${COMPANY}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright (c) the Tavrello authors, MIT licence"

; Files in use cannot be replaced or removed, and a running Tavrello owns the Wrimon service: wait until
; it is closed, or give up (in silent mode at once, with exit code 3).
!macro StopWhileTavrelloRuns
    tavrello_running_check:
    System::Call 'kernel32::OpenMutexW(i ${MUTEX_ACCESS}, i 0, w "${APP_MUTEX}") p .r0'
    ${If} $0 != 0
        System::Call 'kernel32::CloseHandle(p r0)'
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
            "Tavrello is running. Close it (in its tray menu: Close), then click Retry." \
            /SD IDCANCEL IDRETRY tavrello_running_check
        SetErrorLevel 3
        Quit
    ${EndIf}
!macroend

; Reads the little-endian 16-bit word at offset $1 of the open file $R0 into $2; sets the error flag at the
; end of the file.
Function ReadWordAt
    FileSeek $R0 $1 SET
    FileReadWord $R0 $2
FunctionEnd

; Sets $0 to the reason why $DriverSource cannot be the driver, or to "" when it is a 64-bit kernel driver:
; a PE image (MZ header, "PE\0\0" signature) for AMD64 (machine 0x8664), PE32+ (optional header magic
; 0x20B), an executable image, for the native subsystem (1) that kernel drivers have.
Function CheckDriverSource
    StrCpy $0 ""
    ${If} ${FileExists} "$DriverSource\*.*"
        StrCpy $0 "'$DriverSource' is a folder, not the driver file."
        Return
    ${ElseIfNot} ${FileExists} "$DriverSource"
        StrCpy $0 "The file '$DriverSource' does not exist."
        Return
    ${EndIf}
    ClearErrors
    FileOpen $R0 "$DriverSource" r
    ${If} ${Errors}
        StrCpy $0 "The file '$DriverSource' cannot be read."
        Return
    ${EndIf}
    StrCpy $0 "'$DriverSource' is not a Windows driver: it is no program file (PE image)."
    StrCpy $1 0
    Call ReadWordAt
    ${IfNot} ${Errors}
    ${AndIf} $2 = 0x5A4D
        ; The PE header's offset, a 32-bit value at 0x3C.
        StrCpy $1 0x3C
        Call ReadWordAt
        StrCpy $3 $2
        StrCpy $1 0x3E
        Call ReadWordAt
        IntOp $2 $2 << 16
        IntOp $3 $3 | $2
        StrCpy $1 $3
        Call ReadWordAt
        StrCpy $4 $2
        IntOp $1 $3 + 2
        Call ReadWordAt
        ${IfNot} ${Errors}
        ${AndIf} $4 = 0x4550
        ${AndIf} $2 = 0
            IntOp $1 $3 + 4
            Call ReadWordAt
            StrCpy $5 $2 ; machine
            IntOp $1 $3 + 22
            Call ReadWordAt
            IntOp $6 $2 & 0x0002 ; executable image
            IntOp $1 $3 + 24
            Call ReadWordAt
            StrCpy $7 $2 ; optional header magic
            IntOp $1 $3 + 92
            Call ReadWordAt
            StrCpy $8 $2 ; subsystem
            ${If} ${Errors}
                ; Cut short: the reason stays "no program file".
            ${ElseIf} $5 <> 0x8664
            ${OrIf} $7 <> 0x20B
                StrCpy $0 "'$DriverSource' is not a driver for 64-bit Windows on x64 processors."
            ${ElseIf} $6 = 0
            ${OrIf} $8 <> 1
                StrCpy $0 "'$DriverSource' is a program or a DLL, not a kernel driver."
            ${Else}
                StrCpy $0 ""
            ${EndIf}
        ${EndIf}
    ${EndIf}
    FileClose $R0
FunctionEnd

; Sets $0 to the reason why $INSTDIR cannot take Tavrello, or to "" when it lies below the 64-bit Program
; Files folder, where only administrators can change files. Paths are compared after ".." and "." are
; resolved (by GetFullPathNameW, which unlike NSIS's GetFullPathName takes folders that do not exist yet);
; a short (8.3) name of Program Files does not count as it.
Function CheckInstallFolder
    StrCpy $0 ""
    System::Call 'kernel32::GetFullPathNameW(w "$INSTDIR", i ${NSIS_MAX_STRLEN}, w .R1, p 0) i .R6'
    ${If} $R6 = 0
    ${OrIf} $R6 >= ${NSIS_MAX_STRLEN}
        StrCpy $R1 "$INSTDIR"
    ${EndIf}
    StrCpy $R2 "$PROGRAMFILES64\"
    StrLen $R3 $R2
    StrCpy $R4 $R1 $R3
    StrCpy $R5 $R1 "" $R3
    ${If} $R4 != $R2
    ${OrIf} $R5 == ""
        StrCpy $0 "Tavrello can be installed only into a folder under $PROGRAMFILES64, not into '$INSTDIR'. Tavrello loads its driver into the Windows kernel from its own folder and runs as administrator, so the folder must be one that only administrators can change."
    ${EndIf}
FunctionEnd

Function .onInit
    SetRegView 64
    !insertmacro StopWhileTavrelloRuns
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/DRIVER=" $DriverSource
    ${If} ${Errors}
        StrCpy $DriverSource ""
    ${EndIf}

    ; An installed Tavrello is upgraded in its own folder, keeping its settings and data; a newer one is
    ; replaced by this older one only when asked to.
    ReadRegStr $InstalledVersion HKLM "${UNINSTALL_KEY}" "DisplayVersion"
    ReadRegStr $R1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $InstalledVersion != ""
        ${VersionCompare} "${VERSION}" "$InstalledVersion" $R2
        ClearErrors
        ${GetOptions} $R0 "/ALLOWDOWNGRADE" $R3
        ${If} $R2 == 2
        ${AndIf} ${Errors}
            MessageBox MB_OK|MB_ICONEXCLAMATION \
                "Tavrello $InstalledVersion is installed, which is newer than this Tavrello ${VERSION}. Setup leaves it as it is.$\r$\n$\r$\nTo go back to ${VERSION} anyway, run setup with /ALLOWDOWNGRADE." \
                /SD IDOK
            SetErrorLevel 5
            Quit
        ${EndIf}
        ${If} $R1 != ""
            ${If} $INSTDIR != "$PROGRAMFILES64\${PRODUCT}"
            ${AndIf} $INSTDIR != $R1
                MessageBox MB_OK|MB_ICONEXCLAMATION \
                    "Tavrello $InstalledVersion is installed in '$R1'; setup upgrades it there. To install it into '$INSTDIR' instead, uninstall it first." \
                    /SD IDOK
                SetErrorLevel 4
                Quit
            ${EndIf}
            StrCpy $INSTDIR $R1
        ${EndIf}
    ${EndIf}

    Call CheckInstallFolder
    ${If} $0 != ""
        MessageBox MB_OK|MB_ICONSTOP "$0" /SD IDOK
        SetErrorLevel 4
        Quit
    ${EndIf}

    ${If} $DriverSource != ""
        Call CheckDriverSource
        ${If} $0 != ""
        ${AndIf} ${Silent}
            ; Nobody can answer in silent mode: refuse before anything is installed.
            SetErrorLevel 2
            Quit
        ${EndIf}
        ${If} $0 == ""
            GetFullPathName $DriverSource $DriverSource
        ${EndIf}
    ${EndIf}
FunctionEnd

Function DriverPageCreate
    !insertmacro MUI_HEADER_TEXT "Wrimon driver" "Optional: the driver that Tavrello measures with."
    nsDialogs::Create 1018
    Pop $0
    ${If} $0 == error
        Abort
    ${EndIf}
    ; One line each: a continued line would carry its indentation into the text.
    StrCpy $1 "Tavrello measures the writes best through the Wrimon driver, the file wrimon.sys, a 64-bit kernel driver. It is not part of this installer: it is supplied separately."
    StrCpy $2 "If you have it, choose the file here and it is copied beside the program. Otherwise leave the field empty (you can copy wrimon.sys into $INSTDIR later): without the driver, Tavrello measures through the file events that Windows itself reports, a way not yet confirmed on real Windows machines."
    ${NSD_CreateLabel} 0 0 100% 60u "$1$\r$\n$\r$\n$2"
    Pop $0
    ${NSD_CreateText} 0 68u -66u 13u "$DriverSource"
    Pop $DriverField
    ${NSD_CreateBrowseButton} -62u 67u 62u 15u "&Browse..."
    Pop $0
    ${NSD_OnClick} $0 DriverPageBrowse
    nsDialogs::Show
FunctionEnd

Function DriverPageBrowse
    Pop $0
    ${NSD_GetText} $DriverField $0
    nsDialogs::SelectFileDialog open "$0" "Driver files (*.sys)|*.sys|All files (*.*)|*.*"
    Pop $0
    ${If} $0 != ""
        ${NSD_SetText} $DriverField "$0"
    ${EndIf}
FunctionEnd

Function DriverPageLeave
    ${NSD_GetText} $DriverField $DriverSource
    ${If} $DriverSource != ""
        Call CheckDriverSource
        ${If} $0 != ""
            MessageBox MB_OK|MB_ICONEXCLAMATION \
                "$0$\r$\n$\r$\nChoose the driver file, or leave the field empty to install without it."
            Abort
        ${EndIf}
        GetFullPathName $DriverSource $DriverSource
    ${EndIf}
FunctionEnd

Section "Tavrello" SecProgram
    SectionIn RO
    SetOutPath "$INSTDIR"
    File "${STAGE}/tavrello.exe"
    File "${STAGE}/README.txt"
    File "${STAGE}/LICENSE.txt"

    ${If} $InstalledVersion != ""
        DetailPrint "Upgraded Tavrello $InstalledVersion to ${VERSION}; its settings and data are kept."
    ${EndIf}
    ; Choosing the already installed driver again keeps it as it is.
    ${If} $DriverSource != ""
    ${AndIf} $DriverSource != "$INSTDIR\wrimon.sys"
        System::Call 'kernel32::CopyFileW(w "$DriverSource", w "$INSTDIR\wrimon.sys", i 0) i .r0'
        ${If} $0 == 0
            StrCpy $DriverNote "The driver file $DriverSource could not be copied. Copy it yourself into $INSTDIR."
            DetailPrint "$DriverNote"
            MessageBox MB_OK|MB_ICONEXCLAMATION "$DriverNote" /SD IDOK
            SetErrorLevel 2
        ${Else}
            FileOpen $0 "$INSTDIR\wrimon.sys" r
            FileSeek $0 0 END $1
            FileClose $0
            StrCpy $DriverNote "Copied the 64-bit kernel driver $DriverSource ($1 bytes) to $INSTDIR\wrimon.sys."
            DetailPrint "$DriverNote"
        ${EndIf}
    ${ElseIf} ${FileExists} "$INSTDIR\wrimon.sys"
        StrCpy $DriverNote "The driver $INSTDIR\wrimon.sys is kept as it was."
        DetailPrint "$DriverNote"
    ${Else}
        StrCpy $DriverNote "No driver was copied: Tavrello measures through the file events of Windows until wrimon.sys is in $INSTDIR."
        DetailPrint "$DriverNote"
    ${EndIf}

    WriteUninstaller "$INSTDIR\uninstall.exe"
    SetShellVarContext all
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\tavrello.exe" "" "$INSTDIR\tavrello.exe" 0 \
        SW_SHOWNORMAL "" "Measure the writes to your drives and estimate the life of an SSD"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${COMPANY}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tavrello.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    IntFmt $0 "0x%08X" $0
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; The autostart task that Tavrello creates for its user is named after the user's SID.
Function un.DeleteAutostartTask
    ; TOKEN_QUERY of the process's own token (the pseudo handle -1).
    System::Call 'advapi32::OpenProcessToken(p -1, i 0x8, *p .r1) i .r0'
    ${If} $0 = 0
        Return
    ${EndIf}
    System::Alloc 256
    Pop $2
    ; TokenUser: a TOKEN_USER whose first field points to the SID.
    System::Call 'advapi32::GetTokenInformation(p r1, i 1, p r2, i 256, *i .r3) i .r0'
    ${If} $0 <> 0
        System::Call '*$2(p .r4)'
        System::Call 'advapi32::ConvertSidToStringSidW(p r4, *p .r5) i .r0'
        ${If} $0 <> 0
            System::Call 'kernel32::lstrcpynW(w .r6, p r5, i ${NSIS_MAX_STRLEN})'
            System::Call 'kernel32::LocalFree(p r5)'
            nsExec::Exec '"$SYSDIR\schtasks.exe" /delete /tn "${PRODUCT} autostart $6" /f'
            Pop $0
        ${EndIf}
    ${EndIf}
    System::Free $2
    System::Call 'kernel32::CloseHandle(p r1)'
FunctionEnd

Function un.onInit
    SetRegView 64
    !insertmacro StopWhileTavrelloRuns
    StrCpy $RemoveData 0
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/REMOVEDATA" $R1
    ${IfNot} ${Errors}
        StrCpy $RemoveData 1
    ${EndIf}
FunctionEnd

Function un.DataPageCreate
    !insertmacro MUI_HEADER_TEXT "Collected data" "Keep or remove what Tavrello has measured."
    nsDialogs::Create 1018
    Pop $0
    ${If} $0 == error
        Abort
    ${EndIf}
    ${NSD_CreateLabel} 0 0 100% 48u "Tavrello keeps its measurements in $APPDATA\Orvek software\Tavrello and its settings in the registry. They stay on this computer, so that a later installation carries on counting, unless you tick the box below."
    Pop $0
    ${NSD_CreateCheckbox} 0 56u 100% 12u "&Remove the collected data and settings too"
    Pop $RemoveDataBox
    ${If} $RemoveData == 1
        ${NSD_Check} $RemoveDataBox
    ${EndIf}
    nsDialogs::Show
FunctionEnd

Function un.DataPageLeave
    ${NSD_GetState} $RemoveDataBox $0
    ${If} $0 == ${BST_CHECKED}
        StrCpy $RemoveData 1
    ${Else}
        StrCpy $RemoveData 0
    ${EndIf}
FunctionEnd

Section "Uninstall"
    ; A Wrimon service outlives only a Tavrello that did not close (a crash, a power cut): the program
    ; deletes it at every exit.
    nsExec::Exec '"$SYSDIR\sc.exe" stop Wrimon'
    Pop $0
    nsExec::Exec '"$SYSDIR\sc.exe" delete Wrimon'
    Pop $0
    DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
    Call un.DeleteAutostartTask

    ; Only the files of the installation: the folder goes only when nothing else is left in it.
    Delete "$INSTDIR\tavrello.exe"
    Delete "$INSTDIR\wrimon.sys"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    SetShellVarContext all
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"

    ${If} $RemoveData == 1
        SetShellVarContext current
        ${If} $APPDATA != ""
            RMDir /r "$APPDATA\Orvek software\Tavrello"
            RMDir "$APPDATA\Orvek software"
        ${EndIf}
        DeleteRegKey HKCU "${SETTINGS_KEY}"
        DeleteRegKey /ifempty HKCU "${COMPANY_KEY}"
        DeleteRegKey HKLM "${SETTINGS_KEY}"
        DeleteRegKey /ifempty HKLM "${COMPANY_KEY}"
    ${EndIf}
    ; Last, so that the entry stays for another try when anything above is cut short.
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
