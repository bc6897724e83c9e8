int x;

int y;
