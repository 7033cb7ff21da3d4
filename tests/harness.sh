#!/usr/bin/env bash
# The case runner shared by the end-to-end and fault tables. Each case runs
# the built tool in a fresh folder and compares its exit status, stdout,
# stderr and destination with bytes written out by hand from the UNF format.
#
# A table script sources this file with its own arguments:
#   TABLE [--windows] TOOL [RUNNER...]
#   --windows   the tool is a Windows build: its console streams are text
#               streams, so each "\n" reaches a redirected stdout or stderr
#               as "\r\n" (and "\r\n" as "\r\r\n"). Cases that need POSIX
#               devices or pipes are skipped.
#   TOOL        the recslice binary; RUNNER, if given, runs it (wine).
# and ends with `finish`.
set -u

windows=0
if [ "${1:-}" = --windows ]; then
    windows=1
    shift
fi
tool=$(realpath "$1")
shift
runner=("$@")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# On disk, not in a tmpfs: a size limit or a signal must be able to cut a
# write short.
work=$(mktemp -d -p /var/tmp recslice-tests.XXXXXX)
trap 'rm -rf "$work"' EXIT

passed=0 failed=0 skipped=0

# Writes the printf escapes of $2 to the file $1. On Windows the console
# texts get their text-mode line ends.
expect() {
    printf '%b' "$2" >"$1"
    if [ "$3" = console ] && [ $windows = 1 ]; then
        perl -pi -e 's/\n/\r\n/g' "$1"
    fi
}

# Prints the start of both files, byte by byte, to show where they part.
show_diff() {
    echo "    $1: expected then got:"
    od -An -c "$2" | head -8 | sed 's/^/      /'
    echo "      ---"
    od -An -c "$3" | head -8 | sed 's/^/      /'
}

# t NAME STATUS ARGS SOURCE STDOUT STDERR DEST [SETUP]
#   ARGS    the command line, split as the shell splits it
#   SOURCE  printf escapes written to in.bin first, or - for no in.bin
#   DEST    printf escapes that out.unf must hold, - when out.unf must not
#           exist, @FILE to compare with FILE, made by SETUP, or * when
#           out.unf is a device that cannot be compared
#   SETUP   shell run in the case's folder before the tool. It may write
#           .feed, which the tool reads through a pipe as standard input,
#           or redefine feed, the command that writes that pipe; and it may
#           set the array wrap, a command that runs the tool (strace, a
#           shell that sets limits), and after, shell run once the tool
#           has ended, which may add a failure to the array bad
# Every case also checks that in.bin is left as it was.
t() {
    local name=$1 status=$2 args=$3 source=$4 out=$5 err=$6 dest=$7 setup=${8:-}
    local dir="$work/$name"
    mkdir -p "$dir" && cd "$dir" || exit 2
    [ "$source" = - ] || printf '%b' "$source" >in.bin
    : >.feed
    feed() { cat .feed; }
    wrap=()
    after=
    [ -z "$setup" ] || eval "$setup" || { echo "FAIL $name: setup failed"; failed=$((failed + 1)); return; }
    [ ! -f in.bin ] || cp in.bin .source.orig
    local argv
    eval "argv=($args)"
    "${wrap[@]}" "${runner[@]}" "$tool" "${argv[@]}" >.stdout 2>.stderr < <(feed)
    local got=$?
    local bad=()
    [ -z "$after" ] || eval "$after"
    [ "$got" = "$status" ] || bad+=("exit status $got, expected $status")
    expect .want_out "$out" console
    cmp -s .want_out .stdout || bad+=(stdout)
    expect .want_err "$err" console
    cmp -s .want_err .stderr || bad+=(stderr)
    local want_dest=.want_dest
    case $dest in
    -) [ ! -e out.unf ] || bad+=("out.unf exists") ;;
    '*') ;;
    *)
        if [ "${dest:0:1}" = @ ]; then
            want_dest=${dest#@}
        else
            expect .want_dest "$dest" binary
        fi
        cmp -s "$want_dest" out.unf || bad+=(out.unf)
        ;;
    esac
    [ ! -e .source.orig ] || cmp -s .source.orig in.bin || bad+=("in.bin changed")
    if [ ${#bad[@]} = 0 ]; then
        passed=$((passed + 1))
        return
    fi
    failed=$((failed + 1))
    echo "FAIL $name: ${bad[*]}"
    for what in "${bad[@]}"; do
        case $what in
        stdout) show_diff stdout .want_out .stdout ;;
        stderr) show_diff stderr .want_err .stderr ;;
        out.unf) show_diff out.unf "$want_dest" out.unf ;;
        esac
    done
}

# Cases that need POSIX devices, pipes or links.
t_posix() {
    if [ $windows = 1 ]; then
        echo "skipped $1: needs POSIX files"
        skipped=$((skipped + 1))
        return
    fi
    t "$@"
}

usage='\nUsage: RECSLICE <Sourcefile> <Destfile> <NumBytes> <HeaderSize>\n\n'
usage+='    This utility takes a binary file, grabs NumBytes at a time from it, \n'
usage+='    and writes them to DestFile, which will be formatted as a UNF.\n'
usage+='    <Sourcefile> is the source binary filename.\n'
usage+='    <Destfile> is the destination UNF file to be created.\n'
usage+='    <NumBytes> is the number of bytes to copy per record.\n'
usage+='    <HeaderSize> is the number of bytes to skip at the beginning.\n'

# settings HEADER NUMBYTES: the two lines every run past the usage check prints.
settings() { printf 'Skipping %s Bytes of Header.\\r\\nExtracting %s Bytes Per Record.\\r\\n' "$1" "$2"; }
lines() { printf 'Completed.  Copied %s Lines.\\r\\n' "$1"; }
read_error='Error reading data file.\r\n'
header_error='Error reading data file header.\r\n'
limit='Error: Maximum record size currently 57000 bytes.\n'
too_small='Error: Minimum record size is 1 byte.\n'
same='Destination File <out.unf> is the source file.\r\n'
write_error='Error writing destination file.\r\n'

# glyphs N: the escapes of the spinner's first N steps.
glyphs() {
    local i
    for ((i = 0; i < $1; i++)); do
        case $((i % 4)) in
        0) printf -- '-\\b' ;;
        1) printf '\\\\\\b' ;;
        2) printf '|\\b' ;;
        3) printf '/\\b' ;;
        esac
    done
}

# frames FILE NUMBYTES HEADER COUNT: the first COUNT records of FILE after
# its header, framed as "<NUMBYTES>,<bytes>\r\n".
frames() {
    local i
    for ((i = 0; i < $4; i++)); do
        printf '%d,' "$2"
        dd if="$1" iflag=skip_bytes,count_bytes skip=$(($3 + i * $2)) count="$2" status=none
        printf '\r\n'
    done
}

# wait_for COMMAND...: polls COMMAND for up to ten seconds.
wait_for() {
    local i
    for ((i = 0; i < 200; i++)); do
        "$@" && return 0
        sleep 0.05
    done
    echo "    gave up waiting for: $*"
    return 1
}

# with_default_interrupts: the tool runs with SIGINT, SIGTERM and SIGHUP at
# their defaults, as an interactive shell leaves them (a script's
# background jobs ignore SIGINT), and writes its pid to .pid for a case to
# signal it.
with_default_interrupts() {
    wrap=(perl -e '$SIG{$_} = "DEFAULT" for qw(INT TERM HUP);
                   open my $f, ">", ".pid" or die; print $f $$; close $f; exec @ARGV')
}

# unf_of FILE NUMBYTES: all of FILE framed as whole records, then 0x1A;
# for sources too large for frames.
unf_of() {
    perl -e 'binmode STDIN; binmode STDOUT; $/ = \$ARGV[0];
             while (<STDIN>) { print "$ARGV[0],$_\r\n" } print "\032"' "$2" <"$1"
}

# Prints the tally; the table's exit status is whether every case passed.
finish() {
    echo "$passed passed, $failed failed, $skipped skipped"
    [ $failed = 0 ]
}
