#!/usr/bin/env bash
# The manuals render without a warning, carry the project's version and
# have the sections a reader looks for.
# usage: man_pages.sh VERSION PAGE...   (exit 77: skipped, groff is missing)
set -u
version=$1
shift
if ! command -v groff >/dev/null; then
    echo "skipped: groff is missing"
    exit 77
fi
failed=0
for page in "$@"; do
    name=$(basename "$page")
    warnings=$(groff -man -ww -z "$page" 2>&1)
    [ -z "$warnings" ] || { echo "FAIL $name: groff warns:"; echo "$warnings"; failed=1; }
    grep -q "^\.TH .* \"[a-z]* $version\"" "$page" || { echo "FAIL $name: no version $version in .TH"; failed=1; }
    for section in NAME SYNOPSIS DESCRIPTION '"EXIT STATUS"' DIAGNOSTICS EXAMPLES; do
        grep -q "^\.SH $section" "$page" || { echo "FAIL $name: no section $section"; failed=1; }
    done
    [ $failed = 1 ] || echo "passed: $name"
done
exit $failed
