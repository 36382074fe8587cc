#!/usr/bin/env python3
"""Loopback HTTP server for the session tests.

Prints "PORT <n>" once listening on 127.0.0.1, then serves until stdin
closes or SIGTERM. Every request is appended to the log file as a block:
"REQUEST <conn> <proxied 0|1>", "LINE <request line>", one "H <name>: <value>"
per header in wire order, "END". A closed connection is logged as
"CLOSED <conn>". Requests in absolute form
("GET http://host/path HTTP/1.1") are answered like origin-form ones, so
the server doubles as an HTTP proxy that never contacts anything.

The path picks the answer (query strings are ignored):
  /ok            200 "hello"
  /empty         200 with an empty body
  /notfound      404 with an HTML body
  /redirect      302 to /ok with the body "moved"
  /auth401       401 unless "Authorization" is Basic user:pass
  /auth407       407 unless "Proxy-Authorization" is Basic puser:ppass
  /gzip          200, Content-Encoding gzip, a fixed non-gzip body
  /chunked       200 "hello world" in chunked encoding
  /truncated     Content-Length 100, 10 bytes, then close
  /close         close without an answer
  /stall         accept and never answer (gives up after 30 s)
  /huge          an endless body without length (gives up after 300 MiB)
"""
import base64
import socket
import socketserver
import sys
import threading
import time

LOG_LOCK = threading.Lock()
LOG_FILE = None
NEXT_CONN = [0]


def log(text):
    with LOG_LOCK:
        with open(LOG_FILE, "a") as f:
            f.write(text)


def basic(user, password):
    return "Basic " + base64.b64encode(f"{user}:{password}".encode()).decode()


def answer(status, reason, body=b"", extra=()):
    head = [f"HTTP/1.1 {status} {reason}", f"Content-Length: {len(body)}"]
    head += list(extra)
    return ("\r\n".join(head) + "\r\n\r\n").encode() + body


class Handler(socketserver.StreamRequestHandler):
    def handle(self):
        with LOG_LOCK:
            NEXT_CONN[0] += 1
            conn = NEXT_CONN[0]
        try:
            while self.serve_one(conn):
                pass
        except (ConnectionError, OSError):
            pass
        finally:
            log(f"CLOSED {conn}\n")

    def read_request(self):
        line = self.rfile.readline(65536)
        if not line:
            return None, None
        headers = []
        while True:
            h = self.rfile.readline(65536)
            if h in (b"\r\n", b"\n", b""):
                break
            name, _, value = h.decode("latin-1").rstrip("\r\n").partition(":")
            headers.append([name, value.strip()])
        return line.decode("latin-1").rstrip("\r\n"), headers

    def serve_one(self, conn):
        request_line, headers = self.read_request()
        if request_line is None:
            return False
        target = request_line.split(" ")[1] if " " in request_line else "/"
        proxied = target.startswith("http://")
        if proxied:
            target = "/" + target[len("http://"):].partition("/")[2]
        length = next((int(v) for n, v in headers if n.lower() == "content-length"), 0)
        if length:
            self.rfile.read(length)
        lines = [f"REQUEST {conn} {int(proxied)}", f"LINE {request_line}"]
        lines += [f"H {n}: {v}" for n, v in headers]
        lines.append("END")
        log("\n".join(lines) + "\n")
        header = {n.lower(): v for n, v in headers}
        return self.respond(target.partition("?")[0], header)

    def respond(self, path, header):
        out = self.wfile
        if path == "/ok":
            out.write(answer(200, "OK", b"hello"))
        elif path == "/empty":
            out.write(answer(200, "OK"))
        elif path == "/notfound":
            out.write(answer(404, "Not Found", b"<html>no such page</html>"))
        elif path == "/redirect":
            out.write(answer(302, "Found", b"moved", ["Location: /ok"]))
        elif path == "/auth401":
            if header.get("authorization") == basic("user", "pass"):
                out.write(answer(200, "OK", b"secret"))
            else:
                out.write(answer(401, "Unauthorized", b"denied",
                                 ['WWW-Authenticate: Basic realm="test"']))
        elif path == "/auth407":
            if header.get("proxy-authorization") == basic("puser", "ppass"):
                out.write(answer(200, "OK", b"through"))
            else:
                out.write(answer(407, "Proxy Authentication Required", b"denied",
                                 ['Proxy-Authenticate: Basic realm="proxy"']))
        elif path == "/gzip":
            out.write(answer(200, "OK", b"not really gzip", ["Content-Encoding: gzip"]))
        elif path == "/chunked":
            out.write(b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                      b"6\r\nhello \r\n5\r\nworld\r\n0\r\n\r\n")
        elif path == "/truncated":
            out.write(b"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0123456789")
            return False
        elif path == "/close":
            return False
        elif path == "/stall":
            self.stall()
            return False
        elif path == "/huge":
            self.endless()
            return False
        else:
            out.write(answer(500, "Unknown Script", b"unknown path"))
        out.flush()
        return True

    def stall(self):
        self.request.settimeout(0.2)
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline:
            try:
                if self.request.recv(1) == b"":
                    return
            except socket.timeout:
                continue

    def endless(self):
        self.wfile.write(b"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n")
        chunk = b"x" * (1 << 20)
        for _ in range(300):
            self.wfile.write(chunk)


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    global LOG_FILE
    LOG_FILE = sys.argv[1]
    open(LOG_FILE, "w").close()
    server = Server(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    print("PORT", server.server_address[1], flush=True)
    # The owning test holds our stdin; when it goes, so do we.
    sys.stdin.read()
    server.shutdown()


if __name__ == "__main__":
    main()
