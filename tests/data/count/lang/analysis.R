# expect: total=25 exec=15 comment=5 blank=5
library(stats)

# Summarises a numeric vector.
summarise <- function(x) {
  label <- "mean # not a comment"
  note <- 'it\'s "quoted"'
  c(mean = mean(x), sd = sd(x)) # trailing comment
}

#' A roxygen comment documents the next function.
#' @param x a vector
scale01 <- function(x) {
  (x - min(x)) / (max(x) - min(x))
}

`odd name` <- 3 # a backquoted name
query <- "SELECT *
FROM results

WHERE ok"

## a double-hash comment
values <- c(1, 5, 9)
print(summarise(values))
