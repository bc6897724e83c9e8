/* expect: total=4 exec=2 comment=4 blank=2 set: Kg_Cmt=1 Kg_Non=1 */
int a;


int b;
/* the two blank lines add to the comments and leave the total */
