#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR under /usr and checks the tree as a
# user meets it: every file in its place, the programs run from there, the menu
# entry and the metainfo pass their validators, the manuals and the completion
# name every option, and an installed program that cannot write its folder reads
# its settings from $XDG_CONFIG_HOME/zarnik/.
set -euo pipefail
build=$1 version=$2 app_id=$3
tmp=$(mktemp -d /tmp/zarnik-install-XXXXXX)
trap 'chmod -R u+w "$tmp"; rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR=$tmp/root cmake --install "$build" --prefix /usr >/dev/null
usr=$tmp/root/usr

# Exactly these files, nothing left in bin/ beside the programs.
expected=(bin/zarnik bin/zarnik-count lib/zarnik/zarnik-count-git share/zarnik/zarnik.hlp share/zarnik/languages.conf
  "share/applications/$app_id.desktop" "share/metainfo/$app_id.metainfo.xml"
  share/icons/hicolor/scalable/apps/zarnik.svg
  share/man/man1/zarnik.1.gz share/man/man1/zarnik-count.1.gz
  share/bash-completion/completions/zarnik-count
  share/doc/zarnik/copyright share/doc/zarnik/changelog.gz)
for size in 16 24 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/zarnik.png")
done
diff <(printf '%s\n' "${expected[@]}" | sort) <(cd "$usr" && find . -type f | sed 's|^\./||' | sort) ||
  fail "the installed files differ from the list above (< expected, > installed)"
[[ -x $usr/bin/zarnik && -x $usr/bin/zarnik-count && -x $usr/lib/zarnik/zarnik-count-git ]] ||
  fail "the programs are not executable"
# zarnik-count starts without libgit2; the program it hands repositories to links it.
needed() { readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'; }
! needed "$usr/bin/zarnik-count" | grep -q '^libgit2' || fail "zarnik-count links libgit2: $(needed "$usr/bin/zarnik-count")"
needed "$usr/lib/zarnik/zarnik-count-git" | grep -q '^libgit2' || fail "zarnik-count-git does not link libgit2"
for size in 16 24 32 48 64 128 256; do
  file "$usr/share/icons/hicolor/${size}x${size}/apps/zarnik.png" | grep -q "PNG image data, $size x $size," ||
    fail "the ${size}x${size} icon is not a PNG of that size"
done

for program in zarnik-count zarnik; do
  out=$("$usr/bin/$program" --version)
  [[ $(head -n 1 <<<"$out") == "$program $version" ]] || fail "$program --version: $out"
  grep -q '^License GPL-3.0-or-later' <<<"$out" || fail "$program --version names no licence: $out"
done
grep -q '^License: GPL-3.0-or-later$' "$usr/share/doc/zarnik/copyright" || fail "the copyright file's licence"

mkdir -p "$tmp/src"
printf '/* main */\nint main(void) {\n\n    return 0;\n}\n' >"$tmp/src/main.c"
report=$("$usr/bin/zarnik-count" "$tmp/src") || fail "the installed zarnik-count failed"
grep -Eq '^main\.c .* C +5 +1 +3 +1 +20\.00％$' <<<"$report" || fail "unexpected report: $report"
# In a repository the installed zarnik-count hands over to the installed helper,
# which follows the repository's rules and finds the shipped language table too.
if command -v git >/dev/null; then
  git init -q "$tmp/src" && printf 'ignored.c\n' >"$tmp/src/.gitignore" && cp "$tmp/src/main.c" "$tmp/src/ignored.c"
  printf '# x\n' >"$tmp/src/build.mk"
  report=$("$usr/bin/zarnik-count" --set Erfout=0 "$tmp/src") || fail "the installed zarnik-count failed in a repository"
  grep -Eq '^main\.c .* C +5 +1 +3 +1 +20\.00％$' <<<"$report" && ! grep -q '^ignored\.c' <<<"$report" &&
    grep -Eq '^build\.mk .* Make +1 +1 +0 +0 ' <<<"$report" ||
    fail "unexpected report in a repository: $report"
fi

# The validators, where installed (scripts/packages.txt names them for CI).
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$usr/share/applications/$app_id.desktop" || fail "desktop-file-validate"
fi
if command -v appstreamcli >/dev/null; then
  out=$(appstreamcli validate --no-net --pedantic "$usr/share/metainfo/$app_id.metainfo.xml") || fail "appstreamcli validate: $out"
fi
if command -v man >/dev/null; then
  for page in zarnik zarnik-count; do
    warnings=$(MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
    [[ -z $warnings ]] || fail "man $page: $warnings"
  done
fi

# Every option of --help is in the manual's OPTIONS and in the completion, and no other.
options() { grep -oE -- '(^|[ ,[])--?[a-z][a-z-]*' | grep -oE -- '-.*' | sort -u; }
help_options=$("$usr/bin/zarnik-count" --help | grep -E '^  -' | options)
diff <(echo "$help_options") <(zcat "$usr/share/man/man1/zarnik-count.1.gz" | sed -n '/^\.SH OPTIONS/,/^\.SH /p' |
  sed 's/\\-/-/g' | grep -E '^\.(B|BI|BR) -' | options) || fail "the options of zarnik-count(1) and of --help differ"
diff <(echo "$help_options" | grep -- --) <(sed -n "/compgen -W '--/,/'/p" \
  "$usr/share/bash-completion/completions/zarnik-count" | grep -oE -- '--[a-z][a-z-]*' | sort -u) ||
  fail "the bash completion and --help name different long options"
if [[ -f /usr/share/bash-completion/bash_completion ]]; then
  # What a Tab offers after each command line's last word.
  got=$(bash -c 'source /usr/share/bash-completion/bash_completion; source "$1"
    compopt() { :; }  # only callable while bash itself completes
    complete_line() {
      COMP_WORDS=(zarnik-count "$@") COMP_CWORD=$# COMP_LINE="zarnik-count $*" COMPREPLY=()
      COMP_POINT=${#COMP_LINE}
      _zarnik_count zarnik-count "${COMP_WORDS[-1]}" "${COMP_WORDS[-2]}"
      echo "${COMPREPLY[*]}"
    }
    complete_line --enc; complete_line --encoding ""; complete_line --set Kg_; complete_line --set=FmSizeI' \
    _ "$usr/share/bash-completion/completions/zarnik-count")
  [[ $got == $'--encoding\nutf-8 sjis\nKg_Cmt= Kg_Non=\nFmSizeIndex=' ]] || fail "the completion offers: $got"
fi

# An installed program whose folder cannot be written keeps its INI file in
# $XDG_CONFIG_HOME/zarnik/; once that file exists, an INI file in bin/ is not read. Root meets the
# permission bits only without CAP_DAC_OVERRIDE, so setpriv drops it.
mkdir -p "$tmp/cfg/zarnik"
printf '[Cname]\r\ncnam1=xdg\r\n[FILES_1]\r\nfile0=%s\r\n' "$tmp/src" >"$tmp/cfg/zarnik/zarnik.ini"
printf '[Cname]\r\ncnam1=beside\r\n[FILES_1]\r\nfile0=%s\r\n' "$tmp/src" >"$usr/bin/zarnik.ini"
chmod a-w "$usr/bin"
as_user=()
if [[ $(id -u) -eq 0 ]]; then
  drop=-dac_override,-dac_read_search
  as_user=(setpriv --inh-caps=$drop --bounding-set=$drop --)
fi
header=$(XDG_CONFIG_HOME=$tmp/cfg "${as_user[@]}" "$usr/bin/zarnik-count" --env 1 | head -n 1)
[[ $header == 【xdg】* ]] || fail "an installed zarnik-count read '$header' rather than the INI file in \$XDG_CONFIG_HOME"
echo "install tree ok"
