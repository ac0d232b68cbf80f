#!/bin/sh
# check_exports.sh <objdump> <plug-in dll> <PluginCallbacks.h>
# The export table must hold exactly the callback names listed in the interface header, without
# decoration, and the library may import system DLLs only.
set -u
objdump=$1 dll=$2 header=$3
tmp=$(mktemp -d) || exit 1
trap 'rm -rf "$tmp"' EXIT

sed -n 's/^ *X(\(BKC_[A-Za-z]*\),.*/\1/p' "$header" | sort >"$tmp/expected"
"$objdump" -p "$dll" >"$tmp/dump" || exit 1
sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' "$tmp/dump" |
    sed -n 's/^[[:space:]]*\[ *[0-9]*\] \(.*\)$/\1/p' | sort >"$tmp/actual"

status=0
if [ "$(wc -l <"$tmp/expected")" -ne 14 ]; then
    echo "expected 14 callback names in $header, found $(wc -l <"$tmp/expected")"
    status=1
fi
if ! diff -u "$tmp/expected" "$tmp/actual"; then
    echo "export table differs from the interface (- missing, + unexpected)"
    status=1
fi

allowed='^(kernel32|user32|gdi32|msvcrt|ws2_32|wsock32|comctl32|comdlg32|shell32|shlwapi|advapi32|ole32|oleaut32|secur32|crypt32)\.dll$'
sed -n 's/^[[:space:]]*DLL Name: //p' "$tmp/dump" | tr 'A-Z' 'a-z' >"$tmp/imports"
if grep -Ev "$allowed" "$tmp/imports"; then
    echo "imports a library that is not part of the system (listed above)"
    status=1
fi
[ $status -eq 0 ] && echo "exports: $(tr '\n' ' ' <"$tmp/actual")" && echo "imports: $(tr '\n' ' ' <"$tmp/imports")"
exit $status
