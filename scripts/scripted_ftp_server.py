#!/usr/bin/python3
"""A scripted FTP server on 127.0.0.1 that plays one hostile or broken behaviour, for tests.

It speaks just enough FTP for a client to log in, list, fetch and store, and misbehaves where
--scenario says. Every command it receives goes to --log, one line each. Once it accepts
connections, "PORT PID" is written to --portfile (aside, then renamed). It ends on SIGTERM or by
itself after --lifetime seconds. Run it detached (setsid, every stream redirected), as
ftp_server.py is run.
"""

import argparse
import os
import signal
import socket
import ssl
import threading
import time

SCENARIOS = [
    "plain",             # behaves
    "silent-greeting",   # accepts and says nothing
    "long-line",         # greeting line of 9 KiB
    "long-reply",        # FEAT reply of 70 KiB in many short lines
    "garbage-greeting",  # a greeting that is no FTP reply
    "no-mlsd",           # FEAT without MLST: LIST only
    "blank-lines",       # listing holding empty and all-blank lines
    "long-listing-line",  # listing holding one 9 KiB line
    "silent-data",       # 150 for LIST and RETR, then the data connection stays silent
    "silent-reply",      # the data arrives, the final reply never does
    "lying-226",         # RETR sends 50,000 of 1,000,000 bytes, then "226"
    "lying-226-nosize",  # the same without SIZE: the listing gives the size
    "cut",               # RETR sends 50,000 bytes, then both connections close
    "pasv-only",         # EPSV refused; PASV names a foreign address
    "active-only",       # EPSV and PASV refused: EPRT / PORT
    "refuse-all",        # every transfer refused with 550
    "trickle-reply",     # the greeting comes one byte a second
    "endless-reply",     # a multi-line greeting whose lines keep coming, one every 0.3 s
    "flood-120",         # "120 wait" every 0.2 s, never a greeting
    "trickle-data",      # 150 for LIST and RETR, then the data one byte a second
    "trickle-retr",      # the same for RETR only
    "endless-listing",   # a LIST answer whose lines never end
    "endless-retr",      # SIZE says 100; RETR streams on and on
    "grown-file",        # no SIZE; the listing says 1,000 bytes, RETR sends 300,000
    "announced-short",   # no SIZE; "150 ... (1000000 bytes)", then 50,000 and "226"
    "thief",             # active only; another address connects to the data port first
    "tls-injection",     # AUTH TLS: "234" and, in the same packet, a clear-text "230" before
                         # the handshake (needs --certificate and --key)
    "tls-clear-data",    # TLS on the control connection (PROT P taken), clear text on the data
    "slow-replies",      # every reply comes a second late
    "slow-probes",       # PWD "/"; the listing holds links, and CWD into one is answered late
    "drip-retr",         # RETR sends 1,100 bytes at a time
]
# A byte, a line or a reply of the slow scenarios comes this often (seconds); the client under
# test waits less than twice that.
TRICKLE_SECONDS = 1.0
GROWN_SIZE = 300000
DRIP_BYTES = 1100

FULL_SIZE = 1000000
CUT_SIZE = 50000


def write_port_file(path, port):
    temp = path + ".part"
    with open(temp, "w") as f:
        f.write("%d %d\n" % (port, os.getpid()))
    os.rename(temp, path)


def payload(size):
    return bytes((i * 7 + 3) & 0xFF for i in range(size))


class Session:
    def __init__(self, conn, args, log):
        self.conn = conn
        self.args = args
        self.scenario = args.scenario
        self.log = log
        self.data_listener = None
        self.active_target = None
        self.buffer = b""

    def send(self, text):
        if isinstance(text, str):
            text = text.encode("utf-8", "surrogateescape")
        self.conn.sendall(text)

    def reply(self, text):
        if self.scenario == "slow-replies":
            time.sleep(TRICKLE_SECONDS)
        self.send(text + "\r\n")

    def read_line(self):
        while b"\n" not in self.buffer:
            chunk = self.conn.recv(4096)
            if not chunk:
                return None
            self.buffer += chunk
        line, self.buffer = self.buffer.split(b"\n", 1)
        return line.rstrip(b"\r").decode("utf-8", "surrogateescape")

    def start_tls(self):
        if self.scenario == "tls-injection":
            # Clear text slipped in after the 234: a client that keeps it reads it as the first
            # reply that came encrypted (a login nobody made).
            self.send("234 Proceed.\r\n230 Logged in without a password.\r\n")
        else:
            self.reply("234 Proceed.")
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(self.args.certificate, self.args.key)
        self.conn = context.wrap_socket(self.conn, server_side=True)

    def open_passive(self):
        if self.data_listener:
            self.data_listener.close()
        self.data_listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.data_listener.bind(("127.0.0.1", 0))
        self.data_listener.listen(1)
        self.active_target = None
        return self.data_listener.getsockname()[1]

    def plant(self, target):
        """A third party on another address (127.0.0.2) connects to the client's data port
        before the server does and offers its own bytes."""
        try:
            thief = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            thief.bind(("127.0.0.2", 0))
            thief.settimeout(5)
            thief.connect(target)
            thief.sendall(b"-rw-r--r-- 1 0 0 6 Dec 09 03:38 THIEF-planted.txt\r\n" * 10)
            self.thief = thief  # kept open: the client decides what to do with it
        except OSError as e:
            self.log.write("thief could not connect: %s\n" % e)
            self.log.flush()

    def data_connection(self):
        if self.active_target:
            s = socket.create_connection(self.active_target, timeout=10)
            self.active_target = None
            return s
        if not self.data_listener:
            return None
        self.data_listener.settimeout(10)
        s, _ = self.data_listener.accept()
        self.data_listener.close()
        self.data_listener = None
        return s

    def listing(self):
        lines = [
            "drwxr-xr-x    2 0        0            4096 Dec 09 03:38 my dir",
            "-rw-r--r--    1 0        0         %d Dec 09 03:38 big.bin" % FULL_SIZE,
            "-rw-r--r--    1 0        0               6 Dec 09 03:38 my file.txt",
        ]
        if self.scenario == "blank-lines":
            lines = ["", "   ", lines[0], "\t", "", lines[1], " ", lines[2], ""]
        if self.scenario == "grown-file":
            lines[1] = "-rw-r--r--    1 0        0            1000 Dec 09 03:38 big.bin"
        if self.scenario == "slow-probes":
            lines += ["lrwxrwxrwx    1 0        0               7 Dec 09 03:38 link%d -> big.bin"
                      % i for i in range(1, 4)]
        if self.scenario == "long-listing-line":
            lines = [lines[0], "-rw-r--r-- 1 0 0 1 Dec 09 03:38 " + "x" * 9000, lines[1],
                     lines[2]]
        return ("\r\n".join(lines) + "\r\n").encode()

    def feat(self):
        if self.scenario == "long-reply":
            body = "".join(" X-%05d padding padding padding padding padding\r\n" % i
                           for i in range(1500))
            self.send("211-Features:\r\n" + body + "211 End\r\n")
            return
        features = [" EPSV", " PASV", " UTF8"]
        if self.scenario not in ("lying-226-nosize", "grown-file", "announced-short"):
            features.append(" SIZE")
        if self.scenario not in ("no-mlsd", "blank-lines", "long-listing-line",
                                 "lying-226-nosize", "grown-file", "endless-listing",
                                 "trickle-data", "slow-probes"):
            features.append(" MLST type*;size*;modify*;")
        self.send("211-Features:\r\n" + "\r\n".join(features) + "\r\n211 End\r\n")

    def transfer(self, verb, arg):
        if self.scenario == "refuse-all":
            self.reply("550 Refused.")
            return True
        if self.scenario == "announced-short":
            self.reply("150 Opening BINARY mode data connection for %s (%d bytes)."
                       % (arg, FULL_SIZE))
        else:
            self.reply("150 Here it comes.")
        if self.scenario == "silent-data":
            time.sleep(self.args.lifetime)
            return False
        data = self.data_connection()
        if data is None:
            self.reply("425 No data connection.")
            return True
        if (self.scenario == "trickle-data" and verb in ("LIST", "RETR")) or \
                (self.scenario == "trickle-retr" and verb == "RETR"):
            for byte in self.listing() if verb == "LIST" else payload(FULL_SIZE):
                data.sendall(bytes([byte]))
                time.sleep(TRICKLE_SECONDS)
        elif self.scenario == "endless-listing" and verb == "LIST":
            block = b"".join(b"-rw-r--r-- 1 0 0 6 Dec 09 03:38 file%07d.txt\r\n" % i
                             for i in range(1000))
            while True:
                data.sendall(block)
        elif self.scenario == "drip-retr" and verb == "RETR":
            for _ in range(0, FULL_SIZE, DRIP_BYTES):
                data.sendall(payload(DRIP_BYTES))
                time.sleep(TRICKLE_SECONDS)
        elif self.scenario == "endless-retr" and verb == "RETR":
            block = payload(65536)
            while True:
                data.sendall(block)
        elif verb in ("LIST", "MLSD"):
            if verb == "MLSD":
                body = (b"type=dir;modify=20261209033800; my dir\r\n"
                        b"type=file;size=%d;modify=20261209033800; big.bin\r\n"
                        b"type=file;size=6;modify=20261209033800; my file.txt\r\n"
                        b"type=file;size=3;modify=20261209033800; caf\xc3\xa9.txt\r\n"
                        b"type=file;size=3;modify=20261209033800; \xe4\xb8\xad.txt\r\n"
                        % FULL_SIZE)
            else:
                body = self.listing()
            data.sendall(body)
        elif verb == "RETR":
            if self.scenario == "grown-file":
                data.sendall(payload(GROWN_SIZE))
            elif self.scenario in ("lying-226", "lying-226-nosize", "cut", "announced-short"):
                data.sendall(payload(CUT_SIZE))
                if self.scenario == "cut":
                    data.close()
                    self.conn.close()
                    return False
            else:
                data.sendall(payload(FULL_SIZE if "big" in arg else 6))
        elif verb == "STOR":
            data.settimeout(10)
            while data.recv(65536):
                pass
        data.close()
        if self.scenario == "silent-reply":
            time.sleep(self.args.lifetime)
            return False
        self.reply("226 Transfer complete.")
        return True

    def run(self):
        if self.scenario == "silent-greeting":
            time.sleep(self.args.lifetime)
            return
        if self.scenario == "trickle-reply":
            for c in "220 scripted server ready\r\n":
                self.send(c)
                time.sleep(TRICKLE_SECONDS)
        elif self.scenario == "endless-reply":
            self.send("220-Welcome.\r\n")
            while True:
                self.send("220-Still welcoming you.\r\n")
                time.sleep(0.3)
        elif self.scenario == "flood-120":
            while True:
                self.reply("120 Ready in a minute.")
                time.sleep(0.2)
        elif self.scenario == "long-line":
            self.reply("220 " + "x" * 9000)
        elif self.scenario == "garbage-greeting":
            self.reply("SSH-2.0-OpenSSH_9.2")
        else:
            self.reply("220 scripted server ready")
        while True:
            line = self.read_line()
            if line is None:
                return
            self.log.write(line + "\n")
            self.log.flush()
            verb, _, arg = line.partition(" ")
            verb = verb.upper()
            if verb == "USER":
                self.reply("331 Password?")
            elif verb == "PASS":
                if arg == "wrong":
                    self.reply("530 Login incorrect.")
                else:
                    self.reply("230 Logged in.")
            elif verb == "PWD" and self.scenario == "slow-probes":
                self.reply('257 "/" is the current directory.')
            elif verb == "CWD" and self.scenario == "slow-probes":
                if arg == "/":
                    self.reply("250 OK.")
                else:
                    time.sleep(TRICKLE_SECONDS)
                    self.reply("550 Not a folder.")
            elif verb == "FEAT":
                self.feat()
            elif verb in ("TYPE", "OPTS"):
                self.reply("200 OK.")
            elif verb == "EPSV":
                if self.scenario in ("pasv-only", "active-only", "thief"):
                    self.reply("500 EPSV not understood.")
                else:
                    self.reply("229 Entering Extended Passive Mode (|||%d|)" % self.open_passive())
            elif verb == "PASV":
                if self.scenario in ("active-only", "thief"):
                    self.reply("500 PASV not understood.")
                else:
                    port = self.open_passive()
                    # A foreign address: the client must go to the peer it talks to.
                    self.reply("227 Entering Passive Mode (10,255,255,1,%d,%d)."
                               % (port // 256, port % 256))
            elif verb == "EPRT":
                parts = arg.split(arg[0]) if arg else []
                if len(parts) >= 4:
                    self.active_target = (parts[2], int(parts[3]))
                    if self.scenario == "thief":
                        self.plant(self.active_target)
                    self.reply("200 EPRT OK.")
                else:
                    self.reply("501 Bad EPRT.")
            elif verb == "PORT":
                n = arg.split(",")
                self.active_target = (".".join(n[:4]), int(n[4]) * 256 + int(n[5]))
                self.reply("200 PORT OK.")
            elif verb == "SIZE":
                if self.scenario == "lying-226-nosize":
                    self.reply("500 SIZE not understood.")
                elif self.scenario == "endless-retr":
                    self.reply("213 100")
                elif "big" in arg:
                    self.reply("213 %d" % FULL_SIZE)
                else:
                    self.reply("213 6")
            elif verb in ("LIST", "MLSD", "RETR", "STOR"):
                if not self.transfer(verb, arg):
                    return
            elif verb == "DELE":
                self.reply("250 Deleted.")
            elif verb == "MKD":
                self.reply('257 "%s" created.' % arg)
            elif verb == "AUTH" and self.args.certificate:
                self.start_tls()
            elif verb in ("PBSZ", "PROT"):
                self.reply("200 OK.")
            elif verb == "QUIT":
                self.reply("221 Bye.")
                return
            else:
                self.reply("502 Not implemented.")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--scenario", choices=SCENARIOS, default="plain")
    parser.add_argument("--portfile", required=True)
    parser.add_argument("--log", required=True, help="receives every command, one a line")
    parser.add_argument("--lifetime", type=int, default=60)
    parser.add_argument("--certificate", help="PEM of the certificate AUTH TLS offers")
    parser.add_argument("--key", help="its private key")
    args = parser.parse_args()

    signal.signal(signal.SIGTERM, lambda *_: os._exit(0))
    signal.signal(signal.SIGALRM, lambda *_: os._exit(0))
    signal.alarm(args.lifetime)
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(8)
    # A command's bytes that are no UTF-8 (a name in code page 1252) are logged as they came.
    log = open(args.log, "a", encoding="utf-8", errors="surrogateescape")
    write_port_file(args.portfile, listener.getsockname()[1])
    while True:
        conn, _ = listener.accept()

        def serve(c=conn):
            try:
                Session(c, args, log).run()
            except OSError:
                pass
            finally:
                c.close()

        threading.Thread(target=serve, daemon=True).start()


if __name__ == "__main__":
    main()
