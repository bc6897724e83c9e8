      * expect: total=23 exec=15 comment=6 blank=2
000100 IDENTIFICATION DIVISION.                                         INVOICE1
000200 PROGRAM-ID. INVOICE.                                             INVOICE1
000300*Prints an invoice's total. A "quote" here opens nothing.
000400
000500 ENVIRONMENT DIVISION.
000600/A new page in the listing, and a comment line.
000700 DATA DIVISION.
000800 WORKING-STORAGE SECTION.
000900 01  WS-TOTAL       PIC 9(5)V99 VALUE ZERO.
001000 01  WS-TITLE       PIC X(30) VALUE "INVOICE *> TOTAL".
001100 01  WS-NOTE        PIC X(20) VALUE 'IT''S "FINE"'.
001200D    DISPLAY "DEBUG: " WS-TOTAL.
001300                                                                  NOTCODE1
001400 PROCEDURE DIVISION.
001500 MAIN-PARA.
001600     MOVE 125.50 TO WS-TOTAL  *> an inline comment
001700*
001800     DISPLAY WS-TITLE
001900     DISPLAY WS-NOTE
002000     *> a floating comment alone on its line
002100     DISPLAY "TOTAL: " WS-TOTAL
002200     STOP RUN.
