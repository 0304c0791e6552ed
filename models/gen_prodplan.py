#!/usr/bin/env python3
"""Writes prodplan.lp: a multi-period production and distribution plan.

Two products are made in four plants and shipped to ten customers over eight periods. Plants may build stock
ahead of a season in their warehouses; demand that is not delivered is lost at a penalty. Rows:

  bal_k_p_t   stock of product k at plant p carried in + made - shipped - carried out = 0
  dem_k_c_t   shipped to customer c + lost = demand
  hours_p_t   machine hours of the plant in the period
  fleet_p_t   truck capacity leaving the plant in the period
  store_p_t   warehouse space at the end of the period

The optimal value is known exactly, by an argument the script carries out. Without the hours, fleet and store
rows and the upper bounds, what is left is an uncapacitated minimum-cost flow with nonnegative costs, whose
optimum sends every unit of demand along its cheapest route (made at plant p in period s <= t, held t - s
periods, shipped to c; or lost). The script builds that plan and then sets every capacity at least as large as
the plan needs, so the plan is feasible for the full model, and a relaxation's optimum that is feasible is
optimal. Some capacities land exactly on the plan's load, so the model is degenerate like real plans are.

The value is computed in exact decimal arithmetic and written into the file's header comment, where the tests
read it. The output is deterministic (fixed seed); run `python3 models/gen_prodplan.py > models/prodplan.lp`.
"""
import random
import sys
from fractions import Fraction

K, P, C, T = 2, 4, 10, 8
rng = random.Random(20261207)


def cents(lo, hi):
    """A price with two decimals, as an exact fraction."""
    return Fraction(rng.randint(int(lo * 100), int(hi * 100)), 100)


def num(x):
    """Exact decimal text of a fraction with a finite decimal expansion."""
    x = Fraction(x)
    sign = "-" if x < 0 else ""
    x = abs(x)
    whole, rest = divmod(x.numerator, x.denominator)
    if rest == 0:
        return f"{sign}{whole}"
    digits = ""
    while rest and len(digits) < 12:
        rest *= 10
        d, rest = divmod(rest, x.denominator)
        digits += str(d)
    assert rest == 0, "not a finite decimal"
    return f"{sign}{whole}.{digits}"


# Data. Production costs follow a season (dearer in the middle periods), so building stock ahead pays.
season = [Fraction(100 + 30 * s, 100) for s in (0, 1, 2, 3, 3, 2, 1, 0)]
base_cost = [[cents(8, 14) for p in range(P)] for k in range(K)]
make_cost = [[[base_cost[k][p] * season[t] for t in range(T)] for p in range(P)] for k in range(K)]
make_cost = [[[Fraction(round(v * 100), 100) for v in row] for row in plant] for plant in make_cost]
hold_cost = [[cents(0.2, 0.9) for p in range(P)] for k in range(K)]
plant_xy = [(rng.uniform(0, 100), rng.uniform(0, 100)) for p in range(P)]
cust_xy = [(rng.uniform(0, 100), rng.uniform(0, 100)) for c in range(C)]
ship_cost = [[[Fraction(round((1 + 0.04 * ((px - cx) ** 2 + (py - cy) ** 2) ** 0.5) * (1 + 0.2 * k) * 100), 100)
               for (cx, cy) in cust_xy] for (px, py) in plant_xy] for k in range(K)]
lost_cost = [Fraction(60), Fraction(75)]
demand = [[[rng.randint(20, 120) for t in range(T)] for c in range(C)] for k in range(K)]
rate = [[Fraction(rng.choice([50, 60, 75, 80, 100]), 100) for p in range(P)] for k in range(K)]

# The cheapest route of every unit of demand (ties go to the first one found).
make = [[[Fraction(0)] * T for p in range(P)] for k in range(K)]
hold = [[[Fraction(0)] * T for p in range(P)] for k in range(K)]
ship = [[[[Fraction(0)] * T for c in range(C)] for p in range(P)] for k in range(K)]
lost = [[[Fraction(0)] * T for c in range(C)] for k in range(K)]
optimum = Fraction(0)
for k in range(K):
    for c in range(C):
        for t in range(T):
            best, route = lost_cost[k], None
            for p in range(P):
                for s in range(t + 1):
                    cost = make_cost[k][p][s] + hold_cost[k][p] * (t - s) + ship_cost[k][p][c]
                    if cost < best:
                        best, route = cost, (p, s)
            d = demand[k][c][t]
            optimum += best * d
            if route is None:
                lost[k][c][t] += d
                continue
            p, s = route
            make[k][p][s] += d
            for u in range(s, t):
                hold[k][p][u] += d
            ship[k][p][c][t] += d

# Capacities: a round figure from the plant's size, raised to the plan's load where the plan needs more.
size = [rng.choice([0.6, 0.8, 1.0, 1.2]) for p in range(P)]
hours, fleet, store = {}, {}, {}
for p in range(P):
    for t in range(T):
        load_h = sum(rate[k][p] * make[k][p][t] for k in range(K))
        load_f = sum(ship[k][p][c][t] for k in range(K) for c in range(C))
        load_s = sum(hold[k][p][t] for k in range(K))
        hours[p, t] = max(Fraction(round(900 * size[p])), load_h)
        fleet[p, t] = max(Fraction(round(1100 * size[p])), load_f)
        store[p, t] = max(Fraction(round(700 * size[p])), load_s)
make_ub = [[max(Fraction(round(1200 * size[p])), max(make[k][p])) for p in range(P)] for k in range(K)]

# Check the plan against every row before claiming its value.
for k in range(K):
    for p in range(P):
        for t in range(T):
            prev = hold[k][p][t - 1] if t else 0
            assert prev + make[k][p][t] - sum(ship[k][p][c][t] for c in range(C)) - hold[k][p][t] == 0
            assert 0 <= make[k][p][t] <= make_ub[k][p]
    for c in range(C):
        for t in range(T):
            assert sum(ship[k][p][c][t] for p in range(P)) + lost[k][c][t] == demand[k][c][t]
value = sum(make_cost[k][p][t] * make[k][p][t] + hold_cost[k][p] * hold[k][p][t]
            for k in range(K) for p in range(P) for t in range(T))
value += sum(ship_cost[k][p][c] * ship[k][p][c][t] for k in range(K) for p in range(P) for c in range(C)
             for t in range(T))
value += sum(lost_cost[k] * lost[k][c][t] for k in range(K) for c in range(C) for t in range(T))
assert value == optimum


def name(kind, *idx):
    """Item names like ship_k1_p2_c3_t4 (one-based)."""
    return kind + "".join(f"_{tag}{i + 1}" for tag, i in zip(KINDS[kind], idx))


KINDS = {"make": "kpt", "hold": "kpt", "ship": "kpct", "lost": "kct", "bal": "kpt", "dem": "kct",
         "hours": "pt", "fleet": "pt", "store": "pt"}

out = []
w = out.append
w("\\ prodplan: multi-period production and distribution, %d products, %d plants, %d customers, %d periods\n"
  % (K, P, C, T))
w("\\ written by models/gen_prodplan.py; the optimum is known exactly (see the script)\n")
w("\\ optimal objective value: %s\n" % num(optimum))
w("minimize\n cost:")
terms = []
for k in range(K):
    for p in range(P):
        for t in range(T):
            terms.append((make_cost[k][p][t], name("make", k, p, t)))
            terms.append((hold_cost[k][p], name("hold", k, p, t)))
    for p in range(P):
        for c in range(C):
            for t in range(T):
                terms.append((ship_cost[k][p][c], name("ship", k, p, c, t)))
    for c in range(C):
        for t in range(T):
            terms.append((lost_cost[k], name("lost", k, c, t)))


def expr(terms):
    parts = []
    for i, (a, v) in enumerate(terms):
        sign = "-" if a < 0 else "+"
        if i == 0 and sign == "+":
            sign = ""
        coef = "" if abs(a) == 1 else num(abs(a)) + " "
        parts.append(f" {sign} {coef}{v}".replace("  ", " "))
    lines, line = [], ""
    for part in parts:
        if len(line) + len(part) > 100:
            lines.append(line)
            line = "  "
        line += part
    lines.append(line)
    return "\n".join(lines)


w(expr(terms) + "\nsubject to\n")
for k in range(K):
    for p in range(P):
        for t in range(T):
            row = []
            if t:
                row.append((1, name("hold", k, p, t - 1)))
            row.append((1, name("make", k, p, t)))
            row += [(-1, name("ship", k, p, c, t)) for c in range(C)]
            row.append((-1, name("hold", k, p, t)))
            w(" %s:%s = 0\n" % (name("bal", k, p, t), expr(row)))
for k in range(K):
    for c in range(C):
        for t in range(T):
            row = [(1, name("ship", k, p, c, t)) for p in range(P)] + [(1, name("lost", k, c, t))]
            w(" %s:%s = %d\n" % (name("dem", k, c, t), expr(row), demand[k][c][t]))
for p in range(P):
    for t in range(T):
        row = [(rate[k][p], name("make", k, p, t)) for k in range(K)]
        w(" %s:%s <= %s\n" % (name("hours", p, t), expr(row), num(hours[p, t])))
        row = [(1, name("ship", k, p, c, t)) for k in range(K) for c in range(C)]
        w(" %s:%s <= %s\n" % (name("fleet", p, t), expr(row), num(fleet[p, t])))
        row = [(1, name("hold", k, p, t)) for k in range(K)]
        w(" %s:%s <= %s\n" % (name("store", p, t), expr(row), num(store[p, t])))
w("bounds\n")
for k in range(K):
    for p in range(P):
        for t in range(T):
            w(" 0 <= %s <= %s\n" % (name("make", k, p, t), num(make_ub[k][p])))
w("end\n")
sys.stdout.write("".join(out))
