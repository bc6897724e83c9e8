// expect: total=26 exec=19 comment=3 blank=4
const std = @import("std");

/// A shopping cart: doc comments are comments.
pub const Cart = struct {
    total: f64 = 0,

    // Adds a price.
    pub fn add(self: *Cart, price: f64) void {
        self.total += price; // trailing comment
    }
};

const label = "Cart // not a comment";
const quote = '"';
const escaped = "a \"quoted\" word";
const text =
    \\A multi-line string:
    \\// still the string
;

pub fn main() void {
    var c = Cart{};
    c.add(1.5);
    std.debug.print("{s} {d}\n", .{ label, c.total });
}
