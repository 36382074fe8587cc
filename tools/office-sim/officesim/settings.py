"""Points the groups of a settings file (wxFileConfig format) at the simulator."""

import os

# The program stores secrets with every non-zero character exclusive-or this mask.
SECRET_MASK = 0x1F


def scrambled(secret):
    return "".join(chr(ord(c) ^ SECRET_MASK) if ord(c) else c for c in secret)


def file_config_value(text):
    """A value the way wxFileConfig writes it: escapes, and quotes around a leading blank."""
    quoted = bool(text) and (text[0].isspace() or text[0] == '"')
    out = []
    for c in text:
        escape = {"\n": "n", "\r": "r", "\t": "t", "\\": "\\"}.get(c)
        if escape is None and c == '"' and quoted:
            escape = '"'
        out.append("\\" + escape if escape else c)
    value = "".join(out)
    return '"%s"' % value if quoted else value


def update_settings(path, groups):
    """Rewrites the keys of each group in `groups` [(group, [(key, value)])],
    keeping every other line; a group not in the file is added at its end."""
    try:
        with open(path, encoding="utf-8") as f:
            lines = f.read().splitlines()
    except FileNotFoundError:
        lines = []
    wanted = dict(groups)
    written = set()
    out, current = [], None

    def write_group(name):
        out.extend("%s=%s" % kv for kv in wanted[name])
        written.add(name)

    for line in lines:
        stripped = line.strip()
        if stripped.startswith("["):
            if current in wanted and current not in written:
                write_group(current)
            current = stripped[1:-1] if stripped.endswith("]") else None
        elif current in wanted and stripped.split("=", 1)[0].strip() in dict(wanted[current]):
            continue
        out.append(line)
    if current in wanted and current not in written:
        write_group(current)
    for name, _ in groups:
        if name not in written:
            out.append("[%s]" % name)
            write_group(name)
    fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600)
    with os.fdopen(fd, "w", encoding="utf-8") as f:
        f.write("\n".join(out) + "\n")
