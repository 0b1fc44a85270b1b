; Quillette-setup.exe: installs the Excel add-in Pixnote.dll for the current
; user, without administrator rights.
;
; makensis defines (passed by installer/CMakeLists.txt):
;   OUTFILE   the installer to write
;   DLL_X86   Pixnote.dll for 32-bit Excel
;   DLL_X64   Pixnote.dll for 64-bit Excel
;   CLSID     the class identifier of Connect, to check that registration took
;   VERSION   shown in "Apps & features"
;   AMD64     (optional) build a 64-bit installer; the shipped one is 32-bit so
;             that it runs on every Windows
;
; Exit codes for administrators who deploy with /S:
;   0 installed, 1 cancelled, 2 no Excel found (nothing installed),
;   3 an add-in DLL could not be registered (nothing installed).

!ifdef AMD64
Target amd64-unicode
!else
Unicode true
!endif

; LogicLib leaves unused internal labels behind an ${ElseIf} chain.
!pragma warning disable 6012
!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh

!define APP "Quillette"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"
!define ADDIN_KEY "Software\Microsoft\Office\Excel\Addins\Quillpix.Connect"
!define SETTINGS_ROOT "Software\VB and VBA Program Settings"
!define EXIT_NO_EXCEL 2
!define EXIT_NOT_REGISTERED 3

Name "${APP}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\${APP}"
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show
BrandingText "${APP} ${VERSION}"
VIProductVersion "${VERSION}.0"
; The project states no copyright line to put in LegalCopyright.
!pragma warning disable 9100
VIAddVersionKey /LANG=1033 "ProductName" "${APP}"
VIAddVersionKey /LANG=1033 "CompanyName" "Toravel"
VIAddVersionKey /LANG=1033 "FileDescription" "${APP} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"

Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Var WantX86
Var WantX64
Var Regsvr32
Var Regsvr64

; --- Which Excel is installed -------------------------------------------------

; Sets WantX86 / WantX64 from a bitness text ("x86" or "x64"); anything else
; is ignored.
!macro NoteBitness VALUE
  ${If} ${VALUE} == "x86"
    StrCpy $WantX86 1
  ${ElseIf} ${VALUE} == "x64"
    StrCpy $WantX64 1
  ${EndIf}
!macroend

; Reads one registry view: 32 or 64, with the bitness (x86 or x64) of the
; programs that write there.
!macro ReadOfficeView VIEW BITNESS
  SetRegView ${VIEW}
  ; Click-to-Run (Microsoft 365, Office 2013 and later from the web) keeps
  ; its bitness in "Platform".
  ReadRegStr $0 HKLM "Software\Microsoft\Office\ClickToRun\Configuration" "Platform"
  !insertmacro NoteBitness $0
  ; Office 2010 to 2016 installed from MSI record their bitness in the value
  ; "Bitness" of the Outlook key, but only when Outlook is installed:
  ; https://learn.microsoft.com/office/client-developer/outlook/mapi/building-mapi-applications-on-32-bit-and-64-bit-platforms
  ${ForEach} $1 14 16 + 1
    ReadRegStr $0 HKLM "Software\Microsoft\Office\$1.0\Outlook" "Bitness"
    !insertmacro NoteBitness $0
  ${Next}
  ; Excel's own install root is written by its setup in the view of its
  ; bitness; it finds an Excel without Outlook, and Excel 2000 to 2007 (9.0
  ; to 12.0), which are 32-bit only and write no bitness.
  ${ForEach} $1 9 16 + 1
    ReadRegStr $0 HKLM "Software\Microsoft\Office\$1.0\Excel\InstallRoot" "Path"
    ${If} $0 != ""
      !insertmacro NoteBitness ${BITNESS}
    ${EndIf}
  ${Next}
!macroend

Function FindExcel
  StrCpy $WantX86 0
  StrCpy $WantX64 0
  ${If} ${RunningX64}
    !insertmacro ReadOfficeView 32 x86
    !insertmacro ReadOfficeView 64 x64
  ${Else}
    !insertmacro ReadOfficeView 32 x86
  ${EndIf}
  SetRegView default
FunctionEnd

; The regsvr32 of each bitness: a DLL can only be loaded by a process of its
; own bitness, so each DLL is registered by the matching regsvr32.
!macro FindRegsvr32 UN
Function ${UN}FindRegsvr32
  ${If} ${RunningX64}
    StrCpy $Regsvr32 "$WINDIR\SysWOW64\regsvr32.exe"
    !ifdef AMD64
      StrCpy $Regsvr64 "$WINDIR\System32\regsvr32.exe"
    !else
      ; A 32-bit process sees the 64-bit System32 only through Sysnative.
      StrCpy $Regsvr64 "$WINDIR\Sysnative\regsvr32.exe"
    !endif
  ${Else}
    StrCpy $Regsvr32 "$WINDIR\System32\regsvr32.exe"
    StrCpy $Regsvr64 ""
  ${EndIf}
FunctionEnd
!macroend
!insertmacro FindRegsvr32 ""
!insertmacro FindRegsvr32 "un."

; The DLL registers per user, as without administrator rights, when this is
; set; regsvr32 inherits it.
!macro ForcePerUser
  System::Call 'kernel32::SetEnvironmentVariable(t "QUILLETTE_REGISTER_PER_USER", t "1")'
!macroend

; --- Registration -------------------------------------------------------------

; RegisterDll <regsvr32> <folder> <view>: registers $INSTDIR\<folder>\Pixnote.dll
; and checks that the class now points to it. regsvr32's exit code alone is
; not trusted: a regsvr32 that cannot start reports nothing useful.
; Sets $0 to "ok" or to a description of the failure.
!macro RegisterDll REGSVR FOLDER VIEW
  StrCpy $0 "ok"
  ClearErrors
  ExecWait '"${REGSVR}" /s "$INSTDIR\${FOLDER}\Pixnote.dll"' $1
  ${If} ${Errors}
    StrCpy $0 "${REGSVR} could not be started"
  ${ElseIf} $1 != 0
    StrCpy $0 "regsvr32 failed with exit code $1"
  ${Else}
    SetRegView ${VIEW}
    ReadRegStr $2 HKCU "Software\Classes\CLSID\${CLSID}\InprocServer32" ""
    ReadRegStr $3 HKCU "${ADDIN_KEY}" "FriendlyName"
    SetRegView default
    ${If} $2 != "$INSTDIR\${FOLDER}\Pixnote.dll"
    ${OrIf} $3 == ""
      StrCpy $0 "the registration did not reach the registry"
    ${EndIf}
  ${EndIf}
!macroend

; Unregisters and deletes what is in the install folder (also what an earlier
; installation left there).
!macro RemoveAddin UN
Function ${UN}RemoveAddin
  Call ${UN}FindRegsvr32
  !insertmacro ForcePerUser
  ${If} ${FileExists} "$INSTDIR\x64\Pixnote.dll"
  ${AndIf} $Regsvr64 != ""
    ExecWait '"$Regsvr64" /u /s "$INSTDIR\x64\Pixnote.dll"'
  ${EndIf}
  ${If} ${FileExists} "$INSTDIR\x86\Pixnote.dll"
    ExecWait '"$Regsvr32" /u /s "$INSTDIR\x86\Pixnote.dll"'
  ${EndIf}
  Delete "$INSTDIR\x64\Pixnote.dll"
  Delete "$INSTDIR\x86\Pixnote.dll"
  RMDir "$INSTDIR\x64"
  RMDir "$INSTDIR\x86"
FunctionEnd
!macroend
!insertmacro RemoveAddin ""
!insertmacro RemoveAddin "un."

; --- Installer ------------------------------------------------------------------

Function .onInit
  Call FindExcel
  ${If} $WantX86 == 0
  ${AndIf} $WantX64 == 0
    MessageBox MB_OK "${APP} is an add-in for Microsoft Excel, but no Excel was found on this computer.$\r$\n$\r$\nNothing was installed. Install Excel first, then run this setup again." /SD IDOK
    SetErrorLevel ${EXIT_NO_EXCEL}
    Quit
  ${EndIf}
FunctionEnd

Function Rollback
  Call RemoveAddin
  ; The working folder cannot be removed.
  SetOutPath "$TEMP"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  RMDir "$LOCALAPPDATA\Programs"
FunctionEnd

Section "Install"
  Call RemoveAddin
  Call FindRegsvr32
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  ${If} $WantX64 == 1
    SetOutPath "$INSTDIR\x64"
    File "/oname=Pixnote.dll" "${DLL_X64}"
  ${EndIf}
  ${If} $WantX86 == 1
    SetOutPath "$INSTDIR\x86"
    File "/oname=Pixnote.dll" "${DLL_X86}"
  ${EndIf}
  SetOutPath "$INSTDIR"

  !insertmacro ForcePerUser
  ; 64-bit first: when the 32-bit one then fails, the rollback has a real
  ; registration to undo.
  ${If} $WantX64 == 1
    DetailPrint "Registering the add-in for 64-bit Excel"
    !insertmacro RegisterDll $Regsvr64 x64 64
    ${If} $0 != "ok"
      Goto failed
    ${EndIf}
  ${EndIf}
  ${If} $WantX86 == 1
    DetailPrint "Registering the add-in for 32-bit Excel"
    !insertmacro RegisterDll $Regsvr32 x86 32
    ${If} $0 != "ok"
      Goto failed
    ${EndIf}
  ${EndIf}

  WriteRegStr HKCU "${UNINST_KEY}" "DisplayName" "${APP}"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINST_KEY}" "Publisher" "Toravel"
  WriteRegStr HKCU "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\Uninstall.exe"
  WriteRegStr HKCU "${UNINST_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $1 $2 $3
  WriteRegDWORD HKCU "${UNINST_KEY}" "EstimatedSize" $1
  MessageBox MB_OK "${APP} is installed.$\r$\n$\r$\nStart Excel (close it first if it is open). The button $\"Insert Quillette$\" is at the end of the Insert menu; in Excel 2007 and later it is on the Add-ins tab, under Menu Commands > Insert." /SD IDOK
  Return

failed:
  DetailPrint "Registration failed: $0"
  Call Rollback
  MessageBox MB_OK "${APP} could not be installed: $0.$\r$\n$\r$\nNothing was installed." /SD IDOK
  SetErrorLevel ${EXIT_NOT_REGISTERED}
  Quit
SectionEnd

; --- Uninstaller ----------------------------------------------------------------

Section "Uninstall"
  Call un.RemoveAddin
  ; The add-in's one setting, and its keys when nothing else is in them.
  DeleteRegValue HKCU "${SETTINGS_ROOT}\Pixnote\Settings" "DisplayOnConnect"
  DeleteRegKey /ifempty HKCU "${SETTINGS_ROOT}\Pixnote\Settings"
  DeleteRegKey /ifempty HKCU "${SETTINGS_ROOT}\Pixnote"
  DeleteRegKey /ifempty HKCU "${SETTINGS_ROOT}"
  DeleteRegKey HKCU "${UNINST_KEY}"
  DeleteRegKey /ifempty HKCU "Software\Microsoft\Windows\CurrentVersion\Uninstall"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  RMDir "$LOCALAPPDATA\Programs"
SectionEnd
