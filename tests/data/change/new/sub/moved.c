// b
int b1;
int a1;
int a2;
int a3;
int a4;
