# expect: total=30 exec=17 comment=7 blank=6
require 'json'

=begin
A block comment: "quotes" and # marks here are comment text.

The blank line above is inside it.
=end

# An invoice made of lines.
class Invoice
  TAX = 0.2 # trailing comment

  def initialize(lines)
    @lines = lines
  end

  def total
    @lines.sum { |l| l[:price] } * (1 + TAX)
  end

  def to_s
    "Invoice #{@lines.size} lines # not a comment"
  end

  def note
    'it\'s "quoted"
and spans lines'
  end
end
