"""Loopback HTTP servers for the end-to-end tests: Debian's nginx as the
ordinary server (Content-Length, Last-Modified, ranges, all its own), and a
small server of our own that injects faults."""
import email.utils
import http.server
import os
import shutil
import socket
import subprocess
import tempfile
import threading
import time

NGINX = shutil.which("nginx") or "/usr/sbin/nginx"
ERROR_PAGE = b"<html><head><title>404 Not Found</title></head><body><h1>Not Found</h1></body></html>"

NGINX_CONFIG = """
daemon off;
master_process off;
worker_processes 1;
pid %(root)s/nginx.pid;
error_log %(root)s/error.log warn;
events { worker_connections 64; }
http {
    log_format requests '$uri|$http_range|$status';
    access_log %(root)s/access.log requests;
    client_body_temp_path %(root)s/tmp-body;
    proxy_temp_path %(root)s/tmp-proxy;
    fastcgi_temp_path %(root)s/tmp-fastcgi;
    uwsgi_temp_path %(root)s/tmp-uwsgi;
    scgi_temp_path %(root)s/tmp-scgi;
    types { application/octet-stream exe; text/plain info; }
    server {
        listen 127.0.0.1:%(port)d;
        root %(root)s/www;
    }
}
"""


def free_port():
    probe = socket.socket()
    probe.bind(("127.0.0.1", 0))
    port = probe.getsockname()[1]
    probe.close()
    return port


class NginxServer:
    """nginx serving the folder `www` of a throwaway root; `put` publishes a
    file with its modification time, `requests()` reads the access log as
    (path, range header) pairs."""

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="rv-nginx-")
        os.makedirs(os.path.join(self.root, "www"))
        for attempt in range(5):
            self.port = free_port()
            config = os.path.join(self.root, "nginx.conf")
            with open(config, "w") as f:
                f.write(NGINX_CONFIG % {"root": self.root, "port": self.port})
            self.process = subprocess.Popen([NGINX, "-p", self.root, "-c", config], stdout=subprocess.DEVNULL,
                                            stderr=subprocess.DEVNULL)
            if self._listening():
                return
            self.process.kill()
            self.process.wait()
        raise RuntimeError("nginx did not start: %s" % self._log("error.log"))

    def _listening(self):
        deadline = time.time() + 10
        while time.time() < deadline and self.process.poll() is None:
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
                return True
            except OSError:
                time.sleep(0.1)
        return False

    def _log(self, name):
        try:
            with open(os.path.join(self.root, name)) as f:
                return f.read()
        except FileNotFoundError:
            return ""

    def url(self, folder):
        return "http://127.0.0.1:%d/%s" % (self.port, folder)

    def put(self, path, data, modified):
        target = os.path.join(self.root, "www", path.lstrip("/"))
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "wb") as f:
            f.write(data)
        os.utime(target, (modified, modified))

    def requests(self):
        pairs = []
        for line in self._log("access.log").splitlines():
            path, wanted, _status = line.rsplit("|", 2)
            pairs.append((path, None if wanted in ("", "-") else wanted))
        return pairs

    def close(self):
        self.process.terminate()
        self.process.wait(timeout=10)
        shutil.rmtree(self.root, ignore_errors=True)


class FaultServer:
    """Serves files from a dict, with `Range: bytes=N-`. Faults are set per
    test: `drop_after` cuts whole-file answers after that many body bytes,
    `no_length` leaves out Content-Length, `missing` answers 404 with an
    HTML page, `slow` sends the body in small pieces with pauses.
    `requests` records (path, range header) of every GET."""

    def __init__(self):
        self.files = {}
        self.modified = {}
        self.reset()
        self.requests = []
        server = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def log_message(self, *args):
                pass

            def do_GET(self):
                server.requests.append((self.path, self.headers.get("Range")))
                try:
                    server.answer(self)
                except (BrokenPipeError, ConnectionResetError):
                    pass  # the client dropped a request it only opened

        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.port = self.httpd.server_address[1]
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()

    def reset(self):
        self.drop_after = None
        self.no_length = self.missing = self.slow = False

    def url(self, folder):
        return "http://127.0.0.1:%d/%s" % (self.port, folder)

    def put(self, path, data, modified):
        self.files[path] = data
        self.modified[path] = modified

    def answer(self, h):
        if self.missing or h.path not in self.files:
            self.send(h, 404, ERROR_PAGE, {"Content-Type": "text/html"})
            return
        data = self.files[h.path]
        headers = {"Last-Modified": email.utils.formatdate(self.modified[h.path], usegmt=True),
                   "Content-Type": "application/octet-stream"}
        wanted = h.headers.get("Range", "")
        if wanted.startswith("bytes=") and wanted.endswith("-") and int(wanted[6:-1]) < len(data):
            first = int(wanted[6:-1])
            headers["Content-Range"] = "bytes %d-%d/%d" % (first, len(data) - 1, len(data))
            self.send(h, 206, data[first:], headers)
            return
        self.send(h, 200, data, headers, cut=self.drop_after)

    def send(self, h, status, body, headers, cut=None):
        h.send_response(status)
        for name, value in headers.items():
            h.send_header(name, value)
        if not self.no_length:
            h.send_header("Content-Length", str(len(body)))
        h.end_headers()
        body = body if cut is None else body[:cut]
        piece = 16384 if self.slow else len(body) or 1
        for at in range(0, len(body), piece):
            h.wfile.write(body[at:at + piece])
            h.wfile.flush()
            if self.slow:
                time.sleep(0.2)
        if cut is not None:
            h.connection.shutdown(socket.SHUT_RDWR)

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()
