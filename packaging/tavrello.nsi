; The Windows installer and uninstaller of Tavrello. scripts/package.sh runs makensis with:
;   VERSION  the program's version (1.40.320), from the build
;   STAGE    the folder with tavrello.exe, README.txt and LICENSE.txt
;   ICON     the program's icon
;   OUTFILE  the installer to write
;
; Silent use: setup.exe /S [/DRIVER=<path of wrimon.sys>]; uninstall.exe /S [/REMOVEDATA]. The installer's
; exit code is 2 when the driver file is missing or cannot be copied, 3 when Tavrello is running.
Unicode true
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "nsDialogs.nsh"

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
; Tavrello loads as a kernel service; for the same reason no page offers another folder.
InstallDir "$PROGRAMFILES64\${PRODUCT}"
BrandingText "${PRODUCT} ${VERSION}"

Var DriverSource ; the wrimon.sys to copy beside the program, empty for none
Var DriverField
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

; Sets $0 to the reason why $DriverSource cannot be copied, or to "" when it names a file.
Function CheckDriverSource
    StrCpy $0 ""
    ${If} ${FileExists} "$DriverSource\*.*"
        StrCpy $0 "'$DriverSource' is a folder, not the driver file."
    ${ElseIfNot} ${FileExists} "$DriverSource"
        StrCpy $0 "The file '$DriverSource' does not exist."
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
    StrCpy $1 "Tavrello measures the writes through the Wrimon driver, the file wrimon.sys. The driver is not part of this installer: it is supplied separately."
    StrCpy $2 "If you have it, choose the file here and it is copied beside the program. Otherwise leave the field empty and copy wrimon.sys later into $INSTDIR. Until then Tavrello starts, but measures nothing."
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

    ; Choosing the already installed driver again keeps it as it is.
    ${If} $DriverSource != ""
    ${AndIf} $DriverSource != "$INSTDIR\wrimon.sys"
        System::Call 'kernel32::CopyFileW(w "$DriverSource", w "$INSTDIR\wrimon.sys", i 0) i .r0'
        ${If} $0 == 0
            DetailPrint "Could not copy $DriverSource to $INSTDIR\wrimon.sys"
            MessageBox MB_OK|MB_ICONEXCLAMATION \
                "The driver file '$DriverSource' could not be copied. Copy it yourself into $INSTDIR." /SD IDOK
            SetErrorLevel 2
        ${Else}
            DetailPrint "Copied $DriverSource to $INSTDIR\wrimon.sys"
        ${EndIf}
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
