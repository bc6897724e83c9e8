/* expect: total=24 exec=11 comment=10 blank=3 */
#include <stdio.h>

/*
 * A block comment: the blank line below is a comment line

 * because InCmnt is 0.
 */
static const char *open_marker = "/* not a comment";
static const char *escaped = "a \" quote then /* still in the string";

int main(void)  /* code and a comment: executable */
{
    /* only a comment */
    int n = 0;  // trailing line comment
    // a line comment alone
    //* a line comment, not a block opener
    n += 1; /* opens
               closes */ n += 2;
    /* a */ /* b */

    printf("%d\n", n);
    return 0;
}
