"""The product's names as res/product.txt writes them once for CMake, the C++ code, the scripts and
the tests: VERSION, TITLE (the main window's) and SETTINGS_KEY (under HKEY_CURRENT_USER)."""
import os

PRODUCT_FILE = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), 'res', 'product.txt')


def read(path=PRODUCT_FILE):
    """The file's name=value lines as a dict, "@version@" in the values replaced by the version."""
    values = {}
    with open(path, encoding='utf-8') as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip('\n')
            if not line or line.startswith('#'):
                continue
            name, sep, value = line.partition('=')
            if not sep:
                raise ValueError(f'{path}:{number}: not a name=value line: {line!r}')
            values[name] = value
    for name in ('version', 'title', 'settings_key'):
        if not values.get(name):
            raise ValueError(f'{path}: no {name}=')
    return {name: value.replace('@version@', values['version']) for name, value in values.items()}


_values = read()
VERSION = _values['version']
TITLE = _values['title']
SETTINGS_KEY = _values['settings_key']
