#!/usr/bin/env python3
"""Addresses as people write them, by kind, made from Japan Post's archives, and how the
resolver fares on them.

  messy_addresses.py make ARCHIVEDIR OUT.tsv [PER_KIND]
  messy_addresses.py score OUT.tsv TANZEL_SEARCH DATADIR

`make` writes one line per address: kind, address (UTF-8), the expected code (or
"ambiguous") and how sure the answer must be (sure, not-sure, ambiguous). The expected
answer comes from the records alone: a case is made only where the records leave one
answer (or, for the ambiguous kind, several cities). `score` runs the addresses through
`tanzel-search --resolve` and prints, per kind, how many were right and how many wrong
codes were given. Never commit what `make` writes: it is made from the archives.
"""

import random
import re
import sys
from collections import defaultdict

from address_records import FULL, VARIANTS, Data, fold, is_kanji, kanji_number, print_score, resolve_cases, write_cases

LEFT_OUT_BEFORE = set("谷丘崎関原岳沢島窪浦瀬")
NICKNAMES = ["丸ビル", "新丸ビル", "本館", "東館", "北ウイング", "第二別館", "サクラビル", "旧本社ビル", "アネックス"]
PLAIN_BUILDINGS = ["山田ビル", "コーポ桜", "第一ハイツ", "メゾン緑", "中央ビル", "グリーンハイツ"]


def script(c):
    if is_kanji(c):
        return "kanji"
    if "\u30a0" <= c <= "\u30ff":
        return "katakana"
    if "\u3040" <= c <= "\u309f":
        return "hiragana"
    return "other"


def block(rng):
    a, b, c = rng.randint(1, 9), rng.randint(1, 30), rng.randint(1, 20)
    return rng.choice([f"{a}-{b}-{c}", f"{a}丁目{b}番{c}号", f"{a}－{b}－{c}".translate(str.maketrans("0123456789", "０１２３４５６７８９")), f"{b}番地{c}"])


def floor_text(rng, n):
    if n > 0:
        return rng.choice([f"{n}F", f"{n}階", f"{n}F".translate(str.maketrans("0123456789F", "０１２３４５６７８９Ｆ")), f"{n}階".translate(str.maketrans("0123456789", "０１２３４５６７８９"))])
    return rng.choice(["B1", "B1F", "地下1階", "B2F", "地下２階"])


def block_numbers(text):
    text = re.sub(r"[〇一二三四五六七八九十]+", lambda m: str(kanji_number(m.group(0))), text)
    return [int(n) for n in re.findall(r"[0-9]+", text)]


def make(archives, out_path, per_kind):
    d = Data(archives)
    rng = random.Random(16)
    cases = defaultdict(list)
    keys = sorted(d.towns)

    def add(kind, address, code, how):
        if len(cases[kind]) < per_kind:
            cases[kind].append((kind, address, code, how))

    # Spelling variants, with the prefecture and city written.
    variant_rules = [("の", "ノ"), ("の", "之"), ("ノ", "の"), ("之", "の"), ("が", "ヶ"), ("ヶ", "が"), ("ケ", "ヶ"), ("ヶ", "ケ")]
    pool = []
    for key in keys:
        for base in d.towns[key]:
            for plain, typed in variant_rules:
                for i, c in enumerate(base):
                    if c == plain and 0 < i < len(base) - 1 and is_kanji(base[i - 1]) and is_kanji(base[i + 1]):
                        pool.append((key, base, base[:i] + typed + base[i + 1:]))
            for plain, typed in VARIANTS.items():
                if plain in base:
                    pool.append((key, base, base.replace(plain, typed)))
            if 2 <= len(base) <= 4 and all(is_kanji(c) for c in base) and base[-1] in LEFT_OUT_BEFORE:
                pool.append((key, base, base[:-1] + "ヶ" + base[-1]))
    rng.shuffle(pool)
    for key, base, typed in pool:
        code = d.unique_in_city(key, base)
        if code and typed not in d.towns[key]:
            add("variant", key[0] + key[1] + typed + block(rng), code, "sure")

    # Sapporo's grid: 北1西2 for 北一条西２丁目.
    for key in keys:
        if not key[1].startswith("札幌市"):
            continue
        for base in d.towns[key]:
            m = re.match(r"^([北南])([一二三四五六七八九十]+)条([東西])$", base)
            if not m:
                continue
            for note, code in d.notes[(key[0], key[1], base)]:
                r = re.match(r"^([０-９]+)(?:〜([０-９]+))?丁目$", note)
                if note and not r:
                    continue
                low = int(r.group(1).translate(FULL)) if r else 1
                high = int((r.group(2) or r.group(1)).translate(FULL)) if r else 12
                chome = rng.randint(low, high)
                short = f"{m.group(1)}{kanji_number(m.group(2))}{m.group(3)}{chome}"
                short += rng.choice(["", f"-{rng.randint(1, 20)}", f"-{rng.randint(1, 20)}-{rng.randint(1, 9)}"])
                if rng.random() < 0.3:
                    short = short.translate(str.maketrans("0123456789-", "０１２３４５６７８９－"))
                where = rng.choice(["", key[0]]) + key[1]
                if len(d.by_fold[fold(base)]) == 1 and rng.random() < 0.3:
                    where = ""  # the grid alone, where one city has it
                add("sapporo", where + short, code, "sure")

    # Buildings with codes per floor: named, by a unique part of the name, by their block.
    rng.shuffle(d.buildings)
    for pref, city, town, name, floors in d.buildings:
        others = [b[3] for b in d.buildings if b[:3] == (pref, city, town) and b[3] != name]
        blocks = []
        for text in d.office_blocks[(pref, city, town)]:
            if name.replace(" ", "") in text:
                numbers = block_numbers(text.split(name)[0])
                clash = any(o in t and block_numbers(t.split(o)[0]) == numbers
                            for t in d.office_blocks[(pref, city, town)] for o in others)
                if numbers and not clash:
                    blocks.append("-".join(map(str, numbers)))
        where = pref + city + town
        numbered = [n for n in floors if n > 0]
        for _ in range(5):
            n = rng.choice(numbered + [0]) if numbered else 0
            want = floors[n]
            sep = rng.choice([" ", "　", ""])
            typed_floor = floor_text(rng, n)
            blk = rng.choice(blocks) if blocks and rng.random() < 0.5 else ""
            add("floor", where + blk + sep + name + sep + typed_floor, want, "sure")
            if blocks:
                add("building-by-block", where + rng.choice(blocks) + (sep or " ") + typed_floor, want, "sure")
            # Parts as people shorten a name: at a change of script (森タワー of 六本木ヒルズ森タワー).
            cuts = [k for k in range(1, len(name)) if script(name[k - 1]) != script(name[k])
                    and name[k] not in "ノヶケが" and name[k - 1] not in "ノヶケが"]
            parts = {name[k:] for k in cuts} | {name[:k] for k in cuts}
            parts = sorted(p for p in parts if not any(p in o for o in others) and p not in town and len(p) >= 2
                           and not re.search(re.escape(p) + "[0-9０-９]", name)  # サンシャイン of サンシャイン６０
                           and sum(script(c) in ("kanji", "katakana") for c in p) >= 2)
            if parts:
                part = rng.choice(parts)
                blk = rng.choice(blocks) if blocks and rng.random() < 0.5 else ""
                # Apart from the floor where they would read as one: インターシティＢ 6F, サンシャイン 60F.
                joined = re.search(r"[A-Za-zＡ-Ｚａ-ｚ]$", part) or re.search(re.escape(part) + "[0-9０-９]", name)
                after = sep or (" " if joined else "")
                add("building-by-part", where + blk + sep + part + after + typed_floor, want, "sure")

    # A building or floor not recognised in a town whose buildings have codes of their own.
    towns = sorted(d.except_buildings.items())
    rng.shuffle(towns)
    for (pref, city, town), code in towns * 8:
        names = [b[3] for b in d.buildings if b[:3] == (pref, city, town)]
        used = {tuple(block_numbers(t)) for t in d.office_blocks[(pref, city, town)]}
        a, b, c = rng.randint(1, 9), rng.randint(31, 60), rng.randint(21, 40)
        if (a, b, c) in used or (a, b) in used:
            continue
        nick = rng.choice(NICKNAMES + [""])
        if any(nick and (nick in n or n in nick) for n in names):
            continue
        sep = rng.choice([" ", "　"])
        add("building-unknown", f"{pref}{city}{town}{a}-{b}-{c}{sep}{nick}{sep if nick else ''}{rng.randint(2, 40)}F", code, "not-sure")

    # Readings without the prefecture: a ward without its city, a city, a town alone; and
    # texts that fit several cities.
    rng.shuffle(keys)
    for key in keys:
        pref, city = key
        bases = sorted(d.towns[key])
        if not bases:
            continue
        base = rng.choice(bases)
        if fold(base) in d.numbered or len(base) < 2:
            continue
        code = d.one_code(key, base)
        rest = block(rng)
        if "市" in city and city.endswith("区"):
            ward = city.split("市", 1)[1]
            fits = {(c, frozenset(d.towns[(p, c)][b])) for c in d.wards[ward] for p in d.city_pref[c]
                    for b in d.towns.get((p, c), {}) if fold(b) == fold(base)}
            if len(fits) == 1 and code:
                add("ward-without-city", ward + base + rest, code, "sure")
            elif len({c for c, _ in fits}) > 1 and len({codes for _, codes in fits}) > 1:
                add("ambiguous", ward + base + rest, "ambiguous", "ambiguous")
        if len(d.city_pref[city]) == 1 and code and not any(city != c and city.startswith(c) for c in d.city_pref):
            short = city.split("郡", 1)[1] if "郡" in city and rng.random() < 0.5 else city
            if sum(1 for c in d.city_pref if c == short or c.endswith("郡" + short)) == 1 and len(d.wards.get(short, ())) <= 1:
                add("city-without-prefecture", short + base + rest, code, "sure")
        places = d.by_fold[fold(base)]
        if len(base) >= 2 and not d.starts_with_name(base):
            if len(places) == 1 and code and d.unique_in_city(key, base):
                add("town-alone", base + rest, code, "sure")
            elif len({c for _, c in places}) > 1:
                codes = {frozenset(d.towns[p][b]) for p in places for b in d.towns[p] if fold(b) == fold(base)}
                if len(codes) > 1:
                    add("ambiguous", base + rest, "ambiguous", "ambiguous")

    # A floor on an ordinary building: the town's code all the same.
    for key in keys:
        pref, city = key
        for base in sorted(d.towns[key])[:2]:
            code = d.unique_in_city(key, base)
            if not code or (pref, city, base) in d.except_buildings:
                continue
            sep = rng.choice([" ", "　"])
            add("floor-plain", pref + city + base + block(rng) + sep + rng.choice(PLAIN_BUILDINGS) + sep + floor_text(rng, rng.randint(0, 12)), code, "sure")

    write_cases(out_path, cases)


def score(path, program, data):
    stats = defaultdict(lambda: [0, 0, 0])  # count, right, wrong codes
    misses = defaultdict(list)
    for (kind, address, code, how), line in resolve_cases(path, program, data):
        fields = line.split("\t")
        given, word = fields[0], fields[2] if len(fields) > 2 else ""
        if how == "ambiguous":
            right = given == ""
        elif how == "not-sure":
            right = given == code and word in ("catchall", "building-unknown")
        else:
            right = given == code and word not in ("catchall", "building-unknown")
        stats[kind][0] += 1
        stats[kind][1] += right
        stats[kind][2] += bool(given) and given != code
        if not right:
            misses[kind].append(f"  {address} -> {line[:120]} (want {code} {how})")
    total = print_score(stats, misses, "wrong codes", 26, 15)
    return 0 if total[1] >= 0.99 * total[0] else 1


if __name__ == "__main__":
    if len(sys.argv) >= 4 and sys.argv[1] == "make":
        make(sys.argv[2], sys.argv[3], int(sys.argv[4]) if len(sys.argv) > 4 else 200)
    elif len(sys.argv) >= 5 and sys.argv[1] == "score":
        sys.exit(score(sys.argv[2], sys.argv[3], sys.argv[4]))
    else:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
