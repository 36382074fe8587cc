"""What each simulated service answers to an ordinary request."""

import re
import zlib
from urllib.parse import parse_qs, unquote, urlsplit

from .catalog import mirror_of

SEARCH_HIT_LINK = ("/netacgi/nph-Parser?Sect1=PTO2&Sect2=HITOFF"
                   "&u=%2Fnetahtml%2FPTO%2Fsearch-adv.html")
OPS_PREFIX = "/2.6.2/rest-services/"
OPS_LIST_PREFIX = OPS_PREFIX + "published-data/publication/epodoc/"


class Response:
    def __init__(self, status, body, ctype="text/html", headers=None):
        self.status = status
        self.body = body if isinstance(body, bytes) else body.encode("utf-8")
        self.ctype = ctype
        self.headers = headers or []
        self.throttling = True  # OPS 3.2 adds its X-Throttling-Control unless False


def html_page(status, title, text):
    return Response(status, "<html><head><title>%s</title></head>\n<body>\n<h1>%s</h1>\n"
                    "<p>%s</p>\n</body></html>\n" % (title, title, text))


def not_found(what="The requested document was not found on this server."):
    return html_page(404, "Not Found", what)


def _query(path):
    return parse_qs(urlsplit(path).query, keep_blank_values=True)


def _first(query, name):
    values = query.get(name)
    return values[0] if values else ""


def _id_key(doc_id):
    return "%08X" % zlib.crc32(("idkey:" + doc_id).encode())


def embed_element(doc_id, doc):
    page_param = "Page=" if doc.get("embed") == "nopagenum" else "PageNum="
    path = "/.DImg?Docid=%s&%s1&IDKey=%s&ImgFormat=tif" % (doc_id, page_param, _id_key(doc_id))
    element = '<embed src="%s" width="100%%" height="100%%" type="image/tiff">' % path
    if doc.get("embed") == "split":
        # Cut inside the path, after the page number, so that only joining
        # the two lines gives the whole path back.
        cut = element.index("&IDKey=") + 4
        element = element[:cut] + "\n" + element[cut:]
    return element


def page_list(catalog, service, path, application):
    doc_id = _first(_query(path), "Docid")
    if not doc_id or mirror_of(doc_id) != service or (len(doc_id) == 11) != application:
        return not_found()
    doc = catalog.us_document(doc_id)
    lines = ["<html>", "<head><title>Full Page Images of %s</title></head>" % doc_id, "<body>"]
    if doc.get("numpages", True):
        lines.append("<!-- NumPages=%d -->" % doc["pages"])
    lines += ["<center>", "<table><tr><td>", embed_element(doc_id, doc),
              "</td></tr></table>", "</center>", "</body>", "</html>", ""]
    return Response(200, "\n".join(lines))


def page_image(catalog, service, path):
    query = _query(path)
    doc_id = _first(query, "Docid")
    page = _first(query, "PageNum")
    if not doc_id or not page.isdigit() or mirror_of(doc_id) != service:
        return not_found()
    data = catalog.image(doc_id, catalog.us_document(doc_id), int(page))
    if data is None:
        return not_found("No such page.")
    return Response(200, data, "image/tiff")


def _hit_page(published, serial):
    return "\n".join([
        "<HTML><HEAD><TITLE>PatFT Application Search Results</TITLE></HEAD>",
        "<BODY>",
        "<B>Results of Search in PGPUB Production Database for:</B><BR>",
        "APN/%s: 1 applications.<BR>" % serial,
        "<TABLE>",
        "<TR><TD valign=top>1</TD>",
        "<TD valign=top><A  HREF=%s&r=1&p=1&f=G&l=50&d=PG01&S1=%s.APN.&OS=APN/%s&RS=APN/%s>%s</A></TD>"
        % (SEARCH_HIT_LINK, serial, serial, serial, published),
        "<TD valign=top><A  HREF=%s&r=1&p=1&f=G&l=50&d=PG01&S1=%s.APN.>Apparatus for a document</A></TD>"
        % (SEARCH_HIT_LINK, serial),
        "</TR>",
        "</TABLE>",
        "</BODY></HTML>",
        ""])


def _no_hit_page(serial):
    return "\n".join([
        "<HTML><HEAD><TITLE>PatFT Application Search Results</TITLE></HEAD>",
        "<BODY>",
        "<B>Results of Search in PGPUB Production Database for:</B><BR>",
        "APN/%s: 0 applications.<BR>" % serial,
        "<BR>No applications have matched your query<BR>",
        "</BODY></HTML>",
        ""])


def search(catalog, path):
    if urlsplit(path).path != "/netacgi/nph-Parser":
        return not_found()
    text = _first(_query(path), "Query")
    m = re.fullmatch(r"APN/(\S*) and APD/(.*)", text)
    if not m:
        return Response(200, _no_hit_page(text))
    serial, date_range = m.group(1), m.group(2)
    published = catalog.publication_for(serial, date_range)
    if published is None:
        return Response(200, _no_hit_page(serial))
    return Response(200, _hit_page(published, serial))


def _ops_error(number):
    return Response(404, '<?xml version="1.0" encoding="UTF-8"?>\n'
                    '<fault xmlns="urn:office-sim:ops">\n'
                    '<code>SERVER.EntityNotFound</code>\n'
                    '<message>No results found for %s</message>\n</fault>\n' % number,
                    "application/xml")


def ops_image_list(catalog, ops_host, number):
    instances = catalog.ops_instances(number)
    if instances is None:
        return _ops_error(number)
    lines = ['<?xml version="1.0" encoding="UTF-8" standalone="yes"?>',
             '<ops:world-patent-data xmlns:ops="urn:office-sim:ops">',
             "<ops:document-inquiry>",
             "<ops:publication-reference>",
             '<document-id document-id-type="epodoc"><doc-number>%s</doc-number></document-id>'
             % number,
             "</ops:publication-reference>",
             "<ops:inquiry-result>"]
    for inst in instances:
        lines.append('<ops:document-instance system="%s" link="%s" number-of-pages="%d" desc="%s">'
                     % (ops_host, inst["link"], inst["pages"], inst.get("desc", "FullDocument")))
        lines.append("<ops:document-format-options>"
                     "<ops:document-format>application/pdf</ops:document-format>"
                     "<ops:document-format>application/tiff</ops:document-format>"
                     "</ops:document-format-options>")
        lines.append('<ops:document-section name="DESCRIPTION" start-page="1"/>')
        lines.append("</ops:document-instance>")
    lines += ["</ops:inquiry-result>", "</ops:document-inquiry>", "</ops:world-patent-data>", ""]
    return Response(200, "\n".join(lines), "application/xml")


def ops_page(catalog, path):
    parts = urlsplit(path)
    link = parts.path[len(OPS_PREFIX):-len(".tiff")]
    page = _first(parse_qs(parts.query), "Range")
    inst = catalog.ops_link(link)
    if inst is None or not page.isdigit():
        return _ops_error(link)
    data = catalog.image(link, inst, int(page))
    if data is None:
        return _ops_error(link)
    return Response(200, data, "application/tiff")


def ops(catalog, ops_host, path):
    plain = urlsplit(path).path
    if plain.startswith(OPS_LIST_PREFIX) and plain.endswith("/images"):
        # The number may carry a "/" of its own (WO2004/012345).
        number = unquote(plain[len(OPS_LIST_PREFIX):-len("/images")])
        return ops_image_list(catalog, ops_host, number)
    if plain.startswith(OPS_PREFIX) and plain.endswith(".tiff"):
        return ops_page(catalog, path)
    return not_found()


def maker(state, path):
    plain = urlsplit(path).path
    if plain == "/latest.html":
        return Response(200, state.latest, "text/plain")
    if plain == "/download.html":
        if state.download_status != 200:
            return html_page(state.download_status, "Error", "The download is not available.")
        return Response(200, state.download, "application/octet-stream")
    if plain == "/proxyTest.htm":
        return html_page(200, "Proxy Test", "office-sim proxy test page: the connection works.")
    return not_found()


def answer(state, service, path):
    catalog = state.catalog
    plain = urlsplit(path).path
    if service in ("patentImages1", "patentImages2", "applicationImages1", "applicationImages2"):
        if plain == "/.piw":
            return page_list(catalog, service, path, application=False)
        if plain == "/.aiw":
            return page_list(catalog, service, path, application=True)
        if plain == "/.DImg":
            return page_image(catalog, service, path)
        return not_found()
    if service == "applicationSearch":
        return search(catalog, path)
    if service == "ops":
        return ops(catalog, state.host_of("ops"), path)
    if service == "maker":
        return maker(state, path)
    return not_found()
