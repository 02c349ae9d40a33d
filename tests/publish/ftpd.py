#!/usr/bin/python3
"""A pyftpdlib server on 127.0.0.1 for the FTP client's tests and benchmark.

Prints the port it listens on (a free one) on a line of its own, then serves
until it is terminated.

  ftpd.py --user U --password P --home DIR [--full-disk] [--throttle BYTES]
"""
import argparse
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


class FullDiskHandler(FTPHandler):
    """Refuses every upload as if the disk were full."""

    def ftp_STOR(self, file, mode='w'):
        self.respond("452 Insufficient storage space.")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--user", required=True)
    ap.add_argument("--password", required=True)
    ap.add_argument("--home", required=True)
    ap.add_argument("--full-disk", action="store_true")
    ap.add_argument("--throttle", type=int, default=0,
                    help="bytes per second for data connections, both ways")
    args = ap.parse_args()

    logging.basicConfig(level=logging.CRITICAL)
    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.home, perm="elradfmwMT")

    handler = FullDiskHandler if args.full_disk else FTPHandler
    handler.authorizer = authorizer
    handler.banner = "Quor test server ready."
    handler.masquerade_address = None
    handler.auth_failed_timeout = 0.05
    if args.throttle > 0:
        dtp = ThrottledDTPHandler
        dtp.read_limit = args.throttle
        dtp.write_limit = args.throttle
        handler.dtp_handler = dtp

    server = FTPServer(("127.0.0.1", 0), handler)
    server.max_cons = 64
    print(server.address[1], flush=True)
    try:
        server.serve_forever(handle_exit=True)
    finally:
        server.close_all()


if __name__ == "__main__":
    sys.exit(main())
