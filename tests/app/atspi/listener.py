#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# A screen reader's ears: listens on the accessibility bus (AT-SPI) to the
# board driver and checks what a screen reader would speak.
#   listener.py READY-FILE SECRET
# Writes READY-FILE once listening; exits 0 when every check passed.
import sys
import pyatspi
from gi.repository import GLib

ready_file, secret = sys.argv[1], sys.argv[2].lower()
announced = []  # what status bars said, in order
names = {}  # last name heard from each label
repeats = []  # labels that told a name change to the name they had
leaks = []  # the secret heard before the round's end was announced
round_over = False
finished = False


def name_of(obj):
    try:
        return obj.name or ""
    except Exception:
        return ""


def heard(event):
    global round_over, finished
    src = event.source
    try:
        app = src.getApplication()
        if app is None or app.name != "boarddriver":
            return
        role = src.getRole()
    except Exception:
        return
    name = name_of(src)
    text = ""
    if event.type.startswith("object:text-changed"):
        text = str(event.any_data or "")
    announcing = role == pyatspi.ROLE_STATUS_BAR and event.type.startswith(
        "object:property-change")
    if announcing and name.startswith("Round 1 over"):
        round_over = True  # the announcement of the end may name the answer
    if not round_over:
        for said in (name, text):
            if secret in said.lower():
                leaks.append("%s %s: %s" % (event.type, src.getRoleName(), said))
    if announcing:
        if name:
            announced.append(name)
            if name.startswith("Game Over!"):
                finished = True
                GLib.timeout_add(300, pyatspi.Registry.stop)
    elif role == pyatspi.ROLE_LABEL and event.type.startswith("object:property-change"):
        # A name is read when its event is handled, not when it was sent: on a
        # busy machine two ticks of the clock may both read the second one.
        # The clock shows a new second at every tick by construction.
        if src.description == "Time left":
            return
        key = hash(src)
        path = "%s %s" % (src.description, name)
        if key in names and names[key] == name:
            repeats.append(path)
        names[key] = name


pyatspi.Registry.registerEventListener(
    heard, "object:property-change:accessible-name", "object:text-changed")
GLib.timeout_add(500, lambda: open(ready_file, "w").close() and False)
GLib.timeout_add(60000, pyatspi.Registry.stop)
pyatspi.Registry.start()

expected = [
    "Ann has started a game.",
    "Round 1 of 1. Your Turn. Words of 5 letters beginning with NU, 12 seconds.",
    "Accepted: NURSE, 5 points",
    "Word rejected: Already Guessed",
    "Bob found NUTTY, 5 points",
    "Time is up. Please Wait..",
    "Round 1 over. The starter word was NUDGE. Scores: Ann 5, Grob 0, Bob 5.",
    "Game Over! Ann has Won the Game!",
]
faults = []
if announced != expected:
    faults.append("announced:\n  " + "\n  ".join(announced))
if leaks:
    faults.append("the answer before the round ended:\n  " + "\n  ".join(leaks))
if repeats:
    faults.append("unchanged names announced again:\n  " + "\n  ".join(repeats))
if not finished:
    faults.append("the game's end was never heard")
print("\n".join(faults) if faults else "heard %d announcements" % len(announced))
sys.exit(1 if faults else 0)
