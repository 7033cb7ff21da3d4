#!/usr/bin/env bash
# End-to-end cases: each runs the built tool in a fresh folder and compares
# its exit status, stdout, stderr and destination with bytes written out by
# hand from the UNF format.
#
# usage: e2e.sh [--windows] TOOL [RUNNER...]
#   --windows   the tool is a Windows build: its console streams are text
#               streams, so each "\n" reaches a redirected stdout or stderr
#               as "\r\n" (and "\r\n" as "\r\r\n"). Cases that need POSIX
#               devices or pipes are skipped.
#   TOOL        the recslice binary; RUNNER, if given, runs it (wine).
set -u

windows=0
if [ "${1:-}" = --windows ]; then
    windows=1
    shift
fi
tool=$(realpath "$1")
shift
runner=("$@")
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
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

# Prints where two files part, as hex.
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
#           exist, or @FILE to compare with FILE, made by SETUP
#   SETUP   shell run in the case's folder before the tool; its stdin is
#           what the tool reads as standard input
# Every case also checks that in.bin is left as it was.
t() {
    local name=$1 status=$2 args=$3 source=$4 out=$5 err=$6 dest=$7 setup=${8:-}
    local dir="$work/$name"
    mkdir -p "$dir" && cd "$dir" || exit 2
    [ "$source" = - ] || printf '%b' "$source" >in.bin
    [ -e in.bin ] && cp in.bin .source.orig
    : >.feed
    [ -z "$setup" ] || eval "$setup" || { echo "FAIL $name: setup failed"; failed=$((failed + 1)); return; }
    local argv
    eval "argv=($args)"
    "${runner[@]}" "$tool" "${argv[@]}" >.stdout 2>.stderr < <(cat .feed)
    local got=$?
    local bad=()
    [ "$got" = "$status" ] || bad+=("exit status $got, expected $status")
    expect .want_out "$out" console
    cmp -s .want_out .stdout || bad+=(stdout)
    expect .want_err "$err" console
    cmp -s .want_err .stderr || bad+=(stderr)
    case $dest in
    -) [ ! -e out.unf ] || bad+=("out.unf exists") ;;
    @*) cmp -s "${dest#@}" out.unf || bad+=(out.unf) ;;
    *)
        expect .want_dest "$dest" binary
        cmp -s .want_dest out.unf || bad+=(out.unf)
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
        out.unf) [ "${dest:0:1}" = @ ] && show_diff out.unf "${dest#@}" out.unf ||
            show_diff out.unf .want_dest out.unf ;;
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

# --- the command line
t no_arguments 1 '' 'abc' '' "$usage" -
t three_arguments 1 'in.bin out.unf 3' 'abc' '' "$usage" -
t five_arguments 1 'in.bin out.unf 3 0 extra' 'abc' '' "$usage" -
t limit_accepted 0 'in.bin out.unf 57000 0' '' "$(lines 0)" "$(settings 0 57000)" '\032'
t limit_refused 1 'in.bin out.unf 57001 0' 'abc' '' "$(settings 0 57001)$limit" -
t numbytes_clamped 1 'in.bin out.unf 4294967396 0' 'abc' '' "$(settings 0 2147483647)$limit" -
t numbytes_zero 1 'in.bin out.unf 0 0' 'abc' '' "$(settings 0 0)$too_small" -
t numbytes_negative 1 'in.bin out.unf -3 2' 'abc' '' "$(settings 2 -3)$too_small" -
t numbytes_letters 1 'in.bin out.unf x 2' 'abc' '' "$(settings 2 0)$too_small" -
t header_letters 0 'in.bin out.unf 3 abc' 'abc' "$(lines 1)" "$(settings 0 3)-\b" '3,abc\r\n\032'
t header_trailing_text 0 'in.bin out.unf 3 12xyz' '0123456789ABabc' "$(lines 1)" "$(settings 12 3)-\b" '3,abc\r\n\032'
t header_below_range 0 'in.bin out.unf 3 -99999999999' 'abc' "$(lines 1)" "$(settings -2147483648 3)-\b" '3,abc\r\n\032'
t header_marker 0 'in.bin out.unf 3 /d' 'abc' "$(lines 1)" "[Full Debugger Enabled]\n$(settings 0 3)-\b" '3,abc\r\n\032'
t markers_keep_their_places 1 '/D -d 1 -D' '-' '' \
    "[Full Debugger Enabled]\n[Full Debugger Enabled]\n[Full Debugger Enabled]\n$(settings 0 1)Unable to open source file </D>.\r\n" -
t marker_lookalikes 1 'in.bin out.unf /dd -x' 'abc' '' "$(settings 0 0)$too_small" -
t missing_source 1 'missing.bin out.unf 3 0' '-' '' "$(settings 0 3)Unable to open source file <missing.bin>.\r\n" -
t destination_folder_missing 1 'in.bin no/such/out.unf 3 0' 'abc' '' \
    "$(settings 0 3)Unable to open Destination File <no/such/out.unf>.\r\n" -

# --- the conversion
t fifteen_byte_example 0 'in.bin out.unf 3 0' 'abcdef' "$(lines 2)" "$(settings 0 3)-\b\\\\\b" '3,abc\r\n3,def\r\n\032'
t empty_source 0 'in.bin out.unf 3 0' '' "$(lines 0)" "$(settings 0 3)" '\032'
t only_header 0 'in.bin out.unf 3 4' 'HEAD' "$(lines 0)" "$(settings 4 3)" '\032'
t header_then_records 0 'in.bin out.unf 2 4' 'HEADabcd' "$(lines 2)" "$(settings 4 2)-\b\\\\\b" '2,ab\r\n2,cd\r\n\032'
t one_byte_past_boundary 1 'in.bin out.unf 3 0' 'abcdefg' '' "$(settings 0 3)-\b\\\\\b|\b$read_error" '3,abc\r\n3,def\r\n'
t record_cut_short 1 'in.bin out.unf 4 1' 'Habcdefg' '' "$(settings 1 4)-\b\\\\\b$read_error" '4,abcd\r\n'
t header_longer_than_source 1 'in.bin out.unf 3 5' 'abc' '' "$(settings 5 3)$header_error" ''
t frame_bytes_inside_records 0 'in.bin out.unf 1 0' '\r\n\032,' "$(lines 4)" "$(settings 0 1)-\b\\\\\b|\b/\b" \
    '1,\r\r\n1,\n\r\n1,\032\r\n1,,\r\n\032'
t glyphs_cycle 0 'in.bin out.unf 1 0' '\000\377abc' "$(lines 5)" "$(settings 0 1)-\b\\\\\b|\b/\b-\b" \
    '1,\000\r\n1,\377\r\n1,a\r\n1,b\r\n1,c\r\n\032'
t existing_destination_replaced 0 'in.bin out.unf 3 0' 'abc' "$(lines 1)" "$(settings 0 3)-\b" '3,abc\r\n\032' \
    'printf "an older and much longer file" >out.unf'
t max_record 0 'in.bin out.unf 57000 3' - "$(lines 2)" "$(settings 3 57000)-\b\\\\\b" @want.unf \
    'printf HDR >in.bin; head -c 114000 /dev/urandom >>in.bin; cp in.bin .source.orig
     { printf 57000,; tail -c +4 in.bin | head -c 57000; printf "\r\n57000,"; tail -c 57000 in.bin; printf "\r\n\032"; } >want.unf'
t shipped_sample 0 "$here/../examples/sample.bin out.unf 100 16" - "$(lines 3)" "$(settings 16 100)-\b\\\\\b|\b" \
    "@$here/../examples/sample.unf"
t_posix source_is_a_folder 1 '. out.unf 3 0' - '' "$(settings 0 3)$read_error" ''
t_posix pipe_source 0 '/dev/stdin out.unf 2 1' - "$(lines 2)" "$(settings 1 2)-\b\\\\\b" '2,ab\r\n2,cd\r\n\032' \
    'printf Habcd >.feed'
t_posix devices_in_and_out 0 '/dev/null /dev/null 1 0' - "$(lines 0)" "$(settings 0 1)" -

# --- the destination is the source: refused before anything is truncated
t same_name 1 'in.bin in.bin 1 0' 'abc' '' "$(settings 0 1)Destination File <in.bin> is the source file.\r\n" -
t same_file_other_spelling 1 'in.bin ./in.bin 1 0' 'abc' '' "$(settings 0 1)Destination File <./in.bin> is the source file.\r\n" -
t_posix same_file_hard_link 1 'in.bin out.unf 1 0' 'abc' '' "$(settings 0 1)$same" abc 'ln in.bin out.unf'
t_posix same_file_symlink 1 'in.bin out.unf 1 0' 'abc' '' "$(settings 0 1)$same" abc 'ln -s in.bin out.unf'
t_posix same_file_symlinked_source 1 'link.bin out.unf 1 0' 'abc' '' \
    "$(settings 0 1)Destination File <out.unf> is the source file.\r\n" abc 'ln -s in.bin link.bin; ln in.bin out.unf'

echo "$passed passed, $failed failed, $skipped skipped"
[ $failed = 0 ]
