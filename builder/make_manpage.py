#!/usr/bin/env python3
"""Writes mksfx's manual page from its --help text, so the two never differ.

usage: make_manpage.py MKSFX OUTPUT VERSION

The help text's shape: usage lines, a paragraph, then sections headed by a
line that ends in ':' at the margin; options are lines indented by two
blanks whose description starts at the column of the first one, with
continuation lines indented to it; exit statuses are lines of a number
and its meaning; the examples section holds one command a line. The page
gets the usual sections: NAME, SYNOPSIS, DESCRIPTION, then those of the
help (OPTIONS, EXIT STATUS, EXAMPLES among them) and SEE ALSO.
"""
import re
import subprocess
import sys


def escape(text):
    text = text.replace('\\', '\\e').replace('-', '\\-')
    return '\\&' + text if text.startswith(('.', "'")) else text


def main():
    mksfx, output, version = sys.argv[1:4]
    help_text = subprocess.run([mksfx, '--help'], check=True, capture_output=True, text=True).stdout
    lines = help_text.splitlines()
    out = ['.TH MKSFX 1 "" "mksfx %s" "User Commands"' % version,
           '.SH NAME', 'mksfx \\- make and check self-extracting ZIP archives for Windows',
           '.SH SYNOPSIS']
    at = 0
    while at < len(lines) and (lines[at].startswith('Usage:') or lines[at].startswith('       ')):
        out += ['.br', escape(lines[at].replace('Usage:', '').strip())]
        at += 1
    out.append('.SH DESCRIPTION')
    column = None
    section = 'DESCRIPTION'
    for line in lines[at:]:
        if not line.strip():
            out.append('.PP')
            continue
        if not line.startswith(' ') and line.endswith(':'):
            section = line[:-1].upper()
            out.append('.SH ' + escape(section))
            column = None
            continue
        if line.startswith('Usage:'):
            out += ['.PP', escape(line)]
            continue
        stripped = line.strip()
        if section == 'EXAMPLES':
            out += ['.PP', '.nf', '.B ' + escape(stripped), '.fi']
            continue
        number = re.match(r'^  (\d+)  (.*)', line)
        if number:
            # An exit status and what it means, as a tagged paragraph.
            out += ['.TP', '.B ' + number.group(1), escape(number.group(2))]
            column = line.index(number.group(2))
            continue
        if line.startswith('  ') and stripped.startswith('-'):
            head = stripped.split('  ')[0]
            rest = stripped[len(head):].strip()
            column = line.index(rest) if rest else None
            out += ['.TP', '.B ' + escape(head)]
            if rest:
                out.append(escape(rest))
            continue
        if column is not None and line.startswith(' ' * column):
            out.append(escape(stripped))
            continue
        column = None
        out.append(escape(stripped))
    out += ['.SH SEE ALSO', '.BR zip (1),', '.BR unzip (1),', '.BR wine (1)']
    with open(output, 'w', encoding='utf-8') as f:
        f.write('\n'.join(out) + '\n')


if __name__ == '__main__':
    main()
