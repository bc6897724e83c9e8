// expect: total=30 exec=18 comment=7 blank=5
'use strict';

/**
 * A shopping cart.

 * @param {string} owner the cart's "owner"
 */
export class Cart {
  constructor(owner) {
    this.owner = owner;
    this.items = []; // trailing comment
  }

  add(item) {
    this.items.push(item); /* inline */ this.changed = true;
  }

  describe() {
    const url = "https://example.org/cart"; // the // inside is text
    const note = 'it\'s /* not a comment */';
    return `Cart of ${this.owner}:
// still the template

${this.items.length} items`;
  }
}

// a comment line
export default Cart;
