#!/bin/sh
# Starts the installed Vardo engine in the user's own folder, $VARDO_HOME or else ~/.vardo,
# created on first use, with the book taken from the installation when the user has none.
# The engine reads its book and writes its log in its working directory, so it never writes
# into the caller's folder or a system folder. Arguments go to the engine unchanged; those that
# only answer (--version, --help) or are refused get no folder set up: only "--hash MB",
# "--threads N" and "--strong" start a session.
set -e
here=$(dirname "$(readlink -f "$0")")
prefix=$(dirname "$here")
engine="$prefix/@VARDO_ENGINE_DIR@/vardo-engine"
book="$prefix/@VARDO_BOOK_DIR@/vardo.bk"
value_next=false
for arg in "$@"; do
    if $value_next; then
        value_next=false
        continue
    fi
    case $arg in
    --hash | --threads) value_next=true ;;
    --strong) ;;
    *) exec "$engine" "$@" ;;
    esac
done
home=${VARDO_HOME:-${HOME:?HOME is not set}/.vardo}
mkdir -p "$home"
if [ ! -f "$home/vardo.bk" ] && [ -f "$book" ]; then
    cp "$book" "$home/vardo.bk"
fi
cd "$home"
exec "$engine" "$@"
