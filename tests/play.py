#!/usr/bin/python3
"""The entry the build and the scripts call: play.py MODE ... (see play/__init__.py)."""
import sys
sys.dont_write_bytecode = True  # no __pycache__ left in the source tree
from play.cases import main

main()
