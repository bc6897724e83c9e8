# expect: total=20 exec=9 comment=7 blank=4
"""A module's doc string counts as comment,

even across a blank line, and # inside it is no marker."""
import sys

s = "# not a comment"  # but this is one
t = '''a string that spans lines

is code, and its blank line is blank'''


def f():
    """One-line doc string."""
    return 'it\'s' # quoted quote, then a comment
    # a comment line
u = """doc-like but assigned""".strip()
"""closes here""" ; x = 1
r'raw \' text'  # esc ends only one byte
# last
