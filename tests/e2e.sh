#!/usr/bin/env bash
# End-to-end cases: the command line, every message and the conversion.
# usage: e2e.sh [--windows] TOOL [RUNNER...]  (see harness.sh)
source "$(dirname "$0")/harness.sh"

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
t same_file_hard_link 1 'in.bin out.unf 1 0' 'abc' '' "$(settings 0 1)$same" abc 'ln in.bin out.unf'
t same_file_symlink 1 'in.bin out.unf 1 0' 'abc' '' "$(settings 0 1)$same" abc 'ln -s in.bin out.unf'
t same_file_symlinked_source 1 'link.bin out.unf 1 0' 'abc' '' \
    "$(settings 0 1)Destination File <out.unf> is the source file.\r\n" abc 'ln -s in.bin link.bin; ln in.bin out.unf'

# --- the destination is where the console text goes: refused, nothing cut
t dest_is_stdout 1 'in.bin .stdout 3 0' 'abc' '' "$(settings 0 3)Destination File <.stdout> is standard output.\r\n" -
t dest_is_stderr 1 'in.bin .stderr 3 0' 'abc' '' "$(settings 0 3)Destination File <.stderr> is standard error.\r\n" -
t dest_is_appended_log 1 'in.bin out.unf 3 0' 'abc' '' \
    "$(settings 0 3)Destination File <out.unf> is standard output.\r\n" 'a log to keep\n' \
    'printf "a log to keep\n" >out.unf; wrap=(bash -c "exec \"\$@\" >>out.unf" log)'
t_posix dest_is_stdout_pipe 1 'in.bin /dev/stdout 3 0' 'abc' '' \
    "$(settings 0 3)Destination File </dev/stdout> is standard output.\r\n" - \
    'wrap=(bash -o pipefail -c "\"\$@\" | cat" pipe)'
t_posix dest_is_dev_stderr 1 'in.bin /dev/stderr 3 0' 'abc' '' \
    "$(settings 0 3)Destination File </dev/stderr> is standard error.\r\n" -
# The null device as stdout and destination at once is no conflict.
t_posix null_device_as_stdout_and_dest 0 'in.bin /dev/null 3 0' 'abc' '' "$(settings 0 3)-\b" - \
    'wrap=(bash -c "exec \"\$@\" >/dev/null" null)'
# The UNF on a pipe goes through another descriptor, as the README shows.
t_posix dest_on_another_descriptor 0 'in.bin /dev/fd/3 3 0' 'abcdef' '3,abc\r\n3,def\r\n\032' \
    "$(settings 0 3)-\b\\\\\b" - 'wrap=(bash -c "exec \"\$@\" 3>&1 >/dev/null" fd3)'

# --- a closed stdin is a missing source, not an empty one
t_posix closed_stdin_source 1 '/dev/stdin out.unf 3 0' - '' "$(settings 0 3)Unable to open source file </dev/stdin>.\r\n" - \
    'wrap=(bash -c "exec \"\$@\" <&-" closer)'

# --- names outside ASCII: bytes on POSIX; on Windows UTF-8, which the
# manifest makes the process's code page. Accents, CJK and an emoji, which
# is a surrogate pair in UTF-16.
src_u='données-日本-😀.bin' dst_u='sortie-日本-😀.unf' link_u='lien-日本-😀.unf'
# unicode_source: in.bin under the name $src_u, which the case checks is unchanged.
unicode_source() {
    cp in.bin "$src_u"
    after='cmp -s in.bin "$src_u" || bad+=("$src_u changed")'
}
t unicode_names 0 "$src_u $dst_u 3 0" 'abcdef' "$(lines 2)" "$(settings 0 3)-\b\\\\\b" '3,abc\r\n3,def\r\n\032' \
    'unicode_source; after+="; mv \"\$dst_u\" out.unf"'
t unicode_missing_source 1 'manquant-日本.bin out.unf 3 0' - '' \
    "$(settings 0 3)Unable to open source file <manquant-日本.bin>.\r\n" -
t unicode_hard_link 1 "$src_u $link_u 1 0" 'abc' '' "$(settings 0 1)Destination File <$link_u> is the source file.\r\n" - \
    'unicode_source; ln "$src_u" "$link_u"'

finish
