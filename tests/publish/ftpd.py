#!/usr/bin/python3
"""A pyftpdlib server on 127.0.0.1 for the FTP client's tests and benchmark.

Prints the port it listens on (a free one) on a line of its own, then serves
until it is terminated.

  ftpd.py --user U --password P --home DIR [--full-disk] [--throttle BYTES]
          [--fail-stor N] [--log FILE]

--fail-stor N refuses the N-th upload (counted from 1) and only that one;
--log FILE appends "STOR <path>" for every upload accepted, so that a test can
count what travelled.
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


class CountingHandler(FTPHandler):
    """Logs every file received and can refuse one chosen upload."""

    fail_stor = 0
    log_file = None
    stor_count = 0

    def ftp_STOR(self, file, mode='w'):
        CountingHandler.stor_count += 1
        if CountingHandler.stor_count == CountingHandler.fail_stor:
            self.respond("451 Requested action aborted (test).")
            return
        # Logged when the command arrives: the client reads the log in the
        # order it sent its commands.
        if CountingHandler.log_file:
            with open(CountingHandler.log_file, "a") as f:
                f.write("STOR %s\n" % file)
        return FTPHandler.ftp_STOR(self, file, mode)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--user", required=True)
    ap.add_argument("--password", required=True)
    ap.add_argument("--home", required=True)
    ap.add_argument("--full-disk", action="store_true")
    ap.add_argument("--throttle", type=int, default=0,
                    help="bytes per second for data connections, both ways")
    ap.add_argument("--fail-stor", type=int, default=0)
    ap.add_argument("--log", default=None)
    args = ap.parse_args()

    logging.basicConfig(level=logging.CRITICAL)
    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.home, perm="elradfmwMT")

    handler = FullDiskHandler if args.full_disk else CountingHandler
    CountingHandler.fail_stor = args.fail_stor
    CountingHandler.log_file = args.log
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
