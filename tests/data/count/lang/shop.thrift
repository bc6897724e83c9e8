// expect: total=21 exec=11 comment=7 blank=3
namespace java org.example.shop
namespace py shop

# A hash comment.
/*
 * Orders and their lines.

 */
struct Line {
  1: required string product,   // the product's id
  2: optional i32 quantity = 1, # a default
}

const string NOTE = "a // not a comment"
const string PATH = 'C:\shop\# text'

service Orders {
  /** Places an order. */
  string place(1: list<Line> lines),
}
