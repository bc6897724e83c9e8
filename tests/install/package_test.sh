#!/usr/bin/env bash
# Builds the Debian package from the build folder into a temporary folder and
# checks its name, contents and dependencies, and what lintian says of it.
set -euo pipefail
build=$1 version=$2 app_id=$3
tmp=$(mktemp -d /tmp/zarnik-package-XXXXXX)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack -G DEB -B "$tmp" --config "$build/CPackConfig.cmake" >"$tmp/cpack.log" || { cat "$tmp/cpack.log"; fail cpack; }
deb=$tmp/zarnik_${version}_$(dpkg --print-architecture).deb
[[ -f $deb ]] || fail "no $deb"

contents=$(dpkg-deb -c "$deb")
for f in /usr/bin/zarnik /usr/bin/zarnik-count /usr/lib/zarnik/zarnik-count-git /usr/share/zarnik/zarnik.hlp /usr/share/zarnik/languages.conf \
  "/usr/share/applications/$app_id.desktop" "/usr/share/metainfo/$app_id.metainfo.xml" \
  /usr/share/icons/hicolor/48x48/apps/zarnik.png /usr/share/man/man1/zarnik-count.1.gz \
  /usr/share/bash-completion/completions/zarnik-count /usr/share/doc/zarnik/copyright; do
  grep -q " \.$f\$" <<<"$contents" || fail "$f is not in the package"
done
# What the binaries link (found by dpkg-shlibdeps) and what they load at run time.
depends=$(dpkg-deb -f "$deb" Depends)
for dep in libc6 libstdc++6 libqt6widgets6 libqt6printsupport6 fonts-ipafont-gothic fonts-ipafont-mincho \
  qt6-translations-l10n; do
  [[ ", $depends," == *", $dep"[\ ,]* ]] || fail "Depends lacks $dep: $depends"
done
# libgit2's package is named after its version (libgit2-1.5 on Debian 12).
[[ ", $depends" == *", libgit2-"[0-9]* ]] || fail "Depends lacks libgit2: $depends"

if command -v lintian >/dev/null; then
  lintian --fail-on error,warning "$deb" || fail "lintian reports errors or warnings"
fi
echo "package ok: $depends"
