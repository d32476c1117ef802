#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a test program inside a new network namespace, where no interface is up
# (not even loopback). Exits 77, CTest's skip, where such a namespace cannot be
# made (no user namespaces, no unshare).
command -v unshare >/dev/null 2>&1 || exit 77
unshare -rn true 2>/dev/null || exit 77
exec unshare -rn "$@"
