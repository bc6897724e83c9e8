-- expect: total=25 exec=13 comment=6 blank=6
{-# LANGUAGE OverloadedStrings #-}
module Cart (Cart, total, describe) where

import qualified Data.Text as T

{- A cart of items.
   {- Haskell nests block comments. -}

   Still the outer comment. -}
data Cart = Cart { items :: [(T.Text, Double)] }

-- | The cart's total.
total :: Cart -> Double
total = sum . map snd . items   -- trailing comment

describe :: Cart -> T.Text
describe c = "Cart -- not a comment {- nor this -}"
  <> T.pack (show (total c))

quote :: Char
quote = '"'

prime :: Int -> Int
prime x' = x' + 1 {- inline -}
