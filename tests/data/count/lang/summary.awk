# expect: total=20 exec=14 comment=3 blank=3
# Sums the second column per key in the first.
BEGIN {
    FS = ","   # comma separated
    title = "summary # not a comment"
}

# skip the header line
NR == 1 { next }

{
    sum[$1] += $2
    quoted = "a \"quoted\" # text"
}

END {
    print title
    for (k in sum)
        printf "%s %d\n", k, sum[k]  # one line per key
}
