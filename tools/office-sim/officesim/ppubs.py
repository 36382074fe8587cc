"""The USPTO's Patent Public Search: the direct PDFs and the print-job flow.

ppubs (the web application) hands out sessions, searches by publication
number, serves its own direct PDF and makes PDFs through print jobs;
ppubsImages serves the image host's direct PDF. Every /api call needs a live
session's token. Searches and print calls spend budgets per window, as
recorded; a call of a kind held after a 429 is noted in the request log.
Fault answers of the ppubs kind (rate limit, firewall refusal, expired
sessions, print jobs that stay pending or fail) are made here too; the fault
rules pick them.
"""

import itertools
import json
import math
import re
import secrets
import threading
import time
from urllib.parse import parse_qs, unquote, urlsplit

from .services import Response, html_page

SERVICE = "ppubs"
IMAGES = "ppubsImages"
SERVICES = (SERVICE, IMAGES)

APP_PATH = "/pubwebapp/"
SESSION_PATH = "/api/users/me/session"
COUNTS_PATH = "/api/searches/counts"
SEARCH_PATH = "/api/searches/searchWithBeFamily"
IMAGEVIEWER_PATH = "/api/print/imageviewer"
PRINT_PROCESS_PATH = "/api/print/print-process"
SAVE_PREFIX = "/api/print/save/"
API_PDF_PREFIX = "/api/pdf/downloadPdf/"
DIRECT_PREFIX = "/dirsearch-public/print/downloadPdf/"

COOKIE = "JSESSIONID"
SESSION_SECONDS = 1800
# Calls of each counted kind per window, as recorded; the window is assumed.
BUDGETS = {"search": 40, "highlight": 20, "print": 5}
WINDOW_SECONDS = 60.0
# What /_sim/ppubs may change until the next reset.
DEFAULT_SETTINGS = dict(BUDGETS, window=WINDOW_SECONDS, cookie=False)
PRINT_FAILED_MESSAGE = "Unable to generate the PDF"
# Polls of a print job that answer PENDING before it is COMPLETED.
PENDING_POLLS = 1
QUERY = re.compile(r'\(\s*"?([A-Za-z0-9]+)"?\s*\)\.pn\.')

# The image host's answer to a document it lacks [WEAK]: a page, status 200.
MISS_PAGE = ("<html><head><title>Error 404</title></head><body><h1>Error 404</h1>"
             "<p>The requested document was not found.</p></body></html>\n")

WAF_PAGE = ("<html><head><title>Request Rejected</title></head><body>"
            "The requested URL was rejected. Please consult with your administrator.<br><br>"
            "Your support ID is: 0000000000000000000</body></html>\n")


def _json(status, value, headers=None):
    return Response(status, json.dumps(value) + "\n", "application/json", headers)


def _message(status, text, headers=None):
    return _json(status, {"message": text}, headers)


class PpubsState:
    """Cookies, sessions, print jobs, budgets and their holds; all reset together."""

    def __init__(self):
        self._lock = threading.Lock()
        self._ids = itertools.count(2963183)
        self.reset()

    def reset(self):
        with self._lock:
            self.settings = dict(DEFAULT_SETTINGS)
            self.cookies = set()
            self.sessions = {}   # token -> (caseId, expiry on the monotonic clock)
            self.jobs = {}       # id -> {"name", "pdf", "polls", "failed"}
            self.pdfs = {}       # pdfName -> bytes, once its job is COMPLETED
            self.windows = {}    # kind -> (start, calls) of its budget's window
            self.holds = {}      # kind -> the end of its hold on the monotonic clock

    def configure(self, changes):
        if not isinstance(changes, dict) or not set(changes) <= set(DEFAULT_SETTINGS):
            raise ValueError("ppubs settings are an object of %s" % ", ".join(sorted(DEFAULT_SETTINGS)))
        for name, value in changes.items():
            if name == "cookie" and not isinstance(value, bool):
                raise ValueError("cookie must be true or false")
            if name != "cookie" and (not isinstance(value, (int, float)) or isinstance(value, bool)
                                     or value <= 0 or (name in BUDGETS and value != int(value))):
                raise ValueError("%s must be a positive number" % name)
        with self._lock:
            self.settings.update(changes)

    def setting(self, name):
        with self._lock:
            return self.settings[name]

    def next_id(self):
        with self._lock:
            return next(self._ids)

    # budgets and holds

    def held(self, kind):
        """Whole seconds (at least 1) until the hold of `kind` ends, or 0 when none lasts."""
        with self._lock:
            left = self.holds.get(kind, 0) - time.monotonic()
        return max(1, math.ceil(left)) if left > 0 else 0

    def hold(self, kind, seconds):
        with self._lock:
            self.holds[kind] = max(self.holds.get(kind, 0), time.monotonic() + seconds)

    def spend(self, kind):
        """Counts a call of a budgeted kind: the calls left after it, or None when the
        budget of the window is spent (the kind is then held until the window ends)."""
        with self._lock:
            now = time.monotonic()
            window = self.settings["window"]
            start, calls = self.windows.get(kind, (now, 0))
            if now - start >= window:
                start, calls = now, 0
            if calls >= self.settings[kind]:
                self.holds[kind] = start + window
                return None
            self.windows[kind] = (start, calls + 1)
            return self.settings[kind] - calls - 1

    # cookies and sessions

    def new_cookie(self):
        cookie = secrets.token_hex(16).upper()
        with self._lock:
            self.cookies.add(cookie)
        return cookie

    def has_cookie(self, header):
        sent = [c.strip().split("=", 1) for c in (header or "").split(";")]
        with self._lock:
            return any(len(c) == 2 and c[0] == COOKIE and c[1] in self.cookies for c in sent)

    def open_session(self):
        # Characters that a URL must encode, so a client that does not is found out.
        token = secrets.token_urlsafe(24) + "+/="
        case_id = self.next_id()
        with self._lock:
            self.sessions[token] = (case_id, time.monotonic() + SESSION_SECONDS)
        return token, case_id

    def case_of(self, token):
        """The caseId of a live session's token, or None."""
        with self._lock:
            case_id, expiry = self.sessions.get(token or "", (None, 0))
        return case_id if time.monotonic() < expiry else None

    def expire_all(self):
        with self._lock:
            self.sessions = {}

    # print jobs

    def add_job(self, name, pdf):
        job = self.next_id()
        with self._lock:
            self.jobs[str(job)] = {"name": name, "pdf": pdf, "polls": 0, "failed": False}
        return job

    def poll(self, job_ids, count=True, fail=False):
        """The print-process statuses of the jobs (counting this poll unless told not
        to; failing them when told), or None when one is unknown; a COMPLETED job's PDF
        can be saved."""
        statuses = []
        with self._lock:
            if not all(str(j) in self.jobs for j in job_ids):
                return None
            for job_id in job_ids:
                job = self.jobs[str(job_id)]
                job["failed"] = job["failed"] or fail
                if count:
                    job["polls"] += 1
                statuses.append(self._status(job_id, job))
        return statuses

    def _status(self, job_id, job):
        if job["failed"]:
            return {"printProcessId": int(job_id), "pdfName": None, "printStatus": "FAILED",
                    "errorMessage": PRINT_FAILED_MESSAGE}
        done = job["polls"] > PENDING_POLLS
        if done:
            self.pdfs[job["name"]] = job["pdf"]
        return {"printProcessId": int(job_id), "pdfName": job["name"] if done else None,
                "printStatus": "COMPLETED" if done else "PENDING"}

    def saved_pdf(self, name):
        with self._lock:
            return self.pdfs.get(name)


# numbers and documents

def publication(text):
    """The catalog key of a direct-PDF or search number (leading zeros dropped), or None."""
    m = re.fullmatch(r"(D|PP|RE|)0*(\d+)", text.upper())
    if not m or m.group(2) == "":
        return None
    return m.group(1) + m.group(2)


def image_location(number):
    """The search answer's imageLocation of a catalog number."""
    m = re.fullmatch(r"(D|PP|RE|)(\d+)", number)
    prefix, digits = m.group(1), m.group(2)
    if not prefix and len(digits) == 11:
        return "us-pgpub/US/%s/%s/%s" % (digits[:4], digits[4:8], digits[8:])
    if prefix == "D":
        d = digits.zfill(7)
        return "uspat/US/D%s/%s/%s" % (d[0], d[1:4], d[4:])
    if prefix:
        d = digits.zfill(6)
        return "uspat/US/%s/%s/%s" % (prefix, d[:3], d[3:])
    d = digits.zfill(8)
    if int(digits) >= 10000000:
        return "uspat/US/G%s/%s/%s" % (d[6:], d[3:6], d[:3])
    return "uspat/US/%s/%s/%s" % (d[:2], d[2:5], d[5:])


def patent(number, doc):
    """The search answer's entry of a catalog document."""
    pgpub = len(number) == 11 and number.isdigit()
    kind = doc.get("kind") or ("A1" if pgpub else {"D": "S", "P": "P2", "R": "E"}.get(number[0], "A"))
    entry = {"guid": "US-%s-%s" % (number, kind), "type": "US-PGPUB" if pgpub else "USPAT",
             "imageLocation": image_location(number), "pageCount": doc["pages"]}
    entry.update(doc.get("sections", {}))
    return entry


def page_keys(number, doc):
    location = image_location(number)
    return ["%s/%08d.tif" % (location, p) for p in range(1, doc["pages"] + 1)]


# kinds of call

def kind_of(service, path):
    """The kind of call a request is: a budgeted one (search, highlight, print) or
    another name; a hold applies to the calls of its own kind."""
    if service == IMAGES:
        return "image"
    if path in (COUNTS_PATH, SEARCH_PATH):
        return "search"
    if "/highlight" in path:
        return "highlight"
    if path == IMAGEVIEWER_PATH or path.startswith(SAVE_PREFIX):
        return "print"
    if path == PRINT_PROCESS_PATH:
        return "print-process"
    if path.startswith(API_PDF_PREFIX):
        return "pdf"
    return "session"


def note_arrival(state, service, path, entry):
    """Marks the log entry of a call that came while its kind was held."""
    entry["held"] = state.ppubs.held(kind_of(service, urlsplit(path).path)) > 0


def _too_many(seconds):
    return _message(429, "Too many requests",
                    [("x-rate-limit-retry-after-seconds", str(seconds)), ("x-rate-limit-remaining", "0")])


# faults

def fault(state, service, path, fault_):
    """The answer of a ppubs fault action, or None for another action."""
    action = fault_.action
    if action == "ratelimit":
        seconds = -(-fault_.ms // 1000) if fault_.has_ms else 1
        if service in SERVICES:
            state.ppubs.hold(kind_of(service, urlsplit(path).path), seconds)
        return _too_many(seconds)
    if action == "waf":
        return Response(403, WAF_PAGE)
    if action in ("session-expired", "session-expired-html"):
        state.ppubs.expire_all()
        return Response(403, WAF_PAGE) if action == "session-expired-html" else _message(403, "Session expired")
    return None


# the services

def answer(state, service, path, request, fault_=None):
    """The answer of a call; `fault_` (pending, pdfname, print-failed) changes what
    print-process says."""
    ppubs = state.ppubs
    plain = urlsplit(path).path
    kind = kind_of(service, plain)
    held = ppubs.held(kind)
    if held:
        return _too_many(held)
    remaining = None
    if kind in BUDGETS and _counted(state, service, request):
        remaining = ppubs.spend(kind)
        if remaining is None:
            return _too_many(ppubs.held(kind))
    if service == IMAGES:
        response = _direct(state, plain)
    else:
        response = _app(state, path, request, fault_)
    if remaining is not None:
        response.headers.append(("x-rate-limit-remaining", str(remaining)))
    return response


def _counted(state, service, request):
    """Whether a call is one the budgets count: a well-formed one of a live session."""
    return service == SERVICE and state.ppubs.case_of(request.headers.get("X-Access-Token")) is not None


def _direct(state, path):
    if not path.startswith(DIRECT_PREFIX):
        return html_page(404, "Not Found", "No such page.")
    number = publication(unquote(path[len(DIRECT_PREFIX):]))
    doc = state.catalog.ppubs_document(number) if number else None
    if doc is None:
        return html_page(404, "Not Found", "No such document.")
    if doc.get("direct", "both") != "both":
        return Response(200, MISS_PAGE)
    return Response(200, state.catalog.ppubs_pdf(number, doc, page_keys(number, doc)), "application/pdf")


def _api_pdf(state, path, query):
    token = parse_qs(query).get("requestToken", [""])[0]
    if state.ppubs.case_of(token) is None:
        return _message(403, "Forbidden")
    number = publication(unquote(path[len(API_PDF_PREFIX):]))
    doc = state.catalog.ppubs_document(number) if number else None
    if doc is None or doc.get("direct", "both") == "none":
        return _message(404, "Not found")
    return Response(200, state.catalog.ppubs_pdf(number, doc, page_keys(number, doc)), "application/pdf")


def _page(ppubs):
    headers = []
    if ppubs.setting("cookie"):
        headers.append(("Set-Cookie", "%s=%s; Path=/; Secure; HttpOnly" % (COOKIE, ppubs.new_cookie())))
    return Response(200, "<html><head><title>Patent Public Search</title></head>"
                    "<body><div id=\"app\"></div></body></html>\n", headers=headers)


def _app(state, full_path, request, fault_):
    ppubs = state.ppubs
    parts = urlsplit(full_path)
    path = parts.path
    if path in (APP_PATH, APP_PATH.rstrip("/")) and request.method == "GET":
        return _page(ppubs)
    if not path.startswith("/api/"):
        return html_page(404, "Not Found", "No such page.")
    if path.startswith(API_PDF_PREFIX) and request.method == "GET":
        return _api_pdf(state, path, parts.query)
    if request.method != "POST" and not path.startswith(SAVE_PREFIX):
        return _message(405, "Method not allowed")
    if path == SESSION_PATH:
        if ppubs.setting("cookie") and not ppubs.has_cookie(request.headers.get("Cookie")):
            return _message(403, "Forbidden")
        token, case_id = ppubs.open_session()
        return _json(200, {"userCase": {"caseId": case_id}, "sessionTimeOutTime": SESSION_SECONDS},
                     [("x-access-token", token)])
    case_id = ppubs.case_of(request.headers.get("X-Access-Token"))
    if case_id is None:
        return _message(403, "Forbidden")
    try:
        body = json.loads(request.body or b"null")
    except (ValueError, UnicodeDecodeError):
        body = None
    if path == COUNTS_PATH:
        return _counts(state.catalog, case_id, body)
    if path == SEARCH_PATH:
        return _search(state.catalog, case_id, body)
    if path == IMAGEVIEWER_PATH:
        return _imageviewer(state, case_id, body)
    if path == PRINT_PROCESS_PATH:
        return _print_process(ppubs, body, fault_)
    if path.startswith(SAVE_PREFIX) and request.method == "GET":
        pdf = ppubs.saved_pdf(unquote(path[len(SAVE_PREFIX):]))
        if pdf is None:
            return _message(404, "Not found")
        return Response(200, pdf, "application/pdf")
    return _message(404, "Not found")


def _found(catalog, case_id, query):
    """The search answer's entries of a query object, or None when it is not one."""
    if not isinstance(query, dict) or query.get("caseId") != case_id or query.get("qt") != "brs" \
            or not isinstance(query.get("q"), str):
        return None
    found = []
    for text in QUERY.findall(query["q"]):
        number = publication(text)
        doc = catalog.ppubs_document(number) if number else None
        if doc is not None:
            found.append(patent(number, doc))
    return found


def _counts(catalog, case_id, body):
    # The web page sends the search's query object itself.
    found = _found(catalog, case_id, body)
    if found is None:
        return _message(400, "Bad request")
    return _json(200, {"numFound": len(found)})


def _search(catalog, case_id, body):
    found = _found(catalog, case_id, body.get("query") if isinstance(body, dict) else None)
    if found is None:
        return _message(400, "Bad request")
    return _json(200, {"numFound": len(found), "patents": found})


def _imageviewer(state, case_id, body):
    catalog = state.catalog
    if not isinstance(body, dict) or body.get("caseId") != case_id:
        return _message(400, "Bad request")
    guid = body.get("patentGuid")
    m = re.fullmatch(r"US-([A-Z]*\d+)-[A-Z0-9]+", guid if isinstance(guid, str) else "")
    doc = catalog.ppubs_document(m.group(1)) if m else None
    keys = body.get("pageKeys")
    if doc is None or patent(m.group(1), doc)["guid"] != guid or not isinstance(keys, list) \
            or not keys or not all(isinstance(k, str) for k in keys) \
            or not set(keys) <= set(page_keys(m.group(1), doc)):
        return _message(400, "Bad request")
    name = "%s_%s_%d.pdf" % (guid, patent(m.group(1), doc)["type"].replace("-", ""),
                             int(time.time() * 1000))
    job = state.ppubs.add_job(name, catalog.ppubs_pdf(m.group(1), doc, keys))
    return Response(200, str(job), "application/json")


def _print_process(ppubs, body, fault_):
    action = fault_.action if fault_ else None
    statuses = ppubs.poll(body, count=action != "pending", fail=action == "print-failed") \
        if isinstance(body, list) and body else None
    if statuses is None:
        return _message(400, "Bad request")
    if action == "pdfname":
        name = fault_.body.decode("latin-1") if isinstance(fault_.body, bytes) else fault_.body or ""
        for status in statuses:
            status.update(printStatus="COMPLETED", pdfName=name)
    return _json(200, statuses)
