// expect: total=10 exec=2 comment=4 blank=4 set: AstaOnly=1 InCmnt=1
/*
 *
 * words after an asterisk are a comment
 *,
 *; and more words
 */

int f() { return 1; }
*
