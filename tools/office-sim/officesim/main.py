"""Command line: start one listener per service, print where, serve until told to stop."""

import argparse
import os
import signal
import sys
import threading

from .catalog import Catalog, CatalogError, load_pages
from .settings import update_settings
from .simulator import SERVICES, Simulator

HERE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def parse_args(argv):
    p = argparse.ArgumentParser(prog="office-sim",
                                description="Local simulator of the patent offices' services.")
    p.add_argument("--settings", help="write the [hosts] group of this settings file")
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


def main(argv=None):
    args = parse_args(sys.argv[1:] if argv is None else argv)
    try:
        pages, pool = load_pages(os.path.join(HERE, "pages"))
        catalog = Catalog.from_file(args.catalog, pages, pool)
    except (OSError, CatalogError) as e:
        print("office-sim: %s" % e, file=sys.stderr)
        return 2
    sim = Simulator(catalog, pages, pool, latest=args.latest, log_path=args.log,
                    verbose=not args.quiet)
    stop = threading.Event()
    for sig in (signal.SIGTERM, signal.SIGINT):
        signal.signal(sig, lambda *_: stop.set())
    try:
        for service in SERVICES:
            sim.open(service)
        if args.settings:
            update_settings(args.settings, sim.hosts())
    except OSError as e:
        print("office-sim: %s" % e, file=sys.stderr)
        sim.close_all()
        return 2
    for service, host in sim.hosts():
        print(service, host)
    print("ready", flush=True)
    if args.exit_on_stdin_eof:
        threading.Thread(target=watch_stdin, args=(stop,), daemon=True).start()
    while not stop.wait(0.2):
        pass
    sim.close_all()
    return 0
