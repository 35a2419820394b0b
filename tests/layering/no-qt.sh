#!/bin/sh
# Fails when a core library or the serial component links Qt, or when a program built only on
# them needs a Qt library.
# Usage: no-qt.sh LINKS_FILE PROGRAM...
#   LINKS_FILE: one line per library, "<library>: <everything it links, all the way down>"
links=$1
shift
status=0
if grep -i 'qt' "$links" >&2; then
    echo "^ these libraries link Qt" >&2
    status=1
fi
for program in "$@"; do
    qt=$(readelf -d "$program" | sed -n 's/.*Shared library: \[\(libQt[^]]*\)\].*/\1/p')
    if [ -n "$qt" ]; then
        echo "$(basename "$program") needs $(echo $qt | tr ' ' ',')" >&2
        status=1
    fi
done
[ $status -eq 0 ] && echo "$(wc -l < "$links") libraries and $# programs without Qt"
exit $status
