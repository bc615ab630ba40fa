#!/usr/bin/python3
"""Logs in to an FTP server over explicit TLS, checking its certificate against --cafile, and
prints the listing of the login folder; for the harness tests.

The data connection's TLS handshake comes after the 1xx reply to LIST, as Windows' Schannel
clients do it and pyftpdlib requires (curl shakes hands at once, which pyftpdlib drops).
"""

import argparse
import ftplib
import ssl
import sys


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--host", required=True)
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--cafile", required=True)
    args = parser.parse_args()
    context = ssl.create_default_context(cafile=args.cafile)
    ftp = ftplib.FTP_TLS(context=context, timeout=10)
    try:
        ftp.connect(args.host, args.port)
        ftp.login(args.user, args.password)
        ftp.prot_p()
        ftp.retrlines("LIST")
        ftp.quit()
    except (OSError, ftplib.Error) as e:
        sys.exit("ftp_tls_probe: %s" % e)


if __name__ == "__main__":
    main()
