-- expect: total=25 exec=16 comment=3 blank=6
with Ada.Text_IO; use Ada.Text_IO;

--  A shopping cart.
--  A "quote" in a comment opens nothing.
package body Cart is

   Label : constant String := "Cart -- not a comment";
   Note  : constant String := "it's ""fine""";
   Quote : constant Character := '"';
   Dash  : constant Character := '-';

   procedure Add (C : in out Cart_Type; Price : Float) is
   begin
      C.Total := C.Total + Price;  -- trailing comment
   end Add;

   procedure Report (C : Cart_Type) is
   begin
      Put_Line (Label & Float'Image (C.Total));

      Put_Line (Note & Quote & Dash);
   end Report;

end Cart;
