#!/bin/sh
# program_e2e.sh ZARNIK: starts the desktop program in a folder of its own, as a
# user would, and checks what the window manager shows: the exact captions of the main
# window, a message box and the dialogs; the close box saves the settings and ends the
# program. With ZARNIK_SHOTS set to a folder, screenshots of the main window, the
# version box, the settings and the extension dialog go there (the README's pictures).
set -u
bin=$1
shots=${ZARNIK_SHOTS:-}
work=$(mktemp -d)
pid=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT INT TERM
fail() {
    echo "program_e2e: $*" >&2
    exit 1
}

cp "$bin" "$work/zarnik"
cp "$(dirname "$bin")/zarnik.hlp" "$work/" 2>/dev/null
cp "$(dirname "$bin")/languages.conf" "$work/" 2>/dev/null
# Thirty environments with names of mixed lengths; the thirteenth, selected, names a
# file that does not exist.
{
    printf '[Cname]\r\n'
    i=0
    for name in 本体 ライブラリ テスト ドキュメント ツール群 src include UI部品 通信モジュール \
        データベース接続層 印刷 設定 帳票出力サブシステム lib 共通 バッチ処理 画面 API \
        外部連携インタフェース ログ 暗号化 圧縮 ネットワーク ファイル入出力 検索エンジン \
        キャッシュ 認証 管理ツール 移行スクリプト サンプル; do
        i=$((i + 1))
        printf 'cnam%d=%s\r\n' "$i" "$name"
    done
    printf '[FILES_13]\r\nfile0=/nonexistent/zarnik-e2e/*.c\r\n[SrcCnf]\r\nTabIdx=12\r\n'
} | iconv -f UTF-8 -t CP932 >"$work/zarnik.ini" || fail "cannot write the INI file"

# The id of the visible window whose caption is exactly $1 (waits up to 60 s).
window() {
    tries=0
    while :; do
        for id in $(xdotool search --onlyvisible --name . 2>/dev/null); do
            if [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "$1" ]; then
                echo "$id"
                return 0
            fi
        done
        tries=$((tries + 1))
        [ $tries -lt 600 ] || fail "no window captioned '$1'; visible: $(for id in $(xdotool search --onlyvisible --name . 2>/dev/null); do xdotool getwindowname "$id"; done | tr '\n' '|')"
        sleep 0.1
    done
}
gone() {
    tries=0
    while xdotool search --onlyvisible --name . 2>/dev/null | grep -qx "$1"; do
        tries=$((tries + 1))
        [ $tries -lt 600 ] || fail "window $1 stays open"
        sleep 0.1
    done
}
shot() { [ -z "$shots" ] || import -frame -window "$1" "$shots/$2"; }
keys() { xdotool windowactivate --sync "$1" key --delay 100 "$2"; }

(cd "$work" && exec ./zarnik) &
pid=$!

main=$(window "Zarnik  Ver. 2.71  (C) 2026 Zarnik developers") || exit 1

keys "$main" F9
box=$(window "警告") || exit 1
keys "$box" Return
gone "$box"

keys "$main" alt+o
keys "$main" a
about=$(window "ﾊﾞｰｼﾞｮﾝ情報") || exit 1
shot "$about" version-box.png
keys "$about" Return
gone "$about"

keys "$main" alt+r
keys "$main" s
settings=$(window "設定") || exit 1
shot "$settings" settings-dialog.png
# The extension dialog with the language table's list fits the screen.
keys "$settings" alt+e
exts=$(window "拡張子指定") || exit 1
eval "$(xdotool getwindowgeometry --shell "$exts")"
[ $((X + WIDTH)) -le 1024 ] && [ $((Y + HEIGHT)) -le 768 ] || fail "拡張子指定 does not fit: ${WIDTH}x${HEIGHT}+${X}+${Y}"
shot "$exts" extension-dialog.png
keys "$exts" Escape
gone "$exts"
keys "$settings" Escape
gone "$settings"
shot "$main" main-window.png

# The window manager's close (the close box, Alt+F4) saves and ends the program.
keys "$main" alt+F4
tries=0
while kill -0 "$pid" 2>/dev/null; do
    tries=$((tries + 1))
    [ $tries -lt 600 ] || fail "the program did not end after its close box"
    sleep 0.1
done
wait "$pid"
status=$?
pid=
[ $status -eq 0 ] || fail "the program ended with status $status"
grep -q '^ToolBar=1' "$work/zarnik.ini" || fail "the settings were not saved"
grep -q '^TabIdx=12' "$work/zarnik.ini" || fail "the selected tab was not saved"
echo "program_e2e: passed"
