#!/bin/bash
# Checks that Windows executables import only DLLs that Windows itself ships:
#   windows-dlls.sh EXE...
set -euo pipefail
# Windows' own DLLs (lower case) that the program and its tests may import.
system_dlls=" kernel32.dll advapi32.dll user32.dll gdi32.dll shell32.dll ole32.dll oleaut32.dll
 comctl32.dll comdlg32.dll shlwapi.dll dnsapi.dll crypt32.dll bcrypt.dll secur32.dll ws2_32.dll
 iphlpapi.dll wldap32.dll normaliz.dll virtdisk.dll dbghelp.dll msvcrt.dll ntdll.dll rpcrt4.dll
 version.dll userenv.dll "
# One blank between names, also where the list above breaks its lines.
system_dlls=" $(echo $system_dlls) "
status=0
for exe in "$@"; do
    dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
    foreign=()
    for d in $dlls; do
        case "$system_dlls" in *" $d "*) ;; *) foreign+=("$d") ;; esac
    done
    if ((${#foreign[@]})); then
        echo "windows-dlls: $(basename "$exe") needs DLLs that Windows does not ship: ${foreign[*]}"
        status=1
    else
        echo "windows-dlls: $(basename "$exe") imports only Windows' own DLLs: $(echo $dlls)"
    fi
done
exit $status
