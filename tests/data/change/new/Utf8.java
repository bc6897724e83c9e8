// “ú–{Œê‚Ìà–¾
class A { int x; }
