#!/usr/bin/env bash
# Runs an xboard engine with the protocol's "computer" line taken out of its input:
#   scripts/drop_computer_line.sh ENGINE [ARGS...]
# xboard sends "computer" to each engine of an engine-against-engine game. Fairy-Max 5.0b
# (Debian 12) has no command of that name and reads it as a move, which crashes it about two
# times in five (printf 'xboard\nprotover 2\nnew\nforce\ncomputer\nquit\n' | fairymax), and a
# match then ends before it starts. The line only says that the opponent is a program, which
# Fairy-Max does not use, so it plays as before without it. The engine replaces this script's
# process, so the signals xboard sends reach it.
set -euo pipefail
exec "$@" < <(exec grep --line-buffered -vx 'computer')
