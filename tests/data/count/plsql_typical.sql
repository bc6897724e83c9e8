-- expect: total=15 exec=9 comment=4 blank=2
CREATE OR REPLACE PROCEDURE greet IS
  v_text VARCHAR2(40) := 'it''s -- not a comment';

  v_open VARCHAR2(10) := '/*';
BEGIN
  /* a block
     comment */
  dbms_output.put_line(v_text); -- trailing remark
  // is code in PL/SQL
  - - is code too

  NULL; /* opens
  closes */
END greet;
