#!/usr/bin/env bash
# Starts Debian's Firebird 3 server on 127.0.0.1:3050 for the tests that need a
# real server, with the SYSDBA password the program uses by default. It runs as
# root so that it can open the databases the tests make in private temporary folders.
set -euo pipefail

listening() { (exec 3<>/dev/tcp/127.0.0.1/3050) 2>/dev/null; }

if listening; then
    exit 0
fi
if [ ! -x /usr/sbin/fbguard ]; then
    echo "firebird3.0-server is not installed (run scripts/setup.sh)" >&2
    exit 1
fi

# The security database must be changed while no server holds it.
printf "create or alter user SYSDBA password 'M305X718' using plugin Srp;\ncommit;\n" \
    | isql-fb -q -user SYSDBA /var/lib/firebird/3.0/system/security3.fdb >/dev/null
mkdir -p /run/firebird3.0
/usr/sbin/fbguard -daemon -forever

for _ in $(seq 1 100); do
    if listening; then
        exit 0
    fi
    sleep 0.1
done
echo "Firebird server did not start listening on 127.0.0.1:3050" >&2
exit 1
