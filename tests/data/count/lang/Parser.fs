// expect: total=29 exec=16 comment=7 blank=6
module Shop.Parser

open System

(* Block comments nest in F#:
   (* an inner comment *)

   still the outer comment. *)

/// Reads a price such as "12.50".
let parsePrice (text: string) =
    match Decimal.TryParse text with
    | true, value -> Some value // a price
    | _ -> None

let banner = """A triple-quoted "string" with (* no comment *)"""
let path = @"C:\data\""prices""\"
let lines = "first line

third line"
let quote = '"'
let generic (x: 'a) = x (* trailing comment *)

// a comment line
[<EntryPoint>]
let main argv =
    printfn "price: %A" (parsePrice "12.50")
    0
