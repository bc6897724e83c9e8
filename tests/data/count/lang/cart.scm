; expect: total=22 exec=11 comment=6 blank=5
(define-library (shop cart)
  (export add total)
  (import (scheme base))
  (begin

    #| A block comment:
       #| Scheme nests them |#

       still the outer one. |#

    ;; Adds an item.
    (define (add cart item)
      (cons item cart)) ; trailing comment

    (define banner "Cart ; not a comment
\"quoted\"

end")

    (define (total cart)
      (apply + (map cdr cart)))))
