// expect: total=26 exec=14 comment=8 blank=4
import { Cart } from "./cart";

/* The API client.
   A "quote" in a comment opens nothing. */
export interface Options {
  baseUrl: string; // e.g. "https://example.org"
  retries?: number;
}

/** Fetches a cart by its id. */
export async function getCart(id: string, opts: Options): Promise<Cart> {
  const url = `${opts.baseUrl}/carts/${id} // not a comment`;
  const res = await fetch(url, { headers: { Accept: "application/json" } });
  if (!res.ok) {
    throw new Error('cart ' + id + ' /* missing */');
  }

  /*

   */
  return (await res.json()) as Cart;
}

// a comment line
export const VERSION = "1.0";
