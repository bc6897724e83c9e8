C expect: total=22 exec=14 comment=5 blank=3
C     Sums the prices of an invoice. A 'quote' here opens nothing.
      PROGRAM INVOICE
      REAL PRICES(3), TOTAL
      CHARACTER*20 TITLE
      DATA PRICES /1.5, 2.25, 3.0/

c     a lower-case comment line
*     a star comment line
!     a bang comment line
      TITLE = 'IT''S THE TOTAL ! NOT A COMMENT'
      TOTAL = 0.0
      DO 10 I = 1, 3
         TOTAL = TOTAL + PRICES(I)   ! an inline comment
   10 CONTINUE

      WRITE (*, 100) TITLE,
     &               TOTAL
  100 FORMAT (A, F8.2)
      PRINT *, "DONE"                                                   INV00200
                                                                        INV00210
      END
