#!/usr/bin/python3
# zarnik-count --format xlsx read back with openpyxl: every figure of --format csv
# is in the workbook as a number (and every text as it is), the header rows are
# frozen and filtered, the totals sheet has its chart; a workbook that cannot be
# written, or a run that fails, leaves the --output file as it was.
# Usage: xlsx_test.py ZARNIK_COUNT DATA_DIR WORK_DIR
import csv
import datetime
import io
import os
import re
import resource
import shutil
import signal
import subprocess
import sys
import zipfile

import openpyxl

program, data, work = sys.argv[1:4]
shutil.rmtree(work, ignore_errors=True)
os.makedirs(work)
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


def run(*args):
    return subprocess.run([program, *args], capture_output=True, env=dict(os.environ, TZ="Asia/Tokyo"))


def csv_rows(*args):
    result = run("--format", "csv", *args)
    assert result.returncode == 0, result.stderr
    return list(csv.DictReader(io.StringIO(result.stdout.decode("utf-8"))))


def workbook(*args):
    out = os.path.join(work, "out.xlsx")
    result = run("--format", "xlsx", "-o", out, *args)
    assert result.returncode == 0 and not result.stdout, result.stderr
    check(sorted(os.listdir(work)) == ["out.xlsx", "tree"], "temporary files left: %s" % os.listdir(work))
    return openpyxl.load_workbook(out)


def sheet_rows(sheet):
    rows = sheet.iter_rows(values_only=True)
    header = next(rows)
    return [dict(zip(header, r)) for r in rows if any(v is not None for v in r)]


NUMBER = re.compile(r"^-?[0-9]+(\.[0-9]+)?$")


def same(field, cell, where):
    """A csv field and a cell: a figure is a number of the same value, a time the
    same local time, any other text the same text."""
    if NUMBER.match(field):
        check(isinstance(cell, (int, float)) and not isinstance(cell, bool) and float(field) == cell,
              "%s: %r is not the number %s" % (where, cell, field))
    elif isinstance(cell, datetime.datetime):
        check(cell.isoformat() == field[:19], "%s: %s is not %s" % (where, cell, field))
    else:
        check((cell or "") == field, "%s: %r is not %r" % (where, cell, field))


def check_sheet_shape(sheet, filtered):
    check(sheet.freeze_panes == "A2", "%s: header not frozen (%s)" % (sheet.title, sheet.freeze_panes))
    if filtered:
        check(sheet.auto_filter.ref == "A1:%s%d" % (openpyxl.utils.get_column_letter(sheet.max_column),
                                                    sheet.max_row),
              "%s: filter %s" % (sheet.title, sheet.auto_filter.ref))
    widths = [sheet.column_dimensions[openpyxl.utils.get_column_letter(c)].width
              for c in range(1, sheet.max_column + 1)]
    check(all(w and w > 4 for w in widths), "%s: column widths %s" % (sheet.title, widths))


# A count: a tree with a Japanese folder and name beside the samples of every kind.
tree = os.path.join(work, "tree", "日本語")
os.makedirs(tree)
with open(os.path.join(tree, "ｿｰｽ.c"), "w") as f:
    f.write("/* 説明 */\nint main(void)\n{\n\n    return 0;\n}\n")
targets = [os.path.join(data, "count"), os.path.join(work, "tree")]
rows = csv_rows(*targets)
book = workbook(*targets)
check(book.sheetnames == ["ﾌｧｲﾙ", "合計"], "sheets %s" % book.sheetnames)
files, totals = book["ﾌｧｲﾙ"], book["合計"]
file_rows = [r for r in rows if r["区分"] == "ﾌｧｲﾙ"]
sheet_files = sheet_rows(files)
check(len(sheet_files) == len(file_rows) > 100, "%d file rows, csv %d" % (len(sheet_files), len(file_rows)))
check(any("日本語/ｿｰｽ.c" in (r["パス"] or "") for r in sheet_files), "the Japanese path is missing")
for i, (row, cells) in enumerate(zip(file_rows, sheet_files)):
    for name, field in row.items():
        if name not in ("区分", "ﾌｧｲﾙ数"):
            same(field, cells[name], "file row %d %s" % (i + 1, name))
sheet_totals = {r["区分"]: r for r in sheet_rows(totals)}
total_rows = [r for r in rows if r["区分"] != "ﾌｧｲﾙ"]
check(len(total_rows) > 5, "csv totals %d" % len(total_rows))
for row in total_rows:
    cells = sheet_totals.get(row["ファイル名"])
    check(cells is not None, "no totals row %s" % row["ファイル名"])
    for name in ("ｻｲｽﾞ", "種別", "総行数", "ｺﾒﾝﾄ行", "実行数", "空行数", "ｺﾒﾝﾄ率", "ﾌｧｲﾙ数"):
        if cells:
            same(row[name], cells[name], "%s %s" % (row["ファイル名"], name))
check(sum(1 for label in sheet_totals if label.endswith("平均")) == len(total_rows), "an average row per total")
check_sheet_shape(files, True)
check_sheet_shape(totals, False)
check(len(totals._charts) == 1 and len(totals._charts[0].series) == 3, "the totals sheet's chart")

# A change count: one sheet in the csv's rows.
pair = [os.path.join(data, "change", "old"), os.path.join(data, "change", "new")]
rows = csv_rows("--diff", *pair)
sheet = workbook("--diff", *pair)["変更"]
cells = sheet_rows(sheet)
check(len(cells) == len(rows) > 5, "%d change rows, csv %d" % (len(cells), len(rows)))
for i, (row, cell) in enumerate(zip(rows, cells)):
    for name, field in row.items():
        same(field, cell[name], "change row %d %s" % (i + 1, name))
check_sheet_shape(sheet, True)

# Failures: a folder that is not there, a run that finds no file. The file stays.
out = os.path.join(work, "out.xlsx")
before = open(out, "rb").read()
result = run("--format", "xlsx", "-o", os.path.join(work, "none", "x.xlsx"), targets[0])
check(result.returncode == 4 and b"cannot create" in result.stderr, "missing folder: %r" % (result,))
result = run("--format", "xlsx", "-o", out, os.path.join(work, "nothing-*.zz"))
check(result.returncode == 1 and open(out, "rb").read() == before, "no file found replaced the workbook")
check(sorted(os.listdir(work)) == ["out.xlsx", "tree"], "temporary files left: %s" % os.listdir(work))
# A file-size limit that the sheet's rows fit but the sheet itself does not: the
# library's own writes go unchecked, the read-back finds the damage.
sheet_size = zipfile.ZipFile(out).getinfo("xl/worksheets/sheet1.xml").file_size


def limited():
    signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
    resource.setrlimit(resource.RLIMIT_FSIZE, (sheet_size - 10, sheet_size - 10))


result = subprocess.run([program, "--format", "xlsx", "-o", out, "--diff", *pair], capture_output=True,
                        preexec_fn=limited)
check(result.returncode == 4 and b"refused" in result.stderr and open(out, "rb").read() == before,
      "a damaged workbook: %r" % (result,))
check(sorted(os.listdir(work)) == ["out.xlsx", "tree"], "temporary files left: %s" % os.listdir(work))
result = run("--format", "xlsx", targets[0])
check(result.returncode == 2 and b"--output" in result.stderr, "xlsx without --output: %r" % (result,))

# Ended by a signal while it counts: the workbook's temporary file goes with it.
# The tree is large enough for the count to outlast the wait for that file; a run
# that finished first proves nothing and is tried again on a larger tree.
big = os.path.join(work, "big")
made = 0
for size in (20000, 80000):
    for i in range(made, size):
        folder = os.path.join(big, "d%d" % (i // 1000))
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "f%d.c" % i), "w") as f:
            f.write("int x;\n")
    made = size
    ended = os.path.join(work, "ended.xlsx")
    child = subprocess.Popen([program, "--format", "xlsx", "-o", ended, big], stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    while child.poll() is None and not any(n.startswith(".ended.xlsx.tmp-") for n in os.listdir(work)):
        pass
    child.send_signal(signal.SIGTERM)
    if child.wait() == -signal.SIGTERM:
        break
check(child.returncode == -signal.SIGTERM, "the count outran the signal: %r" % child.returncode)
check(sorted(os.listdir(work)) == ["big", "out.xlsx", "tree"], "left after a signal: %s" % os.listdir(work))

for failure in failures[:40]:
    print(failure)
sys.exit(1 if failures else 0)
