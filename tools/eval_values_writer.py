"""Writes strong/eval_values.h: every weight of the strong evaluation as a named pair of
middlegame and endgame values, term by term, with the term's text above it."""

ROW_TERMS = {"pawnSquare", "knightSquare", "bishopSquare", "rookSquare", "queenSquare",
             "kingSquare"}


def pair(mg, eg):
    return f"S({int(round(mg))}, {int(round(eg))})"


def comment(text, indent=""):
    """Text as comment lines that fit the formatter's 100 columns."""
    lines, line = [], indent + "//"
    for word in text.split():
        if len(line) + 1 + len(word) > 100:
            lines.append(line)
            line = indent + "//"
        line += " " + word
    lines.append(line)
    return lines


def format_term(term, values):
    """The lines of one term's designated initializer."""
    name, text = term["name"], term["text"]
    lines = comment(text, "    ")
    pairs = [pair(mg, eg) for mg, eg in values]
    per_row = 4 if name in ROW_TERMS else 8
    if len(pairs) <= per_row and len(", ".join(pairs)) < 80:
        lines.append(f"    .{name} = {{{', '.join(pairs)}}},")
        return lines
    lines.append(f"    .{name} =")
    lines.append("        {")
    for start in range(0, len(pairs), per_row):
        lines.append("            " + ", ".join(pairs[start:start + per_row]) + ",")
    lines.append("        },")
    return lines


def write_values(path, terms, values, provenance):
    """terms: [{"name", "entries", "text"}...]; values: [(mg, eg), ...] in term order;
    provenance: the lines of a paragraph on where the values came from."""
    out = [
        "// The strong evaluation's weights, each a pair of middlegame and endgame values in",
        "// centipawns, term by term as strong/eval_terms.h lists them (safety terms in units of king",
        "// danger). Written by tools/tune_eval.py; do not edit by hand.",
    ]
    out += comment(" ".join(provenance))
    out += ["#pragma once", "", '#include "strong/eval_terms.h"', "", "namespace vardo {", "",
            "// clang-format off", "inline constexpr EvalWeights EVAL_WEIGHTS = {"]
    at = 0
    for term in terms:
        out += format_term(term, values[at:at + term["entries"]])
        at += term["entries"]
    assert at == len(values), (at, len(values))
    out += ["};", "// clang-format on", "", "}  // namespace vardo", ""]
    with open(path, "w") as f:
        f.write("\n".join(out))
