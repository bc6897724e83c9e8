# expect: total=22 exec=16 comment=2 blank=4
set -eu

# Copies the build to the server.
host="example.org" # the target
dir='/srv/app # not a comment'
count=$#   # the number of arguments
name=${1:-app}
len=${#name}
echo "deploying $name ($len) to $host # still text"
msg=$'it\'s here'

usage() {
  echo 'usage: deploy.sh NAME' >&2 ;# a comment after ;
  exit 2
}

text="first line

third line"
[ $# -gt 0 ] || usage
rsync -a build/ "$host:$dir"
