/* expect: total=25 exec=16 comment=7 blank=2 set: CLexer=1 */
#include <stdio.h>

/* A block comment holding a "quote" and a // marker,

   and a blank line that counts as comment. */
static const char *marker = "/* not a comment */";
static const char quote = '"'; /* a char literal holding a quote */
static const char slash = '\\'; // backslash, then a comment
#define GREETING "one line \
// still the string, spliced"

// a line comment that goes on \
   onto this line through the splice
int count_words(const char *s)
{
    int n = 0; /* opens here
                  and closes here */ n += 0;
    while (*s) {
        if (*s == '/' && s[1] == '*') n++; // quotes in code: '/' '*'
        s++;
    }
    /**/ /* two comments, nothing else */
    return n;
}
