"""Fault rules: which requests get which failure, chosen deterministically."""

import hashlib
import threading

ACTIONS = ("refuse", "reset", "delay", "hang", "status", "status-empty", "html",
           "truncate", "damaged", "empty", "auth401", "auth407", "raw", "drip",
           # answers of the OPS 3.2 kind
           "expired", "unauthorized", "throttled", "hourly", "weekly", "maintenance", "notfound",
           # answers of the Patent Public Search kind
           "ratelimit", "waf", "session-expired", "session-expired-html", "pending", "pdfname",
           "print-failed",
           # answers of the European Publication Server kind
           "blocked", "redirect")


class FaultError(ValueError):
    pass


class Fault:
    """What one request gets: the action with its parameters."""

    def __init__(self, action, ms, status, has_ms=True, body=None, ctype=None):
        self.action = action
        self.ms = ms
        self.status = status  # None: the action's own
        self.has_ms = has_ms  # whether the rule gave "ms" (some answers have a default wait)
        self.body = body      # None, a text, or the bytes of the rule's bodyFile
        self.ctype = ctype

    def status_or(self, default):
        return default if self.status is None else self.status


class FaultRule:
    def __init__(self, entry):
        if not isinstance(entry, dict):
            raise FaultError("a rule must be an object")
        self.service = entry.get("service")
        self.path = entry.get("path")
        self.proxied = entry.get("proxied")
        self.tls = entry.get("tls")
        actions = entry.get("action")
        self.actions = actions if isinstance(actions, list) else [actions]
        for a in self.actions:
            if a not in ACTIONS:
                raise FaultError("unknown action %r" % (a,))
        self.nth = entry.get("nth")
        if self.nth is not None and (not isinstance(self.nth, list) or
                                     not all(isinstance(n, int) for n in self.nth)):
            raise FaultError("nth must be a list of numbers")
        self.percent = entry.get("percent")
        if self.percent is not None and not isinstance(self.percent, (int, float)):
            raise FaultError("percent must be a number")
        self.seed = entry.get("seed", 0)
        self.has_ms = "ms" in entry
        self.ms = int(entry.get("ms", 0))
        self.status = entry.get("status")
        if self.status is not None:
            self.status = int(self.status)
        self.body = entry.get("body")
        if self.body is not None and not isinstance(self.body, str):
            raise FaultError("body must be a text")
        self.body_file = entry.get("bodyFile")
        if self.body_file is not None and (not isinstance(self.body_file, str) or self.body is not None):
            raise FaultError("bodyFile must be a file name, instead of body")
        self.ctype = entry.get("ctype")
        if self.ctype is not None and not isinstance(self.ctype, str):
            raise FaultError("ctype must be a text")
        if self.ms < 0 or (self.status is not None and not 100 <= self.status <= 999):
            raise FaultError("bad ms or status")
        self.count = 0

    def matches(self, service, path, proxied, tls):
        return ((self.service is None or self.service == service) and
                (self.path is None or self.path in path) and
                (self.proxied is None or self.proxied == proxied) and
                (self.tls is None or self.tls == tls))

    def _draw(self):
        digest = hashlib.sha256(("%s:%d" % (self.seed, self.count)).encode()).digest()
        return int.from_bytes(digest[:8], "big"), int.from_bytes(digest[8:16], "big")

    def fires(self):
        """Counts one matching request; the fault it gets, or None."""
        self.count += 1
        share, pick = self._draw()
        if self.nth is not None and self.count not in self.nth:
            return None
        if self.percent is not None and share * 100.0 / 2 ** 64 >= self.percent:
            return None
        body = self.body
        if self.body_file is not None:
            with open(self.body_file, "rb") as f:
                body = f.read()
        return Fault(self.actions[pick % len(self.actions)], self.ms, self.status, self.has_ms, body,
                     self.ctype)


class FaultTable:
    def __init__(self):
        self._lock = threading.Lock()
        self._rules = []

    def replace(self, entries):
        if not isinstance(entries, list):
            entries = [entries]
        rules = [FaultRule(s) for s in entries]
        with self._lock:
            self._rules = rules

    def clear(self):
        with self._lock:
            self._rules = []

    def pick(self, service, path, proxied, tls=False):
        """Every matching rule counts the request; the first that fires wins."""
        chosen = None
        with self._lock:
            for rule in self._rules:
                if rule.matches(service, path, proxied, tls):
                    fault = rule.fires()
                    if chosen is None:
                        chosen = fault
        return chosen
