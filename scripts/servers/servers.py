#!/usr/bin/python3
"""Starts and stops the real servers the protocol tests talk to, on 127.0.0.1 and free ports.

  servers.py start --dir DIR [--parent PID] [pop3] [smtp] [http] [carddav]
  servers.py stop --dir DIR

`start` makes a test CA and a server certificate for localhost and 127.0.0.1 (DIR/ca.crt is
the file to trust), configures each server inside DIR, starts it, waits until its ports
accept, and writes DIR/servers.json. A guard process stops everything when PID (the test)
ends without calling `stop`, so no server outlives its test.

`carddav` starts two independent address-book servers, each with an empty address book for
USER: Radicale's "Contacts" (its own password file) and Xandikos's "addressbook" (no accounts of
its own, so nginx asks for the password in front of it). nginx also serves both over TLS.
"""
import argparse
import json
import os
import pwd
import signal
import socket
import subprocess
import sys
import time

USER = "pelmora"
PASSWORD = "s3cret pass"
MAIL_USER = "mail"
START_TIMEOUT = 30  # a loaded machine (a CI run beside other builds) is slow to start Python servers


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def run(*args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def make_certificates(d):
    ca_key, ca_crt = os.path.join(d, "ca.key"), os.path.join(d, "ca.crt")
    key, csr, crt = (os.path.join(d, n) for n in ("server.key", "server.csr", "server.crt"))
    ext = os.path.join(d, "server.ext")
    run("openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
        "-keyout", ca_key, "-out", ca_crt, "-days", "2", "-subj", "/CN=Pelmora Test CA")
    run("openssl", "req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
        "-keyout", key, "-out", csr, "-subj", "/CN=localhost")
    with open(ext, "w") as f:
        f.write("subjectAltName=DNS:localhost,IP:127.0.0.1\n")
    run("openssl", "x509", "-req", "-in", csr, "-CA", ca_crt, "-CAkey", ca_key, "-CAcreateserial",
        "-out", crt, "-days", "2", "-extfile", ext)
    return crt, key


def spawn(d, name, args):
    log = open(os.path.join(d, name + ".out"), "wb")
    proc = subprocess.Popen(args, stdout=log, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                            start_new_session=True)
    with open(os.path.join(d, "pids"), "a") as f:
        f.write(f"{proc.pid}\n")
    return proc


def allow_traversal(d):
    path = d
    while path not in ("/", "/tmp") and os.stat(path).st_uid == os.getuid():
        os.chmod(path, os.stat(path).st_mode | 0o001)
        path = os.path.dirname(path)


def start_pop3(d, crt, key):
    info = {"port": free_port(), "tls_port": free_port()}
    maildir = os.path.join(d, "mail", USER)
    for sub in ("new", "cur", "tmp"):
        os.makedirs(os.path.join(maildir, sub), exist_ok=True)
    # Dovecot will not serve mail as root: the mailbox belongs to an unprivileged system user,
    # who needs to pass through the (private) directories above it.
    owner = pwd.getpwnam(MAIL_USER)
    for root, dirs, files in os.walk(os.path.join(d, "mail")):
        os.chown(root, owner.pw_uid, owner.pw_gid)
    allow_traversal(d)
    with open(os.path.join(d, "passwd"), "w") as f:
        f.write(f"{USER}:{{PLAIN}}{PASSWORD}::::::\n")
    conf = os.path.join(d, "dovecot.conf")
    with open(conf, "w") as f:
        f.write(f"""base_dir = {d}/dovecot-run
state_dir = {d}/dovecot-state
instance_name = pelmora-test-{abs(hash(d)) % 1000000}
protocols = pop3
listen = 127.0.0.1
log_path = {d}/dovecot.log
ssl = yes
ssl_cert = <{crt}
ssl_key = <{key}
disable_plaintext_auth = no
auth_mechanisms = plain
first_valid_uid = 1
mail_location = maildir:{d}/mail/%u
pop3_uidl_format = %g
passdb {{
  driver = passwd-file
  args = scheme=PLAIN username_format=%u {d}/passwd
}}
userdb {{
  driver = static
  args = uid={MAIL_USER} gid={MAIL_USER} home={d}/mail/%u
}}
service pop3-login {{
  inet_listener pop3 {{
    address = 127.0.0.1
    port = {info['port']}
  }}
  inet_listener pop3s {{
    address = 127.0.0.1
    port = {info['tls_port']}
    ssl = yes
  }}
}}
service auth {{
  user = root
}}
service auth-worker {{
  user = root
}}
service anvil {{
  chroot =
}}
service imap-login {{
  chroot =
}}
service pop3-login {{
  chroot =
}}
""")
    spawn(d, "dovecot", ["/usr/sbin/dovecot", "-F", "-c", conf])
    info["maildir"] = maildir
    return info


def start_smtp(d, crt, key):
    info = {"port": free_port(), "starttls_port": free_port(), "tls_port": free_port(),
            "starttls_noauth_port": free_port(), "starttls_foreign_port": free_port(),
            "tls_noauth_port": free_port(), "tls_foreign_port": free_port(),
            "spool": os.path.join(d, "smtp-received")}
    os.makedirs(info["spool"], exist_ok=True)
    here = os.path.dirname(os.path.abspath(__file__))
    spawn(d, "smtp", ["/usr/bin/python3", os.path.join(here, "smtp_server.py"), "--out", info["spool"],
                      "--cert", crt, "--key", key, "--user", USER, "--password", PASSWORD,
                      "--plain-port", str(info["port"]), "--starttls-port", str(info["starttls_port"]),
                      "--tls-port", str(info["tls_port"]),
                      "--starttls-noauth-port", str(info["starttls_noauth_port"]),
                      "--starttls-foreign-port", str(info["starttls_foreign_port"]),
                      "--tls-noauth-port", str(info["tls_noauth_port"]),
                      "--tls-foreign-port", str(info["tls_foreign_port"])])
    return info


def start_http(d, crt, key):
    info = {"port": free_port(), "tls_port": free_port(), "root": os.path.join(d, "www")}
    os.makedirs(info["root"], exist_ok=True)
    os.makedirs(os.path.join(d, "nginx-temp"), exist_ok=True)
    conf = os.path.join(d, "nginx.conf")
    with open(conf, "w") as f:
        f.write(f"""daemon off;
user root root;
worker_processes 1;
pid {d}/nginx.pid;
error_log {d}/nginx-error.log;
events {{ worker_connections 256; }}
http {{
  access_log off;
  client_body_temp_path {d}/nginx-temp;
  default_type application/octet-stream;
  server {{
    listen 127.0.0.1:{info['port']};
    listen 127.0.0.1:{info['tls_port']} ssl;
    ssl_certificate {crt};
    ssl_certificate_key {key};
    root {info['root']};
    location = /moved {{ return 302 /index.html; }}
    location = /hop1 {{ return 301 /hop2; }}
    location = /hop2 {{ return 307 hop3; }}
    location = /hop3 {{ return 302 /index.html; }}
    location = /loop {{ return 302 /loop; }}
    location = /broken {{ return 500; }}
    location = /gone {{ return 302 /missing.htm; }}
  }}
}}
""")
    spawn(d, "nginx", ["/usr/sbin/nginx", "-c", conf, "-p", d, "-e", f"{d}/nginx-error.log"])
    return info


def start_carddav(d, crt, key):
    """Radicale and Xandikos on inner ports, nginx in front of them for TLS and for Xandikos's password."""
    info = {"radicale_port": free_port(), "radicale_tls_port": free_port(), "xandikos_port": free_port(),
            "xandikos_tls_port": free_port(), "radicale_inner_port": free_port(),
            "xandikos_inner_port": free_port(), "book": "Contacts"}
    root = os.path.join(d, "carddav")
    # Radicale: a plain password file (hashing would cost every request the time of a bcrypt
    # round, which the sync benchmark would measure instead of the sync) and a ready address book.
    books = os.path.join(root, "radicale", "collection-root", USER, "contacts")
    os.makedirs(books, exist_ok=True)
    with open(os.path.join(books, ".Radicale.props"), "w") as f:
        json.dump({"tag": "VADDRESSBOOK", "D:displayname": info["book"]}, f)
    users = os.path.join(root, "users")
    with open(users, "w") as f:
        f.write(f"{USER}:{PASSWORD}\n")
    rconf = os.path.join(root, "radicale.conf")
    with open(rconf, "w") as f:
        f.write(f"""[server]
hosts = 127.0.0.1:{info['radicale_inner_port']}
[auth]
type = htpasswd
htpasswd_filename = {users}
htpasswd_encryption = plain
delay = 0
[storage]
filesystem_folder = {root}/radicale
[logging]
level = warning
mask_passwords = True
[web]
type = none
""")
    spawn(d, "radicale", ["/usr/bin/python3", "-m", "radicale", "--config", rconf])
    # Xandikos: the default principal /user/ with its address book /user/contacts/addressbook/,
    # named "addressbook"; /user/contacts/ is the home of the books, not a book.
    xroot = os.path.join(root, "xandikos")
    spawn(d, "xandikos", ["/usr/bin/xandikos", "-d", xroot, "--defaults", "-l", "127.0.0.1",
                          "-p", str(info["xandikos_inner_port"])])
    # nginx takes a crypt(3) hash; openssl makes one without another tool.
    hashed = subprocess.run(["openssl", "passwd", "-apr1", PASSWORD], check=True, capture_output=True,
                            text=True).stdout.strip()
    htpasswd = os.path.join(root, "nginx-users")
    with open(htpasswd, "w") as f:
        f.write(f"{USER}:{hashed}\n")
    os.makedirs(os.path.join(root, "nginx-temp"), exist_ok=True)
    proxy = """proxy_set_header Host $http_host;
      proxy_http_version 1.1;
      proxy_set_header Connection "";
      proxy_request_buffering off;
      proxy_read_timeout 300s;"""
    conf = os.path.join(root, "nginx.conf")
    with open(conf, "w") as f:
        f.write(f"""daemon off;
user root root;
worker_processes 1;
pid {root}/nginx.pid;
error_log {root}/nginx-error.log;
events {{ worker_connections 256; }}
http {{
  access_log off;
  client_body_temp_path {root}/nginx-temp;
  proxy_temp_path {root}/nginx-temp;
  client_max_body_size 0;
  upstream radicale {{ server 127.0.0.1:{info['radicale_inner_port']}; keepalive 8; }}
  upstream xandikos {{ server 127.0.0.1:{info['xandikos_inner_port']}; keepalive 8; }}
  server {{
    listen 127.0.0.1:{info['radicale_port']};
    listen 127.0.0.1:{info['radicale_tls_port']} ssl;
    ssl_certificate {crt};
    ssl_certificate_key {key};
    location / {{
      proxy_pass http://radicale;
      {proxy}
    }}
  }}
  server {{
    listen 127.0.0.1:{info['xandikos_port']};
    listen 127.0.0.1:{info['xandikos_tls_port']} ssl;
    ssl_certificate {crt};
    ssl_certificate_key {key};
    auth_basic "Pelmora test";
    auth_basic_user_file {htpasswd};
    location / {{
      proxy_pass http://xandikos;
      proxy_set_header Authorization "";
      {proxy}
    }}
  }}
}}
""")
    spawn(d, "carddav-nginx", ["/usr/sbin/nginx", "-c", conf, "-p", root, "-e", f"{root}/nginx-error.log"])
    return info


def wait_for_ports(ports):
    """The first port that did not open within START_TIMEOUT, or None when all did."""
    deadline = time.time() + START_TIMEOUT
    for port in ports:
        while True:
            try:
                with socket.create_connection(("127.0.0.1", port), timeout=1):
                    break
            except OSError:
                if time.time() > deadline:
                    return port
                time.sleep(0.05)
    return None


def listening_inode(port):
    """The inode of the socket listening on 127.0.0.1:port, or None."""
    with open("/proc/net/tcp") as f:
        next(f)
        for line in f:
            fields = line.split()
            address, state, inode = fields[1], fields[3], fields[9]
            if state == "0A" and address == f"0100007F:{port:04X}":
                return inode
    return None


def socket_inodes_of(groups):
    """The inodes of every socket held by a process of the given process groups."""
    inodes = set()
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            if os.getpgid(int(entry)) not in groups:
                continue
            for fd in os.listdir(f"/proc/{entry}/fd"):
                target = os.readlink(f"/proc/{entry}/fd/{fd}")
                if target.startswith("socket:["):
                    inodes.add(target[8:-1])
        except OSError:
            pass
    return inodes


def ports_are_ours(d, ports):
    """A port is picked free and only bound later by its server; meanwhile another program may take
    it, and the port then answers for the wrong server. Each one must be held by a server started here."""
    with open(os.path.join(d, "pids")) as f:
        groups = {int(line) for line in f if line.strip()}
    ours = socket_inodes_of(groups)
    return all(listening_inode(port) in ours for port in ports)


def stop(d):
    path = os.path.join(d, "pids")
    if not os.path.exists(path):
        return
    with open(path) as f:
        pids = [int(line) for line in f if line.strip()]
    for pid in pids:
        try:
            os.killpg(pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
    deadline = time.time() + 5
    for pid in pids:
        while time.time() < deadline:
            try:
                os.killpg(pid, 0)
            except ProcessLookupError:
                break
            try:
                os.waitpid(pid, os.WNOHANG)
            except ChildProcessError:
                pass
            time.sleep(0.05)
        else:
            try:
                os.killpg(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
    os.remove(path)


def guard(d, parent):
    """Detached: stops the servers once the test process is gone."""
    if os.fork() != 0:
        return
    os.setsid()
    if os.fork() != 0:
        os._exit(0)
    devnull = os.open(os.devnull, os.O_RDWR)
    for fd in (0, 1, 2):
        os.dup2(devnull, fd)
    with open(os.path.join(d, "guard.pid"), "w") as f:
        f.write(str(os.getpid()))
    while os.path.exists(os.path.join(d, "pids")):
        try:
            os.kill(parent, 0)
        except ProcessLookupError:
            stop(d)
            break
        time.sleep(0.5)
    os._exit(0)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("action", choices=["start", "stop"])
    p.add_argument("kinds", nargs="*")
    p.add_argument("--dir", required=True)
    p.add_argument("--parent", type=int, default=0)
    a = p.parse_intermixed_args()
    d = os.path.abspath(a.dir)
    if a.action == "stop":
        stop(d)
        return
    os.makedirs(d, exist_ok=True)
    crt, key = make_certificates(d)
    info = {"ca": os.path.join(d, "ca.crt"), "user": USER, "password": PASSWORD}
    starters = {"pop3": start_pop3, "smtp": start_smtp, "http": start_http, "carddav": start_carddav}
    # A port another program took between our choice and the server's bind shows either as a port
    # that never opens (the server gave up) or as one opened by someone else: either way the
    # servers start again on fresh ports.
    for attempt in range(3):
        try:
            # The address-book servers only where asked for: the mail tests need not wait for them.
            for kind in a.kinds or ("pop3", "smtp", "http"):
                info[kind] = starters[kind](d, crt, key)
            ports = [v for k in info if isinstance(info[k], dict) for n, v in info[k].items() if n.endswith("port")]
            closed = wait_for_ports(ports)
            if closed is None and ports_are_ours(d, ports):
                break
        except BaseException:
            stop(d)
            raise
        if closed is not None:
            print(f"servers: port {closed} did not open in {START_TIMEOUT}s; starting again", file=sys.stderr)
        stop(d)
    else:
        raise SystemExit("servers: the servers did not start on three sets of ports")
    with open(os.path.join(d, "servers.json"), "w") as f:
        json.dump(info, f, indent=1)
    if a.parent:
        guard(d, a.parent)
    print(json.dumps(info))


if __name__ == "__main__":
    sys.exit(main())
