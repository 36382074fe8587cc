"""The EPO's Open Patent Services 3.2: token, image inquiry and page images.

Everything lives under /3.2: POST /3.2/auth/accesstoken hands out bearer
tokens for the consumer key and secret; /3.2/rest-services/... answers only
with a valid token. Fault answers of the OPS kind (expired token, fair-use
403s, maintenance, 404) are made here too; the fault rules pick them.
"""

import base64
import json
import re
import secrets
import string
import threading
import time
from urllib.parse import parse_qs, unquote, urlsplit
from xml.sax.saxutils import escape, quoteattr

from .services import Response

SERVICE = "ops32"
BASE = "/3.2"
TOKEN_PATH = BASE + "/auth/accesstoken"
REST = BASE + "/rest-services/"
INQUIRY = re.compile(r"published-data/publication/(epodoc|docdb)/(.+)/images")

DEMO_KEY = "office-sim-demo-key"
DEMO_SECRET = "office-sim-demo-secret"
DEFAULT_THROTTLING = ("idle (images=green:200, inpadoc=green:60, other=green:1000, "
                      "retrieval=green:200, search=green:30)")
DEFAULT_EXPIRES_IN = 1199
FAIR_USE = "This request has been rejected due to the violation of Fair Use policy"
TOKEN_ALPHABET = string.ascii_letters + string.digits


class OpsState:
    """Accepted credentials, issued tokens, the throttling state and the byte counts."""

    def __init__(self):
        self._lock = threading.Lock()
        self._tokens = {}  # token -> (issued at, monotonic seconds; lifetime in seconds)
        self._expired_before = 0.0  # tokens issued before this moment are expired
        self.reset()

    def reset(self):
        """Back to the defaults; tokens already issued stay valid."""
        with self._lock:
            self.key, self.secret = DEMO_KEY, DEMO_SECRET
            self.throttling = DEFAULT_THROTTLING
            self.expires_in = DEFAULT_EXPIRES_IN
            self.hour_used = self.week_used = 0

    def configure(self, settings):
        if not isinstance(settings, dict):
            raise ValueError("OPS settings must be an object")
        unknown = set(settings) - {"throttling", "expires_in", "key", "secret"}
        if unknown:
            raise ValueError("unknown OPS settings %s" % sorted(unknown))
        for name in ("throttling", "key", "secret"):
            if name in settings and not isinstance(settings[name], str):
                raise ValueError(name + " must be a string")
        expires_in = settings.get("expires_in", self.expires_in)
        if not isinstance(expires_in, int) or expires_in < 1:
            raise ValueError("expires_in must be a positive number")
        with self._lock:
            self.throttling = settings.get("throttling", self.throttling)
            self.key = settings.get("key", self.key)
            self.secret = settings.get("secret", self.secret)
            self.expires_in = expires_in

    def issue(self, key):
        token = "".join(secrets.choice(TOKEN_ALPHABET) for _ in range(28))
        with self._lock:
            # Two tokens issued within one clock tick must not both fall to one expiry.
            issued = max(time.monotonic(), self._expired_before + 1e-6)
            self._tokens[token] = (issued, self.expires_in)
            expires_in = self.expires_in
        now_ms = int(time.time() * 1000)
        return {"refresh_token_expires_in": "0", "api_product_list": "[ops-prod]",
                "organization_name": "epo", "token_type": "BearerToken",
                "issued_at": str(now_ms), "client_id": key, "access_token": token,
                "application_name": "office-sim-" + key, "scope": "core",
                "expires_in": str(expires_in), "refresh_count": "0", "status": "approved"}

    def token_problem(self, authorization):
        """None for a valid bearer token, else the description of the 400."""
        m = re.fullmatch(r"Bearer\s+(\S+)\s*", authorization or "")
        if not m:
            return "Access token is missing"
        with self._lock:
            issued = self._tokens.get(m.group(1))
            if issued is None:
                return "Invalid access token"
            at, lifetime = issued
            if at <= self._expired_before or time.monotonic() - at >= lifetime:
                return "Access token has expired"
        return None

    def expire_all(self):
        with self._lock:
            self._expired_before = time.monotonic()

    def credentials_ok(self, authorization):
        m = re.fullmatch(r"Basic\s+(\S+)\s*", authorization or "")
        if not m:
            return None
        try:
            key, _, secret = base64.b64decode(m.group(1), validate=True).decode().partition(":")
        except (ValueError, UnicodeDecodeError):
            return None
        with self._lock:
            return key if (key, secret) == (self.key, self.secret) else None

    def count(self, size):
        """Adds an answer's bytes to the quotas; the two header lines."""
        with self._lock:
            self.hour_used += size
            self.week_used += size
            return [("X-IndividualQuotaPerHour-Used", str(self.hour_used)),
                    ("X-RegisteredQuotaPerWeek-Used", str(self.week_used))]

    def throttling_header(self, path, black=False):
        """The X-Throttling-Control value, the request's service black if asked; None: no header."""
        with self._lock:
            value = self.throttling
        if not value:
            return None
        if black:
            value = re.sub(r"\b(%s)=\w+:\d+" % bucket_of(path), r"\1=black:0", value)
        return value


def bucket_of(path):
    """Which throttled service of OPS a request counts against."""
    plain = urlsplit(path).path
    if plain.startswith(REST + "published-data/images/"):
        return "images"
    if plain.startswith(REST + "published-data/"):
        return "retrieval"
    return "other"


# answer bodies

def _xml(text):
    return '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n' + text


def error_answer(status, message, description=None, headers=None):
    """The <error> body shape (token, fair-use)."""
    lines = ["<error>", "    <code>%d</code>" % status,
             "    <message>%s</message>" % escape(message)]
    if description:
        lines.append("    <description>%s</description>" % escape(description))
    lines.append("</error>\n")
    return Response(status, _xml("\n".join(lines)), "application/xml", headers)


def fault_answer(status, code, message, extra=""):
    """The <fault> body shape (not found, maintenance, ambiguous)."""
    return Response(status, _xml('<fault xmlns="http://ops.epo.org">\n'
                                 "    <code>%s</code>\n    <message>%s</message>\n%s"
                                 "</fault>\n" % (code, escape(message), extra)),
                    "application/xml")


def invalid_token(description, status=400):
    return error_answer(status, "invalid_access_token", description, [
        ("WWW-Authenticate", 'Bearer realm="null",error="invalid_token",'
                             'error_description="%s"' % description)])


def not_found():
    return fault_answer(404, "SERVER.EntityNotFound", "No results found")


def rejected(reason, retry_after_ms=None, black_for=None, ops=None):
    """403 of the fair-use rules, with the reason and the wait in milliseconds.

    A throttled answer names the request's service black; a quota answer
    carries no throttling header at all (both as recorded)."""
    headers = [("X-Rejection-Reason", reason)]
    if retry_after_ms is not None:
        headers.append(("Retry-After", str(retry_after_ms)))
    if black_for is not None:
        throttling = ops.throttling_header(black_for, black=True)
        if throttling is not None:
            headers.append(("X-Throttling-Control", throttling))
    response = error_answer(403, FAIR_USE, headers=headers)
    response.throttling = black_for is not None
    return response


def maintenance(status):
    if status == 503:
        return fault_answer(503, "SERVER.LimitedServerResources", "Please request again later")
    return fault_answer(status, "SERVER.DomainAccess", "Temporarily unable to access the data")


def fault(state, fault_, path):
    """The answer of an OPS fault action, or None for another action."""
    ops = state.ops
    action = fault_.action
    if action == "expired":
        ops.expire_all()
        return invalid_token("Access token has expired")
    if action == "unauthorized":
        ops.expire_all()
        return invalid_token("Invalid access token", 401)
    if action == "throttled":
        return rejected("ThrottlingControlQuota", fault_.ms if fault_.has_ms else 1000,
                        black_for=path, ops=ops)
    if action == "hourly":
        return rejected("IndividualQuotaPerHour", fault_.ms if fault_.has_ms else None)
    if action == "weekly":
        return rejected("RegisteredQuotaPerWeek")
    if action == "maintenance":
        return maintenance(fault_.status_or(500))
    if action == "notfound":
        return not_found()
    return None


# the service

def _token(ops, request):
    if request.method != "POST":
        return error_answer(405, "Method not allowed")
    key = ops.credentials_ok(request.headers.get("Authorization"))
    if key is None:
        return error_answer(401, "ClientId is Invalid")
    form = parse_qs(request.body.decode("latin-1"), keep_blank_values=True)
    grant = form.get("grant_type", [""])[0]
    if not grant:
        return error_answer(400, "Required param : grant_type")
    if grant != "client_credentials":
        return error_answer(400, "Unsupported grant type : " + grant)
    body = json.dumps(ops.issue(key), indent=2, separators=(",", " : ")) + "\n"
    return Response(200, body, "application/json")


def _parse_number(system, text):
    """(epodoc number without kind, kind or None) of an inquiry path, or None."""
    if system == "epodoc":
        m = re.fullmatch(r"([A-Z]{2}[0-9A-Z]+)(?:\.([A-Z][0-9]?))?", text)
        return (m.group(1), m.group(2)) if m else None
    m = re.fullmatch(r"([A-Z]{2})\.([0-9A-Z]+)(?:\.([A-Z][0-9]?))?", text)
    return (m.group(1) + m.group(2), m.group(3)) if m else None


def _document_id(id_type, country, number, kind, indent):
    pad = " " * indent
    lines = ['%s<document-id document-id-type="%s">' % (pad, id_type)]
    if country:
        lines.append("%s    <country>%s</country>" % (pad, escape(country)))
    lines.append("%s    <doc-number>%s</doc-number>" % (pad, escape(number)))
    if kind:
        lines.append("%s    <kind>%s</kind>" % (pad, escape(kind)))
    lines.append("%s</document-id>" % pad)
    return lines


def _instance(inst):
    desc = inst.get("desc", "FullDocument")
    lines = ['            <ops:document-instance system="ops.epo.org" number-of-pages="%d" '
             "desc=%s link=%s>" % (inst["pages"], quoteattr(desc), quoteattr(inst["link"])),
             "                <ops:document-format-options>"]
    formats = ["application/tiff"]
    if desc == "FullDocument":
        formats.insert(0, "application/pdf")
    lines += ["%s<ops:document-format>%s</ops:document-format>" % (" " * 20, f) for f in formats]
    lines.append("                </ops:document-format-options>")
    for name, start in inst.get("sections", {}).items():
        lines.append('                <ops:document-section name=%s start-page="%d"/>'
                     % (quoteattr(name), start))
    lines.append("            </ops:document-instance>")
    return lines


def _inquiry_xml(system, number, kind, results):
    lines = ['<?xml-stylesheet type="text/xsl" href="/3.2/style/images.xsl"?>',
             '<ops:world-patent-data xmlns="http://www.epo.org/exchange" '
             'xmlns:ops="http://ops.epo.org" xmlns:xlink="http://www.w3.org/1999/xlink">',
             "    <ops:document-inquiry>", "        <ops:publication-reference>"]
    if system == "docdb":
        lines += _document_id("docdb", number[:2], number[2:], kind, 12)
    else:
        lines += _document_id("epodoc", None, number, kind, 12)
    lines.append("        </ops:publication-reference>")
    for result in results:
        lines += ["        <ops:inquiry-result>", "            <publication-reference>"]
        lines += _document_id("docdb", number[:2], number[2:], result["kind"], 16)
        lines.append("            </publication-reference>")
        for inst in result["instances"]:
            lines += _instance(inst)
        lines.append("        </ops:inquiry-result>")
    lines += ["    </ops:document-inquiry>", "</ops:world-patent-data>", ""]
    return _xml("\n".join(lines))


def _ambiguous(number, results):
    alternatives = "".join("        <document-id document-id-type=\"docdb\"><country>%s</country>"
                           "<doc-number>%s</doc-number><kind>%s</kind></document-id>\n"
                           % (number[:2], number[2:], escape(r["kind"])) for r in results)
    return fault_answer(413, "CLIENT.AmbiguousRequest",
                        "Request entity is ambiguous: please give a kind",
                        "    <resolution>\n%s    </resolution>\n" % alternatives)


def _inquiry(catalog, system, text):
    parsed = _parse_number(system, unquote(text))
    if parsed is None:
        return not_found()
    number, kind = parsed
    results = catalog.ops32_results(number)
    if not results:
        return not_found()
    if kind is None and system == "docdb":
        return _ambiguous(number, results)
    if kind is not None:
        results = [r for r in results if r["kind"] == kind]
        if not results:
            return not_found()
    return Response(200, _inquiry_xml(system, number, kind, results), "application/xml")


def _page(catalog, request, link_path, query):
    if link_path.endswith(".tiff"):
        link = link_path[:-len(".tiff")]
    elif "application/tiff" in request.headers.get("Accept", ""):
        link = link_path
    else:
        return not_found()
    inst = catalog.ops32_link(link)
    page = parse_qs(query).get("Range", ["1"])[0]
    if inst is None or not page.isdigit():
        return not_found()
    data = catalog.ops32_image(link, inst, int(page))
    return not_found() if data is None else Response(200, data, "application/tiff")


def answer(state, path, request):
    ops = state.ops
    parts = urlsplit(path)
    if parts.path == TOKEN_PATH:
        return _token(ops, request)
    if not parts.path.startswith(REST):
        return not_found()
    problem = ops.token_problem(request.headers.get("Authorization"))
    if problem:
        return invalid_token(problem)
    rest = parts.path[len(REST):]
    m = INQUIRY.fullmatch(rest)
    if m:
        response = _inquiry(state.catalog, m.group(1), m.group(2))
    else:
        response = _page(state.catalog, request, rest, parts.query)
    if response.status == 200:
        response.headers += ops.count(len(response.body))
    return response
