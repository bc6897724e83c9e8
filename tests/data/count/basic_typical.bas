' expect: total=14 exec=6 comment=7 blank=1
Option Explicit

Rem a Rem line
Dim s As String ' trailing remark
s = "it's no remark"
' a remark that goes on _
  this line is still the remark _

  and so is this one, which ends it
Print s ' code continues nothing _
REM, with a comma
_
End
