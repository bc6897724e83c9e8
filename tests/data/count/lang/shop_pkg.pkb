-- expect: total=27 exec=15 comment=7 blank=5
CREATE OR REPLACE PACKAGE BODY shop_pkg IS

  /*
   * The shop's package body.

   */
  c_title CONSTANT VARCHAR2(40) := 'it''s -- not a comment';
  c_query CONSTANT VARCHAR2(200) := q'[SELECT 'x' /* text */ FROM dual]';

  PROCEDURE add_item(p_id IN NUMBER) IS
  BEGIN
    INSERT INTO cart_items (id) VALUES (p_id); -- trailing remark
    -- a comment line
    NULL; /* opens
    closes */
  END add_item;

  FUNCTION note RETURN VARCHAR2 IS
  BEGIN
    RETURN 'first line

third line';
  END note;

END shop_pkg;
/
