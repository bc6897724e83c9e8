/* expect: total=8 exec=2 comment=4 blank=2 set: InCmnt=1 */
int a;
/*

  both blank lines in this comment are blank lines with InCmnt 1

*/
int b;
