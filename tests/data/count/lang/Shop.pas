// expect: total=30 exec=17 comment=7 blank=6
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
  end;

implementation

(* An old-style comment
   spanning lines. *)
function TShop.Greeting: string;
begin
  Result := 'Welcome to ' + FName + ', it''s { not a comment }'; { trailing }
  {$IFDEF DEBUG} WriteLn('debug // text'); {$ENDIF}
end;

end.
