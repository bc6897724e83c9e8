/* ŒvZ */
int x; // ‰Šú’l
