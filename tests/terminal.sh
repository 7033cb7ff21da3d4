#!/usr/bin/env bash
# The spinner on a real terminal: while a slow pipe trickles records in, a
# glyph shows after the settings lines; at the end the summary lands over
# the last glyph.
# usage: terminal.sh RECSLICE   (exit 77: skipped, tmux is missing)
set -u
tool=$(realpath "$1")
if ! command -v tmux >/dev/null; then
    echo "skipped: tmux is missing"
    exit 77
fi
work=$(mktemp -d)
session=recslice-terminal-$$
trap 'tmux kill-session -t "$session" 2>/dev/null; rm -rf "$work"' EXIT

# Twenty 10-byte records, one every quarter second: about five seconds.
cat >"$work/trickle.sh" <<SH
for i in \$(seq 20); do printf 0123456789; sleep 0.25; done |
    "$tool" /dev/stdin "$work/out.unf" 10 0
echo "exit \$?" >"$work/status"
sleep 60
SH
tmux -f /dev/null new-session -d -s "$session" -x 80 -y 12 "bash $work/trickle.sh"

pane() { tmux capture-pane -p -t "$session"; }
fail() {
    echo "FAIL: $1"
    pane | sed 's/^/    | /'
    exit 1
}

# Mid-run: once the pipe has delivered a record or two, a glyph stands on
# line 3 while the tool waits for more.
glyph=
for _ in $(seq 40); do
    sleep 0.1
    [ -e "$work/status" ] && fail "the run ended before the pipe did"
    mid=$(pane)
    case $(sed -n 3p <<<"$mid") in
    '-' | '\' | '|' | '/') glyph=yes && break ;;
    esac
done
[ -n "$glyph" ] || fail "no glyph on line 3 mid-run"
[ "$(sed -n 1p <<<"$mid")" = "Skipping 0 Bytes of Header." ] || fail "line 1 mid-run"
[ "$(sed -n 2p <<<"$mid")" = "Extracting 10 Bytes Per Record." ] || fail "line 2 mid-run"

for _ in $(seq 100); do
    [ -e "$work/status" ] && break
    sleep 0.1
done
[ "$(cat "$work/status" 2>/dev/null)" = "exit 0" ] || fail "the run did not end with status 0"
sleep 0.2
end=$(pane)
[ "$(sed -n 3p <<<"$end")" = "Completed.  Copied 20 Lines." ] || fail "line 3 at the end"
echo "passed: glyph mid-run, summary over it at the end"
