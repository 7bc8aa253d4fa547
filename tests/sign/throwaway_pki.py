"""A throwaway public-key infrastructure for the signing tests, made with openssl at test time:
a certificate authority, code-signing certificates (good, expired, without the code-signing
usage) in PKCS#12 files, and an RFC 3161 time-stamp authority served over HTTP on loopback.
Nothing here reaches beyond the machine.
"""
import http.server
import os
import subprocess
import tempfile
import threading
import time

PASSWORD = "correct horse"
DAY = 24 * 3600

CA_CONFIG = """\
[ ca ]
default_ca = throwaway
[ throwaway ]
dir = {dir}
database = $dir/index.txt
new_certs_dir = $dir/issued
serial = $dir/serial
default_md = sha256
policy = anything
unique_subject = no
copy_extensions = none
[ anything ]
commonName = supplied
[ code_signing ]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
[ server_only ]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = serverAuth
[ time_stamping ]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = critical, timeStamping
"""

# openssl ts answers each query with this authority's certificate, the CA's, a serial number
# that counts up, and the query's digest signed with SHA-256.
TSA_CONFIG = """\
[ tsa ]
default_tsa = throwaway
[ throwaway ]
dir = {dir}
serial = $dir/tsa-serial
crypto_device = builtin
signer_cert = $dir/tsa.pem
signer_key = $dir/tsa.key
certs = $dir/ca.pem
signer_digest = sha256
default_policy = 1.3.6.1.4.1.99999.1
digests = sha1, sha256, sha384, sha512
accuracy = secs:1
ordering = yes
tsa_name = yes
ess_cert_id_chain = no
ess_cert_id_alg = sha256
"""


def openssl(*arguments, **options):
    return subprocess.run(["openssl", *arguments], check=True, capture_output=True, **options)


def utc(seconds_from_now):
    return time.strftime("%Y%m%d%H%M%SZ", time.gmtime(time.time() + seconds_from_now))


class Pki:
    """The CA and the certificates it issued, as files in one folder."""

    def __init__(self, folder):
        self.dir = folder
        os.makedirs(os.path.join(folder, "issued"))
        open(self.path("index.txt"), "w").close()
        with open(self.path("serial"), "w") as f:
            f.write("1000\n")
        with open(self.path("tsa-serial"), "w") as f:
            f.write("01\n")
        with open(self.path("ca.cnf"), "w") as f:
            f.write(CA_CONFIG.format(dir=folder))
        with open(self.path("tsa.cnf"), "w") as f:
            f.write(TSA_CONFIG.format(dir=folder))
        openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256", "-days", "3",
                "-keyout", self.path("ca.key"), "-out", self.path("ca.pem"),
                "-subj", "/CN=Throwaway Test CA",
                "-addext", "basicConstraints=critical,CA:TRUE",
                "-addext", "keyUsage=critical,keyCertSign,cRLSign")
        self.issue("tsa", "time_stamping")

    def path(self, name):
        return os.path.join(self.dir, name)

    def issue(self, name, extensions, start=-DAY, end=DAY):
        """Issues name.pem with name.key (unencrypted PEM, PKCS#8), valid from start to end
        seconds from now, with the extensions section of CA_CONFIG named."""
        openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", self.path(name + ".key"),
                "-out", self.path(name + ".csr"), "-subj", f"/CN=Throwaway {name}")
        openssl("ca", "-batch", "-config", self.path("ca.cnf"), "-cert", self.path("ca.pem"),
                "-keyfile", self.path("ca.key"), "-extensions", extensions,
                "-startdate", utc(start), "-enddate", utc(end), "-notext",
                "-in", self.path(name + ".csr"), "-out", self.path(name + ".pem"))
        return self.path(name + ".pem")

    def other_root(self):
        """other-ca.pem: a root that issued none of these certificates."""
        if not os.path.exists(self.path("other-ca.pem")):
            openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "3",
                    "-keyout", self.path("other-ca.key"), "-out", self.path("other-ca.pem"),
                    "-subj", "/CN=Throwaway Other CA")
        return self.path("other-ca.pem")

    def pkcs12(self, name, password=PASSWORD):
        """name.p12: the certificate, its key and the CA, under the password."""
        openssl("pkcs12", "-export", "-in", self.path(name + ".pem"),
                "-inkey", self.path(name + ".key"), "-certfile", self.path("ca.pem"),
                "-name", name, "-passout", "env:P12_PASSWORD", "-out", self.path(name + ".p12"),
                env={**os.environ, "P12_PASSWORD": password})
        return self.path(name + ".p12")


class TimeStampAuthority:
    """Serves RFC 3161 answers made by openssl ts on a free loopback port, in a thread of the
    test process: it ends with the test, and after `lifetime` seconds at the latest."""

    def __init__(self, pki, lifetime=120):
        self.requests = 0
        config = pki.path("tsa.cnf")
        authority = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_POST(self):
                query = self.rfile.read(int(self.headers.get("Content-Length", 0)))
                authority.requests += 1
                with tempfile.TemporaryDirectory() as scratch:
                    query_file = os.path.join(scratch, "query.tsq")
                    reply_file = os.path.join(scratch, "reply.tsr")
                    with open(query_file, "wb") as f:
                        f.write(query)
                    answered = subprocess.run(
                        ["openssl", "ts", "-reply", "-config", config,
                         "-queryfile", query_file, "-out", reply_file],
                        capture_output=True)
                    if answered.returncode != 0:
                        self.send_error(500, answered.stderr.decode(errors="replace")[:200])
                        return
                    with open(reply_file, "rb") as f:
                        reply = f.read()
                self.send_response(200)
                self.send_header("Content-Type", "application/timestamp-reply")
                self.send_header("Content-Length", str(len(reply)))
                self.end_headers()
                self.wfile.write(reply)

            def log_message(self, *arguments):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.server.daemon_threads = True
        self.url = f"http://127.0.0.1:{self.server.server_address[1]}/"
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        self.timer = threading.Timer(lifetime, self.stop)
        self.timer.daemon = True
        self.timer.start()

    def stop(self):
        """Stops answering and closes the port, so that a late client is refused."""
        self.timer.cancel()
        self.server.shutdown()
        self.server.server_close()


def unused_loopback_url():
    """A loopback URL on which nothing listens: the port was free a moment ago."""
    import socket
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        port = probe.getsockname()[1]
    return f"http://127.0.0.1:{port}/"
