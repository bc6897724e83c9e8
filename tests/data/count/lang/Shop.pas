// expect: total=37 exec=23 comment=7 blank=7
unit Shop;

{$mode objfpc}{$H+}

interface

{ A shop with a till.
  A 'quote' here opens nothing.

}
type
  TShop = class
  private
    FName: string;  // the shop's name
  public
    function Greeting: string;
    function Share(Total: Double): Double;
  end;

implementation

(* An old-style comment
   spanning lines. *)
function TShop.Greeting: string;
begin
  Result := 'Welcome to ' + FName + ', it''s { not a comment }'; { trailing }
  {$IFDEF DEBUG} WriteLn('debug // text'); {$ENDIF}
end;

function TShop.Share(Total: Double): Double;
begin
  Result := Total
    / 3;  // a line that begins with a slash is code
end;

end.
