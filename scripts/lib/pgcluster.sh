# shellcheck shell=bash
# A private PostgreSQL 15 cluster for the program and its tests, set up as a
# region's server would be: its own folder, a free port on 127.0.0.1, TLS with a
# certificate of its own, the bootstrap superuser ipra_admin with a password of
# its own, and a private ODBC data source ViraVIR pointing at it. The program's
# login "postgres" is made by db/roles.sql, which the callers load after the
# schema. Sourced after common.sh, not run.
#
#   pgc_init DIR [--throwaway]   new cluster in DIR (--throwaway: no fsync, for tests)
#   pgc_has_admin DIR            whether DIR was made so (not by an older version)
#   pgc_start DIR                start on a free port, or join a server already running
#   pgc_psql DB [psql args]      psql as the administrator, stops at the first error
#   pgc_createdb NAME [TEMPLATE]
#   pgc_load DB FILE             run an SQL file, stops at the first error
#   pgc_write_odbc FOLDER DB     FOLDER/odbc.ini with DSN ViraVIR -> DB, exported
#   pgc_stop DIR
#   pgc_start_on DIR ADDRESS PORT   start listening on ADDRESS:PORT only (a pair of
#                                   clusters on one machine: same port, two addresses)
#   pgc_standby_init DIR            streaming standby in DIR of the server pgc_start
#                                   started (pg_basebackup -R); start it with pgc_start_on
#   pgc_promote DIR                 the standby in DIR becomes a primary (waits for it)
#
# As root the cluster belongs to the postgres system user, which runs the server:
# PostgreSQL refuses to run as root.

PGC_BIN="${IPRA_PG_BIN:-/usr/lib/postgresql/15/bin}"
# The program's built-in login; its connection string carries the same.
PGC_USER=postgres
# shellcheck disable=SC2034  # for the callers that connect as the program
PGC_PASSWORD=vemp
PGC_DSN=ViraVIR
# The cluster's superuser. Its password is made at initdb and kept in the
# cluster's folder, readable by the cluster's owner only.
PGC_ADMIN=ipra_admin
PGC_ADMIN_PASSWORD=""
PGC_ADMIN_PASSWORD_FILE=ipra_admin.password
# The server's self-signed certificate, which is its own CA for verify-full.
PGC_CERT_FILE=server.crt
PGC_PORT=""      # port of the server pgc_start found or started
PGC_STARTED=0    # 1 when this shell started it, and so should stop it

_pgc_as_owner() {
  if (( EUID == 0 )); then
    (cd / && runuser -u postgres -- "$@")
  else
    "$@"
  fi
}

_pgc_check() {
  [[ -x $PGC_BIN/initdb && -x $PGC_BIN/pg_ctl && -x $PGC_BIN/psql ]] ||
    ipra_die "PostgreSQL 15 is not installed (no $PGC_BIN/initdb); run scripts/setup"
  if (( EUID == 0 )) && ! id -u postgres >/dev/null 2>&1; then
    ipra_die "running as root needs the postgres system user (package postgresql); run scripts/setup"
  fi
}

# As root the cluster may sit below a folder the postgres user cannot enter
# (root's home is 0700). Grant that user, and only it, passage (x, no listing)
# through each such folder rather than opening it to everybody.
_pgc_grant_traverse() {
  (( EUID == 0 )) || return 0
  local path="" part
  local -a parts
  IFS=/ read -r -a parts <<<"$1"
  for part in "${parts[@]}"; do
    [[ -n $part ]] || continue
    path+="/$part"
    if ! runuser -u postgres -- test -x "$path" 2>/dev/null; then
      command -v setfacl >/dev/null ||
        ipra_die "the postgres user cannot enter $path and setfacl is missing (package acl); run scripts/setup"
      setfacl -m u:postgres:x "$path" ||
        ipra_die "cannot let the postgres user through $path"
    fi
  done
}

_pgc_free_port() {
  local used="" port i f
  local -a files=()
  for f in /proc/net/tcp /proc/net/tcp6; do
    if [[ -r $f ]]; then files+=("$f"); fi
  done
  # Every local port in use, listening or not, as the kernel's 4-digit hex.
  if (( ${#files[@]} )); then
    used=$(awk 'FNR > 1 { n = split($2, a, ":"); print a[n] }' "${files[@]}")
  fi
  # Below the kernel's ephemeral range, so outgoing connections do not take it.
  for (( i = 0; i < 200; i++ )); do
    port=$(( 15000 + RANDOM % 17000 ))
    if ! grep -qx "$(printf '%04X' "$port")" <<<"$used"; then
      printf '%s\n' "$port"
      return 0
    fi
  done
  ipra_die "found no free TCP port on 127.0.0.1"
}

# An empty folder for a new cluster, the server's user's own, 0700.
_pgc_new_folder() {
  local dir=$1
  [[ ! -e $dir/PG_VERSION ]] || ipra_die "$dir already holds a cluster"
  mkdir -p "$dir" || ipra_die "cannot create $dir"
  if (( EUID == 0 )); then
    chown postgres:postgres "$dir"
  fi
  chmod 700 "$dir"
  _pgc_grant_traverse "$dir"
}

pgc_init() {
  local dir=$1 mode=${2:-} pwfile log rc=0 password
  local -a extra=()
  _pgc_check
  command -v openssl >/dev/null || ipra_die "openssl is missing (it makes the server's certificate); run scripts/setup"
  _pgc_new_folder "$dir"
  if [[ $mode == --throwaway ]]; then
    extra+=(--no-sync)
  fi

  password=$(openssl rand -hex 24) || ipra_die "openssl could not make a password"
  pwfile=$(mktemp)
  log=$(mktemp)
  printf '%s\n' "$password" >"$pwfile"
  if (( EUID == 0 )); then
    chown postgres "$pwfile"
  fi
  _pgc_as_owner "$PGC_BIN/initdb" -D "$dir" -U "$PGC_ADMIN" --pwfile="$pwfile" \
    --auth=scram-sha-256 --encoding=UTF8 --locale=C.UTF-8 "${extra[@]}" >"$log" 2>&1 || rc=$?
  rm -f "$pwfile"
  if (( rc != 0 )); then
    cat "$log" >&2
    rm -f "$log"
    ipra_die "initdb in $dir failed (see above)"
  fi
  # The certificate, made by the server's user so that the key is its own, 0600.
  _pgc_as_owner openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes \
    -days 3650 -subj "/CN=localhost" -addext "subjectAltName=DNS:localhost,IP:127.0.0.1" \
    -keyout "$dir/server.key" -out "$dir/$PGC_CERT_FILE" >"$log" 2>&1 || rc=$?
  if (( rc != 0 )); then
    cat "$log" >&2
    rm -f "$log"
    ipra_die "openssl could not make the server's certificate in $dir (see above)"
  fi
  rm -f "$log"
  _pgc_as_owner chmod 600 "$dir/server.key"
  (umask 077 && printf '%s\n' "$password" >"$dir/$PGC_ADMIN_PASSWORD_FILE") ||
    ipra_die "cannot keep the administrator's password in $dir"
  if (( EUID == 0 )); then
    chown postgres:postgres "$dir/$PGC_ADMIN_PASSWORD_FILE"
  fi
  PGC_ADMIN_PASSWORD=$password

  # TCP and TLS only. The program's login comes in over TLS and nothing else;
  # the administrator too, and for replication.
  {
    printf '# Private cluster of the IPRA scripts.\n'
    printf '%-8s %-12s %-11s %-13s %s\n' '# TYPE' DATABASE USER ADDRESS METHOD \
      hostssl all "$PGC_USER" 127.0.0.1/32 scram-sha-256 \
      hostssl all "$PGC_ADMIN" 127.0.0.1/32 scram-sha-256 \
      hostssl replication "$PGC_ADMIN" 127.0.0.1/32 scram-sha-256
  } >"$dir/pg_hba.conf"
  {
    printf '\n# Private cluster of the IPRA scripts: TCP on 127.0.0.1 only; the port is\n'
    printf '# chosen at each start. The Unix socket stays in this folder.\n'
    printf "listen_addresses = '127.0.0.1'\n"
    # A socket path longer than the kernel's 107 bytes would stop the server:
    # then go without the socket, nothing here uses it.
    if (( ${#dir} + 18 <= 107 )); then
      printf "unix_socket_directories = '%s'\n" "${dir//\'/\'\'}"
    else
      printf "unix_socket_directories = ''\n"
    fi
    printf "ssl = on\nssl_cert_file = '%s'\nssl_key_file = 'server.key'\n" "$PGC_CERT_FILE"
    if [[ $mode == --throwaway ]]; then
      printf '# Thrown away after the run: durability buys nothing.\n'
      printf 'fsync = off\nsynchronous_commit = off\nfull_page_writes = off\n'
    fi
  } >>"$dir/postgresql.conf"
}

# Whether DIR was made by this helper with its administrator; a cluster made
# by an earlier version has "postgres" as its superuser instead.
pgc_has_admin() {
  [[ -e $1/$PGC_ADMIN_PASSWORD_FILE ]]
}

pgc_running() {
  [[ -e $1/PG_VERSION ]] && _pgc_as_owner "$PGC_BIN/pg_ctl" -D "$1" status >/dev/null 2>&1
}

pgc_start() {
  local dir=$1 log port before=0 err=""
  _pgc_check
  [[ -e $dir/PG_VERSION ]] || ipra_die "$dir holds no cluster"
  pgc_has_admin "$dir" ||
    ipra_die "the cluster in $dir has no administrator of its own (made by an earlier version of the scripts)"
  PGC_ADMIN_PASSWORD=$(<"$dir/$PGC_ADMIN_PASSWORD_FILE") ||
    ipra_die "cannot read the administrator's password in $dir"
  if pgc_running "$dir"; then
    PGC_PORT=$(sed -n 4p "$dir/postmaster.pid")
    [[ $PGC_PORT =~ ^[0-9]+$ ]] || ipra_die "cannot read the port of the server running in $dir"
    PGC_STARTED=0
  else
    log="$dir/server.log"
    for _ in 1 2 3 4 5; do
      port=$(_pgc_free_port) || exit 1
      before=0
      if [[ -e $log ]]; then
        before=$(wc -l <"$log")
      fi
      if err=$(_pgc_as_owner "$PGC_BIN/pg_ctl" -D "$dir" -l "$log" -w -t 60 -s \
                 -o "-p $port" start 2>&1); then
        PGC_PORT=$port
        PGC_STARTED=1
        break
      fi
      # Another program may have taken the port since it was found free.
      tail -n "+$((before + 1))" "$log" 2>/dev/null | grep -q 'Address already in use' || break
    done
    if (( PGC_STARTED == 0 )); then
      [[ -z $err ]] || printf '%s\n' "$err" >&2
      tail -n "+$((before + 1))" "$log" >&2 2>/dev/null || true
      ipra_die "the PostgreSQL server in $dir did not start (log: $log)"
    fi
  fi
  pgc_psql postgres -c 'select 1' >/dev/null ||
    ipra_die "the server in $dir (port $PGC_PORT) refuses the login $PGC_ADMIN"
}

pgc_stop() {
  local dir=$1
  if pgc_running "$dir"; then
    _pgc_as_owner "$PGC_BIN/pg_ctl" -D "$dir" -s -m fast -w -t 60 stop >/dev/null ||
      { ipra_note "could not stop the PostgreSQL server in $dir"; return 1; }
  fi
  PGC_STARTED=0
}

pgc_psql() {
  local db=$1
  shift
  [[ -n $PGC_PORT ]] || ipra_die "no PostgreSQL server started"
  # A conninfo of its own so that PG* settings of the caller cannot redirect it.
  PGPASSWORD=$PGC_ADMIN_PASSWORD PGCONNECT_TIMEOUT=10 PGOPTIONS='-c client_min_messages=warning' \
    "$PGC_BIN/psql" -X -q -v ON_ERROR_STOP=1 \
    -d "host=127.0.0.1 port=$PGC_PORT user=$PGC_ADMIN dbname=$db sslmode=require" "$@"
}

pgc_createdb() {
  local name=$1 template=${2:-}
  pgc_psql postgres -c "create database \"$name\"${template:+ template \"$template\"}" ||
    ipra_die "cannot create the database $name"
}

pgc_load() {
  local db=$1 file=$2
  shift 2
  [[ -r $file ]] || ipra_die "$file is missing"
  # Result rows of the file (a setval, say) are of no interest; errors still show.
  pgc_psql "$db" -f "$file" "$@" >/dev/null ||
    ipra_die "loading $file into the database $db failed (see above)"
}

# The psqlODBC Unicode driver library, as the machine's driver list names it.
_pgc_odbc_driver() {
  local drv dir
  drv=$(env -u ODBCSYSINI -u ODBCINSTINI odbcinst -q -d -n "PostgreSQL Unicode" 2>/dev/null |
        sed -n 's/^[[:space:]]*Driver[[:space:]]*=[[:space:]]*//p' | head -n 1) || true
  drv=${drv%%[[:space:]]}
  if [[ $drv == /* && -e $drv ]]; then
    printf '%s\n' "$drv"
    return 0
  fi
  # The list often names the library without a folder.
  drv=${drv:-psqlodbcw.so}
  for dir in /usr/lib/x86_64-linux-gnu/odbc /usr/lib/*-linux-gnu*/odbc /usr/lib/odbc /usr/lib64 /usr/local/lib; do
    if [[ -e $dir/${drv##*/} ]]; then
      printf '%s\n' "$dir/${drv##*/}"
      return 0
    fi
  done
  ipra_die "psqlODBC's Unicode driver (psqlodbcw.so) was not found; run scripts/setup"
}

# FOLDER/odbc.ini with the DSN, FOLDER/odbcinst.ini with the one driver, and
# ODBCINI/ODBCSYSINI pointing there: the user's and the machine's ODBC files
# are neither read nor touched.
pgc_write_odbc() {
  local folder=$1 db=$2 drv
  [[ -n $PGC_PORT ]] || ipra_die "no PostgreSQL server started"
  drv=$(_pgc_odbc_driver) || exit 1
  mkdir -p "$folder" || ipra_die "cannot create $folder"
  cat >"$folder/odbcinst.ini" <<INI
[PostgreSQL Unicode]
Description = PostgreSQL ODBC driver (Unicode version)
Driver      = $drv
INI
  cat >"$folder/odbc.ini" <<INI
; Written by the IPRA scripts for their private PostgreSQL cluster at each
; start: the port changes from run to run.
[ODBC Data Sources]
$PGC_DSN = PostgreSQL Unicode

[$PGC_DSN]
Description = IPRA register (private cluster)
Driver      = $drv
Servername  = 127.0.0.1
Port        = $PGC_PORT
Database    = $db
SSLmode     = require
INI
  unset ODBCINSTINI
  export ODBCSYSINI="$folder"
  export ODBCINI="$folder/odbc.ini"
}

pgc_start_on() {
  local dir=$1 address=$2 port=$3 err
  _pgc_check
  [[ -e $dir/PG_VERSION ]] || ipra_die "$dir holds no cluster"
  # The socket goes to the cluster's own folder: a standby copied its primary's setting.
  local socket="$dir"
  if (( ${#dir} + 18 > 107 )); then
    socket=""
  fi
  if ! err=$(_pgc_as_owner "$PGC_BIN/pg_ctl" -D "$dir" -l "$dir/server.log" -w -t 60 -s \
               -o "-p $port -c listen_addresses=$address -c unix_socket_directories='$socket'" \
               start 2>&1); then
    [[ -z $err ]] || printf '%s\n' "$err" >&2
    tail -n 20 "$dir/server.log" >&2 2>/dev/null || true
    ipra_die "the PostgreSQL server in $dir did not start on $address:$port"
  fi
}

pgc_standby_init() {
  local dir=$1 log rc=0
  _pgc_check
  [[ -n $PGC_PORT ]] || ipra_die "no PostgreSQL server started"
  _pgc_new_folder "$dir"
  log=$(mktemp)
  # -R writes standby.signal and the primary's address into postgresql.auto.conf;
  # --checkpoint=fast: a spread checkpoint would keep it waiting for minutes.
  # The administrator replicates, over TLS like every other connection.
  _pgc_as_owner env PGPASSWORD="$PGC_ADMIN_PASSWORD" "$PGC_BIN/pg_basebackup" -D "$dir" -R \
    --checkpoint=fast -X stream -d "host=127.0.0.1 port=$PGC_PORT user=$PGC_ADMIN sslmode=require" \
    >"$log" 2>&1 || rc=$?
  if (( rc != 0 )); then
    cat "$log" >&2
    rm -f "$log"
    ipra_die "pg_basebackup into $dir failed (see above)"
  fi
  rm -f "$log"
  # The primary's log and socket lock files came along with its folder.
  : >"$dir/server.log"
  rm -f "$dir"/.s.PGSQL.*.lock
}

pgc_promote() {
  local dir=$1
  _pgc_as_owner "$PGC_BIN/pg_ctl" -D "$dir" -w -t 60 -s promote >/dev/null ||
    ipra_die "the standby in $dir was not promoted"
}
