#!/usr/bin/env bash
# Installs Vardo into scratch prefixes (plain and Debian games layout) and checks what landed
# and that the installed command runs the engine in ~/.vardo (or $VARDO_HOME) with its book,
# writing nothing into the caller's folder, and passes --version and --help through.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"${JOBS:-2}" --target vardo >/dev/null
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "install test: $*"; exit 1; }

check_prefix() {
    local prefix=$1 bin=$2 bookdir=$3
    for f in "$bin/vardo" "$bookdir/vardo.bk" share/man/man6/vardo.6 \
             share/games/plugins/xboard/vardo.eng; do
        [ -e "$prefix/$f" ] || fail "missing $f in $prefix"
    done
    cmp -s install/vardo.eng "$prefix/share/games/plugins/xboard/vardo.eng" || fail "bad .eng"
    local home=$scratch/home-$(basename "$prefix") cwd=$scratch/cwd-$(basename "$prefix")
    mkdir -p "$home" "$cwd"
    local out
    out=$(cd "$cwd" && printf 'protover 2\nquit\n' | HOME=$home timeout 20 "$prefix/$bin/vardo")
    echo "$out" | grep -q '^Vardo v0.72 (VARDO)$' || fail "no banner from the installed command"
    echo "$out" | grep -q "Couldn't read opening book" && fail "the installed command found no book"
    [ -f "$home/.vardo/vardo.bk" ] || fail "book not copied to ~/.vardo"
    [ -f "$home/.vardo/vardo0.72.log" ] || fail "log not in ~/.vardo"
    [ -z "$(ls -A "$cwd")" ] || fail "the installed command wrote into the caller's folder"

    # VARDO_HOME names the folder instead of ~/.vardo.
    local own=$scratch/own-$(basename "$prefix")
    out=$(cd "$cwd" && printf 'quit\n' | HOME=/nonexistent VARDO_HOME=$own timeout 20 "$prefix/$bin/vardo")
    echo "$out" | grep -q '^Vardo v0.72 (VARDO)$' || fail "no banner with VARDO_HOME set"
    [ -f "$own/vardo.bk" ] && [ -f "$own/vardo0.72.log" ] || fail "VARDO_HOME not used"

    # Arguments reach the engine, which answers without setting up a folder.
    local bare=$scratch/bare-$(basename "$prefix") status
    [ "$(HOME=$bare "$prefix/$bin/vardo" --version)" = "Vardo 0.72" ] || fail "--version"
    HOME=$bare "$prefix/$bin/vardo" --help | grep -q '^Usage: vardo' || fail "--help"
    status=0
    HOME=$bare "$prefix/$bin/vardo" --bogus 2>/dev/null </dev/null || status=$?
    [ "$status" -eq 2 ] || fail "an unknown argument gave exit status $status, not 2"
    [ ! -e "$bare" ] || fail "answering an argument set up a folder"
    out=$(cd "$cwd" && printf 'quit\n' | HOME=/nonexistent VARDO_HOME=$own timeout 20 \
        "$prefix/$bin/vardo" --hash 1)
    echo "$out" | grep -q '^Vardo v0.72 (VARDO)$' || fail "no banner with --hash 1"
    echo "install test: $prefix ok"
}

cmake --install build --prefix "$scratch/usr-local" >/dev/null
check_prefix "$scratch/usr-local" bin share/vardo
cmake -S . -B build -DVARDO_GAMES_LAYOUT=ON >/dev/null
cmake --install build --prefix "$scratch/usr" >/dev/null
cmake -S . -B build -DVARDO_GAMES_LAYOUT=OFF >/dev/null
check_prefix "$scratch/usr" games share/games/vardo
