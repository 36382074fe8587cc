"""Command line: start one listener per service, print where, serve until told to stop."""

import argparse
import os
import signal
import sys
import threading

from . import ops32
from .catalog import Catalog, CatalogError, load_pages
from .settings import file_config_value, scrambled, update_settings
from .simulator import Simulator
from .tls import Certificates, TlsError

HERE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def parse_args(argv):
    p = argparse.ArgumentParser(prog="office-sim",
                                description="Local simulator of the patent offices' services.")
    p.add_argument("--settings", help="point this settings file's [hosts], [services], [ops], "
                                      "[ppubs] and [eps] groups at the simulator")
    p.add_argument("--routes", choices=("classic", "new"), default="classic",
                   help="routes --settings chooses: classic (the original services) or new "
                        "(Patent Public Search for US documents, ep=auto for EP documents, OPS 3.2 "
                        "for the others)")
    p.add_argument("--no-ops-key", action="store_true",
                   help="--settings leaves the OPS key and secret empty, as on a first run")
    p.add_argument("--plain-ops", action="store_true",
                   help="--settings names the plain-HTTP OPS 3.2, ppubs and eps listeners instead of "
                        "the TLS ones")
    p.add_argument("--log", help="append every request as a JSON line to this file")
    p.add_argument("--latest", default="23", help="version number /latest.html answers")
    p.add_argument("--catalog", default=os.path.join(HERE, "catalog.json"))
    p.add_argument("--quiet", action="store_true", help="print no request lines")
    p.add_argument("--exit-on-stdin-eof", action="store_true",
                   help="stop when standard input is closed")
    return p.parse_args(argv)


def watch_stdin(stop):
    try:
        while sys.stdin.buffer.read1(4096):
            pass
    except (OSError, ValueError):
        pass
    stop.set()


def settings_groups(sim, args, ca_file):
    urls = dict(sim.urls())
    tls = not args.plain_ops and "ops32tls" in urls
    url = urls["ops32tls" if tls else "ops32"]
    new = args.routes == "new"
    key, secret = ("", "") if args.no_ops_key else (ops32.DEMO_KEY, ops32.DEMO_SECRET)
    return [("hosts", sim.hosts()),
            ("services", [("us", "ppubs" if new else "classic"), ("ep", "auto"),
                          ("other", "ops" if new else "classic"), ("caFile", ca_file or "")]),
            ("ops", [("url", url), ("consumerKey", key),
                     ("consumerSecret", file_config_value(scrambled(secret)))]),
            ("ppubs", [("url", urls["ppubsTls" if tls else "ppubs"]),
                       ("imageUrl", urls["ppubsImagesTls" if tls else "ppubsImages"])]),
            ("eps", [("url", urls["epsTls" if tls else "eps"])])]


def make_certificates():
    """The TLS certificates, or None (and a warning) when openssl cannot make them."""
    try:
        return Certificates()
    except TlsError as e:
        print("office-sim: no TLS listener: %s" % e, file=sys.stderr)
        return None


def main(argv=None):
    args = parse_args(sys.argv[1:] if argv is None else argv)
    try:
        pages, pool = load_pages(os.path.join(HERE, "pages"))
        catalog = Catalog.from_file(args.catalog, pages, pool)
    except (OSError, CatalogError) as e:
        print("office-sim: %s" % e, file=sys.stderr)
        return 2
    stop = threading.Event()
    for sig in (signal.SIGTERM, signal.SIGINT):
        signal.signal(sig, lambda *_: stop.set())
    certificates = make_certificates()
    try:
        return serve(args, catalog, pages, pool, certificates, stop)
    finally:
        if certificates is not None:
            certificates.remove()


def serve(args, catalog, pages, pool, certificates, stop):
    try:
        context = certificates.server_context() if certificates is not None else None
    except (OSError, ValueError) as e:
        print("office-sim: no TLS listener: %s" % e, file=sys.stderr)
        context, certificates = None, None
    ca_file = certificates.ca_file if certificates is not None else None
    sim = Simulator(catalog, pages, pool, latest=args.latest, log_path=args.log,
                    verbose=not args.quiet, tls_context=context)
    try:
        for name in sim.listener_names():
            sim.open(name)
        if args.settings:
            update_settings(args.settings, settings_groups(sim, args, ca_file))
    except OSError as e:
        print("office-sim: %s" % e, file=sys.stderr)
        sim.close_all()
        return 2
    for service, host in sim.hosts():
        print(service, host)
    for name, url in sim.urls():
        print(name, url)
    if ca_file:
        print("caFile", ca_file)
    print("ready", flush=True)
    if args.exit_on_stdin_eof:
        threading.Thread(target=watch_stdin, args=(stop,), daemon=True).start()
    while not stop.wait(0.2):
        pass
    sim.close_all()
    return 0
