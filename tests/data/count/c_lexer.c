/* expect: total=12 exec=5 comment=6 blank=1 set: CLexer=1 */
char q = '"'; /* a quote in a character opens no string
   so this is a comment */
const char *s = "a string \
/* continued, not a comment */";
// a line comment continued \
onto this line
char b = '\\'; /* "\\" before a comment */

/* a quote " inside a comment
*/ int x;
// end
