# expect: total=21 exec=14 comment=3 blank=4
package require Tcl 8.6

# Joins a list of words with a separator.
proc join_words {words sep} {
    # a comment inside a body
    set out ""
    foreach w $words {
        append out $w $sep ;# a comment after a command
    }
    return [string trimright $out $sep]
}

set greeting "hello # not a comment"
set quoted "a \"quoted\" word"
set multi "first line

third line"

puts [join_words {a b c} ","]
puts $greeting
