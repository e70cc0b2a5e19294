#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-or-later
# Compiles each locale named (e.g. ja_JP.UTF-8) that the system lacks, from
# the definitions of Debian's locales package; as root, or says what to run.
#
#   tools/make-locales.sh LOCALE...
set -eu
for name in "$@"; do
    normal=$(printf '%s' "$name" | sed 's/UTF-8$/utf8/')
    locale -a 2>/dev/null | grep -qx "$normal" && continue
    if [ "$(id -u)" != 0 ]; then
        echo "Missing locale $name. Run: sudo localedef -i ${name%%.*} -c -f UTF-8 $name"
        exit 1
    fi
    echo "Compiling the locale $name"
    localedef -i "${name%%.*}" -c -f UTF-8 "$name"
done
