"""Documents the simulator knows and the page images it serves for them."""

import json
import os
import re
import zlib

from . import heading
from .pdf import g4_pdf
from .tiff import TiffError, g4_strip, ops_page

SERIES_RANGES = {
    9: "1/1/1998->12/31/2001",
    10: "12/1/2001->12/31/2004",
    11: "12/1/2004->12/31/2007",
    12: "12/1/2007->12/31/2011",
}


class CatalogError(ValueError):
    pass


def _number_of(key):
    """(country, number) of a page key: a US id as the classic servers and
    Patent Public Search take it, or an OPS link
    ("published-data/images/EP/2219563/A1/fullimage")."""
    parts = key.split("/")
    if len(parts) >= 4 and parts[0] == "published-data":
        return parts[2], parts[3]
    return "US", key


def load_pages(pages_dir):
    """All .tif files of pages_dir by name; the default pool is g4-* and g3-*."""
    pages = {}
    for name in sorted(os.listdir(pages_dir)):
        if name.endswith(".tif"):
            with open(os.path.join(pages_dir, name), "rb") as f:
                pages[name] = f.read()
    pool = [n for n in pages if n.startswith("g4-") or n.startswith("g3-")]
    if not pool:
        raise CatalogError("no g4-*/g3-* pages in " + pages_dir)
    return pages, pool


def mirror_of(doc_id):
    """The image service that serves a US document id: 11 characters is an
    application; the last two digits pick mirror 1 (00-49) or 2 (50-99)."""
    tail = doc_id[-2:]
    v = int(tail) if len(tail) == 2 and tail.isdigit() else 0
    kind = "applicationImages" if len(doc_id) == 11 else "patentImages"
    return kind + ("1" if v < 50 else "2")


def _serial_value(text):
    return int(text) if text.isdigit() else None


class Catalog:
    def __init__(self, data, pages, pool):
        if not isinstance(data, dict):
            raise CatalogError("catalog must be a JSON object")
        self.granted = self._docs(data.get("granted", {}), "granted")
        self.applications = self._docs(data.get("applications", {}), "applications")
        self.serials = self._serials(data.get("serials", {}))
        self.ops = self._ops(data.get("ops", {}))
        self.ops32 = self._ops32(data.get("ops32", {}))
        self.ppubs = self._ppubs(data.get("ppubs", {}))
        self.eps = self._eps(data.get("eps", {}))
        self.pages = pages
        self.pool = pool
        self.ops32_pool = [n for n in sorted(pages) if n.startswith("g4-")]
        self._ops32_pages = {}
        self._stamped = {}
        self._check_images()

    @staticmethod
    def _docs(table, what):
        if not isinstance(table, dict):
            raise CatalogError(what + " must be an object")
        docs = {}
        for doc_id, doc in table.items():
            if not isinstance(doc, dict) or not isinstance(doc.get("pages", 1), int) \
                    or doc.get("pages", 1) < 0:
                raise CatalogError("bad entry %s in %s" % (doc_id, what))
            if doc.get("embed", "normal") not in ("normal", "split", "nopagenum"):
                raise CatalogError("bad embed of %s" % doc_id)
            docs[doc_id] = doc
        return docs

    @staticmethod
    def _serials(table):
        serials = []
        for key, published in table.items():
            m = re.fullmatch(r"(\d+)/(\d+)", key)
            if not m or not isinstance(published, str):
                raise CatalogError("bad serial entry " + key)
            serials.append((int(m.group(1)), int(m.group(2)), published))
        return serials

    @staticmethod
    def _ops(table):
        for number, instances in table.items():
            if not isinstance(instances, list):
                raise CatalogError("bad ops entry " + number)
            for inst in instances:
                if not isinstance(inst, dict) or not isinstance(inst.get("link"), str) \
                        or not isinstance(inst.get("pages"), int) or inst["pages"] < 0:
                    raise CatalogError("bad ops instance of " + number)
        return table

    @staticmethod
    def _ops32(table):
        if not isinstance(table, dict):
            raise CatalogError("ops32 must be an object")
        for number, results in table.items():
            # OPS knows a US application publication only as year and six
            # digits; the 11-digit form is the application's number.
            if re.fullmatch(r"US\d{11}", number):
                raise CatalogError("ops32 entry %s: a US application publication is US%s%s in epodoc"
                                   % (number, number[2:6], number[7:]))
            if not isinstance(results, list) or not all(
                    isinstance(r, dict) and isinstance(r.get("kind"), str) and
                    isinstance(r.get("instances"), list) for r in results):
                raise CatalogError("bad ops32 entry " + number)
            for inst in (i for r in results for i in r["instances"]):
                if not isinstance(inst, dict) or not isinstance(inst.get("link"), str) \
                        or not isinstance(inst.get("pages"), int) or inst["pages"] < 0:
                    raise CatalogError("bad ops32 instance of " + number)
                sections = inst.get("sections", {})
                if not isinstance(sections, dict) or not all(
                        isinstance(p, int) and p >= 1 for p in sections.values()):
                    raise CatalogError("bad ops32 sections of " + number)
        return table

    @staticmethod
    def _ppubs(table):
        if not isinstance(table, dict):
            raise CatalogError("ppubs must be an object")
        for number, doc in table.items():
            if not re.fullmatch(r"(D|PP|RE|)[1-9]\d*", number) or not isinstance(doc, dict) \
                    or not isinstance(doc.get("pages"), int) or doc["pages"] < 1 \
                    or not isinstance(doc.get("sections", {}), dict) \
                    or doc.get("direct", "both") not in ("both", "api", "none"):
                raise CatalogError("bad ppubs entry " + number)
        return table

    @staticmethod
    def _eps(table):
        if not isinstance(table, dict):
            raise CatalogError("eps must be an object")
        for number, kinds in table.items():
            if not re.fullmatch(r"EP\d{7}", number) or not isinstance(kinds, dict):
                raise CatalogError("bad eps entry " + number)
            for kind, doc in kinds.items():
                if not re.fullmatch(r"[AB]\d", kind) or not isinstance(doc, dict) \
                        or not isinstance(doc.get("pages", 1), int) or doc.get("pages", 1) < 1 \
                        or doc.get("answer", "pdf") not in ("pdf", "page", "redirect", "wipo"):
                    raise CatalogError("bad eps document %s %s" % (number, kind))
        return table

    def _ops32_instances(self):
        return [i for results in self.ops32.values() for r in results for i in r["instances"]]

    def _check_images(self):
        docs = list(self.granted.values()) + list(self.applications.values())
        docs += [i for insts in self.ops.values() for i in insts]
        for doc in docs + self._ops32_instances():
            for name in doc.get("images", []):
                if name not in self.pages:
                    raise CatalogError("unknown page image " + str(name))
        if (self.ops32 or self.ppubs) and not self.ops32_pool:
            raise CatalogError("no g4-* pages for the OPS 3.2 and ppubs documents")
        for name in (n for doc in self.ppubs.values() for n in doc.get("images", [])):
            try:
                g4_strip(self.pages[name])
            except (KeyError, TiffError) as e:
                raise CatalogError("page image %s cannot be served by ppubs: %s" % (name, e))
        for inst in self._ops32_instances():
            for name in inst.get("images", []):
                try:
                    self.ops32_page(name)
                except TiffError as e:
                    raise CatalogError("page image %s cannot be served by OPS 3.2: %s" % (name, e))

    @classmethod
    def from_file(cls, path, pages, pool):
        with open(path, "rb") as f:
            return cls.from_json(f.read(), pages, pool)

    @classmethod
    def from_json(cls, raw, pages, pool):
        try:
            data = json.loads(raw)
        except (ValueError, UnicodeDecodeError) as e:
            raise CatalogError("catalog is not JSON: %s" % e)
        return cls(data, pages, pool)

    def us_document(self, doc_id):
        """The entry of a granted patent or application; unlisted ids get
        1-4 pages derived from their digits."""
        table = self.applications if len(doc_id) == 11 else self.granted
        if doc_id in table:
            return table[doc_id]
        digits = sum(int(c) for c in doc_id if c.isdigit())
        return {"pages": digits % 4 + 1}

    def image(self, key, doc, page):
        """Bytes of page `page` (1-based) of the document or OPS link `key`."""
        if page < 1 or page > doc.get("pages", 0):
            return None
        images = doc.get("images")
        if images:
            name = images[(page - 1) % len(images)]
        else:
            name = self.pool[(zlib.crc32(key.encode()) + page - 1) % len(self.pool)]
        return self.stamped(name, _number_of(key), page, doc["pages"])

    def stamped(self, name, number, page, count):
        """Page file `name` headed with the (country, number) and "PAGE P OF N" (made once)."""
        key = (name, heading.text(number[0], number[1], page, count))
        page_bytes = self._stamped.get(key)
        if page_bytes is None:
            if len(self._stamped) > 4096:
                self._stamped.clear()
            page_bytes = heading.stamp_page(self.pages[name], key[1])
            self._stamped[key] = page_bytes
        return page_bytes

    def publication_for(self, serial_text, range_text):
        serial = _serial_value(serial_text)
        if serial is None:
            return None
        for series, known, published in self.serials:
            if known == serial and SERIES_RANGES.get(series, "") == range_text:
                return published
        return None

    def ops_instances(self, number):
        return self.ops.get(number)

    def ops_link(self, link):
        for instances in self.ops.values():
            for inst in instances:
                if inst["link"] == link:
                    return inst
        return None

    # OPS 3.2

    def ops32_results(self, number):
        """The inquiry results [{"kind", "instances"}] of an epodoc number without kind."""
        return self.ops32.get(number)

    def ops32_link(self, link):
        for inst in self._ops32_instances():
            if inst["link"] == link:
                return inst
        return None

    def ops32_page(self, name):
        """Page file `name` in the EPO's big-endian form (made once)."""
        if name not in self._ops32_pages:
            self._ops32_pages[name] = ops_page(self.pages[name])
        return self._ops32_pages[name]

    def ops32_image(self, link, inst, page):
        """Page `page` (1-based) of an OPS 3.2 link: its own images in turn,
        else a deterministic choice among the g4-* pages."""
        if page < 1 or page > inst["pages"]:
            return None
        images = inst.get("images")
        if images:
            name = images[(page - 1) % len(images)]
        else:
            name = self.ops32_pool[(zlib.crc32(link.encode()) + page - 1) % len(self.ops32_pool)]
        return ops_page(self.stamped(name, _number_of(link), page, inst["pages"]))

    # European Publication Server

    def eps_document(self, number, kind):
        """The entry of a seven-digit EP number ("EP0729353") and kind, or None."""
        return self.eps.get(number, {}).get(kind)

    # Patent Public Search

    def ppubs_document(self, number):
        """The entry of a number without leading zeros (D645062, 20150192688), or None."""
        return self.ppubs.get(number)

    def ppubs_pdf(self, number, doc, keys):
        """The PDF of the pages that page keys ".../0000000P.tif" name, in their order:
        the document's own images in turn, else a deterministic choice among the g4-* pages."""
        strips = []
        for key in keys:
            page = int(key[-12:-4])
            images = doc.get("images")
            if images:
                name = images[(page - 1) % len(images)]
            else:
                name = self.ops32_pool[(zlib.crc32(number.encode()) + page - 1) % len(self.ops32_pool)]
            width, height, _, strip = g4_strip(self.stamped(name, ("US", number), page, doc["pages"]))
            strips.append((width, height, strip))
        return g4_pdf(strips)
