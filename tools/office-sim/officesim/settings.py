"""Points the hosts group of a settings file (wxFileConfig format) at the simulator."""

import os


def update_settings(path, hosts):
    """Rewrites the [hosts] group with `hosts` [(key, value)], keeping every other line."""
    try:
        with open(path, encoding="utf-8") as f:
            lines = f.read().splitlines()
    except FileNotFoundError:
        lines = []
    keys = {k for k, _ in hosts}
    out, in_hosts, written = [], False, False
    for line in lines:
        stripped = line.strip()
        if stripped.startswith("["):
            if in_hosts and not written:
                out += ["%s=%s" % kv for kv in hosts]
                written = True
            in_hosts = stripped == "[hosts]"
        elif in_hosts and stripped.split("=", 1)[0].strip() in keys:
            continue
        out.append(line)
    if not written:
        if not in_hosts:
            out.append("[hosts]")
        out += ["%s=%s" % kv for kv in hosts]
    fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600)
    with os.fdopen(fd, "w", encoding="utf-8") as f:
        f.write("\n".join(out) + "\n")
