' expect: total=21 exec=12 comment=5 blank=4
Option Explicit

' Copies the day's files to the backup share.
Dim fso, source, target, Remaining
Set fso = CreateObject("Scripting.FileSystemObject")
source = "C:\data\today"
target = "\\backup\share\it's 'quoted'"

REM Stop when the share is missing.
If Not fso.FolderExists(target) Then
    WScript.Echo "no share: """ & target & """ ' still text"
    WScript.Quit 1 ' failure
End If

Rem Copy everything.
fso.CopyFolder source, target, True
Remaining = 0 ' REM inside a trailing comment

'' a doubled mark is still a comment
WScript.Echo "done"
