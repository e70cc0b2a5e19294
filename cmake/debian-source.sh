# SPDX-License-Identifier: GPL-2.0-or-later
# Fetching a Debian source package for the MinGW-w64 builds of its library
# (sourced by cmake/build-lzo2.sh, build-zlib.sh, build-utf8proc.sh, build-xz.sh
# and build-libarchive.sh).
# When apt knows no source package, a deb-src entry is added for the Debian
# archive entries apt already uses (as root only). apt-get update is the
# retried one of tools/deps.sh: an index of the mirror that fails (another
# architecture's, say) does not stop the fetch; apt-get source is the judge.

apt_update() {
    sh "$(dirname "$0")/../tools/deps.sh" --update
}

# The sources entries (file:number) of the Debian archive that apt uses.
debian_entries() {
    apt-get indextargets --format '$(SOURCESENTRY)' \
        'Origin: Debian' 'Label: Debian' 'Created-By: Packages' 2>/dev/null | sort -u
}

# Copies every Debian archive entry as a deb-src entry of the same mirror,
# suites, components and options, then refreshes apt's lists.
enable_deb_src() {
    if [ "$(id -u)" != 0 ]; then
        say "apt has no deb-src entry for $package. Add one for your Debian mirror and run"
        say "apt-get update (or run this as root, which does both)."
        exit 1
    fi
    entries=$(debian_entries)
    if [ -z "$entries" ]; then
        apt_update
        entries=$(debian_entries)
    fi
    if [ -z "$entries" ]; then
        say "apt is configured with no Debian archive; cannot add a deb-src entry"
        exit 1
    fi
    sources=/etc/apt/sources.list.d/msconv-deb-src.sources
    list=/etc/apt/sources.list.d/msconv-deb-src.list
    rm -f "$sources" "$list"
    for entry in $entries; do
        file=${entry%:*}
        number=${entry##*:}
        case $file in
        *.sources)
            # deb822: the number counts stanzas; the copy differs in its Types.
            awk -v n="$number" '
                function flush() {
                    if (real && ++count == n) printf "%s\n", text
                    text = ""; real = 0
                }
                /^[ \t]*$/ { flush(); next }
                {
                    line = $0
                    if (line !~ /^#/) real = 1
                    if (tolower(line) ~ /^types:/) line = "Types: deb-src"
                    text = text line "\n"
                }
                END { flush() }' "$file" >>"$sources"
            ;;
        *)
            # One-line form: the number is the line.
            sed -n "${number}p" "$file" |
                sed 's/^[[:space:]]*deb[[:space:]]/deb-src /' >>"$list"
            ;;
        esac
    done
    say "added a deb-src entry: $(cat "$sources" "$list" 2>/dev/null | grep -v '^#' | tr '\n' ' ')"
    apt_update
}

# Fetches Debian's source package PACKAGE into SOURCE_DIR, which then holds
# the unpacked tree; MARKER is a file every such tree has.
fetch_source() {  # fetch_source PACKAGE SOURCE_DIR MARKER
    package=$1
    if [ -z "$(apt-cache showsrc "$package" 2>/dev/null)" ]; then
        enable_deb_src
    fi
    download=$2.download
    rm -rf "$download"
    mkdir -p "$download"
    (cd "$download" && apt-get source "$package" >&2)
    unpacked=$(find "$download" -mindepth 1 -maxdepth 1 -type d -name "$package-*" | head -n 1)
    if [ -z "$unpacked" ] || [ ! -f "$unpacked/$3" ]; then
        say "apt-get source $package gave no source tree with $3"
        exit 1
    fi
    rm -rf "$2"
    mv "$unpacked" "$2"
    rm -rf "$download"
}

# The start every library build shares: its arguments HOST SOURCE_DIR PREFIX
# (in host, source_dir, prefix), `say` under the script's name, the source
# package fetched into SOURCE_DIR unless it holds MARKER already, and an
# empty build folder below PREFIX (in build) beside empty lib/ and include/.
start_build() {  # start_build PACKAGE MARKER "$@"
    if [ $# -ne 5 ]; then
        echo "usage: $0 HOST SOURCE_DIR PREFIX" >&2
        exit 2
    fi
    script=$(basename "$0" .sh)
    say() { echo "$script: $*" >&2; }
    host=$3
    source_dir=$4
    prefix=$5
    if [ ! -f "$source_dir/$2" ]; then
        fetch_source "$1" "$source_dir" "$2"
    fi
    build=$prefix/build
    rm -rf "$build" "$prefix/lib" "$prefix/include"
    mkdir -p "$build" "$prefix/lib" "$prefix/include"
}
