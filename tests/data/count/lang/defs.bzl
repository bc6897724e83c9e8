# expect: total=24 exec=9 comment=11 blank=4
"""Macros of the shop's build.

The blank line above is part of the doc string.
"""

load("@rules_cc//cc:defs.bzl", "cc_binary")

COPTS = ["-Wall", "-DURL=\"http://example.org/#top\""]  # trailing comment

def shop_binary(name, srcs, deps = []):
    """Declares a binary of the shop.

    Args:
      name: the target's name.
    """
    cc_binary(
        name = name,
        srcs = srcs,
        copts = COPTS,
        deps = deps + ["//lib:cart"],  # '#' in a comment
    )

# a comment line
