#!/usr/bin/env bash
# The spinner on a real terminal, where it is drawn on a clock:
# - while a slow pipe trickles records in, each record's glyph shows after
#   the settings lines; at the end the summary lands over the last glyph;
# - a fast conversion ends with the summary over the mark;
# - what reaches the terminal stays small: far fewer than the two bytes per
#   record a redirected stderr gets;
# - a file name outside ASCII reads right in a message (a Windows build
#   writes it to the console as UTF-16).
# usage: terminal.sh TOOL [RUNNER...]   (exit 77: skipped, tmux is missing)
#   RUNNER, if given, runs the tool (wine, whose console then stands in for
#   a Windows console); the trickle needs a POSIX pipe name and is skipped.
set -u
tool=$(realpath "$1")
shift
runner=("$@")
if ! command -v tmux >/dev/null; then
    echo "skipped: tmux is missing"
    exit 77
fi
work=$(mktemp -d)
session=recslice-terminal-$$
trap 'tmux kill-session -t "$session" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work" || exit 2

pane() { tmux capture-pane -p -t "$session"; }
fail() {
    echo "FAIL: $1"
    pane | sed 's/^/    | /'
    exit 1
}
# in_pane SCRIPT: runs the shell SCRIPT in a fresh 80x12 pane; it writes
# its status to the file status, then the pane stays.
in_pane() {
    tmux kill-session -t "$session" 2>/dev/null
    rm -f status
    printf '%s\necho "exit $?" >status\nsleep 60\n' "$1" >pane.sh
    # A UTF-8 terminal, as wine's console needs to show any name.
    tmux -u -f /dev/null new-session -d -s "$session" -x 80 -y 12 "LC_ALL=C.UTF-8 bash pane.sh"
}
# wait_status [STATUS]: waits for the pane's run to end with STATUS (0).
wait_status() {
    for _ in $(seq 200); do
        [ -e status ] && break
        sleep 0.1
    done
    [ "$(cat status 2>/dev/null)" = "exit ${1:-0}" ] || fail "the run did not end with status ${1:-0}"
    sleep 0.2
}
run="${runner[*]} \"$tool\""

if [ ${#runner[@]} = 0 ]; then
    # Twenty 10-byte records, one every quarter second: about five seconds.
    # Each is drawn as it arrives, though the clock allows fewer draws.
    in_pane "for i in \$(seq 20); do printf 0123456789; sleep 0.25; done | $run /dev/stdin out.unf 10 0"
    seen=
    for _ in $(seq 60); do
        sleep 0.1
        [ -e status ] && fail "the run ended before the pipe did"
        mid=$(pane)
        glyph=$(sed -n 3p <<<"$mid")
        case $glyph in
        '-' | '\' | '|' | '/') [[ $seen == *"$glyph"* ]] || seen+=$glyph ;;
        esac
        [ ${#seen} = 4 ] && break
    done
    [ ${#seen} = 4 ] || fail "line 3 mid-run showed only the glyphs '$seen', not all four"
    [ "$(sed -n 1p <<<"$mid")" = "Skipping 0 Bytes of Header." ] || fail "line 1 mid-run"
    [ "$(sed -n 2p <<<"$mid")" = "Extracting 10 Bytes Per Record." ] || fail "line 2 mid-run"
    wait_status
    [ "$(pane | sed -n 3p)" = "Completed.  Copied 20 Lines." ] || fail "line 3 at the end of the trickle"
    echo "passed: each glyph mid-run, summary over the mark at the end"
else
    echo "skipped: the trickle, which needs a POSIX pipe name"
fi

in_pane "$run manquant-日本.bin out.unf 3 0"
wait_status 1
[ "$(pane | sed -n 3p)" = "Unable to open source file <manquant-日本.bin>." ] || fail "the name in the message"
echo "passed: a name outside ASCII reads right in a message"

# A million one-byte records as fast as the tool goes.
head -c 1000000 /dev/zero >src.bin
in_pane "$run src.bin out.unf 1 0"
wait_status
[ "$(pane | sed -n 1,3p)" = "Skipping 0 Bytes of Header.
Extracting 1 Bytes Per Record.
Completed.  Copied 1000000 Lines." ] || fail "the screen after a fast run"
echo "passed: a fast run ends with the summary over the mark"

# The same run under script, which records all that reaches the terminal:
# a redirected stderr would get 2 MB of pairs.
if command -v script >/dev/null; then
    script -q -e -c "$run src.bin out.unf 1 0" typescript >/dev/null || fail "the run under script failed"
    bytes=$(wc -c <typescript)
    [ "$bytes" -lt 20000 ] || fail "$bytes bytes reached the terminal for a million records"
    # The last glyph drawn is the last record's: the millionth shows "/".
    # Terminal controls (wine's console moves the cursor with them) are
    # dropped first.
    last=$(sed 's/\x1b\[[0-9;?]*[A-Za-z]//g' typescript | tr -d '\r\b' | grep -ao '.Completed\.' | tail -n 1)
    [ "${last:0:1}" = / ] || fail "the glyph before the summary was '${last:0:1}', not '/'"
    echo "passed: $bytes bytes reached the terminal for a million records"
else
    echo "skipped: the byte count, which needs script (util-linux)"
fi
