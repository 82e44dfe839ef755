#!/bin/bash
# Publishes installation disks as a download set: one ISO image per disk folder, the package list
# (MD5 lines, and sha256 lines with the sizes), its minisign signature, a zsync control file per
# image, and the sites list for the editions the disks serve; prints the DNS TXT value of the
# product domain. The set is built beside the output folder and takes its place only at the end.
set -euo pipefail

usage() {
    cat <<'USAGE'
usage: publish.sh --out DIR --base-url URL [--key MINISIGN-SECRET-KEY] [--serial N]
                  [--valid-days D] [--limit FILE] DISK-FOLDER...

  --out DIR         the set's folder; a set already there is replaced only when the new one
                    is complete
  --base-url URL    the address under which DIR's files will be served (http:// or https://)
  --key FILE        minisign secret key: sign packages.txt (packages.txt.minisig); a key with a
                    password asks for it as minisign does
  --serial N        the signature's serial (default: one more than the serial of the signature
                    in DIR, 1 when there is none)
  --valid-days D    the list expires D days from today, UTC (default 60)
  --limit FILE      a limitation file, copied into the set and named in the sites list

Disk n is the n-th DISK-FOLDER; its root must hold a marker file "zeficz*" holding ZEFICZ<n>
(Czech edition) and/or "zefisk*" holding ZEFISK<n> (Slovak edition). Disk 1 carries the install
scripts "cd.cfg" and "cds.cfg", which zefisetup-check checks first ($ZEFISETUP_BUILD_DIR or
build/zefisetup-check, built when missing). SOURCE_DATE_EPOCH, when set, dates the volumes;
otherwise each volume carries the time of its folder's newest entry, so that the same folder
always gives the same image.
USAGE
}

die() {
    echo "publish.sh: $*" >&2
    exit 1
}

note() {
    echo "publish.sh: $*" >&2
}

repo=$(cd "$(dirname "$0")/.." && pwd)
out="" base_url="" key="" serial="" valid_days=60 limit=""
disks=()
while (($#)); do
    case "$1" in
        --out | --base-url | --key | --serial | --valid-days | --limit)
            (($# >= 2)) || { usage >&2; exit 2; }
            case "$1" in
                --out) out=$2 ;;
                --base-url) base_url=$2 ;;
                --key) key=$2 ;;
                --serial) serial=$2 ;;
                --valid-days) valid_days=$2 ;;
                --limit) limit=$2 ;;
            esac
            shift 2
            ;;
        -h | --help) usage; exit 0 ;;
        --) shift; disks+=("$@"); break ;;
        -*) echo "publish.sh: unknown option $1" >&2; usage >&2; exit 2 ;;
        *) disks+=("$1"); shift ;;
    esac
done
if [ -z "$out" ] || [ -z "$base_url" ] || ((${#disks[@]} == 0)); then
    usage >&2
    exit 2
fi

# ---- Arguments -------------------------------------------------------------------------------

# Every address lands in the sites list, whose tokens are blank-separated and at most 259
# characters long.
while [[ "$base_url" == */ ]]; do base_url=${base_url%/}; done
[[ "$base_url" =~ ^https?://[^[:space:]]+$ ]] ||
    die "--base-url must be an http:// or https:// address without blanks: $base_url"
[[ "$base_url" == https://* ]] ||
    note "warning: $base_url is not https; clients use an address from DNS only when it is" \
        "https, so this set is reachable with -m only"
if [ -n "$key" ]; then
    [ -r "$key" ] || die "cannot read the secret key $key"
    [[ "$valid_days" =~ ^[1-9][0-9]{0,4}$ ]] || die "--valid-days must be a whole number of days from 1"
    [ -z "$serial" ] || [[ "$serial" =~ ^[1-9][0-9]{0,17}$ ]] ||
        die "--serial must be a whole number from 1 (at most 18 digits)"
else
    [ -z "$serial" ] || die "--serial needs --key (only a signed list has a serial)"
    [ ! -f "$out/packages.txt.minisig" ] ||
        note "warning: $out holds a signed set; this one is not signed, and clients with" \
            "PublisherKeys configured will refuse it"
fi
if [ -n "$limit" ]; then
    [ -f "$limit" ] || die "cannot read the limitation file $limit"
    [ -r "$limit" ] || die "cannot read the limitation file $limit"
    limit_name=$(basename -- "$limit")
    [[ "$limit_name" =~ ^[A-Za-z0-9._-]+$ ]] ||
        die "the limitation file's name must be letters, digits, '.', '_' or '-': $limit_name"
fi

for tool in xorriso:xorriso zsyncmake:zsync md5sum:coreutils sha256sum:coreutils base64:coreutils; do
    command -v "${tool%%:*}" >/dev/null ||
        die "${tool%%:*} is missing (Debian package ${tool#*:}; scripts/deps.sh installs it)"
done
[ -z "$key" ] || command -v minisign >/dev/null ||
    die "minisign is missing (Debian package minisign; scripts/deps.sh installs it)"

# The set must neither lie inside a disk folder (its temporary folder would end up in the image)
# nor hold one (replacing the set would delete the disk).
out_abs=$(realpath -m -- "$out")
disks_abs=()
for disk in "${disks[@]}"; do
    [ -d "$disk" ] || die "no such disk folder: $disk"
    disk_abs=$(realpath -- "$disk")
    disks_abs+=("$disk_abs")
    case "$out_abs/" in "$disk_abs"/*) die "--out $out lies inside the disk folder $disk" ;; esac
    case "$disk_abs/" in "$out_abs"/*) die "the disk folder $disk lies inside --out $out" ;; esac
done
if [ -e "$out" ] || [ -L "$out" ]; then
    [ -d "$out" ] || die "--out $out exists and is not a folder"
    # Only a set replaces a set: a folder with other files in it is left alone.
    if [ -n "$(ls -A -- "$out")" ] && ! [ -f "$out/packages.txt" ]; then
        die "--out $out is not empty and holds no published set (packages.txt); not replacing it"
    fi
fi

# ---- The install scripts, checked with the installer's own reader -------------------------------

build=${ZEFISETUP_BUILD_DIR:-$repo/build}
check=$build/zefisetup-check
if ! [ -x "$check" ]; then
    note "building zefisetup-check in $build"
    [ -f "$build/CMakeCache.txt" ] ||
        cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
    cmake --build "$build" --target zefisetup-check >&2
fi
for script in cd.cfg cds.cfg; do
    [ -f "${disks[0]}/$script" ] || die "disk 1 (${disks[0]}) has no install script $script"
done
# The checker runs on a throwaway emulated machine, so that the publisher's own is not touched.
check_prefix=$(mktemp -d)
check_status=0
findings=$(ZEFISETUP_PREFIX=$check_prefix "$check" "${disks[@]}" </dev/null 2>&1) || check_status=$?
rm -rf "$check_prefix"
if ((check_status)); then
    [ -z "$findings" ] || printf '%s\n' "$findings" >&2
    die "zefisetup-check found faults in the install scripts (status $check_status); nothing published"
fi

# ---- Markers: which edition each disk serves ----------------------------------------------------

# Prints the disk number that the marker files of an edition in a disk's root name, as the
# installer reads them (the first 259 bytes, trimmed, upper-cased; the number after the marker,
# as atoi reads it); nothing when no such file holds the marker. Two files naming different
# numbers are a fault.
marker_number() {
    local disk=$1 edition=$2 file text number found=""
    while IFS= read -r -d '' file; do
        text=$(head -c 259 -- "$file" | tr -d '\0')
        ((${#text} >= 7)) || continue
        text=${text^^}
        [[ "$text" == *ZEFI$edition* ]] || continue
        text=${text#*ZEFI"$edition"}
        number=0
        [[ "$text" =~ ^[[:space:]]*\+?([0-9]{1,9}) ]] && number=$((10#${BASH_REMATCH[1]}))
        if [ -n "$found" ] && [ "$found" != "$number" ]; then
            die "$disk: its zefi${edition,,}* marker files name different disks ($found, $number)"
        fi
        found=$number
    done < <(find "$disk" -mindepth 1 -maxdepth 1 -type f -iname "zefi${edition,,}*" -print0 | sort -z)
    printf '%s' "$found"
}

czech=1 slovak=1
for i in "${!disks[@]}"; do
    n=$((i + 1)) disk=${disks[$i]}
    cz=$(marker_number "${disks_abs[$i]}" CZ)
    sk=$(marker_number "${disks_abs[$i]}" SK)
    [ -n "$cz$sk" ] ||
        die "disk $n ($disk) has no marker file: put in its root a file named zeficz<anything>" \
            "holding the text ZEFICZ$n (Czech edition) and/or one named zefisk<anything> holding" \
            "ZEFISK$n (Slovak edition)"
    [ -z "$cz" ] || [ "$cz" = "$n" ] ||
        die "disk $n ($disk): its Czech marker names disk $cz (disks are numbered in the order given)"
    [ -z "$sk" ] || [ "$sk" = "$n" ] ||
        die "disk $n ($disk): its Slovak marker names disk $sk (disks are numbered in the order given)"
    [ -n "$cz" ] || czech=0
    [ -n "$sk" ] || slovak=0
done
((czech || slovak)) ||
    die "no edition has a marker on every disk: give each disk the zeficz* marker, or each the zefisk* one"
((czech)) || note "the set is for the Slovak edition only (not every disk has a zeficz* marker)"
((slovak)) || note "the set is for the Czech edition only (not every disk has a zefisk* marker)"

images=()
for i in "${!disks[@]}"; do images+=("zefi$((i + 1)).iso"); done

if [ -n "$limit" ]; then
    case " sites.txt packages.txt packages.txt.minisig ${images[*]} ${images[*]/%/.zsync} " in
        *" $limit_name "*) die "the limitation file may not be named $limit_name (a file of the set)" ;;
    esac
    # A last line without a line end is never read by the installer.
    [ ! -s "$limit" ] || [ -z "$(tail -c 1 -- "$limit" | tr -d '\r\n')" ] ||
        die "the limitation file's last line has no line end (the installer would ignore it)"
    while read -r line; do
        name=${line##*[[:blank:]]}
        [ -z "$name" ] || case " ${images[*]} " in
            *" $name "*) ;;
            *) note "warning: the limitation file names $name, which is no image of this set" ;;
        esac
    done < <(tr -d '\r' <"$limit")
fi

# ---- The serial of the signature ----------------------------------------------------------------

# The serial of the signature already in DIR, empty when there is none.
current_serial=""
if [ -f "$out/packages.txt.minisig" ]; then
    current_serial=$(sed -n 's/^trusted comment: //p' "$out/packages.txt.minisig" | tr -d '\r' |
        grep -oE '(^|[[:blank:]])serial=[0-9]{1,18}([[:blank:]]|$)' | head -n 1 | tr -dc '0-9' || true)
fi
if [ -n "$key" ]; then
    if [ -z "$serial" ]; then
        serial=$((${current_serial:-0} + 1))
    elif [ -n "$current_serial" ] && ((serial < current_serial)); then
        die "--serial $serial is lower than the published serial $current_serial: clients that" \
            "saw $current_serial would refuse the list"
    fi
    expires=$(date -u -d "+$valid_days days" +%F)
fi

# ---- The set, built in a folder beside DIR ------------------------------------------------------

parent=$(dirname -- "$out_abs")
mkdir -p -- "$parent"
work=$(mktemp -d "$parent/.$(basename -- "$out_abs").publish.XXXXXX")
old=""
cleanup() {
    # Whatever happened, no half-written set stays, and the old set stays where it was.
    if [ -n "$old" ] && [ -d "$old" ] && ! [ -e "$out_abs" ]; then mv -- "$old" "$out_abs"; fi
    [ -z "$old" ] || rm -rf -- "$old"
    rm -rf -- "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

newest=0
for i in "${!disks[@]}"; do
    n=$((i + 1)) disk=${disks_abs[$i]} image=${images[$i]}
    # The volume's dates (and its UUID) come from SOURCE_DATE_EPOCH, else from the folder's
    # newest entry. The files keep their own modification times: the installer's "only newer
    # files" copy compares them.
    epoch=${SOURCE_DATE_EPOCH:-$(find "$disk" -printf '%T@\n' | sort -n | tail -n 1 | cut -d. -f1)}
    [[ "$epoch" =~ ^[0-9]+$ ]] || die "SOURCE_DATE_EPOCH must be seconds since 1970: $epoch"
    ((epoch <= newest)) || newest=$epoch
    label=$(printf 'RIDEZEZ%02d' "$n")
    note "disk $n: ${disks[$i]} -> $image (volume $label)"
    # Owner and group are fixed so the image does not depend on who publishes it; the order of
    # the files is the one ISO 9660 prescribes (sorted names).
    if ! log=$(SOURCE_DATE_EPOCH=$epoch xorriso -as mkisofs -quiet -J -R -uid 0 -gid 0 \
        -V "$label" -o "$work/$image" "$disk" 2>&1); then
        printf '%s\n' "$log" >&2
        die "xorriso could not make $image from ${disks[$i]}"
    fi
    grep -E 'WARNING|SORRY|FAILURE' <<<"$log" >&2 || true
    touch -d "@$epoch" "$work/$image"
done

(
    cd "$work"
    # The MD5 lines as the installer reads them, then the SHA-256 digest and size of each image.
    for image in "${images[@]}"; do
        printf '%s %s\r\n' "$(md5sum <"$image" | cut -d' ' -f1)" "$image"
    done
    for image in "${images[@]}"; do
        printf 'sha256 %s %s %s\r\n' "$(sha256sum <"$image" | cut -d' ' -f1)" \
            "$(stat -c %s "$image")" "$image"
    done
) >"$work/packages.txt"

if [ -n "$key" ]; then
    note "signing packages.txt: serial=$serial expires=$expires"
    minisign -S -s "$key" -m "$work/packages.txt" -t "serial=$serial expires=$expires" >&2 ||
        die "minisign could not sign the package list"
fi

for image in "${images[@]}"; do
    (cd "$work" && LC_ALL=C zsyncmake -b 2048 -u "$image" -o "$image.zsync" "$image") >&2 ||
        die "zsyncmake could not make $image.zsync"
done

suffix=""
if [ -n "$limit" ]; then
    cp -- "$limit" "$work/$limit_name"
    suffix=" $base_url/$limit_name"
fi
for url in "$base_url/packages.txt" ${limit:+"$base_url/$limit_name"}; do
    ((${#url} <= 259)) || die "the address $url is longer than the 259 characters a client reads"
done
# Czech clients take the first line tagged cz or sk, Slovak ones the first tagged sk.
{
    if ((czech)); then printf 'cz %s/packages.txt%s\r\n' "$base_url" "$suffix"; fi
    if ((slovak)); then printf 'sk %s/packages.txt%s\r\n' "$base_url" "$suffix"; fi
} >"$work/sites.txt"
find "$work" -maxdepth 1 -type f ! -name '*.iso' -exec touch -d "@$newest" {} +
chmod 755 "$work"
chmod 644 "$work"/*

# ---- Into place ----------------------------------------------------------------------------------

if [ -e "$out_abs" ]; then
    old=$(mktemp -d "$parent/.$(basename -- "$out_abs").old.XXXXXX")
    mv -T -- "$out_abs" "$old"
fi
mv -T -- "$work" "$out_abs"
rm -rf -- "$old"
old=""
trap - EXIT INT TERM HUP

sites_url=$base_url/sites.txt
txt="zefisetup=$(printf '%s' "$sites_url" | base64 -w 0)"
echo "Published ${#images[@]} disk(s) to $out_abs:"
(cd "$out_abs" && stat -c '  %n (%s bytes)' -- *)
if [ -n "$key" ]; then
    echo "Signed: serial=$serial expires=$expires"
else
    echo "Not signed (no --key): clients with PublisherKeys configured will refuse this list."
fi
echo "Sites list: $sites_url (editions:$( ((czech)) && printf ' cz')$( ((slovak)) && printf ' sk'))"
echo "DNS TXT record of the product domain:"
echo "$txt"
# One TXT string holds at most 255 characters; the installer reads each string on its own.
((${#txt} <= 255)) ||
    note "warning: the TXT value is ${#txt} characters, more than the 255 of one DNS string;" \
        "use a shorter --base-url (at most 183 characters with /sites.txt)"
