# expect: total=28 exec=18 comment=3 blank=7
require "json"

# A shopping cart.
# A "quote" in a comment opens nothing.
class Cart
  getter items = [] of Float64

  def add(price : Float64) : Nil
    @items << price # trailing comment
  end

  def total
    @items.sum
  end

  def label(name : String) : String
    "Cart of #{name} # not a comment"
  end

  def separator : Char
    '#'
  end

  NOTE = "first line

third line"
end
