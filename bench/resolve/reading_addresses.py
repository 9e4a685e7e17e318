#!/usr/bin/env python3
"""Addresses as office lists and web forms carry them, by kind, made from Japan Post's
archives at run time, and how sure the resolver is of each.

  reading_addresses.py make ARCHIVEDIR OUT.tsv [PER_KIND] [SEED]
  reading_addresses.py score OUT.tsv TANZEL_SEARCH DATADIR [-v]

`make` writes one line per address: kind, address (UTF-8), the expected code ("" where none
is expected) and the answer it must get:
  sure        that code, sure;
  not-sure    that code, not sure (a catch-all, an unknown building, a ward not found);
  ambiguous   several places, no single code;
  unsure      no sure code (a slip of the pen: the city's catch-all, the code meant given as
              not sure, several places or nothing).
Expected answers come from the records alone; a case is made only where the records leave
that answer. `score` runs the addresses through `tanzel-search --resolve` and prints per
kind how many were right and how many sure codes were wrong. Never commit what `make`
writes: it is made from the archives.
"""

import random
import sys
from collections import defaultdict

from address_records import KANJI_DIGITS, Data, fold, is_kanji, print_score, resolve_cases, write_cases

NUMERALS = set("0123456789０１２３４５６７８９〇一二三四五六七八九十百千")
DASHES = ["–", "—", "‐", "−", "－", "ー", "―", "ｰ", "‑", "‒", "─", "-"]
SEPARATORS = [" ", "　", "、", ",", "，", "  ", "　　", " 、", ", ", "， ", "　 "]
NAMES = ["佐藤様方", "山田太郎様", "株式会社山田商事御中", "東京駅", "田中一郎", "総務部御中", "鈴木様", "気付",
         "営業所", "高橋花子様方", "経理課", "本社"]
LOOKALIKE = {"土": "士", "士": "土", "木": "本", "本": "木", "未": "末", "末": "未", "大": "太", "太": "犬",
             "田": "由", "由": "田", "日": "目", "目": "日", "川": "州", "島": "鳥", "鳥": "島", "崎": "埼",
             "沢": "択", "宮": "官", "原": "源", "野": "埜", "町": "叮", "山": "出", "西": "酉", "東": "柬",
             "北": "比", "南": "献", "上": "止", "下": "卞", "中": "仲", "井": "丼", "谷": "容", "内": "肉"}
FAKE_PARTS = "桜梅松竹鶴亀菊藤萩楓椿柊榎楠樫槙栂杉檜栗柿桃梨杏葵蓮蘭菫苺"
HAMAMATSU_OLD = ["中区", "東区", "西区", "南区", "北区", "浜北区"]


def kanji(n):
    """n (1..99) in kanji numerals as people write them: 十二, 二十四, or digit by digit."""
    tens, ones = divmod(n, 10)
    return (("" if tens < 2 else KANJI_DIGITS[tens]) + "十" if tens else "") + (KANJI_DIGITS[ones] if ones else "")


def wide(text):
    return text.translate(str.maketrans("0123456789-", "０１２３４５６７８９－"))


def make(archives, out_path, per_kind, seed):
    d = Data(archives)
    rng = random.Random(seed)
    cases = defaultdict(list)

    def add(kind, address, code, how):
        if len(cases[kind]) < per_kind:
            cases[kind].append((kind, address, code or "", how))

    # Towns of one record, without a note, no building of their own, and no other name of
    # its city (or a number) continuing them: any block written after them has their code.
    records = defaultdict(int)
    for (pref, city, base), notes in d.notes.items():
        records[(pref, city, base)] = len(notes)
    simple = []
    folded_towns = {}

    def folded_of(key):
        if key not in folded_towns:
            folded_towns[key] = [(b, fold(b)) for b in d.towns[key]]
        return folded_towns[key]

    for key in sorted(d.towns):
        for base in sorted(d.towns[key]):
            if records[(key[0], key[1], base)] != 1 or d.notes[(key[0], key[1], base)][0][0] != "":
                continue
            if (key[0], key[1], base) in d.except_buildings or fold(base) in d.numbered or base[-1] in NUMERALS:
                continue
            if len(base) < 2 or base.startswith(("大字", "字")) or d.unique_in_city(key, base) is None:
                continue
            # No other town of the city starts with it or is started by it.
            folded = fold(base)
            if any(b != base and (f.startswith(folded) or folded.startswith(f)) for b, f in folded_of(key)):
                continue
            simple.append((key, base, d.one_code(key, base)))
    rng.shuffle(simple)
    catch_all, banchi_next = d.catch_all, d.banchi_next
    cities_in_pref = defaultdict(list)
    for city, prefs in d.city_pref.items():
        for p in prefs:
            cities_in_pref[p].append(city)

    def short(city):
        return city.split("郡", 1)[1] if "郡" in city and city.endswith(("町", "村")) else city

    def one_city_in_pref(pref, name):
        """The city of `pref` that `name` names (the whole name, or a 郡 town's without its 郡),
        where no other city of the prefecture starts with it or is its start."""
        named = [c for c in cities_in_pref[pref] if c == name or short(c) == name]
        clash = [c for c in cities_in_pref[pref] if c not in named and (c.startswith(name) or short(c).startswith(name)
                                                                       or name.startswith(short(c)))]
        return len(named) == 1 and not clash

    def block(rng):
        a, b, c = rng.randint(1, 9), rng.randint(1, 30), rng.randint(1, 20)
        return rng.choice([f"{a}-{b}-{c}", f"{a}丁目{b}番{c}号", wide(f"{a}-{b}-{c}"), f"{b}番地{c}", f"{b}番地"])

    for key, base, code in simple:
        pref, city = key
        if not one_city_in_pref(pref, city):
            continue
        a, b, c = rng.randint(1, 9), rng.randint(1, 30), rng.randint(1, 20)
        add("kanji-numerals", pref + city + base + rng.choice(
            [f"{kanji(a)}丁目{kanji(b)}番{kanji(c)}号", f"{kanji(b)}番地{kanji(c)}", f"{kanji(b)}番地の{kanji(c)}",
             f"{kanji(a)}丁目{b}-{c}"]), code, "sure")
        dash = rng.choice(DASHES)
        add("dash-forms", pref + city + base + f"{a}{dash}{b}{dash}{c}".translate(
            str.maketrans("0123456789", "０１２３４５６７８９") if rng.random() < 0.3 else {}), code, "sure")
        if "郡" in city and one_city_in_pref(pref, short(city)):
            add("gun-left-out", pref + short(city) + base + block(rng), code, "sure")
        if city.endswith(("町", "村")) and all(is_kanji(ch) for ch in base) and not base.startswith("字"):
            form = rng.choice(["大字{}{}番地", "字{}{}番地", "大字{}{}", "大字{}字" + rng.choice(FAKE_PARTS) + "田{}番地"])
            add("oaza-aza", pref + city + form.format(base, rng.randint(1, 3000)), code, "sure")
        sep = rng.choice([" ", "　", "、", "  "])
        add("trailing-names", pref + city + base + block(rng) + sep + rng.choice(NAMES), code, "sure")
        tail = rng.choice([f"TEL03-{rng.randint(1000, 9999)}-{rng.randint(1000, 9999)}",
                           f"090-{rng.randint(1000, 9999)}-{rng.randint(1000, 9999)}", f"{rng.randint(101, 1210)}号室",
                           f"電話 0{rng.randint(11, 99)}-{rng.randint(100, 999)}-{rng.randint(1000, 9999)}"])
        add("trailing-numbers", pref + city + base + block(rng) + sep + tail, code, "sure")
        seps = [rng.choice(SEPARATORS) for _ in range(3)]
        add("spaces-commas", pref + seps[0] + city + seps[1] + base + seps[2] + block(rng), code, "sure")
        if pref != "北海道" and one_city_in_pref(pref, city):
            add("pref-without-suffix", pref[:-1] + rng.choice(["", "", " ", "　"]) + city + base + block(rng), code, "sure")

    # Slips of the pen: one kanji of the town written as one that looks like it, a town no
    # city has; half of them after the part of the name that is another town's whole name.
    typos = []
    for key, base, code in simple:
        pref, city = key
        spots = [i for i, ch in enumerate(base) if ch in LOOKALIKE]
        if not spots or key not in catch_all or key in banchi_next:
            continue
        i = rng.choice(spots)
        typo = base[:i] + LOOKALIKE[base[i]] + base[i + 1:]
        if d.by_fold.get(fold(typo)):
            continue
        typos.append(pref + city + typo + block(rng))

    # Slips after the part of a name that is another town's whole name (平南白士 for 平南白土,
    # where 平 is a town too): not that shorter town.
    longer = []
    for key in sorted(d.towns):
        if key not in catch_all or key in banchi_next:
            continue
        for base, f in folded_of(key):
            code = d.one_code(key, base)
            shorter = [b for b, g in folded_of(key) if b != base and len(g) >= 1 and f.startswith(g)]
            if code and shorter and base[-1] not in NUMERALS:
                longer.append((key, base, code, max(len(b) for b in shorter)))
    rng.shuffle(longer)
    typos_after = []
    for key, base, code, cut in longer:
        spots = [i for i in range(cut, len(base)) if base[i] in LOOKALIKE]
        if not spots:
            continue
        i = rng.choice(spots)
        typo = base[:i] + LOOKALIKE[base[i]] + base[i + 1:]
        if d.by_fold.get(fold(typo)) or any(fold(typo).startswith(f) and len(f) > cut for _, f in folded_of(key)):
            continue
        typos_after.append((key[0] + key[1] + typo + block(rng), code))
    for address in typos[: per_kind - min(len(typos_after), per_kind // 2)]:
        add("typos", address, "", "unsure")
    for address, code in typos_after[: per_kind // 2]:
        add("typos", address, code, "unsure")

    # A real town under a city that has no town of that name (nor one its name starts with).
    all_simple = list(simple)
    for key, base, code in simple:
        other = rng.choice(all_simple)[0]
        if other == key or other not in catch_all or other in banchi_next or not one_city_in_pref(*other):
            continue
        folded = fold(base)
        if any(f.startswith(folded) for _, f in folded_of(other)):
            continue
        # A town of that city whose name starts this one is no reading when a word follows
        # it (平 of 平南白土), unless it has buildings of its own or a note that may name more.
        shorter = [(b, f) for b, f in folded_of(other) if folded.startswith(f)]
        if any(folded[len(f):][:1] in NUMERALS or (other[0], other[1], b) in d.except_buildings
               or any(n for n, _ in d.notes[(other[0], other[1], b)]) for b, f in shorter):
            continue
        add("wrong-city", other[0] + other[1] + base + block(rng), catch_all[other], "not-sure")

    # Fake addresses: a made-up town in a real city; made-up places without a city; block
    # words alone.
    name_starts = {n[:2] for n in d.names}
    town_starts = {b[:2] for b in d.by_fold}
    for key, base, code in simple:
        pref, city = key
        if key not in catch_all or key in banchi_next:
            continue
        fake = "".join(rng.choice(FAKE_PARTS) for _ in range(2)) + rng.choice(["町", "台", "丘", "", "野"])
        if d.by_fold.get(fold(fake)) or any(fold(fake).startswith(f) for _, f in folded_of(key) if f):
            continue
        if fake[:2] in name_starts:
            continue
        r = rng.random()
        if r < 0.6:
            add("fake", pref + city + fake + block(rng), catch_all[key], "not-sure")
        elif r < 0.85:
            if fold(fake)[:2] not in town_starts:
                add("fake", fake + block(rng), "", "unsure")
        else:
            words = "一二三四五六七八九十百号番地丁目の"
            add("fake", "".join(rng.choice(words) for _ in range(rng.randint(4, 8))), "", "unsure")

    # Hamamatsu's abolished wards: the town's current code, not sure.
    hama = [(k, b, c) for k, b, c in simple if k[1].startswith("浜松市")]
    hama_all = [b for k in d.towns if k[1].startswith("浜松市") for b in d.towns[k]]
    for key, base, code in hama * 6:
        if sum(1 for b in hama_all if fold(b) == fold(base)) != 1:
            continue
        old = rng.choice(HAMAMATSU_OLD)
        if any(fold(old + base).startswith(fold(b)) for b in hama_all):
            continue
        add("abolished-wards", rng.choice(["静岡県", ""]) + "浜松市" + old + base + block(rng), code, "not-sure")

    # A city, a ward or a 郡 town alone before a block: its catch-all, unless a town of
    # that name somewhere (or another city or ward of it) makes several places.
    names = defaultdict(set)  # name -> cities it names
    for city in d.city_pref:
        for p in d.city_pref[city]:
            names[city].add((p, city))
            names[short(city)].add((p, city))
            if "市" in city and city.endswith("区"):
                names[city.split("市", 1)[1]].add((p, city))
    pool = sorted(n for n in names if n.endswith(("市", "区", "町", "村")) and len(n) >= 2)
    rng.shuffle(pool)
    clashing = set()
    for n in names:
        for k in range(2, len(n)):
            if n[:k] in names:
                clashing.update((n, n[:k]))
    for name in pool * 3:
        places = names[name]
        if name in clashing:
            continue
        if fold(name) in d.numbered:
            continue
        # Towns of that name elsewhere (a city's town of its own name is that city).
        towns = {k for k in d.by_fold.get(fold(name), set()) if k not in places}
        kind = "ward-alone" if name.endswith("区") else "gun-town-alone" if any("郡" in c for _, c in places) \
            else "city-alone"
        a, b, c = rng.randint(1, 9), rng.randint(1, 30), rng.randint(1, 20)
        text = name + rng.choice([f"{a}丁目{b}番{c}号", f"{b}番地", f"{a}-{b}-{c}", f"{b}番地{c}"])
        if len(places) + len(towns) > 1:
            add(kind, text, "", "ambiguous")
        elif len(places) == 1:
            key = next(iter(places))
            if any(f[:1].isdigit() for _, f in folded_of(key)):
                continue  # a town that reads as a block (六丁目 of 京都市中京区)
            own = d.one_code(key, name) if name in d.towns[key] else None
            if own:  # a city's town of its own name (神恵内村 of 神恵内村)
                add(kind, text, own, "sure")
            elif key in catch_all and key not in banchi_next and name not in d.towns[key]:
                add(kind, text, catch_all[key], "not-sure")

    write_cases(out_path, cases)


NOT_SURE_WORDS = ("catchall", "building-unknown", "other-ward")


def score(path, program, data):
    stats = defaultdict(lambda: [0, 0, 0])  # count, right, sure but wrong
    misses = defaultdict(list)
    for (kind, address, code, how), line in resolve_cases(path, program, data):
        fields = line.split("\t")
        ambiguous = len(fields) > 2 and fields[0] == "" and fields[2] == "ambiguous"
        given = "" if ambiguous else fields[0]
        word = fields[2] if len(fields) > 2 and not ambiguous else ""
        certainty = "ambiguous" if ambiguous else "not-found" if not given else \
            "not-sure" if word in NOT_SURE_WORDS else "sure"
        if how == "unsure":
            right = certainty != "sure" and (not given or given == code or word == "catchall")
        elif how == "ambiguous":
            right = certainty == "ambiguous"
        else:
            right = certainty == how and given == code
        stats[kind][0] += 1
        stats[kind][1] += right
        stats[kind][2] += certainty == "sure" and (how != "sure" or given != code)
        if not right:
            misses[kind].append(f"  {address} -> {line[:140]} (want {code} {how})")
    total = print_score(stats, misses, "sure but wrong", 22, 25)
    worst = min(100.0 * s[1] / max(s[0], 1) for s in stats.values())
    return 0 if total[1] >= 0.99 * total[0] and worst >= 97 and total[2] == 0 else 1


if __name__ == "__main__":
    if len(sys.argv) >= 4 and sys.argv[1] == "make":
        make(sys.argv[2], sys.argv[3], int(sys.argv[4]) if len(sys.argv) > 4 else 250,
             int(sys.argv[5]) if len(sys.argv) > 5 else 28)
    elif len(sys.argv) >= 5 and sys.argv[1] == "score":
        sys.exit(score(sys.argv[2], sys.argv[3], sys.argv[4]))
    else:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
