# expect: total=13 exec=8 comment=4 blank=1
#!/bin/sh is no shebang here: this line is a comment
n=$#            # $# is a variable, not a comment
len=${#n}
echo "a # in double quotes
goes on" # a real comment
echo 'single # quoted'

  # an indented comment
cat <<X  # the heredoc body is counted as code lines
data
X
# done
