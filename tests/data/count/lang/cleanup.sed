# expect: total=12 exec=4 comment=5 blank=3
# Tidies a configuration file.

# strip trailing blanks
s/[ \t]*$//

# drop lines that are only a note
/^[ \t]*#/d

# keep a "#" inside a value
s/color=#\([0-9a-f]*\)/colour=#\1/
/^$/d
