# expect: total=29 exec=11 comment=11 blank=7
module Stats

#= A block comment:
   #= Julia nests them =#

   still the outer comment. =#

"""
    mean(xs)

Returns the arithmetic mean of `xs`.
"""
mean(xs) = sum(xs) / length(xs)

const LABEL = "mean # not a comment"
const QUOTE = '"'

function spread(xs)
    m = mean(xs)   # trailing comment
    return maximum(xs) - minimum(xs), m'
end

# a comment line
const TEXT = "first line

third line"

end # module
