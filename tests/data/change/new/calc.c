/* calc.c: sums */

#include <stdio.h>
// sums two numbers

int add(int a, int b)
{
    int s = a + b;
    return s;
}

int sub(int a, int b) { return a - b; }
