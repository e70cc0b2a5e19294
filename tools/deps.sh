#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-or-later
# Installs the Debian packages that one build step needs, as root; otherwise
# prints the apt-get lines to run.
#
#   tools/deps.sh [--step NAME] PACKAGE...
#   tools/deps.sh --update
#
# A package counts as installed in the machine's own architecture (or "all")
# unless it is named PACKAGE:ARCH; dpkg -s cannot tell once a package is there
# for two architectures. PACKAGE:ARCH of a foreign architecture adds that
# architecture to dpkg first.
#
# A mirror that is being synchronised can fail one index all day (the i386
# index of the security suite, say) while every package a step needs can be
# had. So apt-get update is tried three times and then the install goes on:
# apt-get install is the judge of whether the packages can be had.
#
# The packages of the machine's own architecture must install: anything else
# exits with status 1. With --step, packages of a foreign architecture that
# cannot be installed only cost the step NAME: one loud line names them and
# apt's reason, the line is appended to the file MSCONV_SKIP_LOG names (when
# set), and the status is 3, on which the caller skips that step.
#
# --update runs only the retried apt-get update (for the source fetch of the
# Windows builds).
set -u

say() { echo "deps: $*" >&2; }

# apt-get update, up to three times; then the indexes that failed are named
# and the caller goes on.
apt_update() {
    log=$(mktemp)
    for delay in 10 30 0; do
        if apt-get update >"$log" 2>&1; then
            rm -f "$log"
            return 0
        fi
        [ "$delay" = 0 ] || { say "apt-get update failed; again in $delay s"; sleep "$delay"; }
    done
    say "apt-get update failed three times; going on with the package lists apt has. It said:"
    grep -E '^(E|W|Err):' "$log" | sed 's/^/deps:   /' >&2
    rm -f "$log"
    return 0
}

if [ "${1-}" = --update ]; then
    apt_update
    exit 0
fi

step=""
if [ "${1-}" = --step ]; then
    step=$2
    shift 2
fi

native=$(dpkg --print-architecture)
missing_native=""
missing_foreign=""
for p in "$@"; do
    case $p in
    *:*) want=${p#*:} ;;
    *) want="$native|all" ;;
    esac
    if dpkg-query -W -f='${db:Status-Abbrev}${Architecture}\n' "$p" 2>/dev/null |
        grep -Eqx "ii ($want)"; then
        continue
    fi
    if [ "${p#*:}" != "$p" ] && [ "${p#*:}" != "$native" ]; then
        missing_foreign="$missing_foreign $p"
    else
        missing_native="$missing_native $p"
    fi
done
[ -n "$missing_native$missing_foreign" ] || exit 0

# The foreign architectures the missing packages need and dpkg lacks.
add_arches=""
for p in $missing_foreign; do
    arch=${p#*:}
    dpkg --print-foreign-architectures | grep -qx "$arch" && continue
    case " $add_arches " in *" $arch "*) ;; *) add_arches="$add_arches $arch" ;; esac
done

if [ "$(id -u)" != 0 ]; then
    echo "Missing packages. Run:"
    for arch in $add_arches; do echo "  sudo dpkg --add-architecture $arch"; done
    echo "  sudo apt-get update"
    echo "  sudo apt-get install -y$missing_native$missing_foreign"
    exit 1
fi

for arch in $add_arches; do
    echo "Adding the $arch architecture"
    dpkg --add-architecture "$arch"
done
apt_update

# install PACKAGE...: apt-get install, its output shown; apt's error lines
# are kept in apt_errors.
install() {
    log=$(mktemp)
    { DEBIAN_FRONTEND=noninteractive apt-get install -y "$@" 2>&1; echo "(apt-get install exited with $?)"; } | tee "$log"
    apt_errors=$(grep '^E:' "$log" | sed 's/^E: //' | tr '\n' ' ')
    ok=$(grep -c "^(apt-get install exited with 0)$" "$log")
    rm -f "$log"
    [ "$ok" = 1 ]
}

if [ -n "$missing_native" ]; then
    echo "Installing:$missing_native"
    if ! install $missing_native; then
        say "cannot install$missing_native: $apt_errors"
        exit 1
    fi
fi
if [ -n "$missing_foreign" ]; then
    echo "Installing:$missing_foreign"
    if ! install $missing_foreign; then
        if [ -z "$step" ]; then
            say "cannot install$missing_foreign: $apt_errors"
            exit 1
        fi
        line="SKIPPED: $step: cannot install$missing_foreign: $apt_errors"
        echo "********************************************************************" >&2
        echo "$line" >&2
        echo "********************************************************************" >&2
        [ -z "${MSCONV_SKIP_LOG-}" ] || echo "$line" >>"$MSCONV_SKIP_LOG"
        exit 3
    fi
fi
exit 0
