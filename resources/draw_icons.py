#!/usr/bin/env python3
"""Draws the program's small list and task icons, the logo and the application icon as SVG."""
import os

HERE = os.path.dirname(os.path.abspath(__file__))


def page(colour, glyph):
    # A sheet with a folded corner and a coloured band that tells the file type apart.
    return f'''<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16" viewBox="0 0 16 16">
<path d="M2.5 0.5h8l3 3v12h-11z" fill="#ffffff" stroke="#5a6470"/>
<path d="M10.5 0.5v3h3" fill="#dde3ea" stroke="#5a6470"/>
<rect x="3" y="9" width="10" height="6" fill="{colour}"/>
{glyph}
</svg>
'''


def glyph_picture():
    return '<path d="M4 14l2.5-3 1.5 2 1.5-1.5 2.5 2.5z" fill="#ffffff"/>'


def glyph_lines():
    return '<path d="M4 11h8M4 13h6" stroke="#ffffff" stroke-width="1"/>'


def glyph_square():
    return '<rect x="6" y="10" width="4" height="4" fill="#ffffff"/>'


def glyph_dot():
    return '<circle cx="8" cy="12" r="1.6" fill="#ffffff"/>'


def glyph_arrow():
    return '<path d="M5 10l4 4M5 10v3M5 10h3" stroke="#ffffff" stroke-width="1.2" fill="none"/>'


ICONS = {
    "00-wmf": page("#8a5cc2", glyph_lines()),
    "01-bmp": page("#2f7fd0", glyph_picture()),
    "02-dib": page("#2ba3a3", glyph_picture()),
    "03-emf": page("#b0479a", glyph_lines()),
    "04-gif": page("#e0902a", glyph_dot()),
    "05-ico": page("#d04a3a", glyph_square()),
    "06-jpg": page("#3d9a45", glyph_picture()),
    "07-other": page("#8a949e", glyph_arrow()),
    "08-add": '''<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16" viewBox="0 0 16 16">
<rect x="1.5" y="3.5" width="10" height="9" rx="1" fill="#ffffff" stroke="#5a6470"/>
<path d="M3 11l2.5-3 2 2 1.5-1.5 1.5 2.5z" fill="#3d9a45"/>
<circle cx="12" cy="11" r="3.5" fill="#2f7fd0"/>
<path d="M12 9v4M10 11h4" stroke="#ffffff" stroke-width="1.4"/>
</svg>
''',
    "09-about": '''<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16" viewBox="0 0 16 16">
<circle cx="8" cy="8" r="6.5" fill="#2f7fd0" stroke="#1d4f85"/>
<rect x="7" y="7" width="2" height="5" fill="#ffffff"/>
<circle cx="8" cy="4.8" r="1.1" fill="#ffffff"/>
</svg>
''',
    "10-exit": '''<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16" viewBox="0 0 16 16">
<rect x="1.5" y="1.5" width="8" height="13" fill="#c9a36a" stroke="#6b5430"/>
<circle cx="7.5" cy="8.5" r="0.8" fill="#6b5430"/>
<path d="M10 8h5M12.5 5.5l2.5 2.5-2.5 2.5" stroke="#d04a3a" stroke-width="1.6" fill="none"/>
</svg>
''',
    "11-task": '''<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16" viewBox="0 0 16 16">
<rect x="0.5" y="2.5" width="7" height="7" fill="#ffffff" stroke="#5a6470"/>
<path d="M1 9l2.5-3 2 2.5" stroke="#3d9a45" fill="none"/>
<path d="M7.5 10.5l2-2" stroke="#2f7fd0" stroke-width="1.4"/>
<rect x="9.5" y="8.5" width="6" height="6" rx="1" fill="#e0902a" stroke="#8a5518"/>
<rect x="11" y="10" width="3" height="3" fill="#ffffff"/>
</svg>
''',
    # One picture becoming images of several sizes.
    "12-one-picture": '''<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16" viewBox="0 0 16 16">
<rect x="0.5" y="0.5" width="8" height="8" fill="#ffffff" stroke="#5a6470"/>
<circle cx="6" cy="3" r="1.2" fill="#e0b020"/>
<path d="M1 8l2.5-3.5 2.5 3.5" stroke="#3d9a45" fill="none"/>
<rect x="10.5" y="1.5" width="5" height="5" fill="#e0902a" stroke="#8a5518"/>
<rect x="11.5" y="8.5" width="4" height="4" fill="#e0902a" stroke="#8a5518"/>
<rect x="12.5" y="13.5" width="2" height="2" fill="#e0902a" stroke="#8a5518"/>
<path d="M2 11.5h6m-2-2l2 2-2 2" stroke="#2f7fd0" stroke-width="1.2" fill="none"/>
</svg>
''',
}

LOGO = '''<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64" viewBox="0 0 64 64">
<defs><linearGradient id="sky" x1="0" y1="0" x2="0" y2="1">
<stop offset="0" stop-color="#7fb8f0"/><stop offset="1" stop-color="#d8ecff"/></linearGradient></defs>
<rect x="3" y="7" width="40" height="34" rx="3" fill="url(#sky)" stroke="#1d4f85" stroke-width="2"/>
<circle cx="33" cy="16" r="4" fill="#f5c542"/>
<path d="M5 39l12-14 8 9 6-6 10 11z" fill="#3d9a45"/>
<path d="M40 40l8-8" stroke="#1d4f85" stroke-width="3"/>
<path d="M44 28l6 2-2-6z" fill="#1d4f85"/>
<rect x="36" y="34" width="25" height="25" rx="4" fill="#e0902a" stroke="#8a5518" stroke-width="2"/>
<rect x="42" y="40" width="13" height="13" rx="1" fill="#ffffff"/>
<path d="M42 53l4-5 3 3 2-2 4 4z" fill="#3d9a45"/>
</svg>
'''


def main():
    for name, svg in ICONS.items():
        with open(os.path.join(HERE, "icons", name + ".svg"), "w") as f:
            f.write(svg)
    with open(os.path.join(HERE, "logo.svg"), "w") as f:
        f.write(LOGO)
    with open(os.path.join(HERE, "brevane.svg"), "w") as f:
        f.write(LOGO)


if __name__ == "__main__":
    main()
