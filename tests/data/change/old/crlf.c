int x;

int y;
