"""The simulator's shared state and its listeners, one per service."""

import http.client
import json
import sys
import threading
from http.server import ThreadingHTTPServer

from .faults import FaultTable
from .handler import Handler

SERVICES = ("patentImages1", "patentImages2", "applicationImages1", "applicationImages2",
            "applicationSearch", "ops", "maker")

# A session that adds its header lines again before every page sends a few
# hundred lines on a long document; the standard limit of 100 would refuse it.
http.client._MAXHEADERS = 100000

DEFAULT_DOWNLOAD = b"#!/bin/sh\necho 'office-sim: stand-in for a newer FolioHarvester'\n"


class Listener(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, state, service, port):
        self.state = state
        self.service = service
        super().__init__(("127.0.0.1", port), Handler)

    def handle_error(self, request, client_address):
        # Faults break connections on purpose; a client that goes away is no error.
        pass


class Simulator:
    def __init__(self, catalog, pages, pool, latest="23", log_path=None, verbose=False):
        self.catalog = catalog
        self.pages = pages
        self.pool = pool
        self.latest = latest
        self.download = DEFAULT_DOWNLOAD
        self.download_status = 200
        self.faults = FaultTable()
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

    def open(self, service, port=0):
        listener = Listener(self, service, port)
        with self._lock:
            self._listeners[service] = listener
            self._ports[service] = listener.server_address[1]
        threading.Thread(target=listener.serve_forever, kwargs={"poll_interval": 0.1},
                         name="listen-" + service, daemon=True).start()

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
        with self._lock:
            for service, p in self._ports.items():
                if p == port:
                    return service
        return None

    def hosts(self):
        return [(s, self.host_of(s)) for s in SERVICES if s in self._ports]

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
