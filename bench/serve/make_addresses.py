#!/usr/bin/env python3
"""Writes a JSON array of COUNT addresses made from the data files in FOLDER (KEN*.CSV):
prefecture + city + town (Japan Post's notes left out) + a block number, as a form sends them."""
import csv, json, random, re, sys

folder, count, out = sys.argv[1], int(sys.argv[2]), sys.argv[3]
towns = []
for pref in range(1, 48):
    with open(f"{folder}/KEN{pref:02d}.CSV", encoding="cp932", errors="replace", newline="") as f:
        for row in csv.reader(f):
            town = re.sub(r"（.*", "", row[8])
            if town and "以下に掲載がない場合" not in town and "の次に番地がくる場合" not in town:
                towns.append(row[6] + row[7] + town)
rng = random.Random(19)
addresses = [f"{rng.choice(towns)}{rng.randint(1, 5)}-{rng.randint(1, 30)}-{rng.randint(1, 20)}" for _ in range(count)]
with open(out, "w", encoding="utf-8") as f:
    json.dump(addresses, f, ensure_ascii=False)
