"""Japan Post's archives as the address generators of this folder read them (messy_addresses.py,
reading_addresses.py): the towns, notes, buildings and offices of every city, the fold that
tells whether two spellings name one place, and the steps both share: writing the cases,
running them through `tanzel-search --resolve` and printing the score per kind.
"""

import csv
import functools
import io
import re
import subprocess
import sys
import zipfile
from collections import defaultdict

FULL = str.maketrans("０１２３４５６７８９－Ｆ", "0123456789-F")
KANJI_DIGITS = "〇一二三四五六七八九"
VARIANTS = {"高": "髙", "崎": "﨑", "徳": "德", "浜": "濵", "瀬": "瀨", "黒": "黑", "辺": "邊",
            "塚": "\ufa10", "神": "\ufa19", "福": "\ufa1b", "館": "\ufa2c", "隆": "\uf9dc"}


def is_kanji(c):
    return "\u4e00" <= c <= "\u9fff" or "\uf900" <= c <= "\ufaff" or c == "々"


def kanji_number(text):
    """A run of kanji numerals as a number (一 1, 十五 15, 二十八 28)."""
    total, current = 0, 0
    for c in text:
        if c == "十":
            total += (current or 1) * 10
            current = 0
        else:
            current = current * 10 + KANJI_DIGITS.index(c)
    return total + current


@functools.lru_cache(maxsize=None)
def fold(text):
    """Spellings that people take for one name: の ノ 之 between kanji, ヶ ケ が ヵ (left out
    between kanji), variant kanji, widths. Only to tell whether a text names one place."""
    text = text.translate(FULL).replace(" ", "").replace("　", "")
    text = re.sub(r"[〇一二三四五六七八九十]+", lambda m: str(kanji_number(m.group(0))), text)
    for plain, variant in VARIANTS.items():
        text = text.replace(variant, plain)
    out = []
    for i, c in enumerate(text):
        between = 0 < i < len(text) - 1 and (is_kanji(text[i - 1]) or text[i - 1].isdigit()) and is_kanji(text[i + 1])
        if c in "ノ之" and between:
            c = "の"
        if c in "ヶケがヵ":
            if between:
                continue
            c = "ケ"
        out.append(c)
    return "".join(out)


def split_town(town):
    m = re.match(r"^(.*?)（(.*)）$", town)
    return (m.group(1), m.group(2)) if m else (town, "")


class Data:
    def __init__(self, archives):
        with zipfile.ZipFile(f"{archives}/utf_ken_all.zip") as z:
            name = [n for n in z.namelist() if n.lower().endswith(".csv")][0]
            rows = list(csv.reader(io.TextIOWrapper(z.open(name), encoding="utf-8")))
        with zipfile.ZipFile(f"{archives}/jigyosyo.zip") as z:
            name = [n for n in z.namelist() if n.lower().endswith(".csv")][0]
            offices = list(csv.reader(io.TextIOWrapper(z.open(name), encoding="cp932")))
        self.towns = defaultdict(lambda: defaultdict(set))  # (pref, city) -> base -> codes
        self.notes = defaultdict(list)  # (pref, city, base) -> [(note, code)]
        self.except_buildings = {}  # (pref, city, base) -> code
        self.floors = defaultdict(dict)  # (pref, city, building base) -> {floor or 0: code}
        self.city_pref = defaultdict(set)
        self.catch_all = {}  # (pref, city) -> the code of its 以下に掲載がない場合
        self.banchi_next = set()  # (pref, city) with a record for a block right after its name, or 一円
        for r in rows:
            pref, city, town, code = r[6], r[7], r[8], r[2]
            base, note = split_town(town)
            self.city_pref[city].add(pref)
            if town == "以下に掲載がない場合":
                self.catch_all[(pref, city)] = code
            elif "の次に番地がくる場合" in town or town.endswith("一円"):
                self.banchi_next.add((pref, city))
            if base in ("以下に掲載がない場合",) or "の次に番地がくる場合" in base or base.endswith("一円"):
                continue
            if note == "次のビルを除く":
                self.except_buildings[(pref, city, base)] = code
            m = re.match(r"^([０-９]+)階$", note)
            if m or note == "地階・階層不明":
                self.floors[(pref, city, base)][int(m.group(1).translate(FULL)) if m else 0] = code
                continue
            self.towns[(pref, city)][base].add(code)
            self.notes[(pref, city, base)].append((note, code))
        # Buildings: (pref, city, town, building name) -> floors.
        self.buildings = []
        for (pref, city, base), floors in self.floors.items():
            towns = [t for (p, c, t) in self.except_buildings if p == pref and c == city and base.startswith(t)]
            if towns and 0 in floors:
                town = max(towns, key=len)
                self.buildings.append((pref, city, town, base[len(town):], floors))
        self.office_blocks = defaultdict(list)  # (pref, city, town) -> [block text]
        for o in offices:
            self.office_blocks[(o[3], o[4], o[5])].append(o[6].translate(FULL).replace(" ", "").replace("　", ""))
        self.prefs = {r[6] for r in rows}
        self.wards = defaultdict(set)  # a ward's name -> the cities it is a ward of (or is)
        self.names = set(self.prefs) | {p[:-1] for p in self.prefs if p != "北海道"}
        for city in self.city_pref:
            self.names.add(city)
            if "郡" in city:
                self.names.add(city.split("郡", 1)[1])
            if "市" in city and city.endswith("区"):
                ward = city.split("市", 1)[1]
                self.wards[ward].add(city)
                self.names.add(ward)
            elif city.endswith("区"):
                self.wards[city].add(city)
        self.by_fold = defaultdict(set)  # folded town name -> (pref, city)
        for key, towns in self.towns.items():
            for base in towns:
                self.by_fold[fold(base)].add(key)
        self.numbered = set()  # folded names of towns that another town's name continues with a number
        numeral = "0123456789０１２３４５６７８９〇一二三四五六七八九十"
        for towns in self.towns.values():
            for base in towns:
                for i in range(1, len(base)):
                    if base[i] in numeral and base[i - 1] not in numeral:
                        self.numbered.add(fold(base[:i]))

    def one_code(self, key, base):
        codes = self.towns[key].get(base, set())
        return next(iter(codes)) if len(codes) == 1 else None

    def unique_in_city(self, key, text):
        """The one town of the city that `text` names, with its one code."""
        folded = fold(text)
        names = [b for b in self.towns[key] if fold(b) == folded]
        if len(names) != 1 or folded in self.numbered:
            return None
        return self.one_code(key, names[0])

    def starts_with_name(self, text):
        return any(text.startswith(n) for n in self.names if len(n) >= 2 and n != text)


def write_cases(out_path, cases):
    """Writes the cases (kind -> [(kind, address, code, how)]) one a line, kinds in order,
    and prints how many of each kind were made."""
    with open(out_path, "w", encoding="utf-8") as out:
        for kind in sorted(cases):
            for case in cases[kind]:
                out.write("\t".join(case) + "\n")
    for kind in sorted(cases):
        print(f"{kind}: {len(cases[kind])}", file=sys.stderr)


def resolve_cases(path, program, data):
    """The cases of a file `write_cases` wrote, each with the line `--resolve` answers for it."""
    cases = [line.rstrip("\n").split("\t") for line in open(path, encoding="utf-8")]
    run = subprocess.run([program, "--data", data, "--resolve"], input="\n".join(c[1] for c in cases) + "\n",
                         capture_output=True, text=True)
    return zip(cases, run.stdout.split("\n"))


def print_score(stats, misses, wrong_column, kind_width, shown):
    """Prints per kind (stats: kind -> [count, right, wrong]) the count, the share right and the
    wrong answers, then with -v up to `shown` misses of each kind; returns the totals."""
    total = [sum(s[i] for s in stats.values()) for i in range(3)]
    print(f"{'kind':{kind_width}} {'count':>6} {'right':>8} {wrong_column:>{len(wrong_column) + 1}}")
    for kind in sorted(stats) + ["all"]:
        n, right, wrong = total if kind == "all" else stats[kind]
        print(f"{kind:{kind_width}} {n:6} {100.0 * right / max(n, 1):7.1f}% {wrong:{len(wrong_column) + 1}}")
    if "-v" in sys.argv:
        for kind in sorted(misses):
            print(kind)
            print("\n".join(misses[kind][:shown]))
    return total
