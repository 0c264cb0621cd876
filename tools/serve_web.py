#!/usr/bin/env python3
"""Serves the web page (build-web/site) on localhost with the two headers that make
it cross-origin isolated, so that the engine's worker may use threads:
    tools/serve_web.py [--port 8080] [--no-isolation] build-web/site
The page is at / and the engine's worker script at /velt.js."""
import argparse
import functools
import http.server
import sys


class IsolatedHandler(http.server.SimpleHTTPRequestHandler):
    isolated = True
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".js": "text/javascript", ".mjs": "text/javascript", ".wasm": "application/wasm",
                      ".svg": "image/svg+xml", ".css": "text/css"}

    def end_headers(self):
        if self.isolated:
            self.send_header("Cross-Origin-Opener-Policy", "same-origin")
            self.send_header("Cross-Origin-Embedder-Policy", "require-corp")
        self.send_header("Cache-Control", "no-cache")
        super().end_headers()

    def log_message(self, format, *args):
        pass


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--port", type=int, default=8080)
    parser.add_argument("--no-isolation", action="store_true", help="leave the two headers out (one-thread engine)")
    parser.add_argument("site")
    arguments = parser.parse_args()
    handler = functools.partial(IsolatedHandler, directory=arguments.site)
    IsolatedHandler.isolated = not arguments.no_isolation
    try:
        server = http.server.ThreadingHTTPServer(("127.0.0.1", arguments.port), handler)
    except OSError as error:
        sys.exit(f"serve_web: cannot listen on port {arguments.port}: {error.strerror}")
    print(f"serve_web: http://localhost:{server.server_address[1]}/ "
          f"({'cross-origin isolated' if IsolatedHandler.isolated else 'not isolated'}); Ctrl-C ends it", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
