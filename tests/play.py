#!/usr/bin/python3
"""The entry the build and the scripts call: play.py MODE ... (see play/__init__.py)."""
from play.cases import main

main()
