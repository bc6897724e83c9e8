; expect: total=23 exec=10 comment=7 blank=6
(defpackage :shop-cart
  (:use :cl))
(in-package :shop-cart)

;;; A shopping cart.
;;; A "quote" in a comment opens nothing.

#| A block comment:
   #| Lisp nests them |#

   still the outer one. |#

(defun add (cart item)
  "Adds ITEM to CART; ; is text here."
  (cons item cart)) ; trailing comment

(defparameter *banner* "Cart
; still the string

end")

(defun total (cart) (reduce #'+ (mapcar #'cdr cart)))
