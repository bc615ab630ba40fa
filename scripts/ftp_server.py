#!/usr/bin/python3
"""A throw-away FTP server on 127.0.0.1 for the tests and the demo of scripts/run.

Serves a folder with pyftpdlib (optionally with a scripted LIST answer, to play a hostile or
broken server) or runs vsftpd in the foreground with a generated configuration. Once the server
accepts connections, "PORT PID" is written to --portfile (written aside, then renamed, so a
reader never sees half a line). The server ends on SIGTERM, or by itself after --lifetime
seconds so that a test that dies never leaves it behind.

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
import time


def write_port_file(path, port):
    temp = path + ".part"
    with open(temp, "w") as f:
        f.write("%d %d\n" % (port, os.getpid()))
    os.rename(temp, path)


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def accepts(port):
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=0.2) as s:
            s.recv(64)
            return True
    except OSError:
        return False


# Files (and folders) fill_listed_files made; removed again on the way out, since their Linux
# names may be ones the test's Windows side cannot name to remove them.
created = []


def on_term(signum, frame):
    # Nothing else to save: the kernel closes the sockets, and a test waits for the process.
    for path in reversed(created):
        try:
            os.rmdir(path) if os.path.isdir(path) else os.remove(path)
        except OSError:
            pass
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

    handler = type("Handler", (FTPHandler,), {})
    if scripted is not None:
        # The scripted answer is LIST's: a client that reads MLSD must not be offered it.
        handler.proto_cmds = {k: v for k, v in FTPHandler.proto_cmds.items()
                              if k not in ("MLSD", "MLST")}
    handler.authorizer = authorizer
    handler.abstracted_fs = ScriptedFS
    handler.banner = "zev test server ready"
    # A refused login answers at once: tests try wrong passwords on purpose.
    handler.auth_failed_timeout = 0

    server = FTPServer(("127.0.0.1", args.port), handler)
    port = server.socket.getsockname()[1]
    signal.signal(signal.SIGTERM, on_term)
    signal.signal(signal.SIGALRM, on_term)
    signal.alarm(args.lifetime)
    write_port_file(args.portfile, port)
    server.serve_forever(timeout=0.5)


def run_vsftpd(args):
    port = args.port or free_port()
    ftp_user = pwd.getpwnam("ftp")
    os.makedirs("/var/run/vsftpd/empty", exist_ok=True)
    # vsftpd refuses an anonymous root the anonymous user may write to; uploads go below it.
    os.chmod(args.root, 0o755)
    for sub in args.writable:
        path = os.path.join(args.root, sub)
        os.makedirs(path, exist_ok=True)
        os.chown(path, ftp_user.pw_uid, ftp_user.pw_gid)
        os.chmod(path, 0o777)
    config = os.path.join(os.path.dirname(os.path.abspath(args.portfile)), "vsftpd.conf")
    log = os.path.join(os.path.dirname(os.path.abspath(args.portfile)), "vsftpd.log")
    lines = [
        "listen=YES", "listen_ipv6=NO", "listen_address=127.0.0.1", "listen_port=%d" % port,
        "background=NO", "seccomp_sandbox=NO", "anonymous_enable=YES", "local_enable=NO",
        "anon_root=%s" % args.root, "no_anon_password=YES", "write_enable=YES",
        "anon_upload_enable=YES", "anon_mkdir_write_enable=YES", "anon_other_write_enable=YES",
        "anon_umask=022", "connect_from_port_20=NO", "port_enable=YES", "pasv_enable=YES",
        "pasv_address=127.0.0.1", "xferlog_enable=YES", "xferlog_std_format=NO",
        "log_ftp_protocol=YES", "vsftpd_log_file=%s" % log, "dirmessage_enable=NO",
        "use_localtime=NO", "ftpd_banner=zev vsftpd ready",
    ]
    with open(config, "w") as f:
        f.write("\n".join(lines) + "\n")
    child = subprocess.Popen(["/usr/sbin/vsftpd", config], stdin=subprocess.DEVNULL)

    def stop(signum=None, frame=None):
        if child.poll() is None:
            child.terminate()
            try:
                child.wait(5)
            except subprocess.TimeoutExpired:
                child.kill()
        sys.exit(0)

    signal.signal(signal.SIGTERM, stop)
    deadline = time.monotonic() + args.lifetime
    while not accepts(port):
        if child.poll() is not None:
            sys.exit("vsftpd ended with %s" % child.returncode)
        if time.monotonic() > deadline:
            stop()
        time.sleep(0.05)
    write_port_file(args.portfile, port)
    while time.monotonic() < deadline and child.poll() is None:
        time.sleep(0.2)
    stop()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--kind", choices=["pyftpdlib", "vsftpd"], default="pyftpdlib")
    parser.add_argument("--root", required=True, help="folder served")
    parser.add_argument("--portfile", required=True, help='receives "PORT PID" when ready')
    parser.add_argument("--port", type=int, default=0, help="0 picks a free port")
    parser.add_argument("--user", help="a user with every permission (pyftpdlib)")
    parser.add_argument("--password")
    parser.add_argument("--anonymous", action="store_true", help="anonymous, read only")
    parser.add_argument("--anonymous-write", action="store_true", help="anonymous, read-write")
    parser.add_argument("--listing", help="file whose lines answer LIST of the root (pyftpdlib)")
    parser.add_argument("--fill-listed", action="store_true",
                        help="create every file the --listing names that is missing")
    parser.add_argument("--writable", action="append", default=[],
                        help="sub-folder the anonymous user may write to (vsftpd)")
    parser.add_argument("--lifetime", type=int, default=120, help="seconds before it ends itself")
    args = parser.parse_args()
    args.root = os.path.abspath(args.root)
    if args.kind == "vsftpd":
        run_vsftpd(args)
    else:
        run_pyftpdlib(args)


if __name__ == "__main__":
    main()
