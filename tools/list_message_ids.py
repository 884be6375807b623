#!/usr/bin/env python3
"""List the message identifiers that a text names, and check them against the
string table.

An identifier is a number of three to five digits that follows one of the words
that introduce a text (message, string, text, label, caption, title, tool tip,
heading, menu text) within a short distance, or that lies inside a range such as
"messages 21425 to 21428" or a list such as "texts 20995 and 36". Numbers that
follow words naming other kinds of number (control, command, context, template,
dialog, setting, line, error) are left out. The result is a candidate list for a
human to review, not a proof.

Usage:
  list_message_ids.py FILE                  print the identifiers found, one a line
  list_message_ids.py FILE --table TABLE    print only those missing from TABLE
                                            (host/resources/strings.txt form)
"""

import argparse
import re
import sys

TEXT_WORDS = r"(?:messages?|strings?|texts?|labels?|captions?|titles?|tool ?tips?|headings?|menu texts?)"
OTHER_WORDS = r"(?:controls?|commands?|context|contexts|templates?|dialogs?|settings?|lines?|errors?|bits?|codes?)"

NUMBER_LIST = re.compile(r"\b(\d{2,5})\b(?:\s+to\s+(\d{2,5}))?")


def identifiers_in(text):
    found = set()
    for sentence in re.split(r"(?<=[.;|])\s|\n", text):
        for match in re.finditer(r"\b" + TEXT_WORDS + r"\b", sentence, re.IGNORECASE):
            tail = sentence[match.end():match.end() + 90]
            # Stop at the first word that starts another kind of number.
            stop = re.search(r"\b" + OTHER_WORDS + r"\b", tail, re.IGNORECASE)
            if stop:
                tail = tail[:stop.start()]
            for number in NUMBER_LIST.finditer(tail):
                first = int(number.group(1))
                last = int(number.group(2)) if number.group(2) else first
                if last < first or last - first > 64:
                    last = first
                for value in range(first, last + 1):
                    if value >= 36:
                        found.add(value)
    return found


def table_ids(path):
    ids = set()
    with open(path, encoding="ascii") as table:
        for line in table:
            if line.startswith("#") or not line.strip():
                continue
            number, _, _ = line.partition("\t")
            ids.add(int(number))
    return ids


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("file", help="text to scan")
    parser.add_argument("--table", help="string table to compare with")
    args = parser.parse_args()

    with open(args.file, encoding="utf-8", errors="replace") as source:
        found = identifiers_in(source.read())
    if args.table:
        found -= table_ids(args.table)
    for value in sorted(found):
        print(value)
    return 0


if __name__ == "__main__":
    sys.exit(main())
