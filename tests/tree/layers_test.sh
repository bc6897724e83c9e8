#!/usr/bin/env bash
# layers_test.sh SOURCE_DIR: no folder of src/ includes a header of a folder above it.
# The core's libraries are linked one way (text < settings < engine < report < run),
# but a header-only include from a lower folder links fine and still ties the layers
# together; this catches it. git implements what run declares of repositories (it
# and its stand-in include run, never the other way); cli and ui sit on the core and
# never include each other.
set -euo pipefail
src="$1/src"
rank() {
  case "$1" in
    text) echo 0 ;; settings) echo 1 ;; engine) echo 2 ;; report) echo 3 ;; run) echo 4 ;;
    git) echo 5 ;; cli | ui) echo 6 ;; *) echo -1 ;;
  esac
}
status=0
while IFS=: read -r file _ include; do
  from=${file#"$src"/}
  from=${from%%/*}
  to=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([a-z_]+)\/.*/\1/' <<<"$include")
  [[ $from == "$to" ]] && continue
  from_rank=$(rank "$from") to_rank=$(rank "$to")
  ((to_rank < 0)) && continue # not one of ours (a generated header)
  if ((to_rank >= from_rank)); then
    echo "${file#"$1"/}: $from includes $to, a layer at or above its own: $include" >&2
    status=1
  fi
done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[a-z_]+/' "$src" --include='*.h' --include='*.cpp')
exit $status
