      * expect: total=8 exec=3 comment=3 blank=2
       IDENTIFICATION DIVISION.
      * a comment line in the indicator column
      / a page break is a comment too
123456

       PROGRAM-ID. HELLO.                                               SEQNO123
           DISPLAY "*> NOT A COMMENT".
