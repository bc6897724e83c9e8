; asm
 mov ax, 1
