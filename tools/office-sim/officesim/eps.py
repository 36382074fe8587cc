"""The EPO's European Publication Server, REST interface 1.2 (service `eps`).

Documents are named by id (EP2219563NWB1). A patent's path answers a short
page listing its formats; `document.pdf` answers the document as a text PDF,
or as older deployments did: a page whose toolbar links to the PDF, a
Euro-PCT page pointing to WIPO's PATENTSCOPE, or redirects. The fair-use
block page and an endless redirect are fault actions (`blocked`,
`redirect`). Every answer carries the weekly quota headers.
"""

import re
import threading
from urllib.parse import parse_qs, urlsplit

from .pdf import serialised
from .services import Response, html_page

SERVICE = "eps"
BASE = "/publication-server"
PATENTS = BASE + "/rest/v1.2/patents/"
# Where the toolbar links of the old pages point.
LEGACY_PDF = BASE + "/pdf-document"
FORBIDDEN = BASE + "/forbidden.html"
WEEKLY_BYTES = 5 * 1024 ** 3
DOCUMENT_ID = re.compile(r"(EP\d{7})NW([AB]\d)")

BLOCK_PAGE = ("<!DOCTYPE html>\n<html><head><title>European publication server</title></head>\n"
              "<body>\n<div class=\"epoContent\">\n<p>The European publication server has detected a\n"
              "very high level of data flow to your IP address. Such traffic could potentially\n"
              "disturb the access to the service for other users.</p>\n"
              "<p>Please try again later.</p>\n</div>\n</body></html>\n")

A4 = (595, 842)


class EpsState:
    """The bytes served this week, counted until /_sim/reset."""

    def __init__(self):
        self._lock = threading.Lock()
        self.used = 0

    def reset(self):
        with self._lock:
            self.used = 0

    def quota(self, served):
        """The quota headers of an answer of `served` bytes, counted."""
        with self._lock:
            self.used += served
            used = self.used
        return [("x-quotaperweek-used", str(used)),
                ("x-quotaperweek-remaining", str(max(0, WEEKLY_BYTES - used)))]


def text_pdf(doc_id, pages):
    """A PDF of `pages` A4 pages, each with the document id and its page number as text."""
    objects = [b"<< /Type /Catalog /Pages 2 0 R >>",
               b"<< /Type /Pages /Kids [%s] /Count %d >>"
               % (b" ".join(b"%d 0 R" % (4 + 2 * i) for i in range(pages)), pages),
               b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"]
    for page in range(1, pages + 1):
        text = (b"BT /F1 16 Tf 72 770 Td (%s) Tj 0 -24 Td (Page %d of %d) Tj "
                b"/F1 11 Tf 0 -48 Td (Text of the European patent document.) Tj ET"
                % (doc_id.encode(), page, pages))
        objects.append(b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 %d %d] "
                       b"/Resources << /Font << /F1 3 0 R >> >> /Contents %d 0 R >>"
                       % (A4[0], A4[1], 5 + 2 * (page - 1)))
        objects.append(b"<< /Length %d >>\nstream\n" % len(text) + text + b"\nendstream")
    return serialised(objects)


def _pdf(doc_id, doc):
    return Response(200, text_pdf(doc_id, doc.get("pages", 1)), "application/pdf")


def _formats(doc_id):
    items = "".join('<li><a href="%s/document.%s">%s</a></li>\n' % (doc_id, f, f)
                    for f in ("xml", "html", "pdf", "zip"))
    return Response(200, "<!DOCTYPE html>\n<html><head><title>%s</title></head>\n<body>\n<ul>\n%s</ul>\n"
                    "</body></html>\n" % (doc_id, items))


def _toolbar_page(doc_id, number, kind):
    link = "%s?cc=EP&amp;pn=%s&amp;ki=%s" % (LEGACY_PDF, number[2:], kind)
    return Response(200, "<!DOCTYPE html>\n<html><head><title>%s</title></head>\n<body id=\"body\">\n"
                    "<div class=\"epoHeader\"><a href=\"%s/\">European publication server</a></div>\n"
                    "<!-- <a href=\"%s/preview.pdf\">preview</a> -->\n"
                    "<div class=\"epoToolBar document\">\n<ul>\n"
                    "<li><a href=\"%s\">PDF</a></li>\n</ul>\n</div>\n"
                    "<div class=\"epoContent\"><p>%s</p></div>\n</body></html>\n"
                    % (doc_id, BASE, BASE, link, doc_id))


def _wipo_page(doc_id, wo):
    digits = wo[2:]
    return Response(200, "<!DOCTYPE html>\n<html><head><title>%s</title></head>\n<body>\n"
                    "<p>This Euro-PCT application was published by WIPO as WO %s/%s;\n"
                    "the EPO does not publish it again.</p>\n"
                    "<p><a href=\"https://patentscope.wipo.int/search/en/%s\">See PATENTSCOPE</a></p>\n"
                    "</body></html>\n" % (doc_id, digits[:4], digits[4:], wo))


def _redirect(status, location):
    response = html_page(status, "Moved", "The document has moved.")
    response.headers.append(("Location", location))
    return response


def _document(doc_id, number, kind, doc, query, origin):
    how = doc.get("answer", "pdf")
    if how == "page":
        return _toolbar_page(doc_id, number, kind)
    if how == "wipo":
        return _wipo_page(doc_id, doc.get("wo", ""))
    if how == "redirect" and not query:
        return _redirect(302, "document.pdf?hop=1")
    if how == "redirect":
        return _redirect(301, "%s%s?cc=EP&pn=%s&ki=%s" % (origin, LEGACY_PDF, number[2:], kind))
    return _pdf(doc_id, doc)


def _legacy(catalog, query):
    def first(name):
        return (query.get(name) or [""])[0]
    number = "EP" + first("pn").zfill(7)
    doc = catalog.eps_document(number, first("ki")) if first("cc") == "EP" else None
    if doc is None:
        return html_page(404, "Not Found", "No such document.")
    return _pdf(number + "NW" + first("ki"), doc)


def _answer(state, path, origin):
    parts = urlsplit(path)
    plain = parts.path
    if plain == FORBIDDEN:
        return Response(200, BLOCK_PAGE)
    if plain == LEGACY_PDF:
        return _legacy(state.catalog, parse_qs(parts.query))
    if not plain.startswith(PATENTS):
        return html_page(404, "Not Found", "No such page.")
    doc_id, _, tail = plain[len(PATENTS):].partition("/")
    m = DOCUMENT_ID.fullmatch(doc_id)
    doc = state.catalog.eps_document(m.group(1), m.group(2)) if m else None
    if doc is None:
        return html_page(404, "Not Found", "No such document.")
    if tail == "":
        return _formats(doc_id)
    if tail == "document.pdf":
        return _document(doc_id, m.group(1), m.group(2), doc, parts.query, origin)
    return html_page(404, "Not Found", "This format is not simulated.")


def answer(state, path, request, tls):
    origin = "%s://%s" % ("https" if tls else "http", request.headers.get("Host", ""))
    response = _answer(state, path, origin)
    response.headers += state.eps.quota(len(response.body) if response.status == 200 else 0)
    return response


def fault(state, fault_, path):
    """The answer of an eps fault action, or None for another action."""
    if fault_.action == "blocked":
        response = Response(200, BLOCK_PAGE)
    elif fault_.action == "redirect":
        location = fault_.body.decode("latin-1") if isinstance(fault_.body, bytes) else fault_.body
        response = _redirect(fault_.status_or(302), location or urlsplit(path).path)
    else:
        return None
    response.headers += state.eps.quota(0)
    return response
