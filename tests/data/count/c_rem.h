// expect: total=6 exec=3 comment=3 blank=0 set: RemCmt=1
REM a Rem line is a comment even holding /* which opens nothing
int x;
rem another one
'  an apostrophe line is code: only BASIC reads it as a remark
int y;
