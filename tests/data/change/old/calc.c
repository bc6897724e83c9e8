/* calc.c */
#include <stdio.h>

int add(int a, int b)
{
    return a + b;
}


// old helper
int sub(int a, int b) { return a - b; }
int unused;
