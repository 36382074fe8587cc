"""The USPTO's Patent Public Search: the direct PDF and the print-job flow.

ppubs (the web application) hands out sessions, searches by publication
number and makes PDFs through print jobs; ppubsImages serves the direct PDF.
Every /api call needs a live session's X-Access-Token. Fault answers of the
ppubs kind (rate limit, firewall refusal, expired sessions, a print job that
stays pending) are made here too; the fault rules pick them.
"""

import itertools
import json
import re
import secrets
import threading
import time
from urllib.parse import unquote, urlsplit

from .services import Response, html_page

SERVICE = "ppubs"
IMAGES = "ppubsImages"
SERVICES = (SERVICE, IMAGES)

APP_PATH = "/pubwebapp/"
SESSION_PATH = "/api/users/me/session"
SEARCH_PATH = "/api/searches/searchWithBeFamily"
IMAGEVIEWER_PATH = "/api/print/imageviewer"
PRINT_PROCESS_PATH = "/api/print/print-process"
SAVE_PREFIX = "/api/print/save/"
DIRECT_PREFIX = "/dirsearch-public/print/downloadPdf/"

COOKIE = "JSESSIONID"
SESSION_SECONDS = 1800
RATE_LIMIT = 1000
# Polls of a print job that answer PENDING before it is COMPLETED.
PENDING_POLLS = 1
QUERY = re.compile(r'\(\s*"?([A-Za-z0-9]+)"?\s*\)\.pn\.')

WAF_PAGE = ("<html><head><title>Request Rejected</title></head><body>"
            "The requested URL was rejected. Please consult with your administrator.<br><br>"
            "Your support ID is: 0000000000000000000</body></html>\n")


def _json(status, value, headers=None):
    return Response(status, json.dumps(value) + "\n", "application/json", headers)


def _message(status, text, headers=None):
    return _json(status, {"message": text}, headers)


class PpubsState:
    """Cookies, sessions, print jobs and the rate-limit count; all reset together."""

    def __init__(self):
        self._lock = threading.Lock()
        self._ids = itertools.count(2963183)
        self.reset()

    def reset(self):
        with self._lock:
            self.cookies = set()
            self.sessions = {}   # token -> (caseId, expiry on the monotonic clock)
            self.jobs = {}       # id -> {"name", "strips", "polls"}
            self.pdfs = {}       # pdfName -> bytes, once its job is COMPLETED
            self.remaining = RATE_LIMIT

    def next_id(self):
        with self._lock:
            return next(self._ids)

    def count(self):
        """The x-rate-limit-remaining header of one more answer."""
        with self._lock:
            self.remaining = max(0, self.remaining - 1)
            return ("x-rate-limit-remaining", str(self.remaining))

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
        token = secrets.token_urlsafe(24)
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

    def add_job(self, name, pdf):
        job = self.next_id()
        with self._lock:
            self.jobs[str(job)] = {"name": name, "pdf": pdf, "polls": 0}
        return job

    def poll(self, job_ids, count=True):
        """The print-process statuses of the jobs (counting this poll unless told not
        to), or None when one is unknown; a COMPLETED job's PDF can be saved."""
        statuses = []
        with self._lock:
            if not all(str(j) in self.jobs for j in job_ids):
                return None
            for job_id in job_ids:
                job = self.jobs[str(job_id)]
                if count:
                    job["polls"] += 1
                done = job["polls"] > PENDING_POLLS
                if done:
                    self.pdfs[job["name"]] = job["pdf"]
                statuses.append({"printProcessId": int(job_id),
                                 "pdfName": job["name"] if done else None,
                                 "printStatus": "COMPLETED" if done else "PENDING"})
        return statuses

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


# faults

def fault(state, fault_):
    """The answer of a ppubs fault action, or None for another action."""
    action = fault_.action
    if action == "ratelimit":
        seconds = -(-fault_.ms // 1000) if fault_.has_ms else 1
        return _message(429, "Too many requests",
                        [("x-rate-limit-retry-after-seconds", str(seconds)),
                         ("x-rate-limit-remaining", "0")])
    if action == "waf":
        return Response(403, WAF_PAGE)
    if action == "session-expired":
        state.ppubs.expire_all()
        return _message(403, "Session expired")
    return None


# the services

def answer(state, service, path, request, pending=False, pdf_name=None):
    ppubs = state.ppubs
    if service == IMAGES:
        response = _direct(state, urlsplit(path).path)
    else:
        response = _app(state, urlsplit(path).path, request, pending, pdf_name)
    response.headers.append(ppubs.count())
    return response


def _direct(state, path):
    if not path.startswith(DIRECT_PREFIX):
        return html_page(404, "Not Found", "No such page.")
    number = publication(unquote(path[len(DIRECT_PREFIX):]))
    doc = state.catalog.ppubs_document(number) if number else None
    if doc is None:
        return html_page(404, "Not Found", "No such document.")
    keys = page_keys(number, doc)
    return Response(200, state.catalog.ppubs_pdf(number, doc, keys), "application/pdf")


def _app(state, path, request, pending, pdf_name=None):
    ppubs = state.ppubs
    if path in (APP_PATH, APP_PATH.rstrip("/")) and request.method == "GET":
        cookie = ppubs.new_cookie()
        return Response(200, "<html><head><title>Patent Public Search</title></head>"
                        "<body><div id=\"app\"></div></body></html>\n",
                        headers=[("Set-Cookie", "%s=%s; Path=/; Secure; HttpOnly" % (COOKIE, cookie))])
    if not path.startswith("/api/"):
        return html_page(404, "Not Found", "No such page.")
    if request.method != "POST" and not path.startswith(SAVE_PREFIX):
        return _message(405, "Method not allowed")
    if path == SESSION_PATH:
        if not ppubs.has_cookie(request.headers.get("Cookie")):
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
    if path == SEARCH_PATH:
        return _search(state.catalog, case_id, body)
    if path == IMAGEVIEWER_PATH:
        return _imageviewer(state, case_id, body)
    if path == PRINT_PROCESS_PATH:
        return _print_process(ppubs, body, pending, pdf_name)
    if path.startswith(SAVE_PREFIX) and request.method == "GET":
        pdf = ppubs.saved_pdf(unquote(path[len(SAVE_PREFIX):]))
        if pdf is None:
            return _message(404, "Not found")
        return Response(200, pdf, "application/pdf")
    return _message(404, "Not found")


def _search(catalog, case_id, body):
    query = body.get("query") if isinstance(body, dict) else None
    if not isinstance(query, dict) or query.get("caseId") != case_id or query.get("qt") != "brs" \
            or not isinstance(query.get("q"), str):
        return _message(400, "Bad request")
    found = []
    for text in QUERY.findall(query["q"]):
        number = publication(text)
        doc = catalog.ppubs_document(number) if number else None
        if doc is not None:
            found.append(patent(number, doc))
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


def _print_process(ppubs, body, pending, pdf_name=None):
    statuses = ppubs.poll(body, count=not pending) if isinstance(body, list) and body else None
    if statuses is None:
        return _message(400, "Bad request")
    if pdf_name is not None:
        for status in statuses:
            status.update(printStatus="COMPLETED", pdfName=pdf_name)
    return _json(200, statuses)
