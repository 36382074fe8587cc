"""One connection to a listener: logs each request, applies a fault or answers."""

import json
import select
import socket
import struct
from http.server import BaseHTTPRequestHandler
from urllib.parse import parse_qs, urlsplit

from . import eps, ops32, ppubs, services
from .catalog import Catalog
from .faults import FaultError

# Bodies are control data or a POST the program never makes: a few MiB at most.
MAX_BODY = 64 * 1024 * 1024
# The part of a Patent Public Search call's body the log keeps.
LOGGED_BODY = 4096

STAND_IN_HTML = ("<html><head><title>Service Unavailable</title></head>\n<body>\n"
                 "<h1>Service Unavailable</h1>\n<p>The server is busy. Please try again later.</p>\n"
                 "</body></html>\n")


class Request:
    """What an answer may depend on beyond the path."""

    def __init__(self, method, headers, body):
        self.method = method
        self.headers = headers
        self.body = body


class BodyTooLarge(ValueError):
    def __init__(self, length):
        super().__init__("request body of %d bytes is too large" % length)


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "office-sim/1"
    sys_version = ""

    def setup(self):
        super().setup()
        self.entry = None
        self.answer_service = None
        self.tls = self.server.tls_context is not None
        # Head and body go out in two writes; without this the body waits
        # for the client's delayed ACK (about 40 ms a request).
        self.connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        self.state = self.server.state
        self.conn_id = self.state.next_conn()

    def log_message(self, fmt, *args):
        pass

    def do_GET(self):
        try:
            self.dispatch()
        except BodyTooLarge as e:
            self.close_connection = True
            self.send(services.html_page(413, "Request Entity Too Large", str(e)))

    do_POST = do_PUT = do_HEAD = do_DELETE = do_GET

    # request shape

    def _target(self):
        """(service, origin path, absolute url or None) of this request."""
        if not self.path.lower().startswith("http://"):
            return self.server.service, self.path, None
        parts = urlsplit(self.path)
        origin = parts.path or "/"
        if parts.query:
            origin += "?" + parts.query
        service = None
        if parts.hostname in ("127.0.0.1", "localhost"):
            try:
                service = self.state.service_at(parts.port or 80)
            except ValueError:
                service = None
        return service, origin, self.path

    def _read_body(self):
        try:
            length = int(self.headers.get("Content-Length", 0))
        except ValueError:
            length = 0
        if length > MAX_BODY:
            raise BodyTooLarge(length)
        return self.rfile.read(length) if length > 0 else b""

    # answers

    def _note(self, status):
        # Logged before the client can see the answer, so a client that has
        # its answer also finds the request in the log file.
        entry, self.entry = self.entry, None
        if entry is not None:
            self.state.answered(entry, status)

    def send(self, response, truncate=False):
        self._note(response.status)
        self.send_response(response.status)
        self.send_header("Content-Type", response.ctype)
        self.send_header("Content-Length", str(len(response.body)))
        for name, value in response.headers:
            self.send_header(name, value)
        if self.answer_service == ops32.SERVICE and response.throttling and \
                not any(name == "X-Throttling-Control" for name, _ in response.headers):
            throttling = self.state.ops.throttling_header(self.path)
            if throttling is not None:
                self.send_header("X-Throttling-Control", throttling)
        if self.close_connection:
            self.send_header("Connection", "close")
        self.end_headers()
        body = response.body[:len(response.body) // 2] if truncate else response.body
        if self.command != "HEAD":
            self.wfile.write(body)
        self.wfile.flush()
        return response.status

    def _drop(self, hard):
        """Ends the connection without an answer: RST when hard, else FIN."""
        self._note(0)
        self.close_connection = True
        try:
            if hard:
                self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER,
                                           struct.pack("ii", 1, 0))
            else:
                self.connection.shutdown(socket.SHUT_RDWR)
            self.connection.close()
        except OSError:
            pass
        return 0

    def _raw(self, data):
        """Sends `data` as the whole answer, without a status line or head, and closes."""
        self._note(0)
        self.close_connection = True
        self.wfile.write(data if isinstance(data, bytes) else data.encode("utf-8"))
        self.wfile.flush()
        return self._drop(hard=False)

    def _drip(self, response, ms):
        """Sends the head at once and the body a byte every `ms` until the client goes."""
        self._note(response.status)
        self.close_connection = True
        self.send_response(response.status)
        self.send_header("Content-Type", response.ctype)
        self.send_header("Content-Length", str(len(response.body)))
        for name, value in response.headers:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.flush()
        try:
            for i in range(len(response.body)):
                if self.state.stopping.wait(ms / 1000.0):
                    break
                self.wfile.write(response.body[i:i + 1])
                self.wfile.flush()
        except OSError:
            pass
        return self._drop(hard=False)

    def _hang(self):
        """Answers nothing until the client goes or the simulator stops."""
        self._note(0)
        while not self.state.stopping.is_set():
            readable, _, _ = select.select([self.connection], [], [], 0.2)
            if readable:
                try:
                    if not self.connection.recv(4096):
                        break
                except OSError:
                    break
        return self._drop(hard=False)

    def _answer(self, service, path, body, fault=None):
        """The answer of a service to an ordinary request (a fault of the pending,
        pdfname or print-failed kind changes what print jobs say)."""
        request = Request(self.command, self.headers, body)
        if service == ops32.SERVICE:
            return ops32.answer(self.state, path, request)
        if service in ppubs.SERVICES:
            if body and self.entry is not None:
                self.entry["body"] = body[:LOGGED_BODY].decode("utf-8", "replace")
            return ppubs.answer(self.state, service, path, request, fault)
        if service == eps.SERVICE:
            return eps.answer(self.state, path, request, self.tls)
        return services.answer(self.state, service, path)

    def _with_fault(self, fault, service, path):
        action = fault.action
        if action == "refuse":
            return self._drop(hard=False)
        body = self._read_body()
        ops_answer = ops32.fault(self.state, fault, path)
        if ops_answer is not None:
            return self.send(ops_answer)
        ppubs_answer = ppubs.fault(self.state, service, path, fault)
        if ppubs_answer is not None:
            return self.send(ppubs_answer)
        eps_answer = eps.fault(self.state, fault, path)
        if eps_answer is not None:
            return self.send(eps_answer)
        if action in ("pending", "pdfname", "print-failed"):
            return self.send(self._answer(service, path, body, fault))
        if action == "reset":
            return self._drop(hard=True)
        if action == "hang":
            return self._hang()
        if action == "delay":
            if self.state.stopping.wait(fault.ms / 1000.0):
                return self._drop(hard=False)
            return self.send(self._answer(service, path, body))
        if action == "status":
            status = fault.status_or(500)
            if fault.body is not None:
                return self.send(services.Response(status, fault.body, fault.ctype or "text/plain"))
            return self.send(services.html_page(status, "Error %d" % status,
                                                "The office simulator was told to fail."))
        if action == "status-empty":
            return self.send(services.Response(fault.status_or(500), b""))
        if action == "html":
            return self.send(services.Response(200, STAND_IN_HTML))
        if action == "truncate":
            self.close_connection = True
            status = self.send(self._answer(service, path, body), truncate=True)
            self._drop(hard=False)
            return status
        if action == "damaged":
            whole = self._answer(service, path, body)
            return self.send(services.Response(whole.status, whole.body[:len(whole.body) // 2],
                                               whole.ctype, whole.headers))
        if action == "empty":
            return self.send(services.Response(200, b""))
        if action == "raw":
            return self._raw(fault.body or b"")
        if action == "drip":
            return self._drip(self._answer(service, path, body), fault.ms or 500)
        if action == "auth401":
            return self.send(services.Response(401, "<html><body>Unauthorized</body></html>\n",
                                               headers=[("WWW-Authenticate",
                                                         'Basic realm="office-sim"')]))
        return self.send(services.Response(407, "<html><body>Proxy Authentication Required"
                                           "</body></html>\n",
                                           headers=[("Proxy-Authenticate",
                                                     'Basic realm="office-sim"')]))

    def _record(self, service, path, url, fault):
        entry = {"service": service or "", "method": self.command, "path": path,
                 "headers": [[k, v] for k, v in self.headers.items()], "conn": self.conn_id,
                 "proxied": url is not None, "tls": self.tls, "url": url,
                 "fault": fault.action if fault else None, "status": 0}
        self.entry = self.state.record(entry)
        self.answer_service = service

    def dispatch(self):
        self.answer_service = None
        service, path, url = self._target()
        if urlsplit(path).path.startswith("/_sim/") and url is None:
            return self.control(path)
        proxied = url is not None
        fault = self.state.faults.pick(service, path, proxied, self.tls) if service else None
        self._record(service, path, url, fault)
        if service in ppubs.SERVICES:
            ppubs.note_arrival(self.state, service, path, self.entry)
        try:
            if service is None:
                self._read_body()
                self.send(services.html_page(
                    502, "Bad Gateway", "The simulator forwards only to its own services."))
            elif fault is not None:
                self._with_fault(fault, service, path)
            else:
                body = self._read_body()
                self.send(self._answer(service, path, body))
        finally:
            self._note(0)

    # CONNECT: a tunnel to one of the simulator's own listeners

    def do_CONNECT(self):
        host, _, port = self.path.rpartition(":")
        service = None
        if host in ("127.0.0.1", "localhost") and port.isdigit():
            service = self.state.service_at(int(port))
        fault = self.state.faults.pick(service, self.path, True, self.tls) if service else None
        self._record(service, self.path, self.path, fault)
        # The proxy's own answers are no OPS answers.
        self.answer_service = None
        try:
            if service is None:
                self.close_connection = True
                self.send(services.html_page(
                    502, "Bad Gateway", "The simulator tunnels only to its own listeners."))
            elif fault is None or fault.action == "delay":
                if fault is not None and self.state.stopping.wait(fault.ms / 1000.0):
                    self._drop(hard=False)
                else:
                    self._tunnel(int(port))
            elif fault.action in ("refuse", "reset", "hang", "auth401", "auth407", "status"):
                self.close_connection = True
                self._with_fault(fault, service, self.path)
            else:
                self.close_connection = True
                status = fault.status_or(500)
                self.send(services.html_page(status, "Error %d" % status,
                                             "The office simulator was told to fail."))
        finally:
            self._note(0)

    def _tunnel(self, port):
        self.close_connection = True
        try:
            upstream = socket.create_connection(("127.0.0.1", port), timeout=10)
        except OSError:
            self.send(services.html_page(502, "Bad Gateway", "The listener is down."))
            return
        upstream.settimeout(None)
        self._note(200)
        self.wfile.write(b"HTTP/1.1 200 Connection established\r\n\r\n")
        self.wfile.flush()
        ends = {self.connection: upstream, upstream: self.connection}
        try:
            while not self.state.stopping.is_set():
                readable, _, _ = select.select(list(ends), [], [], 0.2)
                for source in readable:
                    data = source.recv(65536)
                    if not data:
                        return
                    ends[source].sendall(data)
        except OSError:
            pass
        finally:
            upstream.close()

    # control

    def _json_body(self):
        try:
            return json.loads(self._read_body() or b"null")
        except (ValueError, UnicodeDecodeError) as e:
            raise FaultError("body is not JSON: %s" % e)

    def control(self, path):
        parts = urlsplit(path)
        try:
            text = self._control(parts.path, parse_qs(parts.query))
            status = 200
        except BodyTooLarge:
            raise
        except (ValueError, KeyError, TypeError, AttributeError) as e:
            text, status = "error: %s\n" % e, 400
        self.send(services.Response(status, text, "application/json" if text.startswith("[")
                                    else "text/plain"))

    def _control(self, name, query):
        state = self.state
        if name == "/_sim/log":
            self._read_body()
            since = query.get("since", ["0"])[0]
            return state.log_since(int(since) if since.isdigit() else 0)
        if name == "/_sim/reset":
            self._read_body()
            state.reset()
            return "ok\n"
        if name == "/_sim/faults":
            state.faults.replace(self._json_body() or [])
            return "ok\n"
        if name == "/_sim/catalog":
            state.catalog = Catalog.from_json(self._read_body(), state.pages, state.pool)
            return "ok\n"
        if name == "/_sim/ops":
            state.ops.configure(self._json_body())
            return "ok\n"
        if name == "/_sim/ppubs":
            state.ppubs.configure(self._json_body())
            return "ok\n"
        if name == "/_sim/latest":
            state.latest = self._read_body().decode("latin-1")
            return "ok\n"
        if name == "/_sim/download":
            return self._set_download(self._read_body())
        if name in ("/_sim/down", "/_sim/up"):
            service = (self._json_body() or {})["service"]
            if service == self.server.service:
                raise FaultError("send down/up for %s to another listener" % service)
            if name == "/_sim/down":
                state.close(service)
            else:
                state.reopen(service)
            return "ok\n"
        self._read_body()
        raise KeyError(name)

    def _set_download(self, body):
        state = self.state
        state.download_status = 200
        try:
            request = json.loads(body)
        except (ValueError, UnicodeDecodeError):
            request = None
        if isinstance(request, dict) and "status" in request:
            state.download_status = int(request["status"])
        else:
            state.download = body
        return "ok\n"
