"""The simulator's shared state and its listeners, one per service."""

import http.client
import json
import sys
import threading
import time
from http.server import ThreadingHTTPServer

from . import eps, ops32, ppubs
from .faults import FaultTable
from .handler import Handler

# The services of the [hosts] group, each on a listener of its own name.
SERVICES = ("patentImages1", "patentImages2", "applicationImages1", "applicationImages2",
            "applicationSearch", "ops", "maker")
# Listeners named by URL: name -> (service, TLS). OPS 3.2, both hosts of
# Patent Public Search and the publication server answer over plain HTTP and
# over TLS.
URL_LISTENERS = {"ops32": (ops32.SERVICE, False), "ops32tls": (ops32.SERVICE, True),
                 "ppubs": (ppubs.SERVICE, False), "ppubsTls": (ppubs.SERVICE, True),
                 "ppubsImages": (ppubs.IMAGES, False), "ppubsImagesTls": (ppubs.IMAGES, True),
                 "eps": (eps.SERVICE, False), "epsTls": (eps.SERVICE, True)}
URL_PATHS = {ops32.SERVICE: ops32.BASE, ppubs.SERVICE: "", ppubs.IMAGES: "", eps.SERVICE: eps.BASE}

# A session that adds its header lines again before every page sends a few
# hundred lines on a long document; the standard limit of 100 would refuse it.
http.client._MAXHEADERS = 100000

DEFAULT_DOWNLOAD = b"#!/bin/sh\necho 'office-sim: stand-in for a newer FolioHarvester'\n"


class Listener(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    # Many parallel jobs may connect at once.
    request_queue_size = 128

    def __init__(self, state, name, service, port, tls_context=None):
        self.state = state
        self.name = name
        self.service = service
        self.tls_context = tls_context
        super().__init__(("127.0.0.1", port), Handler)

    def finish_request(self, request, client_address):
        if self.tls_context is None:
            return super().finish_request(request, client_address)
        # The handshake runs on the connection's own thread, so a slow or
        # refusing client holds up no other.
        request.settimeout(10)
        try:
            connection = self.tls_context.wrap_socket(request, server_side=True)
        except (OSError, ValueError):
            return None
        try:
            connection.settimeout(None)
            self.RequestHandlerClass(connection, client_address, self)
        finally:
            try:
                connection.close()
            except OSError:
                pass
        return None

    def handle_error(self, request, client_address):
        # Faults break connections on purpose; a client that goes away is no error.
        pass


class Simulator:
    def __init__(self, catalog, pages, pool, latest="23", log_path=None, verbose=False,
                 tls_context=None):
        self.catalog = catalog
        self.pages = pages
        self.pool = pool
        self.latest = latest
        self.download = DEFAULT_DOWNLOAD
        self.download_status = 200
        self.faults = FaultTable()
        self.ops = ops32.OpsState()
        self.ppubs = ppubs.PpubsState()
        self.eps = eps.EpsState()
        self.tls_context = tls_context
        self.started = time.monotonic()
        self.stopping = threading.Event()
        self.verbose = verbose
        self._lock = threading.Lock()
        self._log = []
        self._seq = 0
        self._conn = 0
        self._log_file = open(log_path, "a", encoding="utf-8") if log_path else None
        self._listeners = {}
        self._ports = {}

    # listeners

    def listener_names(self):
        """Every listener this simulator can open: the TLS one only with a certificate."""
        tls_ok = self.tls_context is not None
        return list(SERVICES) + [name for name, (_, tls) in URL_LISTENERS.items()
                                 if tls_ok or not tls]

    def open(self, name, port=0):
        service, tls = URL_LISTENERS.get(name, (name, False))
        listener = Listener(self, name, service, port, self.tls_context if tls else None)
        with self._lock:
            self._listeners[name] = listener
            self._ports[name] = listener.server_address[1]
        threading.Thread(target=listener.serve_forever, kwargs={"poll_interval": 0.1},
                         name="listen-" + name, daemon=True).start()

    def close(self, service):
        with self._lock:
            listener = self._listeners.pop(service, None)
        if listener is not None:
            listener.shutdown()
            listener.server_close()

    def reopen(self, service):
        with self._lock:
            is_open = service in self._listeners
            port = self._ports.get(service)
        if port is not None and not is_open:
            self.open(service, port)

    def close_all(self):
        self.stopping.set()
        closers = [threading.Thread(target=self.close, args=(s,)) for s in list(self._listeners)]
        for t in closers:
            t.start()
        for t in closers:
            t.join()
        if self._log_file:
            self._log_file.close()
            self._log_file = None

    def host_of(self, service):
        return "127.0.0.1:%d" % self._ports[service]

    def service_at(self, port):
        """The service answering on one of our ports, or None."""
        with self._lock:
            for name, p in self._ports.items():
                if p == port:
                    return URL_LISTENERS.get(name, (name, False))[0]
        return None

    def hosts(self):
        """(key, host:port) of the [hosts] group."""
        return [(s, self.host_of(s)) for s in SERVICES if s in self._ports]

    def urls(self):
        """(listener, base URL) of the listeners named by URL: [ops] url, [ppubs] url and
        imageUrl, [eps] url."""
        return [(name, "%s://%s%s" % ("https" if tls else "http", self.host_of(name),
                                      URL_PATHS[service]))
                for name, (service, tls) in URL_LISTENERS.items() if name in self._ports]

    # request log

    def next_conn(self):
        with self._lock:
            self._conn += 1
            return self._conn

    def record(self, entry):
        """Adds a request to the log before it is answered (so hanging ones show)."""
        with self._lock:
            self._seq += 1
            entry["seq"] = self._seq
            entry["time"] = round(time.monotonic() - self.started, 6)
            self._log.append(entry)
        if self.verbose:
            print("%s %s %s%s" % (entry["service"], entry["method"], entry["path"],
                                  " [%s]" % entry["fault"] if entry["fault"] else ""),
                  flush=True, file=sys.stderr)
        return entry

    def answered(self, entry, status):
        """Notes the status answered (0: none) and appends the entry to the log file."""
        with self._lock:
            entry["status"] = status
            if self._log_file:
                self._log_file.write(json.dumps(entry) + "\n")
                self._log_file.flush()

    def log_since(self, seq):
        with self._lock:
            return json.dumps([e for e in self._log if e["seq"] > seq])

    def reset(self):
        with self._lock:
            self._log = []
        self.faults.clear()
        self.ops.reset()
        self.ppubs.reset()
        self.eps.reset()
