(* expect: total=24 exec=12 comment=6 blank=6 *)
(* A shopping cart.
   (* OCaml nests comments. *)

   Still the outer comment. *)

type item = { name : string; price : float }

let label = "Cart (* not a comment *)"
let quote = '"'
let raw = {|a raw "string" with (* and \ kept|}
let multi = "first line

third line"

(** The cart's total. *)
let total items =
  List.fold_left (fun acc i -> acc +. i.price) 0.0 items (* trailing *)

let describe items =
  Printf.sprintf "%d items \"%s\"" (List.length items) label

let dash = '-' (* a character, then a comment *)
let id (x : 'a) : 'a = x
