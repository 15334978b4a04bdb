"""python -m vantor_tools: the vantor-cli command line."""

import sys

from vantor_tools.cli import main

if __name__ == "__main__":
    sys.exit(main())
