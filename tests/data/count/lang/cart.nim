# expect: total=25 exec=12 comment=6 blank=7
## A shopping cart: doc comments are comments.

import std/strformat

#[ A block comment:
   #[ Nim nests them ]#

   still the outer one. ]#

type
  Item = object
    name: string
    price: float

const Label = "Cart # not a comment"
const Raw = """A long "string" with # and #[ inside

"""
const Quote = '"'

proc total(items: seq[Item]): float =
  for i in items: result += i.price # trailing comment

echo &"{Label}: {total(@[])}"
