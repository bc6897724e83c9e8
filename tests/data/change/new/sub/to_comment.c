int keep;
/*
int old1;
int old2;
*/
int last;
