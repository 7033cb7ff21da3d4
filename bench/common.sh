# What the benchmarks share, sourced by each: a fresh folder in a tmpfs,
# wall times and medians.

# work_in NAME: makes a fresh folder, $work, in /dev/shm where it can (else
# $TMPDIR or /tmp), removed at exit, and goes there; $base is its parent.
work_in() {
    base=/dev/shm
    [ -d "$base" ] && [ -w "$base" ] || base=${TMPDIR:-/tmp}
    work=$(mktemp -d "$base/recslice-$1.XXXXXX")
    trap 'rm -rf "$work"' EXIT
    cd "$work" || exit 1
}

now() { date +%s%N; }
# elapsed COMMAND...: runs it and prints the wall time in nanoseconds.
elapsed() {
    local start end
    start=$(now)
    "$@"
    end=$(now)
    echo $((end - start))
}
# median: of the numbers on stdin, one a line.
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
