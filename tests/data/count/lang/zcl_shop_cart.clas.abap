* expect: total=24 exec=17 comment=5 blank=2
*----------------------------------------------------------------------*
* A shopping cart. A 'quote' here opens nothing.
*----------------------------------------------------------------------*
CLASS zcl_shop_cart DEFINITION PUBLIC FINAL CREATE PUBLIC.
  PUBLIC SECTION.
    METHODS add IMPORTING iv_price TYPE p. " adds a price
    METHODS total RETURNING VALUE(rv_total) TYPE string.
  PRIVATE SECTION.
    DATA mv_total TYPE p DECIMALS 2.
ENDCLASS.

CLASS zcl_shop_cart IMPLEMENTATION.
  METHOD add.
    " a comment line
    mv_total = mv_total + iv_price.
  ENDMETHOD.

  METHOD total.
    DATA(lv_note) = 'it''s "fine"'.
    DATA(lv_text) = `a ``quoted`` " text`.
    rv_total = |Total: { mv_total } \| " not a comment|.
  ENDMETHOD.
ENDCLASS.
