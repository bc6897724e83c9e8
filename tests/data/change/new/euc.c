/* Š¿š‚ÌƒRƒƒ“ƒg */
int e;
int f;
