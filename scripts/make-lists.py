#!/usr/bin/env python3
"""Writes a category tree of generated names, laid out as the widely used free collections
publish theirs: one folder per list category, each with a "domains" file (one name a line)
and, for most, a "urls" file ("host/path" a line), lines sorted.

    scripts/make-lists.py [--seed S] [--tar-gz FILE] N FOLDER

N is the number of lines written in all; the same N and seed give the same bytes. About a
hundred categories of very unequal sizes (adult the largest), names of several depths under
common top-level domains, about 4 % "urls" entries, about 2 % of names listed in a second
category, a few IPv4 addresses. --tar-gz also packs the tree (as "blacklists/...") into a
.tar.gz with fixed times and owners, the form such trees are downloaded in.
"""
import argparse
import gzip
import io
import os
import sys
import tarfile

import random

# The collections' folder names: the ones data/list-map.txt maps, then others of their kind.
CATEGORIES = """
adult gambling games social_networks chat dating phishing malware vpn redirector
strong_redirector shopping press sports webmail warez violence drugs hacking filehosting
audio-video blog forums jobsearch financial bank educational_games mixed_adult lingerie sect
shortener publicite cooking celebrity manga radio mobile-phone remote-control download update
agressif astrology bitcoin cryptojacking dangerous_material ddos dialer doh fakenews translation
sexual_education special marketingware reaffected residential-proxies stalkerware cheat child
cleaning housing health travel weather lottery religion politics humor art music movies tv kids
science technology university school library government military weapons alcohol tobacco
hunting cars motorcycles real_estate insurance fashion beauty pets gardening parenting
photography podcasts streaming ebooks tattoo esports search_engines
""".split()

SYLLABLES = """
ka lo mi zen tor ra vi no bel sa ti qu ex pro net web hub zo fi la mo star top best free
cam bet win pix tube vid max gold club shop deal live play fun hot art blue red sun moon
go my in on up neo tek data link soft info new one pay chat date meet love porn sex xxx game
news mag press radio tv book blog wiki cloud file box drop share mail post world city land
ana bra cor dor eri fal gen han iso jun kor lum mar nor ori pal ris sol tri ula ven wor xen
yal zur ak el ix om ur as et is os us
""".split()

# Top-level names and their shares, as lists of such sites show them.
TLDS = [("com", 45), ("net", 8), ("org", 6), ("fr", 5), ("de", 5), ("ru", 4), ("info", 3),
        ("co.uk", 3), ("io", 2), ("xyz", 2), ("com.br", 2), ("nl", 2), ("it", 2), ("es", 2),
        ("pl", 2), ("jp", 1), ("cn", 1), ("top", 1), ("online", 1), ("site", 1), ("be", 1),
        ("ch", 1), ("com.au", 1), ("tv", 1), ("me", 1), ("biz", 1), ("ca", 1), ("co", 1)]
TLD_TABLE = [tld for tld, share in TLDS for _ in range(share)]
SUBDOMAINS = ["www", "m", "cdn", "static", "img", "ads", "api", "shop", "fr", "en", "blog",
              "video", "live", "mail", "go", "my", "secure", "login", "app", "forum"]


class Generator:
    def __init__(self, seed):
        # Only random() is used: its sequence for an integer seed is the same in every
        # Python 3 version.
        self.rng = random.Random(seed)
        self.used = set()

    def below(self, n):
        return int(self.rng.random() * n)

    def pick(self, items):
        return items[self.below(len(items))]

    def label(self):
        text = "".join(self.pick(SYLLABLES) for _ in range(1 + self.below(3)))
        roll = self.rng.random()
        if roll < 0.08:
            text += str(self.below(1000))
        elif roll < 0.16:
            text += "-" + self.pick(SYLLABLES)
        return text

    def name(self):
        roll = self.rng.random()
        if roll < 0.005:
            return "%d.%d.%d.%d" % (1 + self.below(223), self.below(256), self.below(256),
                                    1 + self.below(254))
        base = self.label() + "." + self.pick(TLD_TABLE)
        if roll < 0.60:
            return base
        if roll < 0.75:
            return "www." + base
        if roll < 0.92:
            return self.pick(SUBDOMAINS) + "." + base
        return self.label() + "." + self.pick(SUBDOMAINS) + "." + base

    def path(self):
        parts = [self.label() for _ in range(1 + self.below(3))]
        text = "/".join(parts)
        roll = self.rng.random()
        if roll < 0.2:
            text += ".html"
        elif roll < 0.3:
            text += "?id=%d" % self.below(100000)
        elif roll < 0.4:
            text += "/"
        return text

    def fresh(self, make):
        while True:
            value = make()
            if value not in self.used:
                self.used.add(value)
                return value


def category_sizes(total):
    """Very unequal shares: adult about 40 %, the rest falling off as 1/rank."""
    weights = [40.0] + [60.0 / (rank + 1) / sum(1.0 / (r + 1) for r in range(1, len(CATEGORIES)))
                        for rank in range(1, len(CATEGORIES))]
    sizes = [int(total * w / 100.0) for w in weights]
    sizes[0] += total - sum(sizes)
    return sizes


def generate(total, seed):
    gen = Generator(seed)
    lists = {}
    shared_pool = []
    for category, size in zip(CATEGORIES, category_sizes(total)):
        domains, urls = set(), set()
        while len(domains) + len(urls) < size:
            roll = gen.rng.random()
            if roll < 0.04:
                host = gen.pick(shared_pool) if shared_pool and roll < 0.01 else gen.name()
                urls.add(host + "/" + gen.path())
            elif roll < 0.06 and shared_pool:
                domains.add(gen.pick(shared_pool))  # a name another category lists too
            else:
                name = gen.fresh(gen.name)
                domains.add(name)
                if gen.rng.random() < 0.05:
                    shared_pool.append(name)
        lists[category] = (domains, urls)
    return lists


def write_tree(lists, folder):
    for category, (domains, urls) in lists.items():
        os.makedirs(os.path.join(folder, category), exist_ok=True)
        with open(os.path.join(folder, category, "domains"), "w", newline="\n") as out:
            out.writelines(line + "\n" for line in sorted(domains))
        if urls:
            with open(os.path.join(folder, category, "urls"), "w", newline="\n") as out:
                out.writelines(line + "\n" for line in sorted(urls))


def write_tarball(folder, path):
    raw = io.BytesIO()
    with tarfile.open(fileobj=raw, mode="w", format=tarfile.GNU_FORMAT) as tar:
        for category in sorted(os.listdir(folder)):
            for name in ("domains", "urls"):
                full = os.path.join(folder, category, name)
                if os.path.exists(full):
                    info = tar.gettarinfo(full, arcname="blacklists/%s/%s" % (category, name))
                    info.mtime, info.uid, info.gid, info.uname, info.gname = 0, 0, 0, "", ""
                    info.mode = 0o644
                    with open(full, "rb") as data:
                        tar.addfile(info, data)
    with open(path, "wb") as out:
        out.write(gzip.compress(raw.getvalue(), compresslevel=6, mtime=0))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("count", type=int, help="lines to write in all")
    parser.add_argument("folder", help="the tree's folder (made when missing)")
    parser.add_argument("--seed", type=int, default=2026)
    parser.add_argument("--tar-gz", help="also pack the tree into this .tar.gz")
    args = parser.parse_args()
    if args.count < 0:
        parser.error("count must not be negative")
    lists = generate(args.count, args.seed)
    write_tree(lists, args.folder)
    if args.tar_gz:
        write_tarball(args.folder, args.tar_gz)
    written = sum(len(d) + len(u) for d, u in lists.values())
    print("make-lists: %d lines in %d categories under %s" % (written, len(lists), args.folder),
          file=sys.stderr)


if __name__ == "__main__":
    main()
