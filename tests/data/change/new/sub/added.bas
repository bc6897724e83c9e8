' comment
x = 1

