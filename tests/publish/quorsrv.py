#!/usr/bin/python3
"""A stand-in for the publishing server's extension, for the tests.

Serves the files under --root (GET, HEAD) and answers the upload program's
POSTs at --upload (AUTHINI, GETMYRIGHTS, MPUT, DEL, CHPASS) for one account.
Prints its port on a line of its own, then serves until terminated.

Faults are switched on by the lines of ROOT/faults.txt (read at every
request), "name=value":
  challenge=N     AUTHINI answers a challenge of N characters
  mput_empty=1    MPUT answers an empty body
  refuse=TEXT     MPUT, DEL and CHPASS answer TEXT (a refusal, "N...")
  fail_mput=N     the N-th MPUT (counted from 1) is refused with "N errore"
  fail_mput_name=NAME   every MPUT of NAME is refused
  fail_rollback=1 after such a refusal every later MPUT is refused too
  status=CODE     every answer is an HTTP error CODE (500, 404)
  status_get=CODE GET and HEAD of lista.html answer CODE
  short=1         answers announce a Content-Length longer than their body
  slow=SECONDS    waits before answering
  reset=1         closes the connection without an answer
  big_head=N      adds N header lines to every answer
  huge_length=1   announces a body of 20 MiB
Every request is logged to ROOT/requests.log as "ACTION ARG" (or "GET path").
"""
import argparse
import hashlib
import os
import secrets
import socket
import struct
import sys
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

from cryptography.hazmat.primitives.ciphers import Cipher, algorithms, modes

ARGS = None
STATE = {"challenge": None, "password": None, "mputs": 0}


def letters(data):
    return "".join(chr(65 + (b & 15)) + chr(65 + (b >> 4)) for b in data)


def unletters(text):
    out = bytearray()
    for i in range(0, len(text) - 1, 2):
        out.append((ord(text[i]) - 65) | ((ord(text[i + 1]) - 65) << 4))
    return bytes(out)


def faults():
    f = {}
    try:
        with open(os.path.join(ARGS.root, "faults.txt")) as fh:
            for line in fh:
                line = line.strip()
                if "=" in line:
                    k, v = line.split("=", 1)
                    f[k] = v
    except OSError:
        pass
    return f


def log(text):
    with open(os.path.join(ARGS.root, "requests.log"), "a", encoding="latin-1") as fh:
        fh.write(text + "\n")


def des_decrypt(key, data):
    try:
        from cryptography.hazmat.decrepit.ciphers.algorithms import TripleDES
    except ImportError:
        TripleDES = algorithms.TripleDES
    d = Cipher(TripleDES(key * 3), modes.ECB()).decryptor()
    return d.update(data) + d.finalize()


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *a):
        pass

    def answer(self, code, body, f):
        if "slow" in f:
            time.sleep(float(f["slow"]))
        if f.get("reset") == "1":
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            self.close_connection = True
            return
        if "status" in f:
            code, body = int(f["status"]), b"errore"
        self.send_response(code)
        length = len(body) + (100 if f.get("short") == "1" else 0)
        if f.get("huge_length") == "1":
            length = 20 << 20
        for i in range(int(f.get("big_head", "0"))):
            self.send_header("X-Riempitivo-%d" % i, "x")
        self.send_header("Content-Length", str(length))
        self.send_header("Content-Type", "text/html")
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def serve_file(self):
        f = faults()
        log("%s %s" % (self.command, self.path))
        path = os.path.normpath(os.path.join(ARGS.root, self.path.lstrip("/")))
        if "status_get" in f and self.path.endswith("lista.html"):
            return self.answer(int(f["status_get"]), b"", {k: v for k, v in f.items() if k != "status"})
        if not path.startswith(os.path.abspath(ARGS.root)) or not os.path.isfile(path):
            return self.answer(404, b"not found", f)
        with open(path, "rb") as fh:
            self.answer(200, fh.read(), f)

    do_GET = serve_file
    do_HEAD = serve_file

    def do_POST(self):
        f = faults()
        length = int(self.headers.get("Content-Length", "0"))
        body = self.rfile.read(length)
        # http.server folds the leading "//" of the default address into one.
        if self.path.lstrip("/") != ARGS.upload.lstrip("/"):
            return self.answer(404, b"", f)
        lines = body.split(b"\r\n", 6)
        params = [l.decode("latin-1") for l in lines[:6]]
        user, pw, base, actn, arg = (params + [""] * 5)[:5]
        user, pw, base, actn = user[5:], pw[5:], base[5:], actn[5:]
        log("%s %s" % (actn, arg if actn != "CHPASS" else "******"))
        if user != ARGS.user:
            return self.answer(200, b"N utente sconosciuto", f)
        if actn == "AUTHINI":
            n = int(f.get("challenge", "32"))
            STATE["challenge"] = secrets.token_hex(32)[:n].upper()
            return self.answer(200, STATE["challenge"].encode() + b"\r\n", f)
        if actn == "GETMYRIGHTS":
            rights = "".join("%s %s %s %s\r\n" % (ARGS.user, s[0], s[1], s[2]) for s in SECTIONS)
            return self.answer(200, rights.encode("latin-1"), f)
        challenge, STATE["challenge"] = STATE["challenge"], None
        expect = letters(hashlib.md5((challenge or "").encode() + STATE["password"].encode("latin-1")).digest())
        if challenge is None or pw != expect:
            return self.answer(200, b"N password errata", f)
        if "refuse" in f:
            return self.answer(200, f["refuse"].encode("latin-1"), f)
        section = next((s for s in SECTIONS if s[0] == base), None)
        if actn == "CHPASS":
            key = bytes(b or 1 for b in hashlib.md5(STATE["password"].encode("latin-1")).digest()[:8])
            STATE["password"] = des_decrypt(key, unletters(arg)).rstrip(b"\r").decode("latin-1")
            log("NEWPASS " + STATE["password"])
            return self.answer(200, b"Y", f)
        if section is None:
            return self.answer(200, b"N sezione sconosciuta", f)
        folder = os.path.join(ARGS.root, section[1])
        name = os.path.basename(arg)
        if actn == "MPUT":
            STATE["mputs"] += 1
            if f.get("mput_empty") == "1":
                return self.answer(200, b"", f)
            if f.get("fail_rollback") == "1" and STATE.get("refused"):
                return self.answer(200, b"N errore di scrittura", f)
            if f.get("fail_mput_name") == name:
                STATE["refused"] = f.get("fail_rollback") == "1"
                return self.answer(200, b"N errore di scrittura", f)
            if str(STATE["mputs"]) == f.get("fail_mput"):
                return self.answer(200, b"N errore di scrittura", f)
            size = int(lines[5].decode()) if len(lines) > 5 else 0
            data = lines[6] if len(lines) > 6 else b""
            if len(data) != size:
                return self.answer(200, b"N lunghezza errata", f)
            os.makedirs(folder, exist_ok=True)
            with open(os.path.join(folder, name), "wb") as fh:
                fh.write(data)
            return self.answer(200, b"Y", f)
        if actn == "DEL":
            try:
                os.remove(os.path.join(folder, name))
            except OSError:
                return self.answer(200, b"N file inesistente", f)
            return self.answer(200, b"Y", f)
        return self.answer(200, b"N azione sconosciuta", f)


SECTIONS = []


def main():
    global ARGS
    ap = argparse.ArgumentParser()
    ap.add_argument("--root", required=True)
    ap.add_argument("--user", default="autore")
    ap.add_argument("--password", default="segreto")
    ap.add_argument("--upload", default="//scripts/cgi-quor/quorupd.dll")
    ap.add_argument("--section", action="append", default=[],
                    help="BASE PATH DESCRIPTION[;;QUOTA] separated by '|'")
    ARGS = ap.parse_args()
    STATE["password"] = ARGS.password
    for s in ARGS.section or ["uno|sezioni/uno/|Prima sezione"]:
        SECTIONS.append(tuple(s.split("|", 2)))
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    print(server.server_address[1], flush=True)
    try:
        server.serve_forever()
    finally:
        server.server_close()


if __name__ == "__main__":
    sys.exit(main())
