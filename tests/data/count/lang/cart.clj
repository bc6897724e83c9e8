; expect: total=22 exec=13 comment=3 blank=6
(ns shop.cart
  (:require [clojure.string :as str]))

;; A shopping cart.
;; A "quote" in a comment opens nothing.

(defn add
  "Adds an item to the cart; ; is text here."
  [cart item]
  (conj cart item)) ; trailing comment

(defn total [cart]
  (reduce + (map :price cart)))

(def banner "Cart
; still the string

end")

(comment
  (add [] {:price 1}))
