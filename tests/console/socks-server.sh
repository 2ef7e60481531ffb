#!/bin/sh
# The SOCKS server of the proxy tests, started by them under Wine (as root):
#   socks-server.sh DIR OPENPORT AUTHPORT BLOCKEDPORT
# runs two Debian danted servers on 127.0.0.1, one without authentication on OPENPORT and
# one with the user/password method on AUTHPORT, for a system user made for this run (its
# name and password are written to DIR/user). Both refuse, by rule, connections to
# 127.0.0.1 port BLOCKEDPORT. When DIR/stop appears (or after ten minutes) the servers are
# stopped, the user is removed and DIR/done is written.
set -u
dir=$1 open=$2 auth=$3 blocked=$4

# Users left behind by runs that were killed (their script is gone).
for u in $(getent passwd | cut -d: -f1 | grep '^qsocks[0-9][0-9]*$'); do
    [ -d "/proc/${u#qsocks}" ] || userdel "$u" 2>/dev/null
done

user=qsocks$$
password=pw$$-socks
# Another run may hold the password file's lock for a moment.
tries=0
until useradd -M -N -s /usr/sbin/nologin "$user" 2>/dev/null; do
    tries=$((tries + 1))
    [ $tries -lt 50 ] || exit 1
    sleep 0.1
done
echo "$user:$password" | chpasswd

config() {  # PORT METHOD
    cat <<EOF
logoutput: $dir/danted-$1.log
internal: 127.0.0.1 port = $1
external: 127.0.0.1
clientmethod: none
socksmethod: $2
user.privileged: root
user.unprivileged: nobody
client pass {
    from: 127.0.0.0/8 to: 0.0.0.0/0
}
socks block {
    from: 0.0.0.0/0 to: 127.0.0.1/32 port = $blocked
    log: connect error
}
socks pass {
    from: 127.0.0.0/8 to: 0.0.0.0/0
    command: connect
    log: connect error
}
EOF
}
config "$open" none >"$dir/open.conf"
config "$auth" username >"$dir/auth.conf"
danted -f "$dir/open.conf" -p "$dir/open.pid" &
first=$!
danted -f "$dir/auth.conf" -p "$dir/auth.pid" &
second=$!
printf '%s\n%s\n' "$user" "$password" >"$dir/user.part" && mv "$dir/user.part" "$dir/user"

n=0
while [ ! -e "$dir/stop" ] && [ $n -lt 3000 ]; do
    sleep 0.2
    n=$((n + 1))
done
kill $first $second 2>/dev/null
wait
userdel "$user" 2>/dev/null
touch "$dir/done"
