#!/usr/bin/python3
"""zarnik-count's HTML pages, looked at as a reader does.

data:   every figure of a count's and a change count's page, read with a real HTML
        parser, equals the csv's (and the json's averages); names are text, never
        markup; the page needs nothing from outside.
render: Debian's headless Chromium draws the pages of a count, a change count and
        a history; the screenshot of each holds its charts' colours.

Usage: html_page_check.py data|render WORKDIR [PNG]  (ZARNIK_BIN, ZARNIK_DATA set)
"""
import csv
import html.parser
import io
import json
import os
import shutil
import subprocess
import sys

BIN = os.path.join(os.environ["ZARNIK_BIN"], "zarnik-count")
DATA = os.environ["ZARNIK_DATA"]
CHANGE = os.path.join(DATA, "change")
# A name that is markup if it is not escaped: a folder "<script>alert(1)<" holding
# "script>.c" is the path ".../<script>alert(1)</script>.c".
HOSTILE = "<script>alert(1)</script>.c"


def run(*args, **kw):
    return subprocess.run([BIN, *args], check=True, capture_output=True, **kw).stdout.decode("utf-8")


class Page(html.parser.HTMLParser):
    """Tables by id (head and body rows as cell texts), the settings, the tags met."""

    def __init__(self, text):
        super().__init__(convert_charrefs=True)
        self.tables, self.settings, self.tags, self.scripts = {}, {}, [], []
        self._table = self._row = self._cell = None
        self._dt = self._text = None
        self.feed(text)
        self.close()

    def handle_starttag(self, tag, attrs):
        self.tags.append((tag, dict(attrs)))
        if tag == "table":
            self._table = {"head": [], "rows": []}
            self.tables[dict(attrs).get("id", len(self.tables))] = self._table
        elif tag == "tr" and self._table is not None:
            self._end_row()
            self._row = []
        elif tag in ("td", "th") and self._row is not None:
            self._end_cell()
            self._cell = []
        elif tag in ("dt", "dd", "script"):
            self._text = []

    def handle_endtag(self, tag):
        if tag in ("td", "th"):
            self._end_cell()
        elif tag == "tr":
            self._end_row()
        elif tag in ("tbody", "table"):
            self._end_row()
            if tag == "table":
                self._table = None
        elif tag == "dt":
            self._dt = "".join(self._text)
        elif tag == "dd":
            self.settings[self._dt] = "".join(self._text)
        elif tag == "script":
            self.scripts.append("".join(self._text))
            self._text = None

    def handle_data(self, data):
        if self._cell is not None:
            self._cell.append(data)
        if self._text is not None:
            self._text.append(data)

    def _end_cell(self):
        if self._cell is not None and self._row is not None:
            self._row.append("".join(self._cell))
        self._cell = None

    def _end_row(self):
        self._end_cell()
        if self._row is not None and self._table is not None:
            (self._table["rows"] if self._table["head"] else self._table["head"]).append(self._row)
        self._row = None

    def records(self, table_id):
        """The body rows of a table as dicts by column name."""
        table = self.tables[table_id]
        return [dict(zip(table["head"][0], row)) for row in table["rows"]]


def stands_alone(page):
    """One script, the page's own; nothing is loaded from anywhere."""
    assert len(page.scripts) == 1 and "alert" not in page.scripts[0], "a script that is not the page's"
    for tag, attrs in page.tags:
        assert not ({"src", "href", "action"} & attrs.keys()), f"<{tag}> refers outside: {attrs}"
        assert tag not in ("link", "iframe", "object", "embed", "img"), f"<{tag}> in the page"
    csp = [a["content"] for t, a in page.tags if t == "meta" and a.get("http-equiv") == "Content-Security-Policy"]
    assert csp and csp[0].startswith("default-src 'none'"), csp


def make_tree(root):
    """Several kinds in several folders, a file not counted, the hostile name."""
    count = os.path.join(DATA, "count")
    for folder, names in {
        "app": ["c_typical.c", "c_rem.h", "basic_typical.bas"],
        "app/asm": ["asm_typical.asm"],
        "lib": ["c_lexer.c"],
        "<script>alert(1)<": [],
    }.items():
        os.makedirs(os.path.join(root, folder), exist_ok=True)
        for name in names:
            shutil.copy(os.path.join(count, name), os.path.join(root, folder, name))
    with open(os.path.join(root, HOSTILE), "w") as f:
        f.write("int x; /* & < > \" ' */\n")
    with open(os.path.join(root, "lib", "blob.c"), "wb") as f:
        f.write(b"\0\1\2binary\0")


def check_count(work):
    tree = os.path.join(work, "tree")
    make_tree(tree)
    page = Page(run("--format", "html", tree, cwd=work))
    stands_alone(page)
    rows = list(csv.DictReader(io.StringIO(run("--format", "csv", tree, cwd=work))))
    data = json.loads(run("--format", "json", tree, cwd=work))

    files = [r for r in rows if r["区分"] == "ﾌｧｲﾙ"]
    shown = page.records("files")
    assert len(shown) == len(files) >= 7, (len(shown), len(files))
    columns = ["フォルダ", "ファイル名", "ﾀｲﾑｽﾀﾝﾌﾟ", "ｻｲｽﾞ", "種別", "総行数", "ｺﾒﾝﾄ行", "実行数", "空行数", "ｺﾒﾝﾄ率", "状態"]
    for want, got in zip(files, shown):
        assert [want[c] for c in columns] == [got[c] for c in columns], (want, got)
    assert any(r["フォルダ"].endswith("<script>alert(1)<") and r["ファイル名"] == "script>.c" for r in shown)
    assert any(r["状態"] and not r["総行数"] for r in shown), "the file not counted"

    # Each kind's and the run's totals row as the csv's, its average as the json's.
    sums = page.records("totals")
    totals = [r for r in rows if r["区分"] in ("合計", "総合計")]
    averages = data["kinds"] + [data["total"]]
    assert len(sums) == 2 * len(totals) == 2 * len(averages) >= 8
    for i, (want, avg) in enumerate(zip(totals, averages)):
        total, mean = sums[2 * i], sums[2 * i + 1]
        assert total["区分"] == want["区分"] and total["項目"] == want["ファイル名"], (total, want)
        for c in ["種別", "ﾌｧｲﾙ数", "ｻｲｽﾞ", "総行数", "ｺﾒﾝﾄ行", "実行数", "空行数", "ｺﾒﾝﾄ率"]:
            assert total[c] == want[c], (c, total, want)
        figures = {"ｻｲｽﾞ": "size", "総行数": "total", "ｺﾒﾝﾄ行": "comment", "実行数": "exec", "空行数": "blank"}
        for c, key in figures.items():
            assert int(mean[c]) == avg["average"][key], (c, mean, avg)
        assert float(mean["ｺﾒﾝﾄ率"]) == avg["average"]["ratio"], (mean, avg)
        assert int(total["ﾌｧｲﾙ数"]) == avg["files"]

    # The settings that shaped the counts, as the json has them.
    for key, value in data["settings"].items():
        if isinstance(value, int):
            assert page.settings[key] == str(value), key
        elif key == "Exts":
            for ext, pattern in value.items():
                assert page.settings[ext] == pattern, ext


def check_change(work):
    args = ["--set", "EucJis=1", "--diff", os.path.join(CHANGE, "old"), os.path.join(CHANGE, "new")]
    page = Page(run("--format", "html", *args, cwd=work))
    stands_alone(page)
    rows = list(csv.reader(io.StringIO(run("--format", "csv", *args, cwd=work))))
    header, body = rows[0], rows[1:]
    assert page.tables["files"]["head"][0] == header
    assert page.tables["totals"]["head"][0] == ["項目"] + header[1:]
    versions = [r for r in body if r[1] in ("旧ﾊﾞｰｼﾞｮﾝ", "新ﾊﾞｰｼﾞｮﾝ")]
    totals = [r for r in body if r[1] in ("合計", "総合計")]
    files = [r for r in body if r not in versions and r not in totals]
    assert page.tables["files"]["rows"] == files and len(files) == 11
    assert page.tables["totals"]["rows"] == totals
    shown = page.tables["versions"]
    assert shown["head"] + shown["rows"] == [[r[1], r[0]] for r in versions]


def screenshot(page_path, png, work):
    home = os.path.join(work, "home")
    os.makedirs(home, exist_ok=True)
    subprocess.run(["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
                    f"--screenshot={png}", "--window-size=1000,2200", "file://" + page_path],
                   check=True, capture_output=True, timeout=120, env={**os.environ, "HOME": home})
    from PIL import Image
    return Image.open(png).convert("RGB")


def colour_count(image, hex_colour):
    rgb = tuple(int(hex_colour[i:i + 2], 16) for i in (1, 3, 5))
    return sum(n for n, c in image.getcolors(1 << 24) if c == rgb)


def check_render(work, keep=None):
    tree = os.path.join(work, "tree")
    make_tree(tree)
    repo = os.path.join(work, "repo")
    os.makedirs(repo)
    git = ["git", "-C", repo, "-c", "user.name=t", "-c", "user.email=t@t"]
    subprocess.run(git[:3] + ["init", "-q"], check=True)
    for i in range(1, 4):
        with open(os.path.join(repo, f"m{i}.c"), "w") as f:
            f.write("int a;\n" * (10 * i) + "/* c */\n" * i)
        with open(os.path.join(repo, "s.java"), "w") as f:
            f.write("class S {}\n" * (5 * i))
        subprocess.run(git + ["add", "-A"], check=True)
        subprocess.run(git + ["commit", "-qm", str(i)], check=True,
                       env={**os.environ, "GIT_COMMITTER_DATE": f"2026-01-0{i}T00:00:00", "GIT_AUTHOR_DATE":
                            f"2026-01-0{i}T00:00:00"})
    pages = {
        "count": (["--format", "html", tree], ["#4472c4", "#70ad47", "#a5a5a5"]),
        "change": (["--format", "html", "--diff", os.path.join(CHANGE, "old"), os.path.join(CHANGE, "new")],
                   ["#70ad47", "#ffc000", "#c00000"]),
        "history": (["--format", "html", "--history", repo], ["#4472c4", "#ed7d31"]),
    }
    for name, (args, colours) in pages.items():
        path = os.path.join(work, name + ".html")
        with open(path, "w", encoding="utf-8") as f:
            f.write(run(*args, cwd=work))
        image = screenshot(path, os.path.join(work, name + ".png"), work)
        for colour in colours:
            # A bar or a line of a few hundred pixels at least, not a stray one.
            assert colour_count(image, colour) > 300, (name, colour, colour_count(image, colour))
        if keep and name == "count":
            shutil.copy(os.path.join(work, name + ".png"), keep)


def main():
    mode, work = sys.argv[1], sys.argv[2]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    if mode == "data":
        check_count(os.path.join(work))
        check_change(work)
    else:
        check_render(work, sys.argv[3] if len(sys.argv) > 3 else None)
    print(mode, "ok")


if __name__ == "__main__":
    main()
