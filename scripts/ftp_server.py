#!/usr/bin/python3
"""A throw-away FTP server on the loopback for the tests and the demo of scripts/run.

Kinds: pyftpdlib (optionally with a scripted LIST answer, to play a hostile or broken server, and
optionally with TLS), vsftpd (anonymous, optionally a local user and TLS), vsftpd-debian (vsftpd
with the values of Debian's /etc/vsftpd.conf: local users who are not locked into their home, no
anonymous, no writing), proftpd, pureftpd, inetutils (GNU inetutils ftpd under socat) and
twisted. Each binds only --address (127.0.0.1 or ::1) and runs in the foreground, a child of this
script. The servers that read the system's accounts run in a private mount namespace that sees
account files written here instead of the machine's. ProFTPD, Pure-FTPd and inetutils ftpd run
from the packages scripts/fetch-servers unpacked under --servers.

Once the server accepts connections, "PORT PID" is written to --portfile (aside, then renamed,
so a reader never sees half a line), or "0 PID" when it will not start; every log goes into the
port file's folder, as *.log. The
server ends on SIGTERM (with every process it started), or by itself after --lifetime seconds so
that a test that dies never leaves it behind.

Run it detached (setsid, every standard stream redirected): it must never hold a pipe that a
test runner waits on.
"""

import argparse
import os
import pwd
import signal
import socket
import subprocess
import sys
import threading
import time

KINDS = ["pyftpdlib", "vsftpd", "vsftpd-debian", "proftpd", "pureftpd", "inetutils", "twisted"]
HERE = os.path.dirname(os.path.abspath(__file__))


def write_port_file(path, port):
    temp = path + ".part"
    with open(temp, "w") as f:
        f.write("%d %d\n" % (port, os.getpid()))
    os.rename(temp, path)


def family_of(address):
    return socket.AF_INET6 if ":" in address else socket.AF_INET


def free_port(address):
    with socket.socket(family_of(address), socket.SOCK_STREAM) as s:
        s.bind((address, 0))
        return s.getsockname()[1]


def greeting(address, port, greets):
    """None while nothing accepts connections; otherwise the server's first line (empty for a
    server that speaks TLS first)."""
    try:
        with socket.create_connection((address, port), timeout=0.5) as s:
            return s.recv(512).split(b"\r\n")[0].decode("latin-1") if greets else ""
    except OSError:
        return None


# Files (and folders) fill_listed_files made; removed again on the way out, since their Linux
# names may be ones the test's Windows side cannot name to remove them.
created = []


def remove_created():
    for path in reversed(created):
        try:
            os.rmdir(path) if os.path.isdir(path) else os.remove(path)
        except OSError:
            pass


# The server program run_child started, if any, and the port file to write.
server_process = None
port_file = None


def descendants(pid):
    """Every process below `pid`: vsftpd makes each session the leader of a session of its
    own, out of reach of a signal to this process group."""
    children = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as f:
                parent = int(f.read().rsplit(")", 1)[1].split()[1])
        except (OSError, IndexError, ValueError):
            continue
        children.setdefault(parent, []).append(int(entry))
    found, todo = [], [pid]
    while todo:
        for child in children.get(todo.pop(), []):
            found.append(child)
            todo.append(child)
    return found


def end_everything(signum=None, frame=None):
    """Ends this server with every process it started (sessions that servers fork for each
    client included: none may keep a port or a data connection open after a stop), and waits
    until the server program itself has closed its port."""
    signal.signal(signal.SIGTERM, signal.SIG_IGN)
    remove_created()
    if port_file and not os.path.exists(port_file):
        write_port_file(port_file, 0)  # it never answered: no one waits any longer
    for pid in descendants(os.getpid()):
        try:
            os.kill(pid, signal.SIGTERM)
        except OSError:
            pass
    if os.getpgid(0) == os.getpid():
        try:
            os.killpg(0, signal.SIGTERM)
        except OSError:
            pass
    elif server_process is not None:
        server_process.terminate()
    if server_process is not None:
        try:
            server_process.wait(5)
        except subprocess.TimeoutExpired:
            server_process.kill()
    os._exit(0)


def fill_listed_files(root, lines):
    """Gives every file a scripted listing names some content on disk, so that fetching it
    succeeds whatever the name (the names are Linux names here: "..\\x" is one name)."""
    for line in lines:
        fields = line.split(None, 8)
        if len(fields) < 9 or fields[0].startswith(b"d"):
            continue
        name = fields[8]
        if name in (b".", b"..") or name.startswith(b"/"):
            continue
        path = os.path.join(os.fsencode(root), name)
        folder = os.path.dirname(path)
        if not os.path.isdir(folder):
            os.makedirs(folder)
            created.append(folder)
        if not os.path.exists(path):
            with open(path, "wb") as f:
                f.write(b"EVIL\n")
            created.append(path)


def account_field(text):
    """A user name or home folder as a passwd-like file can hold it."""
    if ":" in text or "\n" in text:
        sys.exit("%r cannot stand in an account file" % text)
    return text


def crypt_sha512(password):
    """The password as crypt(3) stores it in /etc/shadow (SHA-512, a few milliseconds to check:
    Pure-FTPd's own scrypt hashes take seconds for every login)."""
    result = subprocess.run(["openssl", "passwd", "-6", "-stdin"], input=password.encode(),
                            stdout=subprocess.PIPE, check=True)
    return result.stdout.decode().strip()


def ftp_account():
    """uid and gid of the system's anonymous FTP account (vsftpd's package makes it)."""
    try:
        entry = pwd.getpwnam("ftp")
        return entry.pw_uid, entry.pw_gid
    except KeyError:
        return 65534, 65534


# ---- Private accounts: a mount namespace that sees the harness's passwd, shadow and PAM ----


class Accounts:
    """The account files a server in a private mount namespace reads instead of the machine's:
    the machine's users (locked), plus `users` as (name, password, uid, gid, home); the anonymous
    account "ftp" with its home at the served root when `anonymous_home` is given, and none
    otherwise (unless `keep_ftp`: the machine's, for vsftpd's own anonymous root). PAM checks
    passwords against these files only."""

    def __init__(self, work, users, anonymous_home=None, keep_ftp=False, log_socket=False):
        self.work = work
        self.log_socket = log_socket
        ours = {u[0] for u in users}
        if anonymous_home or not keep_ftp:
            ours.add("ftp")
        passwd, shadow = [], []
        with open("/etc/passwd") as f:
            for line in f:
                name = line.split(":", 1)[0]
                if line.strip() and name not in ours:
                    passwd.append(line.rstrip("\n"))
                    shadow.append("%s:*:19000:0:99999:7:::" % name)
        for name, password, uid, gid, home in users:
            name, home = account_field(name), account_field(home)
            passwd.append("%s:x:%d:%d:%s:%s:/bin/sh" % (name, uid, gid, name, home))
            shadow.append("%s:%s:19000:0:99999:7:::" % (name, crypt_sha512(password)))
        if anonymous_home:
            uid, gid = ftp_account()
            passwd.append("ftp:x:%d:%d:ftp:%s:/usr/sbin/nologin" % (uid, gid, anonymous_home))
            shadow.append("ftp:*:19000:0:99999:7:::")
        self.files = {"passwd": passwd, "shadow": shadow}
        os.makedirs(os.path.join(work, "pam.d"), exist_ok=True)
        pam = ["auth required pam_unix.so", "account required pam_unix.so",
               "session required pam_permit.so"]
        for service in ("vsftpd", "ftp", "pure-ftpd", "proftpd"):
            self.write("pam.d/" + service, pam)
        self.write("pam.d/other", ["auth required pam_deny.so", "account required pam_deny.so",
                                   "session required pam_deny.so"])
        for name, lines in self.files.items():
            self.write(name, lines)
        os.chmod(os.path.join(work, "shadow"), 0o600)

    def write(self, name, lines):
        with open(os.path.join(self.work, name), "w") as f:
            f.write("\n".join(lines) + "\n")

    def prefix(self):
        """The command words that run a program inside the namespace."""
        w = self.work
        binds = [("passwd", "/etc/passwd"), ("shadow", "/etc/shadow"), ("pam.d", "/etc/pam.d")]
        lines = ["set -e"]
        for mine, theirs in binds:
            lines.append("mount --bind '%s/%s' '%s'" % (w, mine, theirs))
        if self.log_socket:
            # Servers that log only through syslog (Pure-FTPd, inetutils ftpd) find /dev/log in
            # a /dev of their own: the devices they need and the socket this script reads.
            dev = os.path.join(w, "dev")
            for device in ("null", "zero", "full", "random", "urandom", "tty"):
                path = os.path.join(dev, device)
                open(path, "a").close()
                lines.append("mount --bind /dev/%s '%s'" % (device, path))
            lines.append("mount --rbind '%s' /dev" % dev)
        lines.append('exec "$@"')
        self.write("namespace.sh", lines)
        return ["unshare", "-m", "--propagation", "private", "/bin/sh",
                os.path.join(w, "namespace.sh")]


def start_syslog_reader(work, log_path):
    """A /dev/log for the namespace of Accounts(log_socket=True); lines go to `log_path`."""
    dev = os.path.join(work, "dev")
    os.makedirs(dev, exist_ok=True)
    path = os.path.join(dev, "log")
    sock = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
    sock.bind(path)
    os.chmod(path, 0o666)

    def read():
        with open(log_path, "ab", buffering=0) as out:
            while True:
                try:
                    line = sock.recv(65536).rstrip(b"\0\n")
                    # "<95>Dec  9 11:17:51 pure-ftpd: ...": the priority says nothing to a reader.
                    if line.startswith(b"<") and b">" in line[:5]:
                        line = line[line.index(b">") + 1:]
                    out.write(line + b"\n")
                except OSError:
                    return

    threading.Thread(target=read, daemon=True).start()


# ---- Children: a server program this script starts and watches ----


def run_child(args, command, port, greets=True):
    """Starts the server program, writes the port file once it answers, ends it with everything
    it started when told to (or after the lifetime)."""
    global server_process
    child = server_process = subprocess.Popen(command, stdin=subprocess.DEVNULL)
    signal.signal(signal.SIGTERM, end_everything)
    deadline = time.monotonic() + args.lifetime
    while True:
        first = greeting(args.address, port, greets)
        if first is not None and not first.startswith("5"):
            break
        if first is not None:
            # vsftpd's "500 OOPS": it listens, but every session fails.
            print("%s refuses every session: %s" % (command[-1], first), file=sys.stderr)
            end_everything()
        if child.poll() is not None:
            sys.exit("%s ended with %s" % (command[0], child.returncode))
        if time.monotonic() > deadline:
            end_everything()
        time.sleep(0.05)
    write_port_file(args.portfile, port)
    while time.monotonic() < deadline and child.poll() is None:
        time.sleep(0.2)
    if child.poll() is not None:
        print("%s ended with %s" % (command[0], child.returncode), file=sys.stderr)
    end_everything()


def server_binary(args, package, path):
    folder = os.path.join(args.servers, package)
    if not os.path.exists(os.path.join(folder, ".unpacked")):
        subprocess.run([os.path.join(HERE, "fetch-servers"), args.servers], check=False,
                       stdin=subprocess.DEVNULL)
    binary = os.path.join(folder, path)
    if not os.path.exists(binary):
        sys.exit("%s is not unpacked in %s (scripts/fetch-servers does it)" % (package, folder))
    return binary


def open_to_anonymous(root):
    """Anonymous sessions run as the ftp account: the served root must let it in."""
    os.chmod(root, os.stat(root).st_mode | 0o055)


def make_writable(args, owner):
    for sub in args.writable:
        path = os.path.join(args.root, sub)
        os.makedirs(path, exist_ok=True)
        os.chown(path, owner[0], owner[1])
        os.chmod(path, 0o777)


# ---- pyftpdlib ----


def run_pyftpdlib(args):
    import logging
    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.filesystems import AbstractedFS
    from pyftpdlib.handlers import FTPHandler
    from pyftpdlib.servers import FTPServer

    logging.basicConfig(stream=sys.stderr, level=logging.INFO,
                        format="%(asctime)s %(message)s")

    authorizer = DummyAuthorizer()
    full = "elradfmwMT"
    if args.user:
        authorizer.add_user(args.user, args.password or "", args.root, perm=full)
    if args.anonymous or args.anonymous_write:
        authorizer.add_anonymous(args.root, perm=full if args.anonymous_write else "elr")

    scripted = None
    if args.listing:
        with open(args.listing, "rb") as f:
            scripted = [line.rstrip(b"\r\n") for line in f.read().split(b"\n") if line.strip()]
        if args.fill_listed:
            fill_listed_files(args.root, scripted)

    class ScriptedFS(AbstractedFS):
        # LIST of the root answers with the scripted lines, whatever is on disk.
        def format_list(self, basedir, listing, ignore_err=True):
            if scripted is not None and os.path.realpath(basedir) == os.path.realpath(self.root):
                for line in scripted:
                    yield line + b"\r\n"
                return
            yield from AbstractedFS.format_list(self, basedir, listing, ignore_err)

    base = FTPHandler
    attributes = {}
    if args.tls == "explicit":
        from pyftpdlib.handlers import TLS_FTPHandler
        base = TLS_FTPHandler
        attributes = {"certfile": args.certificate, "keyfile": args.key,
                      "tls_control_required": True, "tls_data_required": True}
    elif args.tls == "implicit":
        sys.exit("pyftpdlib speaks explicit TLS only")
    handler = type("Handler", (base,), attributes)
    if scripted is not None:
        # The scripted answer is LIST's: a client that reads MLSD must not be offered it.
        handler.proto_cmds = {k: v for k, v in base.proto_cmds.items()
                              if k not in ("MLSD", "MLST")}
    if args.raw_names:
        # Bytes that are no UTF-8 (a Latin-1 name on disk) pass both ways as they are, where
        # "replace" would send "?" and take a command's bytes for another name; a reply naming
        # such a path (CWD's 250) too, where pyftpdlib's strict encoding would answer 501.
        handler.unicode_errors = "surrogateescape"
        import pyftpdlib.handlers

        def push(self, text):
            pyftpdlib.handlers.asynchat.async_chat.push(
                self, text.encode("utf8", "surrogateescape"))
        handler.push = push
    handler.authorizer = authorizer
    handler.abstracted_fs = ScriptedFS
    handler.banner = "zev test server ready"
    # A refused login answers at once: tests try wrong passwords on purpose.
    handler.auth_failed_timeout = 0

    server = FTPServer((args.address, args.port), handler)
    port = server.socket.getsockname()[1]
    signal.signal(signal.SIGTERM, end_everything)
    signal.signal(signal.SIGALRM, end_everything)
    signal.alarm(args.lifetime)
    write_port_file(args.portfile, port)
    server.serve_forever(timeout=0.5)


# ---- vsftpd ----


def vsftpd_tls_lines(args):
    if args.tls == "none":
        return ["ssl_enable=NO"]
    return [
        "ssl_enable=YES", "rsa_cert_file=%s" % args.certificate,
        "rsa_private_key_file=%s" % args.key, "allow_anon_ssl=NO",
        "force_local_logins_ssl=YES", "force_local_data_ssl=YES",
        "require_ssl_reuse=%s" % ("YES" if args.require_ssl_reuse else "NO"),
        "implicit_ssl=%s" % ("YES" if args.tls == "implicit" else "NO"),
        "ssl_tlsv1=YES", "ssl_sslv2=NO", "ssl_sslv3=NO", "ssl_ciphers=HIGH",
    ]


def vsftpd_listen_lines(args, port):
    if family_of(args.address) == socket.AF_INET6:
        return ["listen=NO", "listen_ipv6=YES", "listen_address6=%s" % args.address,
                "listen_port=%d" % port]
    return ["listen=YES", "listen_ipv6=NO", "listen_address=%s" % args.address,
            "listen_port=%d" % port, "pasv_address=%s" % args.address]


def run_vsftpd(args, debian):
    port = args.port or free_port(args.address)
    os.makedirs("/var/run/vsftpd/empty", exist_ok=True)
    log = os.path.join(args.work, "vsftpd.log")
    # What a server run by hand needs, whatever the configuration: the foreground, the harness's
    # port and log (the protocol included), no seccomp sandbox (not under this kernel's limits).
    harness = ["background=NO", "seccomp_sandbox=NO", "vsftpd_log_file=%s" % log,
               "xferlog_std_format=NO", "log_ftp_protocol=YES"]
    harness += vsftpd_listen_lines(args, port)
    if debian:
        # The values of Debian's own /etc/vsftpd.conf (what a machine that installed the package
        # runs): local users start in their home but are not locked into it; no anonymous, no
        # writing, no MLSD, names sent as the disk holds them.
        lines = [
            "anonymous_enable=%s" % ("YES" if args.anonymous else "NO"),
            "anon_root=%s" % args.root, "no_anon_password=YES",
            "local_enable=YES", "dirmessage_enable=YES", "use_localtime=YES",
            "xferlog_enable=YES", "connect_from_port_20=YES",
            "secure_chroot_dir=/var/run/vsftpd/empty", "pam_service_name=vsftpd",
        ]
    else:
        # vsftpd refuses an anonymous root the anonymous user may write to; uploads go below it.
        os.chmod(args.root, 0o755)
        make_writable(args, ftp_account())
        lines = [
            "anonymous_enable=YES", "local_enable=%s" % ("YES" if args.user else "NO"),
            "anon_root=%s" % args.root, "no_anon_password=YES", "write_enable=YES",
            "anon_upload_enable=YES", "anon_mkdir_write_enable=YES",
            "anon_other_write_enable=YES", "anon_umask=022", "connect_from_port_20=NO",
            "port_enable=YES", "pasv_enable=YES", "xferlog_enable=YES", "dirmessage_enable=NO",
            "use_localtime=NO", "ftpd_banner=zev vsftpd ready",
            # A local user starts in the served root, which is "/" to them.
            "chroot_local_user=YES", "allow_writeable_chroot=YES", "local_umask=022",
            "pam_service_name=vsftpd",
        ]
    if args.utf8_filesystem:
        lines.append("utf8_filesystem=YES")
    lines += vsftpd_tls_lines(args) + harness
    config = os.path.join(args.work, "vsftpd.conf")
    with open(config, "w") as f:
        f.write("\n".join(lines) + "\n")
    command = ["/usr/sbin/vsftpd", config]
    if args.user:
        # uid 0: the user may read and write whatever the test made in the served folder.
        accounts = Accounts(args.work, [(args.user, args.password or "", 0, 0, args.root)],
                            keep_ftp=True)
        command = accounts.prefix() + command
    elif args.tls != "none":
        sys.exit("vsftpd forces TLS on local users only: give --user")
    run_child(args, command, port, greets=args.tls != "implicit")


# ---- ProFTPD ----


def run_proftpd(args):
    binary = server_binary(args, "proftpd-core", "usr/sbin/proftpd")
    if args.tls != "none":
        sys.exit("proftpd runs without TLS here")
    port = args.port or free_port(args.address)
    w = args.work
    ftp_uid, ftp_gid = ftp_account()
    # ProFTPD's own user file: a virtual user with uid 0 (it may write whatever the test made)
    # locked into the served root, and the account the anonymous sessions run as.
    users = []
    if args.user:
        user = account_field(args.user)
        users.append("%s:%s:0:0:%s:%s:/bin/sh" % (user, crypt_sha512(args.password or ""), user,
                                                 args.root))
    users.append("ftp:*:%d:%d:ftp:%s:/usr/sbin/nologin" % (ftp_uid, ftp_gid, args.root))
    with open(os.path.join(w, "proftpd.passwd"), "w") as f:
        f.write("\n".join(users) + "\n")
    os.chmod(os.path.join(w, "proftpd.passwd"), 0o600)
    with open(os.path.join(w, "proftpd.group"), "w") as f:
        f.write("root:x:0:\nftp:x:%d:\n" % ftp_gid if ftp_gid != 0 else "root:x:0:\n")
    lines = [
        'ServerName "zev proftpd"', "ServerType standalone", "Port %d" % port,
        "DefaultAddress %s" % args.address, "SocketBindTight on", "UseIPv6 on",
        "User root", "Group root", "RootLogin on", "Umask 022", "AllowOverwrite on",
        "PidFile %s/proftpd.pid" % w, "ScoreboardFile %s/proftpd.scoreboard" % w,
        "DelayEngine off", "WtmpLog off", "UseReverseDNS off", "AuthPAM off",
        "AuthOrder mod_auth_file.c", "AuthUserFile %s/proftpd.passwd" % w,
        "AuthGroupFile %s/proftpd.group" % w, "RequireValidShell off", "DefaultRoot ~",
        "SystemLog %s/proftpd.log" % w, "TransferLog %s/proftpd-transfer.log" % w,
        'LogFormat protocol "%a %u %r -> %s"', "ExtendedLog %s/proftpd-protocol.log ALL protocol" % w,
    ]
    if not args.user:
        lines.append("<Limit LOGIN>\n  DenyUser !ftp\n</Limit>")
    if args.anonymous:
        open_to_anonymous(args.root)
        lines += ["<Anonymous %s>" % args.root, "  User ftp", "  Group ftp",
                  "  UserAlias anonymous ftp", "  RequireValidShell off",
                  "  <Limit WRITE>\n    DenyAll\n  </Limit>", "</Anonymous>"]
    config = os.path.join(w, "proftpd.conf")
    with open(config, "w") as f:
        f.write("\n".join(lines) + "\n")
    run_child(args, [binary, "-n", "-q", "-c", config], port)


# ---- Pure-FTPd ----


def run_pureftpd(args):
    binary = server_binary(args, "pure-ftpd", "usr/sbin/pure-ftpd")
    pure_pw = server_binary(args, "pure-ftpd", "usr/bin/pure-pw")
    if args.tls != "none":
        sys.exit("pure-ftpd runs without TLS here")
    port = args.port or free_port(args.address)
    w = args.work
    command = [binary, "-S", "%s,%d" % (args.address, port), "-H", "-A", "-O",
               "clf:%s/pure-ftpd-transfer.log" % w]
    if args.user:
        # A virtual user in a puredb. Pure-FTPd never lets uid 0 in, so the user is the ftp
        # account, and the served tree becomes that account's to write. Its hash is crypt(3)'s
        # SHA-512: pure-pw's own scrypt hashes cost seconds for every login.
        uid, gid = ftp_account()
        for folder, subfolders, files in os.walk(args.root):
            for name in [folder] + [os.path.join(folder, n) for n in subfolders + files]:
                os.lchown(name, uid, gid)
        with open(os.path.join(w, "pure-ftpd.passwd"), "w") as f:
            f.write("%s:%s:%d:%d::%s/./::::::::::::\n" % (
                account_field(args.user), crypt_sha512(args.password or ""), uid, gid, args.root))
        subprocess.run([pure_pw, "mkdb", os.path.join(w, "pure-ftpd.pdb"), "-f",
                        os.path.join(w, "pure-ftpd.passwd")], check=True,
                       stdin=subprocess.DEVNULL)
        command += ["-l", "puredb:%s/pure-ftpd.pdb" % w]
        if not args.anonymous:
            command.append("-E")
    else:
        command.append("-e")
    if args.anonymous:
        open_to_anonymous(args.root)
        command.append("-i")
    command.append("-d")
    # The anonymous root is the home of the system's "ftp" account: a private one.
    accounts = Accounts(w, [], anonymous_home=args.root if args.anonymous else None,
                        keep_ftp=True, log_socket=True)
    start_syslog_reader(w, os.path.join(w, "pure-ftpd.log"))
    run_child(args, accounts.prefix() + command, port)


# ---- GNU inetutils ftpd ----


def run_inetutils(args):
    binary = server_binary(args, "inetutils-ftpd", "usr/sbin/ftpd")
    if args.tls != "none":
        sys.exit("inetutils ftpd speaks no TLS")
    if " " in binary:
        sys.exit("socat cannot start a program whose path holds a blank: %s" % binary)
    port = args.port or free_port(args.address)
    # inetd's way: one ftpd for every connection, the connection as its standard streams. It
    # checks passwords against /etc/shadow itself ("-a default") and serves anonymous users
    # from the home of the "ftp" account, when there is one.
    users = [(args.user, args.password or "", 0, 0, args.root)] if args.user else []
    if args.anonymous:
        open_to_anonymous(args.root)
    accounts = Accounts(args.work, users, anonymous_home=args.root if args.anonymous else None,
                        log_socket=True)
    start_syslog_reader(args.work, os.path.join(args.work, "inetutils-ftpd.log"))
    if family_of(args.address) == socket.AF_INET6:
        listen = "TCP6-LISTEN:%d,bind=[%s],fork,reuseaddr" % (port, args.address)
    else:
        listen = "TCP-LISTEN:%d,bind=%s,fork,reuseaddr" % (port, args.address)
    command = accounts.prefix() + ["socat", listen, "EXEC:%s -a default -l -l -u 022" % binary + ",nofork"]
    run_child(args, command, port)


# ---- Twisted ----


def run_twisted(args):
    from twisted.cred.checkers import AllowAnonymousAccess, InMemoryUsernamePasswordDatabaseDontUse
    from twisted.cred.portal import Portal
    from twisted.internet import reactor
    from twisted.protocols.ftp import BaseFTPRealm, FTPFactory
    from twisted.python import log
    from twisted.python.filepath import FilePath

    if args.tls != "none":
        sys.exit("Twisted's FTP server speaks no TLS")
    log.startLogging(sys.stderr, setStdout=False)
    root = args.root

    class Realm(BaseFTPRealm):
        # Every user sees the served root (Twisted's own realm gives each a folder below it).
        def getHomeDirectory(self, avatarId):
            return FilePath(root)

    checkers = []
    if args.user:
        users = InMemoryUsernamePasswordDatabaseDontUse()
        users.addUser(args.user, args.password or "")
        checkers.append(users)
    if args.anonymous:
        checkers.append(AllowAnonymousAccess())
    factory = FTPFactory(Portal(Realm(root), checkers))
    factory.allowAnonymous = args.anonymous
    factory.welcomeMessage = "zev twisted ready"
    listener = reactor.listenTCP(args.port, factory, interface=args.address)
    port = listener.getHost().port
    signal.signal(signal.SIGALRM, end_everything)
    signal.alarm(args.lifetime)
    reactor.callWhenRunning(write_port_file, args.portfile, port)
    reactor.callWhenRunning(signal.signal, signal.SIGTERM, end_everything)
    reactor.run(installSignalHandlers=False)


def run(args):
    if args.kind == "vsftpd":
        run_vsftpd(args, debian=False)
    elif args.kind == "vsftpd-debian":
        run_vsftpd(args, debian=True)
    elif args.kind == "proftpd":
        run_proftpd(args)
    elif args.kind == "pureftpd":
        run_pureftpd(args)
    elif args.kind == "inetutils":
        run_inetutils(args)
    elif args.kind == "twisted":
        run_twisted(args)
    else:
        run_pyftpdlib(args)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--kind", choices=KINDS, default="pyftpdlib")
    parser.add_argument("--address", default="127.0.0.1", choices=["127.0.0.1", "::1"],
                        help="the loopback address it binds")
    parser.add_argument("--root", required=True, help="folder served")
    parser.add_argument("--portfile", required=True, help='receives "PORT PID" when ready')
    parser.add_argument("--port", type=int, default=0, help="0 picks a free port")
    parser.add_argument("--user", help="a user who may do everything in the root")
    parser.add_argument("--password")
    parser.add_argument("--anonymous", action="store_true", help="anonymous, read only")
    parser.add_argument("--anonymous-write", action="store_true",
                        help="anonymous, read-write (pyftpdlib)")
    parser.add_argument("--listing", help="file whose lines answer LIST of the root (pyftpdlib)")
    parser.add_argument("--utf8-filesystem", action="store_true",
                        help="vsftpd: utf8_filesystem=YES")
    parser.add_argument("--raw-names", action="store_true",
                        help="pyftpdlib: names as the disk's bytes both ways, in any encoding")
    parser.add_argument("--fill-listed", action="store_true",
                        help="create every file the --listing names that is missing")
    parser.add_argument("--writable", action="append", default=[],
                        help="sub-folder the anonymous user may write to (vsftpd)")
    parser.add_argument("--tls", choices=["none", "explicit", "implicit"], default="none",
                        help="TLS required for logins and data (vsftpd: local users)")
    parser.add_argument("--certificate", help="the server's certificate (PEM)")
    parser.add_argument("--key", help="its private key (PEM)")
    parser.add_argument("--require-ssl-reuse", action="store_true",
                        help="vsftpd: data connections must resume the control's TLS session")
    parser.add_argument("--servers", default=os.path.join(os.path.dirname(HERE), "build", "servers"),
                        help="where scripts/fetch-servers unpacked ProFTPD, Pure-FTPd, inetutils")
    parser.add_argument("--lifetime", type=int, default=120, help="seconds before it ends itself")
    args = parser.parse_args()
    global port_file
    port_file = args.portfile
    try:
        # Wine's paths pass through "dosdevices/c:": a colon has no place in passwd-like files.
        args.root = os.path.realpath(args.root)
        args.work = os.path.dirname(os.path.realpath(args.portfile))
        if ":" in args.root or ":" in args.work:
            sys.exit("a path holds a colon: %s, %s" % (args.root, args.work))
        if args.tls != "none" and not (args.certificate and args.key):
            sys.exit("--tls needs --certificate and --key")
        run(args)
    except BaseException:
        # "0 PID": whoever waits for the port learns at once that the server will not come.
        if not os.path.exists(args.portfile):
            write_port_file(args.portfile, 0)
        raise


if __name__ == "__main__":
    main()
