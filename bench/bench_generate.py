#!/usr/bin/env python3
"""Generation benchmark: folio32 generate of a 10,000-page site against a write baseline and Hugo.

Builds, in a work directory,
- site.json and site.fol (converted by folio32 convert): 10,000 pages in a tree about 10 wide; each page has a title, a 300-byte text, two
  paragraphs and a link; the first page's text holds the table-of-contents macro (its output
  grows with the square of the site, so no other page has it); the Default templates;
- pack.bin: the files one generation writes, for the write baseline (bench_write_files), which
  writes the same files with the same bytes and nothing else;
- hugo/: a Hugo site of the same shape and size: one layout, the same pages as plain HTML
  content, no sitemap, RSS, taxonomies, sections or home list, one .html file per page.
Then times the generation from site.fol (the site document) and from site.json, the baseline
and Hugo in the same run, REPEAT times each in rotating order, and reports the
medians and the ratios. Wall time of each process, output directories emptied beforehand.
"""
import argparse
import json
import os
import shutil
import statistics
import struct
import subprocess
import sys
import time

PAGES = 10000
WIDTH = 10
LOREM = ("Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor "
         "incididunt ut labore et dolore magna aliqua. Ut enim ad minim veniam, quis nostrud "
         "exercitation ullamco laboris nisi ut aliquip ex ea commodo consequat. Duis aute irure "
         "dolor in reprehenderit in voluptate velit esse cillum dolore eu fugiat nulla pariatur. ")


def text_of(n, size):
    """A text of exactly `size` bytes that differs from page to page."""
    head = "Page %d. " % n
    body = (head + LOREM * 4)[:size - 1]
    return body + "\n"


def info():
    return {"bgBitmap": "", "expireDays": 0, "icon": "", "lineImage": "", "new": False,
            "textColor": 0, "backgroundColor": 16777215, "linkColor": 16711680,
            "visitedLinkColor": 65280, "template": "Default", "construction": False,
            "updated": False}


def item(tag, kind, name, text, children):
    return {"tag": tag, "type": kind, "name": name, "text": text, "textStyle": 0,
            "nameStyle": 0, "stamp": 893462400, "info": info(), "children": children}


def children_of(i):
    first = i * WIDTH + 1
    return [c for c in range(first, first + WIDTH) if c < PAGES]


def tag(i):
    return "index" if i == 0 else "p%d" % i


def link_target(i):
    return (i * 7919 + 1) % PAGES


def build_site(path):
    def page(i):
        text = text_of(i, 300)
        if i == 0:
            text = "[$i]\n" + text
        kids = [
            item(tag(i) + "a", 1, "First section of page %d" % i, text_of(i, 120), []),
            item(tag(i) + "b", 1, "Second section of page %d" % i, text_of(i + 1, 120), []),
            item(tag(i) + "l", 2, "See page %d %s.htm" % (link_target(i), tag(link_target(i))),
                 "", []),
        ]
        kids += [page(c) for c in children_of(i)]
        return item(tag(i), 0, "Page %d" % i, text, kids)

    sys.setrecursionlimit(10000)
    properties = {
        "author": "Bench Author", "bgBitmap": "", "email": "bench@example.com",
        "expireDays": 14, "image": "", "lineImage": "", "new": False, "updated": False,
        "construction": False, "homeButton": "home.gif", "template": "Default",
        "backButton": "back.gif", "linkBullet": "", "upButton": "up.gif",
        "constructionImage": "construction.gif", "newImage": "new.gif",
        "updatedImage": "updated.gif", "textColor": 0, "backgroundColor": 16777215,
        "linkColor": 16711680, "visitedLinkColor": 65280, "customColors": [4294967295] * 16}
    site = {"properties": properties, "items": [page(0)],
            "generate": {"destDir": "C:\\homepage", "spare": ""}}
    with open(path, "w", encoding="utf-8") as f:
        json.dump(site, f, separators=(",", ":"))


def hugo_name(i):
    """Hugo's page names: "index" in the content folder would make the folder a page bundle."""
    return "p%d" % i


def build_hugo(root):
    shutil.rmtree(root, ignore_errors=True)
    os.makedirs(os.path.join(root, "content"))
    os.makedirs(os.path.join(root, "layouts", "_default"))
    with open(os.path.join(root, "config.toml"), "w") as f:
        f.write('baseURL = "http://example.org/"\n'
                'disableKinds = ["taxonomy", "term", "RSS", "sitemap", "robotsTXT", "404",'
                ' "home", "section"]\n'
                'uglyURLs = true\n')
    with open(os.path.join(root, "layouts", "_default", "single.html"), "w") as f:
        f.write('<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01 Transitional//EN">\n'
                '<HTML>\n<HEAD>\n<META NAME="generator" CONTENT="Hugo">\n'
                '<TITLE>{{ .Title }}</TITLE>\n</HEAD>\n<BODY>\n'
                '<P><A HREF="p0.html">Home</A> | <A HREF="{{ .Params.parent }}.html">Up</A>'
                '</P>\n<H1>{{ .Title }}</H1>\n<HR>\n{{ .Content }}\n<HR>\n<P>\n' +
                "".join('<A HREF="%s.html"> [Page %d]</A>\n' % (hugo_name(c), c)
                        for c in children_of(0)) + '</P>\n'
                '<ADDRESS>Bench Author, <A HREF="mailto:bench@example.com">'
                'bench@example.com</A></ADDRESS>\n</BODY>\n</HTML>\n')
    for i in range(PAGES):
        parent = hugo_name((i - 1) // WIDTH) if i else hugo_name(0)
        body = "<DIV>%s</DIV>\n" % text_of(i, 300)
        body += "<UL>\n" + "".join('<LI><A HREF="%s.html">Page %d</A>\n' % (hugo_name(c), c)
                                    for c in children_of(i)) + "</UL>\n"
        for k, (suffix, n) in enumerate((("a", i), ("b", i + 1))):
            body += ('<A NAME="%s%s"></A>\n<H2>%s section of page %d</H2>\n<DIV>%s</DIV>\n'
                     % (hugo_name(i), suffix, ("First", "Second")[k], i, text_of(n, 120)))
        body += '<P><A HREF="%s.html">See page %d</A></P>\n' % (hugo_name(link_target(i)),
                                                               link_target(i))
        with open(os.path.join(root, "content", hugo_name(i) + ".html"), "w") as f:
            f.write('---\ntitle: "Page %d"\nparent: "%s"\n---\n%s' % (i, parent, body))


def make_pack(src, pack):
    count = size = 0
    with open(pack, "wb") as out:
        for name in sorted(os.listdir(src)):
            with open(os.path.join(src, name), "rb") as f:
                data = f.read()
            raw = name.encode()
            out.write(struct.pack("<I", len(raw)) + raw + struct.pack("<Q", len(data)) + data)
            count += 1
            size += len(data)
    return count, size


def dir_stats(path, suffix=""):
    names = [n for n in os.listdir(path) if n.endswith(suffix)]
    return len(names), sum(os.path.getsize(os.path.join(path, n)) for n in names)


def fresh(path):
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)


def timed(cmd):
    start = time.perf_counter()
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL)
    return time.perf_counter() - start


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--folio32", required=True, help="the folio32 program")
    ap.add_argument("--writer", required=True, help="the bench_write_files program")
    ap.add_argument("--resources", required=True, help="the share/ folder")
    ap.add_argument("--work", required=True, help="a scratch directory")
    ap.add_argument("--repeat", type=int, default=5)
    ap.add_argument("--hugo", default=shutil.which("hugo"))
    args = ap.parse_args()

    work = os.path.abspath(args.work)
    os.makedirs(work, exist_ok=True)
    site = os.path.join(work, "site.json")
    build_site(site)
    fol = os.path.join(work, "site.fol")
    subprocess.run([args.folio32, "convert", site, fol], check=True, stdout=subprocess.DEVNULL)
    gen_out, base_out = os.path.join(work, "out-folio32"), os.path.join(work, "out-baseline")
    json_out = os.path.join(work, "out-folio32-json")
    hugo_src, hugo_out = os.path.join(work, "hugo"), os.path.join(work, "out-hugo")
    def generate_cmd(source, dest):
        return [args.folio32, "generate", source, "--dest", dest, "--resources", args.resources,
                "--quiet"]

    generate = generate_cmd(fol, gen_out)
    baseline = [args.writer, os.path.join(work, "pack.bin"), base_out]

    # One untimed generation makes the baseline's pack and warms the caches.
    fresh(gen_out)
    subprocess.run(generate, check=True, stdout=subprocess.DEVNULL)
    count, size = make_pack(gen_out, os.path.join(work, "pack.bin"))
    runs = {"folio32 generate": (generate, gen_out), "write baseline": (baseline, base_out),
            "generate (json)": (generate_cmd(site, json_out), json_out)}
    if args.hugo:
        build_hugo(hugo_src)
        runs["hugo"] = ([args.hugo, "--quiet", "--source", hugo_src, "--destination",
                         hugo_out], hugo_out)
    else:
        print("hugo: not found, not measured")

    times = {name: [] for name in runs}
    names = list(runs)
    for r in range(args.repeat):
        for name in names[r % len(names):] + names[:r % len(names)]:
            cmd, out = runs[name]
            fresh(out)
            times[name].append(timed(cmd))
        # Every run writes the same files as the first generation.
        for name in ("folio32 generate", "write baseline", "generate (json)"):
            got = dir_stats(runs[name][1])
            if got != (count, size):
                sys.exit("%s wrote %d files, %d bytes; expected %d, %d" % (name, *got, count,
                                                                          size))

    print("site: %d pages (%d objects), %s (%d bytes), %s (%d bytes)" % (
        PAGES, PAGES * 4, fol, os.path.getsize(fol), site, os.path.getsize(site)))
    print("generated: %d files, %d bytes" % (count, size))
    if args.hugo:
        hc, hs = dir_stats(hugo_out, ".html")
        print("hugo: %d .html files, %d bytes (%s)" % (hc, hs, subprocess.run(
            [args.hugo, "version"], capture_output=True, text=True).stdout.strip()))
    median = {name: statistics.median(t) for name, t in times.items()}
    for name in names:
        print("%-18s median %6.3f s   runs %s" % (name, median[name],
                                                 " ".join("%.3f" % t for t in times[name])))
    ratio = median["folio32 generate"] / median["write baseline"]
    print("generate / baseline: %.2f (target <= 1.5) %s" % (ratio,
                                                              "met" if ratio <= 1.5 else "MISSED"))
    print("generate from JSON / baseline: %.2f" % (median["generate (json)"] /
                                                   median["write baseline"]))
    if args.hugo:
        speed = median["hugo"] / median["folio32 generate"]
        print("hugo / generate:     %.2f (target >= 4)   %s" % (speed,
                                                                "met" if speed >= 4 else "MISSED"))


if __name__ == "__main__":
    main()
