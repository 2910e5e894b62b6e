"""Packs the release programs into dist/echoview-VERSION-win64.zip, the same bytes from the same
source wherever and whenever it is built: fixed member order, times and attributes.

usage: package.py --bin BUILD/bin --out DIST_DIR
The zip holds echoview.exe, echofeed.exe, README.txt (the user sections of README.md and echofeed's
usage, with Windows line ends) and SHA256SUMS of the three.
"""
import argparse
import hashlib
import os
import re
import sys
import zipfile

from product import VERSION

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
USER_SECTIONS = ('Getting Echoview', 'Using Echoview')
ZIP_TIME = (1980, 1, 1, 0, 0, 0)  # the earliest a zip can hold: no build time in the archive


def read(path):
    with open(os.path.join(ROOT, path), encoding='utf-8') as f:
        return f.read()


def readme_sections(text, titles):
    """The "## " sections of README.md with these titles, in the README's order."""
    parts = re.split(r'^## ', text, flags=re.M)
    kept = [part for part in parts[1:] if part.splitlines()[0].strip() in titles]
    if len(kept) != len(titles):
        sys.exit(f'package: README.md lacks one of the sections {titles}')
    # Markdown that reads badly as plain text: pictures and emphasis marks.
    text = '\n'.join('## ' + part.strip() + '\n' for part in kept)
    text = re.sub(r'^!\[.*\]\(.*\)\n', '', text, flags=re.M)
    return text.replace('**', '')


def echofeed_usage():
    """echofeed's usage text as the program prints it, from the literal in its source."""
    source = read('tools/echofeed/main_win.cpp')
    # The literals up to the semicolon after the last of them: the text has semicolons of its own.
    block = re.search(r'usage_text\[\] =((?:\s*L"(?:[^"\\]|\\.)*")+)\s*;', source).group(1)
    text = ''.join(re.findall(r'L"((?:[^"\\]|\\.)*)"', block))
    return text.encode().decode('unicode_escape')


def readme_txt(version):
    text = (f'Echoview {version}\n\n' + readme_sections(read('README.md'), USER_SECTIONS) +
            '\n## echofeed\n\n' + echofeed_usage())
    return text.replace('\r\n', '\n').replace('\n', '\r\n').encode('utf-8')


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument('--bin', required=True, help='folder of the release echoview.exe and echofeed.exe')
    parser.add_argument('--out', required=True, help='folder the zip is written to')
    args = parser.parse_args()
    version = VERSION
    files = {}
    for name in ('echoview.exe', 'echofeed.exe'):
        with open(os.path.join(args.bin, name), 'rb') as f:
            files[name] = f.read()
    files['README.txt'] = readme_txt(version)
    files['SHA256SUMS'] = ''.join(f'{hashlib.sha256(data).hexdigest()}  {name}\n'
                                  for name, data in sorted(files.items())).encode()
    os.makedirs(args.out, exist_ok=True)
    path = os.path.join(args.out, f'echoview-{version}-win64.zip')
    with zipfile.ZipFile(path + '.tmp', 'w') as z:
        for name in sorted(files):
            info = zipfile.ZipInfo(name, ZIP_TIME)
            info.create_system = 0  # MS-DOS: no Unix owner or mode bits
            info.external_attr = 0
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, files[name], compresslevel=9)
    os.replace(path + '.tmp', path)
    with open(path, 'rb') as f:
        digest = hashlib.sha256(f.read()).hexdigest()
    print(f'package: {path} ({os.path.getsize(path):,} bytes, sha256 {digest})')
    return 0


if __name__ == '__main__':
    sys.exit(main())
