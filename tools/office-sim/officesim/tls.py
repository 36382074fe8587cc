"""A throw-away certificate authority and a server certificate for 127.0.0.1.

Made with the openssl command at every start, in a private temporary folder
that goes when the simulator stops; a client trusts the server by taking the
authority's file (ca.pem) as its extra CA file.
"""

import os
import secrets
import shutil
import ssl
import subprocess
import tempfile

CONFIG = """\
[req]
distinguished_name = dn
prompt = no
[dn]
CN = office-sim test authority
[authority]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[server]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = IP:127.0.0.1, DNS:localhost, DNS:127.0.0.1
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
"""
# The certificate names 127.0.0.1 as a DNS name too: the Schannel backend of
# the Windows build's libcurl (7.88) matches the host against DNS names only.
# Elliptic-curve keys take milliseconds to make, RSA keys far longer.
NEW_KEY = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]
DAYS = "30"


class TlsError(RuntimeError):
    pass


class Certificates:
    def __init__(self):
        self.folder = tempfile.mkdtemp(prefix="office-sim-tls-")
        self.ca_file = os.path.join(self.folder, "ca.pem")
        self.cert_file = os.path.join(self.folder, "server.pem")
        self.key_file = os.path.join(self.folder, "server.key")
        try:
            self._make()
        except TlsError:
            self.remove()
            raise

    def _openssl(self, *args):
        try:
            done = subprocess.run(["openssl", *args], cwd=self.folder, stdin=subprocess.DEVNULL,
                                  capture_output=True, timeout=30)
        except (OSError, subprocess.SubprocessError) as e:
            raise TlsError("openssl cannot run: %s" % e)
        if done.returncode != 0:
            raise TlsError("openssl %s failed: %s" % (args[0], done.stderr.decode(errors="replace")
                                                      .strip().splitlines()[-1:]))

    def _make(self):
        with open(os.path.join(self.folder, "openssl.cnf"), "w", encoding="ascii") as f:
            f.write(CONFIG)
        self._openssl("req", "-config", "openssl.cnf", "-x509", "-new", *NEW_KEY,
                      "-keyout", "ca.key", "-out", "ca.pem", "-days", DAYS,
                      "-extensions", "authority")
        self._openssl("req", "-config", "openssl.cnf", "-new", *NEW_KEY, "-subj", "/CN=127.0.0.1",
                      "-keyout", "server.key", "-out", "server.csr")
        self._openssl("x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                      "-set_serial", str(secrets.randbits(63)), "-days", DAYS, "-out", "server.pem",
                      "-extfile", "openssl.cnf", "-extensions", "server")

    def server_context(self):
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(self.cert_file, self.key_file)
        context.set_alpn_protocols(["http/1.1"])
        return context

    def remove(self):
        shutil.rmtree(self.folder, ignore_errors=True)
