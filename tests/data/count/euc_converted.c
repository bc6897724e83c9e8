/* expect: total=4 exec=2 comment=2 blank=0 set: EucJis=1 */
char *s = "ɽ"; /* EUC-JP read as Shift-JIS after conversion: this opens
closes */
int a;
