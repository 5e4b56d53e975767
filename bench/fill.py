#!/usr/bin/python3
"""Fills an empty library with COUNT copies of one 30-clue puzzle, quickly. Usage: fill.py DB COUNT"""
import sqlite3
import sys

givens = [(i, (i * 7) % 9 + 1) for i in range(1, 82, 3)][:27]
db = sqlite3.connect(sys.argv[1])
db.executemany('INSERT INTO Game (GameNo, "Index", Number) VALUES (?, ?, ?)',
               ((n, i, d) for n in range(1, int(sys.argv[2]) + 1) for i, d in givens))
db.commit()
