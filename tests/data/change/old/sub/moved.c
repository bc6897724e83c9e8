int a1;
int a2;
int a3;
int a4;
// b
int b1;
