# expect: total=33 exec=17 comment=8 blank=8
"""A small HTTP server.

The blank line above is part of the module's doc string.
"""
import http.server

BANNER = """Not a doc string: it is assigned.

# not a comment either
"""
PATH = r"C:\srv\# not a comment"
QUOTE = 'it\'s "quoted" # still text'


class Handler(http.server.BaseHTTPRequestHandler):
    '''Answers every GET with a greeting.'''

    def do_GET(self):  # trailing comment
        """Sends the greeting."""  # a comment after the doc string
        body = f"hello {self.path!r} # text".encode()
        self.send_response(200)
        self.end_headers()
        self.wfile.write(body)

    # a comment line
    def log_message(self, fmt, *args):
        "A doc string in plain quotes counts as code."
        return None


if __name__ == "__main__":
    http.server.HTTPServer(("", 8000), Handler).serve_forever()
