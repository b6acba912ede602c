#!/usr/bin/python3
"""Makes the user guide shipped beside the DLL: the README's guide (between
the markers <!-- guide --> and <!-- /guide -->) as one HTML file, with its
pictures inside it. Help in the extension opens this file at the anchors its
dialogs ask for; the file must hold each of them.

Usage: make_guide.py README.md OUT.html
"""
import base64
import pathlib
import re
import sys

import markdown

# The sections that Help in the extension opens (contents is the top).
ANCHORS = ["contents", "the-button-dialogs", "bar-options", "popup-options", "choose-icon"]


def main():
    readme, out = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    text = readme.read_text(encoding="utf-8")
    found = re.search(r"<!-- guide -->(.*)<!-- /guide -->", text, re.S)
    if not found:
        sys.exit("make_guide: the README has no guide between its markers")
    guide = found.group(1)

    def inline_picture(match):
        path = readme.parent / match.group(2)
        data = base64.b64encode(path.read_bytes()).decode("ascii")
        return f"![{match.group(1)}](data:image/png;base64,{data})"

    guide = re.sub(r"!\[([^\]]*)\]\(([^)]+\.png)\)", inline_picture, guide)
    body = markdown.markdown(guide, extensions=["tables", "fenced_code", "toc"])
    html = (
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<title>QX IconBar user guide</title>\n<style>\n"
        "body { font-family: sans-serif; max-width: 60em; margin: 1em auto; padding: 0 1em; }\n"
        "img { max-width: 100%; border: 1px solid #ccc; }\n"
        "table { border-collapse: collapse; } td, th { border: 1px solid #ccc; padding: .3em; }\n"
        "</style>\n</head>\n<body>\n<h1 id=\"contents\">QX IconBar user guide</h1>\n"
        + body + "\n</body>\n</html>\n"
    )
    missing = [a for a in ANCHORS if f'id="{a}"' not in html]
    if missing:
        sys.exit("make_guide: the guide lacks the sections " + ", ".join(missing))
    out.write_text(html, encoding="utf-8")
    print(f"make_guide: {out} ({len(html)} bytes), sections: {', '.join(ANCHORS)}")


if __name__ == "__main__":
    main()
