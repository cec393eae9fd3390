#!/usr/bin/env python3
"""Writes the application manifest without its comments and without the
blanks between its elements: every byte of the stub counts, and Windows
reads the compact form alike.
Usage: compact_manifest.py SOURCE.manifest OUTPUT.manifest"""
import re
import sys

text = open(sys.argv[1], encoding='utf-8').read()
text = re.sub(r'<!--.*?-->', '', text, flags=re.S)
text = re.sub(r'>\s+<', '><', text).strip()
open(sys.argv[2], 'w', encoding='utf-8', newline='').write(text)
