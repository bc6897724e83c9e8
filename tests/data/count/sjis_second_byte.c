/* expect: total=4 exec=2 comment=2 blank=0 */
char *s = "•\"; /* the second byte of •\ is a backslash: no escape, so this opens
closes */
int a;
